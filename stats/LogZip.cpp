#include "stats/LogZip.h"

#include "formats/zip/JZip.h"
#include "platform/base/CodePages.h"
#include "platform/files/FileSystem.h"
#include "platform/files/ShellFolders.h"

namespace {

std::wstring OemToWide(const std::string& text) {
    if (text.empty()) return std::wstring();
    const int units = MultiByteToWideChar(CP_OEMCP, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0);
    if (units <= 0) return std::wstring();
    std::wstring wide(static_cast<std::size_t>(units), L'\0');
    MultiByteToWideChar(CP_OEMCP, 0, text.c_str(), static_cast<int>(text.size()), wide.data(), units);
    return wide;
}

// The zip beside the log: only the file's own ".log" extension becomes ".zip".
std::string ZipPathOf(const std::string& logPath) {
    const std::string extension = ".log";
    if (logPath.size() >= extension.size() &&
        logPath.compare(logPath.size() - extension.size(), extension.size(), extension) == 0)
        return logPath.substr(0, logPath.size() - extension.size()) + ".zip";
    return logPath + ".zip";
}

}  // namespace

std::string MakeStatsLogZip(const std::string& logPath) {
    if (logPath.empty()) return std::string();
    const std::string zipPath = ZipPathOf(logPath);
    JZip zip;
    if (!zip.Create(OemToWide(zipPath).c_str(), "")) return std::string();
    wchar_t temp[MAX_PATH] = {};
    if (GetTempPathW(MAX_PATH, temp) > 0) {
        const std::wstring devcon = std::wstring(temp) + L"devcon.log";
        zip.AddFile(devcon.c_str(), L"devcon.log");
    }
    zip.AddFile(OemToWide(logPath).c_str(), L"install.log");
    zip.Close();
    return zipPath;
}
