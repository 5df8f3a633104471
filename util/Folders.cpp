#include "util/Folders.h"

#include <cwchar>

#include "platform/base/CrtStrings.h"
#include "platform/files/FileSystem.h"
#include "platform/files/ShellFolders.h"
#include "platform/files/TreeDeletion.h"

namespace {

constexpr size_t kMaxPath = MAX_PATH;

std::wstring WithoutTrailingSlash(std::wstring path) {
    while (path.size() > 3 && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
    return path;
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

namespace {

// The shell folders that folder-tree deletion must never remove, nor any folder that holds one.
std::vector<std::wstring> ProtectedFolders() {
    static const int folders[] = {
        CSIDL_PERSONAL,         CSIDL_APPDATA,
        CSIDL_LOCAL_APPDATA,    CSIDL_DESKTOPDIRECTORY,
        CSIDL_PROGRAMS,         CSIDL_STARTMENU,
        CSIDL_COMMON_PROGRAMS,  CSIDL_COMMON_STARTMENU,
        CSIDL_COMMON_APPDATA,   CSIDL_COMMON_DESKTOPDIRECTORY,
        CSIDL_WINDOWS,          CSIDL_SYSTEM,
        CSIDL_SYSTEMX86,        CSIDL_PROGRAM_FILES,
        CSIDL_PROGRAM_FILESX86, CSIDL_PROFILE,
        CSIDL_COMMON_DOCUMENTS,
    };
    std::vector<std::wstring> paths;
    for (int folder : folders) {
        wchar_t known[kMaxPath] = {0};
        if (SUCCEEDED(SHGetFolderPathW(nullptr, folder, nullptr, 0, known)) && known[0] != 0)
            paths.push_back(WithoutTrailingSlash(known));
    }
    wchar_t profile[kMaxPath] = {0};
    if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_PROFILE, nullptr, 0, profile)) && profile[0] != 0)
        paths.push_back(std::wstring(profile) + L"\\Downloads");
    paths.push_back(L"C:\\Users");
    return paths;
}

}  // namespace

bool IsProtectedFolder(const std::wstring& path) {
    if (path.empty()) return true;
    return platform::FolderDeletionRefusal(path, ProtectedFolders()) != nullptr;
}

bool DeleteDirectoryTree(const wchar_t* path) {
    if (path == nullptr || *path == 0) return false;
    return platform::DeleteFolderTree(path, ProtectedFolders()) == platform::TreeDeletion::Done;
}

void RemoveFolderTree(const wchar_t* path) { DeleteDirectoryTree(path); }

void DeleteMatchingEntries(const wchar_t* baseFolder, const wchar_t* subFolder, const wchar_t* text) {
    if (baseFolder == nullptr || subFolder == nullptr || text == nullptr) return;
    std::wstring folder(baseFolder);
    if (!folder.empty() && folder.back() != L'\\') folder.push_back(L'\\');
    folder += subFolder;
    if (folder.empty() || folder.size() + 3 >= kMaxPath) return;
    platform::DeleteFolderTree(folder, ProtectedFolders(), text);
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
