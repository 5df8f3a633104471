#include "util/Folders.h"

#include <cwchar>

#include "platform/base/CrtStrings.h"
#include "platform/files/FileSystem.h"
#include "platform/files/ShellFolders.h"

namespace {

constexpr size_t kMaxPath = MAX_PATH;

bool IsDotName(const wchar_t* name) { return _wcsicmp(name, L".") == 0 || _wcsicmp(name, L"..") == 0; }

std::wstring WithoutTrailingSlash(std::wstring path) {
    while (path.size() > 3 && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
    return path;
}

// Deletes what a listing entry names; links and files are removed themselves.
bool RemoveEntry(const std::wstring& folder, const WIN32_FIND_DATAW& entry, bool recurse) {
    std::wstring child = folder + entry.cFileName;
    if (child.size() >= kMaxPath) return false;
    bool isFolder = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    bool isLink = (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    if (isLink) return isFolder ? RemoveDirectoryW(child.c_str()) != 0 : DeleteFileW(child.c_str()) != 0;
    if (!isFolder) return DeleteFileW(child.c_str()) != 0;
    if (recurse) return DeleteDirectoryTree(child.c_str());
    return false;
}

}  // namespace

int CreateDirectoryPath(const wchar_t* path) {
    if (path == nullptr) return 0;
    size_t length = std::wcslen(path);
    if (length > kMaxPath) return 0;
    std::wstring text(path, length);
    for (size_t i = 0; i < length; ++i)
        if (text[i] == L'\\' && i > 0) _wmkdir(text.substr(0, i).c_str());
    if (length > 0 && text.back() != L'\\') _wmkdir(text.c_str());
    return 1;
}

int CreateParentDirectories(const wchar_t* filePath) {
    if (filePath == nullptr) return 0;
    std::wstring text(filePath);
    size_t slash = text.find_last_of(L'\\');
    if (slash == std::wstring::npos) return 1;
    return CreateDirectoryPath(text.substr(0, slash + 1).c_str());
}

bool IsProtectedFolder(const std::wstring& path) {
    if (path.empty()) return true;
    wchar_t full[kMaxPath] = {0};
    if (GetFullPathNameW(path.c_str(), kMaxPath, full, nullptr) == 0) return true;
    std::wstring normal = WithoutTrailingSlash(full);
    if (normal.size() <= 3) return true;  // a drive root
    static const int folders[] = {
        CSIDL_PERSONAL,      CSIDL_APPDATA,          CSIDL_LOCAL_APPDATA,      CSIDL_DESKTOPDIRECTORY,
        CSIDL_PROGRAMS,      CSIDL_STARTMENU,        CSIDL_COMMON_PROGRAMS,    CSIDL_COMMON_STARTMENU,
        CSIDL_COMMON_APPDATA, CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_WINDOWS,    CSIDL_SYSTEM,
        CSIDL_SYSTEMX86,     CSIDL_PROGRAM_FILES,    CSIDL_PROGRAM_FILESX86,   CSIDL_PROFILE,
        CSIDL_COMMON_DOCUMENTS,
    };
    for (int folder : folders) {
        wchar_t known[kMaxPath] = {0};
        if (SUCCEEDED(SHGetFolderPathW(nullptr, folder, nullptr, 0, known)) && known[0] != 0 &&
            _wcsicmp(WithoutTrailingSlash(known).c_str(), normal.c_str()) == 0)
            return true;
    }
    wchar_t users[] = L"C:\\Users";
    wchar_t downloads[kMaxPath] = {0};
    SHGetFolderPathW(nullptr, CSIDL_PROFILE, nullptr, 0, downloads);
    std::wstring downloadsFolder = std::wstring(downloads) + L"\\Downloads";
    return _wcsicmp(normal.c_str(), users) == 0 || _wcsicmp(normal.c_str(), downloadsFolder.c_str()) == 0;
}

bool DeleteDirectoryTree(const wchar_t* path) {
    if (path == nullptr || *path == 0 || IsProtectedFolder(path)) return false;
    std::wstring folder(path);
    if (folder.back() != L'\\') folder.push_back(L'\\');
    if (folder.size() + 3 >= kMaxPath) return false;
    WIN32_FIND_DATAW entry{};
    HANDLE find = FindFirstFileW((folder + L"*.*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return false;
    do {
        if (!IsDotName(entry.cFileName)) RemoveEntry(folder, entry, true);
    } while (FindNextFileW(find, &entry));
    FindClose(find);
    RemoveDirectoryW(folder.c_str());
    return true;
}

void RemoveFolderTree(const wchar_t* path) { DeleteDirectoryTree(path); }

void DeleteMatchingEntries(const wchar_t* baseFolder, const wchar_t* subFolder, const wchar_t* text) {
    if (baseFolder == nullptr || subFolder == nullptr || text == nullptr) return;
    std::wstring folder(baseFolder);
    if (!folder.empty() && folder.back() != L'\\') folder.push_back(L'\\');
    folder += subFolder;
    if (folder.empty() || folder.size() + 3 >= kMaxPath) return;
    if (folder.back() != L'\\') folder.push_back(L'\\');
    WIN32_FIND_DATAW entry{};
    HANDLE find = FindFirstFileW((folder + L"*.*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        if (IsDotName(entry.cFileName) || std::wcsstr(entry.cFileName, text) == nullptr) continue;
        RemoveEntry(folder, entry, true);
    } while (FindNextFileW(find, &entry));
    FindClose(find);
    RemoveDirectoryW(folder.c_str());
}

void CollectFilesRecursive(const std::wstring& folder, std::vector<std::wstring>& files) {
    if (folder.size() + 3 >= kMaxPath) return;
    WIN32_FIND_DATAW entry{};
    HANDLE find = FindFirstFileW((folder + L"*.*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        bool isFolder = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (!isFolder) {
            files.push_back(folder + entry.cFileName);
        } else if (entry.cFileName[0] != L'.' && (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
            CollectFilesRecursive(folder + entry.cFileName + L"//", files);
        }
    } while (FindNextFileW(find, &entry));
    FindClose(find);
}
