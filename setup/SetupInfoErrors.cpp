#include "setup/SetupInfoErrors.h"

#include <atomic>
#include <mutex>

namespace {

std::atomic<int> g_lastError{kUnpackNoError};
std::mutex g_pathLock;
std::wstring g_installPath;

struct ErrorName {
    int code;
    const char* name;
};

// The names as the install report sends them (10003's spelling included).
constexpr ErrorName kErrorNames[] = {
    {kUnpackNoError, "NoError"},
    {kUnpackPointNull, "PointNull"},
    {kUnpackSetupFileError, "SetupFileError"},
    {kUnpackDirWriteError, "DirWriteError"},
    {kUnpackMallocError, "MallocBrror"},
    {kUnpackInstallFileError, "InstallFileError"},
    {kUnpackOpenFileError, "OpenFileError"},
    {kUnpackOffsetError, "OffsetError"},
    {kUnpackReadFileError, "ReadFileError"},
    {kUnpackUnzipFileError, "UnzipFileError"},
};

}  // namespace

int GetUnpackLastError() { return g_lastError.load(); }

std::string GetUnpackErrorName(int code) {
    for (const ErrorName& entry : kErrorNames)
        if (entry.code == code) return entry.name;
    return std::to_string(code);
}

std::string GetUnpackErrorName() { return GetUnpackErrorName(GetUnpackLastError()); }

std::wstring GetUnpackedInstallPath() {
    std::lock_guard<std::mutex> lock(g_pathLock);
    return g_installPath;
}

void SetUnpackLastError(int code) { g_lastError.store(code); }

void SetUnpackedInstallPath(const std::wstring& path) {
    std::lock_guard<std::mutex> lock(g_pathLock);
    g_installPath = path;
}
