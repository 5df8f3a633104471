// Listings of a folder's files and sub-folders, as names relative to it
// ("name" or "sub\name"). Names pass through the ANSI code page, so only
// names that code page can hold are listed faithfully.
#pragma once

#include <string>
#include <vector>

// The folder's files; with `recursive` also the files of every sub-folder.
std::vector<std::wstring> ListFolderFiles(const std::wstring& folder, bool recursive);
// The folder's sub-folders; with `recursive` also the nested ones, each
// listed before the folder that holds it.
std::vector<std::wstring> ListFolderSubfolders(const std::wstring& folder, bool recursive);
