#include "platform/files/TreeDeletion.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <optional>
#include <set>
#include <utility>

#include "platform/base/CodePages.h"
#include "platform/base/HostPaths.h"
#include "platform/base/Machine.h"

namespace platform {

namespace {

// Windows paths stop at MAX_PATH, so a deeper host tree is left alone.
constexpr int kMaxDepth = 128;

using FileId = std::pair<dev_t, ino_t>;

FileId IdOf(const struct stat& info) { return {info.st_dev, info.st_ino}; }

std::optional<FileId> IdOfPath(const std::string& host) {
    struct stat info {};
    if (::stat(host.c_str(), &info) != 0) return std::nullopt;
    return IdOf(info);
}

std::optional<std::string> RealPath(const std::string& host) {
    char* real = ::realpath(host.c_str(), nullptr);
    if (real == nullptr) return std::nullopt;
    std::string result(real);
    std::free(real);
    return result;
}

// The host folders of a real path from itself up to "/".
std::vector<std::string> SelfAndAncestors(std::string real) {
    std::vector<std::string> chain;
    for (;;) {
        chain.push_back(real);
        if (real == "/") break;
        size_t slash = real.find_last_of('/');
        real = slash == 0 ? std::string("/") : real.substr(0, slash);
    }
    return chain;
}

std::set<FileId> DriveRootIds() {
    std::set<FileId> roots;
    const Machine& machine = Machine::Current();
    for (wchar_t letter = L'A'; letter < L'Z'; ++letter) {
        std::string root = machine.DriveRoot(letter);
        if (root.empty()) continue;
        if (std::optional<FileId> id = IdOfPath(root)) roots.insert(*id);
    }
    return roots;
}

// Every protected folder and each of its ancestors: deleting any of them would take a protected folder along.
std::set<FileId> GuardedIds(const std::vector<std::wstring>& protectedFolders) {
    std::set<FileId> guarded;
    for (const std::wstring& folder : protectedFolders) {
        std::optional<std::string> host = ToHostPath(folder);
        std::optional<std::string> real = host ? RealPath(*host) : std::nullopt;
        if (!real) continue;
        for (const std::string& path : SelfAndAncestors(*real))
            if (std::optional<FileId> id = IdOfPath(path)) guarded.insert(*id);
    }
    return guarded;
}

bool IsAbsoluteDrivePath(std::wstring text) {
    if (text.rfind(L"\\\\?\\", 0) == 0) text = text.substr(4);
    if (text.size() < 3 || text[1] != L':' || (text[2] != L'\\' && text[2] != L'/')) return false;
    wchar_t letter = FoldCase(text[0]);
    return letter >= L'A' && letter <= L'Z';
}

struct CheckedFolder {
    std::string host;
    FileId id{};
};

// The refusal checks; on success `checked` holds the host path and identity of the folder.
const char* Check(const std::wstring& folder, const std::vector<std::wstring>& protectedFolders, bool wholeFolder,
                  std::optional<CheckedFolder>& checked, std::set<FileId>& guarded) {
    checked.reset();
    if (!IsAbsoluteDrivePath(folder)) return "not an absolute drive path";
    std::wstring full = FullWindowsPath(folder);
    if (full.empty()) return "not a drive path";
    if (FoldCase(full[0]) == L'Z') return "outside the machine's drives";
    std::optional<std::string> host = ToHostPath(full);
    if (!host) return "no such drive or not a Windows name";
    while (host->size() > 1 && host->back() == '/') host->pop_back();
    struct stat info {};
    if (::lstat(host->c_str(), &info) != 0) return nullptr;  // missing: nothing to refuse
    if (S_ISLNK(info.st_mode)) return "a link";
    std::optional<std::string> real = RealPath(*host);
    if (!real) return nullptr;
    std::set<FileId> roots = DriveRootIds();
    std::vector<std::string> chain = SelfAndAncestors(*real);
    std::optional<FileId> self = IdOfPath(chain.front());
    if (!self) return nullptr;
    if (roots.count(*self) != 0) return "a drive root";
    bool inside = false;
    for (size_t i = 1; i < chain.size() && !inside; ++i) {
        std::optional<FileId> id = IdOfPath(chain[i]);
        inside = id && roots.count(*id) != 0;
    }
    if (!inside) return "outside the machine's drives";
    guarded = GuardedIds(protectedFolders);
    if (wholeFolder && guarded.count(*self) != 0) return "a protected folder or one that holds it";
    checked = CheckedFolder{*host, *self};
    return nullptr;
}

bool IsWindowsHostName(const std::string& hostName, std::wstring& name) {
    name = Utf8ToUtf16(hostName);
    return IsWindowsName(name) && Utf16ToUtf8(name) == hostName;
}

// Empties the folder open at `descriptor` (which this call closes).
void EmptyFolder(int descriptor, const std::set<FileId>& guarded, const wchar_t* nameFilter, int depth) {
    DIR* dir = ::fdopendir(descriptor);
    if (dir == nullptr) {
        ::close(descriptor);
        return;
    }
    std::vector<std::string> names;
    while (dirent* entry = ::readdir(dir)) {
        std::string hostName = entry->d_name;
        std::wstring name;
        if (!IsWindowsHostName(hostName, name)) continue;  // also skips "." and ".."
        if (nameFilter != nullptr && name.find(nameFilter) == std::wstring::npos) continue;
        names.push_back(hostName);
    }
    int folder = ::dirfd(dir);
    for (const std::string& name : names) {
        struct stat info {};
        if (::fstatat(folder, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (S_ISDIR(info.st_mode)) {
            if (guarded.count(IdOf(info)) != 0 || depth >= kMaxDepth) continue;
            int child = ::openat(folder, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (child < 0) continue;
            struct stat opened {};
            // The name may have been swapped for another folder since the fstatat.
            if (::fstat(child, &opened) != 0 || IdOf(opened) != IdOf(info)) {
                ::close(child);
                continue;
            }
            EmptyFolder(child, guarded, nullptr, depth + 1);
            ::unlinkat(folder, name.c_str(), AT_REMOVEDIR);
        } else if (S_ISLNK(info.st_mode) || (info.st_mode & S_IWUSR) != 0) {
            ::unlinkat(folder, name.c_str(), 0);  // a link goes itself; its target stays
        }
    }
    ::closedir(dir);
}

}  // namespace

const char* FolderDeletionRefusal(const std::wstring& folder, const std::vector<std::wstring>& protectedFolders) {
    std::optional<CheckedFolder> checked;
    std::set<FileId> guarded;
    return Check(folder, protectedFolders, true, checked, guarded);
}

TreeDeletion DeleteFolderTree(const std::wstring& folder, const std::vector<std::wstring>& protectedFolders,
                              const wchar_t* nameFilter) {
    std::optional<CheckedFolder> checked;
    std::set<FileId> guarded;
    bool wholeFolder = nameFilter == nullptr;
    if (Check(folder, protectedFolders, wholeFolder, checked, guarded) != nullptr) return TreeDeletion::Refused;
    if (!checked) return TreeDeletion::Missing;
    int descriptor = ::open(checked->host.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (descriptor < 0) return TreeDeletion::Missing;
    struct stat opened {};
    if (::fstat(descriptor, &opened) != 0 || IdOf(opened) != checked->id) {
        ::close(descriptor);
        return TreeDeletion::Refused;
    }
    EmptyFolder(descriptor, guarded, nameFilter, 0);
    if (guarded.count(checked->id) == 0) ::rmdir(checked->host.c_str());
    return TreeDeletion::Done;
}

}  // namespace platform
