#include "util/OsmPaths.h"

#include <algorithm>
#include <boost/filesystem/path.hpp>
#include <cstring>

#include "platform/Win32.h"
#include "util/StringConvert.h"
#include "util/StringUtil.h"
#include "util/SystemIdentity.h"
#include "util/WininitFile.h"

namespace libutilosm {

namespace {

std::wstring Wide(const char* ansi) { return ansi != nullptr ? AnsiToWideString(ansi) : std::wstring(); }
std::wstring WideUtf8(const char* utf8) { return utf8 != nullptr ? Utf8ToWide(utf8) : std::wstring(); }

// Copies `text` with its NUL when it fits; its length either way.
int CopyOut(const std::string& text, char* buffer, int size) {
    int length = static_cast<int>(text.size());
    if (buffer != nullptr && length < size) std::memcpy(buffer, text.c_str(), text.size() + 1);
    return length;
}

bool CreateOneFolder(const std::wstring& path) {
    if (CreateDirectoryW(path.c_str(), nullptr)) return true;
    return GetLastError() == ERROR_ALREADY_EXISTS ||
           (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES && PathIsDirectoryW(path.c_str()));
}

bool CreateFolderPathWide(const std::wstring& path) {
    if (path.size() > MAX_PATH) return false;
    bool result = true;
    for (std::size_t at = 0; at < path.size(); ++at) {
        if (path[at] != L'/' && path[at] != L'\\') continue;
        std::wstring prefix = path.substr(0, at);
        if (prefix.empty() || (prefix.size() == 2 && prefix[1] == L':')) continue;  // root or drive
        result = CreateOneFolder(prefix);
    }
    return result;
}

int DeleteOrScheduleWide(const std::wstring& path, bool missingIsDone) {
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        return missingIsDone ? kFileOpDone : kFileOpFailed;
    }
    if (DeleteFileW(path.c_str())) return kFileOpDone;
    return MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) ? kFileOpScheduled : kFileOpFailed;
}

int MoveOrScheduleWide(const std::wstring& from, const std::wstring& to) {
    if (MoveFileExW(from.c_str(), to.c_str(), 0)) return kFileOpDone;
    return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT)
               ? kFileOpScheduled
               : kFileOpFailed;
}

// Joins "%s%s" (or "%s%s/") within MAX_PATH; false when it would not fit.
bool Join(const std::string& folder, const std::string& name, bool slash, std::string& out) {
    out = folder + name + (slash ? "/" : "");
    return out.size() < MAX_PATH;
}

struct Entry {
    std::string name;
    DWORD attributes;
};

// The entries of a folder ending in "/" without "." and "..".
bool ListFolder(const std::wstring& folder, std::vector<Entry>& entries, bool utf8) {
    WIN32_FIND_DATAW data{};
    HANDLE find = FindFirstFileW((folder + L"*.*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return false;
    do {
        std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        entries.push_back(Entry{utf8 ? WideToUtf8(name) : WideToAnsiString(name), data.dwFileAttributes});
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return true;
}

bool IsLinkEntry(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }
bool IsFolderEntry(DWORD attributes) {
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && !IsLinkEntry(attributes);
}

bool RemoveTreeOf(const std::string& folder, int mode, bool utf8) {
    auto wide = [utf8](const std::string& path) { return utf8 ? Utf8ToWide(path) : AnsiToWideString(path); };
    std::vector<Entry> entries;
    bool result = true;
    if (!ListFolder(wide(folder), entries, utf8)) return false;
    for (const Entry& entry : entries) {
        std::string path;
        if (IsFolderEntry(entry.attributes)) {
            if (!Join(folder, entry.name, true, path)) {
                result = false;
                continue;
            }
            result = RemoveTreeOf(path, mode, utf8);
        } else if (IsLinkEntry(entry.attributes)) {
            // The link goes; what it points at stays.
            if (!Join(folder, entry.name, false, path)) continue;
            std::wstring target = wide(path);
            result = (entry.attributes & FILE_ATTRIBUTE_DIRECTORY) ? RemoveDirectoryW(target.c_str()) != FALSE
                                                                   : DeleteFileW(target.c_str()) != FALSE;
        } else if (mode == 0 || mode == 1) {
            if (!Join(folder, entry.name, false, path)) {
                result = false;
                continue;
            }
            std::wstring target = wide(path);
            SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
            result = DeleteFileW(target.c_str()) != FALSE;
        }
    }
    if (mode == 0 || mode == 2) result = RemoveDirectoryW(wide(folder).c_str()) != FALSE;
    return result;
}

const char* DiscFolderNames[] = {"VIDEO_TS", "BDMV"};

// The short, "\"-separated form that wininit.ini takes: the alias of an
// existing path, else the full path as given (a move's new name).
std::string WininitName(const char* path) {
    char shortPath[MAX_PATH];
    DWORD length = GetShortPathNameA(path, shortPath, MAX_PATH);
    if (length > 0 && length < MAX_PATH) return shortPath;
    wchar_t full[MAX_PATH];
    DWORD units = GetFullPathNameW(Wide(path).c_str(), MAX_PATH, full, nullptr);
    return units > 0 && units < MAX_PATH ? WideToAnsiString(std::wstring(full, units)) : std::string();
}

int ScheduleInWininit(const std::string& target, const std::string& source) {
    if (target.empty() || source.empty()) return kFileOpFailed;
    return AddWininitRename(target, source) ? kFileOpScheduled : kFileOpFailed;
}

}  // namespace

bool PathExists(const char* path) {
    return path != nullptr && GetFileAttributesW(Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool CanOpenFile(const char* path) {
    if (path == nullptr) return false;
    HANDLE file =
        CreateFileW(Wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

bool IsFolder(const char* path) {
    if (path == nullptr) return false;
    std::string text = path;
    if (text.size() <= 1) return false;
    if (text.size() == 2) {
        if (text[1] != ':') return false;
        text += "/";
    } else if (text.back() == '/') {
        text.pop_back();
    }
    DWORD attributes = GetFileAttributesW(Wide(text.c_str()).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool IsAbsolutePath(const char* path) {
    if (path == nullptr) return false;
    std::string text(path, strnlen(path, MAX_PATH - 1));
    Trim(text);
    if (text.size() >= 3 && text[1] == ':' && (text[2] == '\\' || text[2] == '/')) return true;
    return text.size() >= 2 && (text[0] == '\\' || text[0] == '/') && text[0] == text[1];
}

int SplitNameAndExtension(const char* path, char* name, char* extension) {
    if (path == nullptr || name == nullptr || extension == nullptr) return 22;  // EINVAL
    std::string text = path;
    std::size_t slash = text.find_last_of("/\\:");
    std::string file = slash == std::string::npos ? text : text.substr(slash + 1);
    std::size_t dot = file.find_last_of('.');
    std::string stem = dot == std::string::npos ? file : file.substr(0, dot);
    std::string ext = dot == std::string::npos ? std::string() : file.substr(dot);
    if (stem.size() >= MAX_PATH || ext.size() >= MAX_PATH) return 34;  // ERANGE
    std::memcpy(name, stem.c_str(), stem.size() + 1);
    std::memcpy(extension, ext.c_str(), ext.size() + 1);
    return 0;
}

int GetDirectoryPart(const char* path, char* buffer, int size) {
    if (path == nullptr) return 0;
    std::string text = path;
    char separator = text.find('/') != std::string::npos ? '/' : '\\';
    std::size_t last = text.find_last_of(separator);
    return CopyOut(last == std::string::npos ? std::string() : text.substr(0, last + 1), buffer, size);
}

int GetFileNamePart(const char* path, char* buffer, int size) {
    if (path == nullptr) return 0;
    std::string text = path;
    std::size_t last = text.find_last_of('/');
    return CopyOut(last == std::string::npos ? text : text.substr(last + 1), buffer, size);
}

char GetNativeSeparator() { return '\\'; }
char GetPortableSeparator() { return '/'; }

int BackslashesToSlashes(char* text) {
    if (text == nullptr) return 0;
    int length = 0;
    for (; text[length] != '\0'; ++length) {
        if (text[length] == '\\') text[length] = '/';
    }
    return length;
}

int SlashesToBackslashes(char* text) {
    if (text == nullptr) return 0;
    int length = 0;
    for (; text[length] != '\0'; ++length) {
        if (text[length] == '/') text[length] = '\\';
    }
    return length;
}

int ToBackslashes(std::string& text) {
    int count = 0;
    for (char& c : text) {
        if (c == '/') {
            c = '\\';
            ++count;
        }
    }
    return count;
}

std::string ToForwardSlashes(const std::string& text) {
    // On the wide form, so that no trail byte of a double-byte character is touched.
    std::wstring wide = AnsiToWideString(text);
    std::replace(wide.begin(), wide.end(), L'\\', L'/');
    return WideToAnsiString(wide);
}

std::string& AppendPathPart(std::string& path, const std::string& part) {
    if (!path.empty() && path.back() != '/' && path.back() != '\\') path += '/';
    path += part;
    return path;
}

bool CreateFolder(const char* path) { return path != nullptr && CreateOneFolder(Wide(path)); }
bool CreateFolderUtf8(const char* path) { return path != nullptr && CreateOneFolder(WideUtf8(path)); }
bool CreateFolderPath(const char* path) {
    return path != nullptr && std::strlen(path) <= MAX_PATH && CreateFolderPathWide(Wide(path));
}
bool CreateFolderPathUtf8(const char* path) {
    return path != nullptr && std::strlen(path) <= MAX_PATH && CreateFolderPathWide(WideUtf8(path));
}

bool MakeTempFolder(char* buffer) {
    if (buffer == nullptr) return false;
    buffer[0] = '\0';
    wchar_t temp[MAX_PATH];
    DWORD length = GetTempPathW(MAX_PATH, temp);
    if (length == 0 || length >= MAX_PATH) return false;
    std::string folder = WideToAnsiString(std::wstring(temp, length));
    std::replace(folder.begin(), folder.end(), '\\', '/');
    if (folder.back() != '/') folder += '/';
    if (!CreateFolderPath(folder.c_str())) return false;
    // The creation itself decides: a name another process took in the
    // meantime fails with "already exists" and the next one is tried.
    DWORD seed = GetTickCount();
    for (DWORD attempt = 0; attempt < 1000; ++attempt) {
        char name[32];
        std::snprintf(name, sizeof(name), "%x/", seed + attempt);
        std::string candidate;
        if (!Join(folder, name, false, candidate)) return false;
        std::wstring wide = AnsiToWideString(candidate);
        wide.pop_back();
        if (CreateDirectoryW(wide.c_str(), nullptr)) {
            std::memcpy(buffer, candidate.c_str(), candidate.size() + 1);
            return true;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) return false;
    }
    return false;
}

void GetDocumentsDataFolder(const char* name, char* buffer) {
    if (buffer == nullptr) return;
    std::snprintf(buffer, MAX_PATH, "%c:/", 'C');
    char documents[MAX_PATH] = {};
    if (SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_PERSONAL | CSIDL_FLAG_CREATE, nullptr, 0, documents))) {
        std::string joined = std::string(documents) + "/" + (name != nullptr ? name : "") + "/";
        std::replace(joined.begin(), joined.end(), '\\', '/');
        if (joined.size() < MAX_PATH) std::memcpy(buffer, joined.c_str(), joined.size() + 1);
    }
}

bool GetModuleFileNameSlashes(HMODULE module, char* buffer, int size) {
    if (buffer == nullptr || size <= 0) return false;
    DWORD length = GetModuleFileNameA(module, buffer, static_cast<DWORD>(size));
    bool ok = length > 0 && length < static_cast<DWORD>(size);
    if (ok && GetFileAttributesW(Wide(buffer).c_str()) == INVALID_FILE_ATTRIBUTES) {
        // The ANSI form lost characters: take the wide name through the C runtime's conversion.
        wchar_t wide[MAX_PATH];
        DWORD units = GetModuleFileNameW(module, wide, MAX_PATH);
        std::string converted = units > 0 && units < MAX_PATH ? WideToMultiByteCrt(std::wstring(wide, units)) : "";
        ok = !converted.empty() && converted.size() < static_cast<std::size_t>(size);
        if (ok) std::memcpy(buffer, converted.c_str(), converted.size() + 1);
    }
    if (!ok) {
        buffer[0] = '\0';
        return false;
    }
    BackslashesToSlashes(buffer);
    return true;
}

bool GetModuleDirectory(char* buffer, int size) {
    char path[MAX_PATH];
    if (!GetModuleFileNameSlashes(nullptr, path, MAX_PATH)) {
        if (buffer != nullptr && size > 0) buffer[0] = '\0';
        return false;
    }
    return GetDirectoryPart(path, buffer, size) < size;
}

bool GetModulePathUtf8(char* buffer, int size) {
    if (buffer == nullptr || size <= 0) return false;
    wchar_t wide[MAX_PATH];
    DWORD units = GetModuleFileNameW(nullptr, wide, MAX_PATH);
    if (units == 0 || units >= MAX_PATH) return false;
    std::string utf8 = WideToUtf8(std::wstring(wide, units));
    std::replace(utf8.begin(), utf8.end(), '\\', '/');
    if (utf8.size() >= static_cast<std::size_t>(size)) return false;
    std::memcpy(buffer, utf8.c_str(), utf8.size() + 1);
    return true;
}

bool GetModuleDirectoryUtf8Buffer(char* buffer, int size) {
    char path[MAX_PATH * 3];
    if (!GetModulePathUtf8(path, sizeof(path))) return false;
    return GetDirectoryPart(path, buffer, size) < size;
}

bool GetModuleDirectoryUtf8(std::string& out) {
    char folder[MAX_PATH];
    if (!GetModuleDirectory(folder, MAX_PATH)) return false;
    out = AnsiToUtf8(folder);
    return true;
}

void SplitFileNameUtf8(const std::string& path, std::string* name, std::string* folder) {
    boost::filesystem::path parsed(path);
    if (name != nullptr) *name = parsed.filename().string();
    if (folder != nullptr) *folder = parsed.parent_path().string();
}

std::string GetExtensionUtf8(const std::string& path) { return boost::filesystem::path(path).extension().string(); }
std::string GetStemUtf8(const std::string& path) { return boost::filesystem::path(path).stem().string(); }

FILE* OpenFileUtf8(const char* path, const char* mode) {
    if (path == nullptr || mode == nullptr) return nullptr;
    FILE* stream = nullptr;
    if (_wfopen_s(&stream, WideUtf8(path).c_str(), WideUtf8(mode).c_str()) != 0) return nullptr;
    return stream;
}

std::uint64_t GetFileSize64(const char* path) {
    if (path == nullptr) return ~0ULL;
    HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return ~0ULL;
    LARGE_INTEGER size{};
    bool ok = GetFileSizeEx(file, &size) != FALSE;
    CloseHandle(file);
    return ok ? static_cast<std::uint64_t>(size.QuadPart) : ~0ULL;
}

DWORD GetFileSize32(const char* path) {
    std::uint64_t size = GetFileSize64(path);
    return size == ~0ULL ? INVALID_FILE_SIZE : static_cast<DWORD>(size);
}

std::uint64_t GetFileSize64Utf8(const char* path) {
    return path != nullptr ? GetFileSize64(Utf8ToAnsi(path).c_str()) : ~0ULL;
}

std::int64_t GetFilePosition(HANDLE file) {
    LARGE_INTEGER zero{};
    LARGE_INTEGER position{};
    return SetFilePointerEx(file, zero, &position, FILE_CURRENT) ? position.QuadPart : -1;
}

bool SetFilePosition(HANDLE file, std::int64_t position) {
    LARGE_INTEGER target{};
    target.QuadPart = position;
    return SetFilePointerEx(file, target, nullptr, FILE_BEGIN) != FALSE;
}

int GetLongPathA(const char* path, char* buffer, int size) {
    // Names on this system are long already: the path is copied unchanged.
    return path != nullptr ? CopyOut(path, buffer, size) : 0;
}

bool WriteBufferToFile(const void* data, std::size_t size, const char* path) {
    if (path == nullptr || (data == nullptr && size > 0)) return false;
    FILE* stream = nullptr;
    if (fopen_s(&stream, path, "wb") != 0 || stream == nullptr) return false;
    std::size_t written = size > 0 ? std::fwrite(data, 1, size, stream) : 0;
    bool closed = std::fclose(stream) == 0;
    return written == size && closed;
}

int ListMatchingFiles(const char* pattern, std::vector<std::string>& out, bool fullPath) {
    out.clear();
    if (pattern == nullptr) return 0;
    std::string text = pattern;
    std::size_t slash = text.find_last_of("/\\");
    std::string folder = slash == std::string::npos ? std::string() : text.substr(0, slash + 1);
    WIN32_FIND_DATAW data{};
    HANDLE find = FindFirstFileW(Wide(pattern).c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return 0;
    do {
        std::string name = WideToAnsiString(data.cFileName);
        if (fullPath) {
            name = folder + name;
            std::replace(name.begin(), name.end(), '/', '\\');
        }
        out.push_back(name);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return static_cast<int>(out.size());
}

bool CopyFolderTree(const char* source, const char* target, bool filesOnly) {
    if (source == nullptr || target == nullptr) return false;
    std::vector<Entry> entries;
    if (!ListFolder(Wide(source), entries, false)) return false;
    bool result = true;
    for (const Entry& entry : entries) {
        if (IsLinkEntry(entry.attributes)) continue;
        std::string from;
        std::string to;
        bool folder = IsFolderEntry(entry.attributes);
        if (!Join(source, entry.name, folder, from) || !Join(target, entry.name, folder, to)) {
            result = false;
            continue;
        }
        if (folder) {
            if (filesOnly) continue;
            std::wstring created = Wide(to.c_str());
            created.pop_back();
            if (!CreateOneFolder(created) || !CopyFolderTree(from.c_str(), to.c_str(), filesOnly)) result = false;
        } else if (!CopyFileW(Wide(from.c_str()).c_str(), Wide(to.c_str()).c_str(), FALSE)) {
            result = false;
        }
    }
    return result;
}

bool RemoveTree(const char* folder, int mode) { return folder != nullptr && RemoveTreeOf(folder, mode, false); }
bool RemoveTreeUtf8(const char* folder, int mode) { return folder != nullptr && RemoveTreeOf(folder, mode, true); }

bool IsTreeWithoutFiles(const char* folder) {
    if (folder == nullptr) return false;
    std::vector<Entry> entries;
    if (!ListFolder(Wide(folder), entries, false)) return true;
    for (const Entry& entry : entries) {
        if (!IsFolderEntry(entry.attributes)) return false;  // a file, or a link
        std::string path;
        if (!Join(folder, entry.name, true, path) || !IsTreeWithoutFiles(path.c_str())) return false;
    }
    return true;
}

int DeleteFileOrSchedule(const char* path) {
    if (path == nullptr) return kFileOpFailed;
    if (!IsOutsideNtFamily()) return DeleteOrScheduleWide(Wide(path), false);
    std::wstring wide = Wide(path);
    if (GetFileAttributesW(wide.c_str()) == INVALID_FILE_ATTRIBUTES) return kFileOpFailed;
    if (DeleteFileW(wide.c_str())) return kFileOpDone;
    return ScheduleInWininit("NUL", WininitName(path));
}
int DeleteFileOrScheduleW(const wchar_t* path) {
    return path != nullptr ? DeleteOrScheduleWide(path, true) : kFileOpFailed;
}
int DeleteFileOrScheduleUtf8(const char* path) {
    return path != nullptr ? DeleteOrScheduleWide(WideUtf8(path), true) : kFileOpFailed;
}

int MoveFileOrSchedule(const char* from, const char* to) {
    if (from == nullptr || to == nullptr) return kFileOpFailed;
    if (!IsOutsideNtFamily()) return MoveOrScheduleWide(Wide(from), Wide(to));
    if (MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), 0)) return kFileOpDone;
    return ScheduleInWininit(WininitName(to), WininitName(from));
}
int MoveFileOrScheduleW(const wchar_t* from, const wchar_t* to) {
    return from != nullptr && to != nullptr ? MoveOrScheduleWide(from, to) : kFileOpFailed;
}
int MoveFileOrScheduleUtf8(const char* from, const char* to) {
    return from != nullptr && to != nullptr ? MoveOrScheduleWide(WideUtf8(from), WideUtf8(to)) : kFileOpFailed;
}

int DetectDiscFolder(char* path, bool cut, char* name) {
    if (path == nullptr) return -1;
    std::string text = path;
    std::string trimmed = text;
    if (!trimmed.empty() && trimmed.back() == '/') trimmed.pop_back();
    std::size_t slash = trimmed.find_last_of('/');
    std::string last = slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
    for (int kind = 0; kind < 2; ++kind) {
        if (_stricmp(last.c_str(), DiscFolderNames[kind]) != 0) continue;
        std::string parent = slash == std::string::npos ? std::string() : trimmed.substr(0, slash + 1);
        if (name != nullptr) {
            // The component before the disc folder; a bare drive has no name.
            std::string volume = parent;
            if (!volume.empty() && volume.back() == '/') volume.pop_back();
            std::size_t before = volume.find_last_of('/');
            volume = before == std::string::npos ? volume : volume.substr(before + 1);
            if (volume.size() == 2 && volume[1] == ':') volume.clear();
            std::memcpy(name, volume.c_str(), std::min<std::size_t>(volume.size(), MAX_PATH - 1));
            name[std::min<std::size_t>(volume.size(), MAX_PATH - 1)] = '\0';
        }
        if (cut) std::memcpy(path, parent.c_str(), parent.size() + 1);
        return kind == 0 ? 0 : 2;
    }
    bool endsWithSlash = !text.empty() && text.back() == '/';
    for (int kind : {1, 0}) {
        std::string candidate = endsWithSlash ? text + DiscFolderNames[kind] + "/" : text + "/" + DiscFolderNames[kind];
        if (candidate.size() >= MAX_PATH) continue;
        if (IsFolder(candidate.c_str())) {
            if (!cut) std::memcpy(path, candidate.c_str(), candidate.size() + 1);
            return kind == 0 ? 0 : 2;
        }
    }
    return -1;
}

bool GetFileVersionText(const char* path, char* buffer, int size) {
    if (path == nullptr || buffer == nullptr || size <= 0) return false;
    buffer[0] = '\0';
    DWORD handle = 0;
    DWORD blockSize = GetFileVersionInfoSizeA(path, &handle);
    if (blockSize == 0) return false;
    std::vector<BYTE> block(blockSize);
    if (!GetFileVersionInfoA(path, handle, blockSize, block.data())) return false;
    LPVOID value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block.data(), "\\", &value, &length) || length < sizeof(VS_FIXEDFILEINFO)) return false;
    const auto* info = static_cast<const VS_FIXEDFILEINFO*>(value);
    int written =
        std::snprintf(buffer, static_cast<std::size_t>(size), "%d.%d.%d.%d",
                      static_cast<int>(info->dwFileVersionMS >> 16), static_cast<int>(info->dwFileVersionMS & 0xFFFF),
                      static_cast<int>(info->dwFileVersionLS >> 16), static_cast<int>(info->dwFileVersionLS & 0xFFFF));
    if (written < 0 || written >= size) {
        buffer[0] = '\0';
        return false;
    }
    return true;
}

bool GetMacTextA(char* buffer, int size) {
    if (buffer == nullptr || size <= 0) return false;
    std::string mac = GetMacAddressString();
    if (mac.empty() || mac.size() >= static_cast<std::size_t>(size)) {
        buffer[0] = '\0';
        return false;
    }
    std::memcpy(buffer, mac.c_str(), mac.size() + 1);
    return true;
}

}  // namespace libutilosm
