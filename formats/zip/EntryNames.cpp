#include "formats/zip/EntryNames.h"

#include <vector>

bool IsAbsoluteTarget(const std::wstring& path) {
    if (path.empty()) return false;
    if (path[0] == L'\\' || path[0] == L'/') return true;
    return path.size() >= 2 && path[1] == L':';
}

bool NormaliseEntryName(const std::wstring& name, std::wstring* relative) {
    if (name.empty() || IsAbsoluteTarget(name) || name.find(L':') != std::wstring::npos) return false;
    std::vector<std::wstring> parts;
    std::wstring current;
    bool folder = false;
    auto finish = [&](bool) -> bool {
        if (current.empty() || current == L".") {
            // nothing to keep
        } else if (current == L"..") {
            if (parts.empty()) return false;
            parts.pop_back();
        } else {
            parts.push_back(current);
        }
        current.clear();
        return true;
    };
    for (wchar_t c : name) {
        if (c == L'\\' || c == L'/') {
            if (!finish(true)) return false;
            folder = true;
        } else {
            current.push_back(c);
            folder = false;
        }
    }
    if (!finish(false)) return false;
    if (parts.empty()) return false;
    std::wstring joined;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) joined += L'\\';
        joined += parts[i];
    }
    if (folder) joined += L'\\';
    if (relative != nullptr) *relative = joined;
    return true;
}
