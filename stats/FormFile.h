// The file part of an upload (a log zip, a dump, a form file), read whole.
// Shared by the statistics upload and the API client.
#pragma once

#include <cstdio>
#include <string>

// Attachments beyond this size are not sent.
inline constexpr long long kFormFileLimit = 64LL * 1024 * 1024;

// The rest of `file` into `bytes`; false on a read error or when it holds
// more than kFormFileLimit bytes.
bool ReadFormStream(std::FILE* file, std::string& bytes);

// The file at the ANSI path `path`, whole; false when it cannot be opened or
// read as above.
bool ReadFormFileAnsi(const std::string& path, std::string& bytes);

// The name part of a path ("\" or "/" separated), as the part's file name.
std::string FormFileName(const std::string& path);
