// File times and local-time conversion of FILETIME values, and anonymous pipes.
//
// FILETIME counts 100-ns intervals since 1601-01-01 UTC. The local forms use
// the host's time zone for the moment converted (daylight saving included),
// as readers of DOS times in archives expect.
#pragma once

#include "platform/base/Win32Types.h"
#include "platform/files/FileSystem.h"

// Times of an open file; any out pointer may be null. The creation time is the
// host's status-change time.
BOOL GetFileTime(HANDLE file, FILETIME* creation, FILETIME* lastAccess, FILETIME* lastWrite);
// Sets the access and write times (null keeps one); the creation time is ignored.
BOOL SetFileTime(HANDLE file, const FILETIME* creation, const FILETIME* lastAccess, const FILETIME* lastWrite);

BOOL FileTimeToLocalFileTime(const FILETIME* utc, FILETIME* local);
BOOL LocalFileTimeToFileTime(const FILETIME* local, FILETIME* utc);
void GetSystemTimeAsFileTime(FILETIME* time);

// A pipe: bytes written to `write` are read from `read`. Neither end can seek.
BOOL CreatePipe(HANDLE* read, HANDLE* write, LPSECURITY_ATTRIBUTES attributes, DWORD size);
