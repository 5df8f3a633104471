#include "util/WininitFile.h"

#include <cstring>
#include <vector>

#include "platform/Win32.h"
#include "util/StringConvert.h"

namespace libutilosm {

namespace {

bool IsRenameHeader(const std::string& line) { return line.size() >= 8 && _strnicmp(line.c_str(), "[rename]", 8) == 0; }

// The lines of a text file; an absent file has none.
bool ReadLines(const std::string& path, std::vector<std::string>& lines) {
    FILE* stream = nullptr;
    if (fopen_s(&stream, path.c_str(), "r") != 0 || stream == nullptr) {
        return GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES;
    }
    std::string line;
    char chunk[512];
    while (std::fgets(chunk, sizeof chunk, stream) != nullptr) {
        line += chunk;
        if (!line.empty() && line.back() == '\n') {
            line.pop_back();
            lines.push_back(line);
            line.clear();
        }
    }
    if (!line.empty()) lines.push_back(line);
    bool ok = std::ferror(stream) == 0;
    std::fclose(stream);
    return ok;
}

}  // namespace

std::string GetWininitPath() {
    wchar_t folder[MAX_PATH];
    UINT length = GetWindowsDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return {};
    return WideToAnsiString(std::wstring(folder, length) + L"\\wininit.ini");
}

bool IsOutsideNtFamily() {
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    return GetVersionExW(&info) && info.dwPlatformId != VER_PLATFORM_WIN32_NT;
}

bool AddWininitRename(const std::string& target, const std::string& source) {
    std::string path = GetWininitPath();
    std::vector<std::string> lines;
    if (path.empty() || !ReadLines(path, lines)) return false;
    // The entry goes at the end of the [rename] section: lines appended after
    // a later section would belong to that section and never be carried out.
    std::string entry = target + "=" + source;
    std::size_t at = 0;
    while (at < lines.size() && !IsRenameHeader(lines[at])) ++at;
    if (at == lines.size()) {
        lines.push_back("[rename]");
        lines.push_back(entry);
    } else {
        std::size_t end = at + 1;
        while (end < lines.size() && (lines[end].empty() || lines[end][0] != '[')) ++end;
        while (end > at + 1 && lines[end - 1].empty()) --end;  // before the blank lines that close it
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(end), entry);
    }
    FILE* stream = nullptr;
    if (fopen_s(&stream, path.c_str(), "w") != 0 || stream == nullptr) return false;
    bool ok = true;
    for (const std::string& line : lines) ok = std::fprintf(stream, "%s\n", line.c_str()) >= 0 && ok;
    return std::fclose(stream) == 0 && ok;
}

}  // namespace libutilosm
