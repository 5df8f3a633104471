#include "util/FolderList.h"

#include <cstring>

#include "platform/files/FileSystem.h"
#include "util/StringConvert.h"

namespace {

enum class Want { Files, Folders };

// One level of the folder; calls `onEntry(name, isFolder)` for each entry but "." and "..".
template <typename OnEntry>
void ForEachEntry(const std::wstring& folder, OnEntry onEntry) {
    std::wstring pattern = folder;
    if (pattern.empty() || pattern.back() != L'\\') pattern += L'\\';
    pattern += L"*.*";
    // The search and the names it returns both use the ANSI code page.
    std::string narrow = WideToAnsi(pattern);
    _finddata64i32_t data{};
    intptr_t search = _findfirst64i32(narrow.c_str(), &data);
    if (search == -1) return;
    do {
        if (std::strcmp(data.name, ".") == 0 || std::strcmp(data.name, "..") == 0) continue;
        onEntry(AnsiToWideCounted(data.name), (data.attrib & _A_SUBDIR) != 0);
    } while (_findnext64i32(search, &data) == 0);
    _findclose(search);
}

std::wstring Child(const std::wstring& folder, const std::wstring& name) {
    if (!folder.empty() && folder.back() == L'\\') return folder + name;
    return folder + L'\\' + name;
}

void List(const std::wstring& folder, bool recursive, Want want, std::vector<std::wstring>& out) {
    ForEachEntry(folder, [&](const std::wstring& name, bool isFolder) {
        if (!isFolder) {
            if (want == Want::Files) out.push_back(name);
            return;
        }
        if (recursive) {
            std::vector<std::wstring> inner;
            List(Child(folder, name), true, want, inner);
            for (const std::wstring& entry : inner) out.push_back(name + L'\\' + entry);
        }
        if (want == Want::Folders) out.push_back(name);
    });
}

}  // namespace

std::vector<std::wstring> ListFolderFiles(const std::wstring& folder, bool recursive) {
    std::vector<std::wstring> names;
    List(folder, recursive, Want::Files, names);
    return names;
}

std::vector<std::wstring> ListFolderSubfolders(const std::wstring& folder, bool recursive) {
    std::vector<std::wstring> names;
    List(folder, recursive, Want::Folders, names);
    return names;
}
