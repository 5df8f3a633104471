// Folder-tree deletion that walks the host tree itself.
//
// Reading host names back as Windows paths is unsafe for a deletion: a host
// name may hold "\" or end in a dot, and as a Windows path it names another
// file. This walk opens every folder by descriptor (O_NOFOLLOW), removes
// entries by name relative to their folder, never follows a link and leaves
// alone every host name that cannot be a Windows name.
#pragma once

#include <string>
#include <vector>

namespace platform {

enum class TreeDeletion {
    Done,     // the walk ran; entries that could not be removed stay behind
    Refused,  // nothing removed: the path is not a tree the caller may delete
    Missing,  // nothing removed: no folder can be opened at the path
};

// Why a folder may not be deleted, or nullptr when it may. Refused are paths
// that are not absolute drive paths ("C:\..."), paths outside the machine's
// drive folders (Z: and anything a link leads out to), a link as the folder
// itself, a drive root, and any folder that equals or holds one of
// `protectedFolders` (Windows paths). The comparison is by device and inode of
// the resolved host folders, so aliases ("Z:" forms, links, case) are caught.
const char* FolderDeletionRefusal(const std::wstring& folder, const std::vector<std::wstring>& protectedFolders);

// Deletes `folder` and everything below it, unless FolderDeletionRefusal
// refuses it. With `nameFilter`, only the folder's direct entries whose names
// contain that text (case-sensitive) are removed, each with its content.
// Then the folder itself is removed when it has become empty. Read-only files
// stay (as DeleteFileW leaves them), and so do the folders that hold them;
// single failures are ignored. A folder inside the tree that equals or holds a
// protected folder is never entered.
TreeDeletion DeleteFolderTree(const std::wstring& folder, const std::vector<std::wstring>& protectedFolders,
                              const wchar_t* nameFilter = nullptr);

}  // namespace platform
