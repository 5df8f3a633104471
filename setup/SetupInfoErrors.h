// The unpack step's error codes and its process-wide results: the last error
// (0 until an unpack fails) and the install folder of the last unpack. Both
// are written only by UnpackPackage; any thread may read them.
#pragma once

#include <string>

enum UnpackErrorCode : int {
    kUnpackNoError = 0,
    kUnpackPointNull = 10000,       // the package path is null
    kUnpackSetupFileError = 10001,  // value of the failure event, never a last error
    kUnpackDirWriteError = 10002,   // the install folder does not exist after preparation
    kUnpackMallocError = 10003,     // a buffer cannot be had (or is larger than the package)
    kUnpackInstallFileError = 10004,
    kUnpackOpenFileError = 10005,
    kUnpackOffsetError = 10006,     // the record does not lie inside the package
    kUnpackReadFileError = 10007,   // the payload does not lie inside the package, or a read fell short
    kUnpackUnzipFileError = 10008,  // the 7z extraction (or the copy to its temporary archive) failed
};

int GetUnpackLastError();
// The code's name ("NoError", "PointNull", ...), or its decimal text when it
// has none (a file layer's open error, for instance).
std::string GetUnpackErrorName();
std::string GetUnpackErrorName(int code);
std::wstring GetUnpackedInstallPath();

// For UnpackPackage only.
void SetUnpackLastError(int code);
void SetUnpackedInstallPath(const std::wstring& path);
