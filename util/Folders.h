// Folder creation for whole paths, folder-tree deletion and listing.
// Paths are wide Windows paths with "\" separators, limited to MAX_PATH.
#pragma once

#include <string>
#include <vector>

// Creates every folder of the path. 0 when the path is longer than 260
// characters (nothing is created), else 1; single failures are ignored.
int CreateDirectoryPath(const wchar_t* path);
// Creates the folders of a file path (up to its last "\").
int CreateParentDirectories(const wchar_t* filePath);

// Deletes the folder with its contents. Links are removed, never followed,
// and host names that cannot be Windows names are left alone. Refuses (false,
// nothing removed) an empty or relative path, a path outside the machine's
// drives, a link given as the folder, a drive root, and any folder that is or
// holds a known shell folder (Documents, Program Files, Windows, ...), however
// it is spelled; false when the folder cannot be opened. Files that cannot be
// deleted stay behind.
bool DeleteDirectoryTree(const wchar_t* path);
// The same walk without a result; does nothing when the listing fails.
void RemoveFolderTree(const wchar_t* path);
// Removes the entries of base\sub whose names contain `text`, then the sub-folder when empty.
void DeleteMatchingEntries(const wchar_t* baseFolder, const wchar_t* subFolder, const wchar_t* text);
// Appends folder + name of every file below `folder` (which ends in a separator).
void CollectFilesRecursive(const std::wstring& folder, std::vector<std::wstring>& files);

// True for a path that folder-tree deletion must never remove (see DeleteDirectoryTree).
bool IsProtectedFolder(const std::wstring& path);
