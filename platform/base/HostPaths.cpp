#include "platform/base/HostPaths.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cwchar>
#include <vector>

#include "platform/base/CodePages.h"
#include "platform/base/Machine.h"

namespace platform {

namespace {

std::vector<std::wstring> SplitNames(const std::wstring& text) {
    std::vector<std::wstring> names;
    std::wstring current;
    for (wchar_t c : text) {
        if (c == L'\\' || c == L'/') {
            names.push_back(current);
            current.clear();
        } else {
            current.push_back(c);
        }
    }
    names.push_back(current);
    return names;
}

std::wstring HostCurrentDirectory() {
    std::vector<char> buffer(4096);
    if (::getcwd(buffer.data(), buffer.size()) == nullptr) return L"Z:\\";
    return FromHostPath(buffer.data());
}

bool HostExists(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

// Finds the entry of `folder` whose name equals `name` without regard to case.
std::optional<std::string> FindNoCase(const std::string& folder, const std::wstring& name) {
    DIR* dir = ::opendir(folder.empty() ? "/" : folder.c_str());
    if (dir == nullptr) return std::nullopt;
    std::optional<std::string> found;
    while (dirent* entry = ::readdir(dir)) {
        if (NamesEqualNoCase(Utf8ToUtf16(entry->d_name), name)) {
            found = entry->d_name;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

}  // namespace

wchar_t FoldCase(wchar_t c) {
    if (c >= L'a' && c <= L'z') return static_cast<wchar_t>(c - 32);
    if ((c >= 0xE0 && c <= 0xFE && c != 0xF7)) return static_cast<wchar_t>(c - 32);
    if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return static_cast<wchar_t>(c - 32);
    if (c >= 0x430 && c <= 0x44F) return static_cast<wchar_t>(c - 32);
    if (c >= 0x450 && c <= 0x45F) return static_cast<wchar_t>(c - 80);
    return c;
}

bool NamesEqualNoCase(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (FoldCase(a[i]) != FoldCase(b[i])) return false;
    return true;
}

bool IsWindowsName(const std::wstring& name) {
    if (name.empty() || name == L"." || name == L"..") return false;
    for (wchar_t c : name)
        if (c < 32 || std::wcschr(L"\\/:*?\"<>|", c) != nullptr) return false;
    if (name.back() == L'.' || name.back() == L' ') return false;
    // Device names stay devices whatever extension follows ("nul.txt").
    std::wstring stem = name.substr(0, name.find(L'.'));
    while (!stem.empty() && stem.back() == L' ') stem.pop_back();
    for (wchar_t& c : stem) c = FoldCase(c);
    static const wchar_t* const devices[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};
    for (const wchar_t* device : devices)
        if (stem == device) return false;
    if (stem.size() == 4 && (stem.rfind(L"COM", 0) == 0 || stem.rfind(L"LPT", 0) == 0) && stem[3] >= L'1' &&
        stem[3] <= L'9')
        return false;
    return true;
}

bool HasOnlyWindowsNames(const std::wstring& fullPath) {
    if (fullPath.size() < 3) return false;
    for (const std::wstring& name : SplitNames(fullPath.substr(3)))
        if (!name.empty() && !IsWindowsName(name)) return false;
    return true;
}

std::wstring FullWindowsPath(const std::wstring& path) {
    if (path.empty()) return {};
    std::wstring text = path;
    for (wchar_t& c : text)
        if (c == L'/') c = L'\\';
    if (text.rfind(L"\\\\?\\", 0) == 0) {
        text = text.substr(4);
        // "\\?\UNC\server\share" is a share, not a relative "UNC" folder.
        if (text.size() >= 3 && NamesEqualNoCase(text.substr(0, 3), L"UNC") && (text.size() == 3 || text[3] == L'\\'))
            return {};
    }
    if (text.rfind(L"\\\\", 0) == 0) return {};  // UNC shares are not part of the machine
    std::wstring drive;
    std::wstring rest;
    if (text.size() >= 2 && text[1] == L':') {
        wchar_t letter = FoldCase(text[0]);
        if (letter < L'A' || letter > L'Z') return {};
        drive = std::wstring(1, letter) + L":";
        rest = text.substr(2);
        if (rest.empty() || rest[0] != L'\\') {
            // "C:name" is relative to the drive's current folder; the root stands in for it.
            rest = L"\\" + rest;
        }
    } else if (text[0] == L'\\') {
        drive = HostCurrentDirectory().substr(0, 2);
        rest = text;
    } else {
        std::wstring current = HostCurrentDirectory();
        drive = current.substr(0, 2);
        rest = current.substr(2) + L"\\" + text;
    }
    std::vector<std::wstring> resolved;
    std::vector<std::wstring> names = SplitNames(rest);
    for (size_t i = 0; i < names.size(); ++i) {
        std::wstring name = names[i];
        bool last = i + 1 == names.size();
        if (name == L".") continue;
        if (name == L"..") {
            if (!resolved.empty()) resolved.pop_back();
            continue;
        }
        // Windows drops trailing dots and blanks of a name ("a." is "a").
        while (!name.empty() && (name.back() == L'.' || name.back() == L' ')) name.pop_back();
        if (name.empty()) {
            if (last && !resolved.empty()) resolved.push_back(L"");  // keeps a trailing backslash
            continue;
        }
        resolved.push_back(name);
    }
    std::wstring full = drive;
    if (resolved.empty()) return full + L"\\";
    for (const std::wstring& name : resolved) full += L"\\" + name;
    return full;
}

std::optional<std::string> ToHostPath(const std::wstring& windowsPath) {
    std::wstring full = FullWindowsPath(windowsPath);
    if (full.empty()) return std::nullopt;
    if (!HasOnlyWindowsNames(full)) return std::nullopt;
    std::string root = Machine::Current().DriveRoot(full[0]);
    if (root.empty()) return std::nullopt;
    std::string host = root == "/" ? std::string() : root;
    bool matching = true;
    std::vector<std::wstring> names = SplitNames(full.substr(3));
    for (const std::wstring& name : names) {
        if (name.empty()) continue;
        std::string exact = Utf16ToUtf8(name);
        std::string next = host + "/" + exact;
        if (matching && !HostExists(next)) {
            std::optional<std::string> found = FindNoCase(host, name);
            if (found) {
                next = host + "/" + *found;
            } else {
                matching = false;  // the rest does not exist; keep the names as given
            }
        }
        host = next;
    }
    if (host.empty()) host = "/";
    return host;
}

std::wstring FromHostPath(const std::string& hostPath) {
    const Machine& machine = Machine::Current();
    std::string drives = machine.Root() + "/drives/";
    std::wstring result;
    if (hostPath.rfind(drives, 0) == 0 && hostPath.size() > drives.size()) {
        std::string rest = hostPath.substr(drives.size());
        result = std::wstring(1, static_cast<wchar_t>(rest[0])) + L":";
        std::wstring tail = Utf8ToUtf16(rest.substr(1));
        result += tail.empty() ? L"\\" : tail;
    } else {
        result = L"Z:" + Utf8ToUtf16(hostPath.empty() ? std::string("/") : hostPath);
    }
    for (wchar_t& c : result)
        if (c == L'/') c = L'\\';
    return result;
}

}  // namespace platform
