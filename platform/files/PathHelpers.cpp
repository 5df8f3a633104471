#include "platform/files/PathHelpers.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace {

template <typename Char>
bool IsSeparator(Char c) {
    return c == static_cast<Char>('\\') || c == static_cast<Char>('/');
}

template <typename Char>
bool HasRoot(const std::basic_string<Char>& path) {
    return (!path.empty() && path[0] == static_cast<Char>('\\')) ||
           (path.size() >= 2 && path[1] == static_cast<Char>(':'));
}

// Resolves "." and ".." names; a ".." at the root stays at the root.
template <typename Char>
std::basic_string<Char> Canonical(const std::basic_string<Char>& path) {
    const Char slash = static_cast<Char>('\\');
    size_t rootLength = 0;
    if (path.size() >= 2 && path[1] == static_cast<Char>(':'))
        rootLength = (path.size() >= 3 && path[2] == slash) ? 3 : 2;
    else if (path.size() >= 2 && path[0] == slash && path[1] == slash) rootLength = 2;
    else if (!path.empty() && path[0] == slash) rootLength = 1;
    std::basic_string<Char> root = path.substr(0, rootLength);
    std::vector<std::basic_string<Char>> names;
    std::basic_string<Char> current;
    bool trailing = !path.empty() && path.back() == slash && path.size() > rootLength;
    for (size_t i = rootLength; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == slash) {
            if (current == std::basic_string<Char>(1, static_cast<Char>('.'))) {
            } else if (current == std::basic_string<Char>(2, static_cast<Char>('.'))) {
                if (!names.empty()) names.pop_back();
            } else if (!current.empty()) {
                names.push_back(current);
            }
            current.clear();
        } else {
            current.push_back(path[i]);
        }
    }
    std::basic_string<Char> result = root;
    for (size_t i = 0; i < names.size(); ++i) {
        if (i > 0) result.push_back(slash);
        result += names[i];
    }
    if (trailing && !names.empty()) result.push_back(slash);
    if (result.empty() && !path.empty()) result = std::basic_string<Char>(1, slash);
    return result;
}

template <typename Char>
bool Append(Char* path, const Char* more) {
    if (path == nullptr || more == nullptr) return false;
    std::basic_string<Char> base(path);
    std::basic_string<Char> tail(more);
    const Char slash = static_cast<Char>('\\');
    // A leading backslash of the appended part does not make it absolute here.
    size_t skip = 0;
    if (!(tail.size() >= 2 && tail[0] == slash && tail[1] == slash))
        while (skip < tail.size() && tail[skip] == slash) ++skip;
    tail = tail.substr(skip);
    std::basic_string<Char> joined;
    if (tail.size() >= 2 && tail[1] == static_cast<Char>(':')) {
        joined = tail;
    } else if (tail.empty()) {
        joined = base;
    } else if (base.empty()) {
        joined = tail;
    } else {
        joined = base;
        if (joined.back() != slash) joined.push_back(slash);
        joined += tail;
    }
    joined = Canonical(joined);
    if (joined.size() >= MAX_PATH) return false;
    std::copy(joined.begin(), joined.end(), path);
    path[joined.size()] = 0;
    return true;
}

template <typename Char>
bool RemoveFileSpec(Char* path) {
    if (path == nullptr || *path == 0) return false;
    std::basic_string<Char> text(path);
    size_t last = text.find_last_of(static_cast<Char>('\\'));
    std::basic_string<Char> result;
    if (last == std::basic_string<Char>::npos) {
        result =
            (text.size() >= 2 && text[1] == static_cast<Char>(':')) ? text.substr(0, 2) : std::basic_string<Char>();
    } else if (last == 2 && text[1] == static_cast<Char>(':')) {
        result = text.substr(0, 3);  // "C:\file" keeps the root
    } else if (last == 0) {
        result = text.substr(0, 1);
    } else if (last == 1 && text[0] == static_cast<Char>('\\')) {
        result = text.substr(0, 2);
    } else {
        result = text.substr(0, last);
    }
    if (result == text) return false;
    std::copy(result.begin(), result.end(), path);
    path[result.size()] = 0;
    return true;
}

}  // namespace

BOOL PathAppendW(LPWSTR path, LPCWSTR more) { return Append(path, more) ? TRUE : FALSE; }
BOOL PathAppendA(LPSTR path, LPCSTR more) { return Append(path, more) ? TRUE : FALSE; }

LPWSTR PathCombineW(LPWSTR destination, LPCWSTR folder, LPCWSTR file) {
    if (destination == nullptr) return nullptr;
    std::wstring dir = folder ? folder : L"";
    std::wstring name = file ? file : L"";
    std::wstring joined;
    if (HasRoot(name) || dir.empty()) {
        joined = name;
    } else if (name.empty()) {
        joined = dir;
    } else {
        joined = dir;
        if (joined.back() != L'\\') joined.push_back(L'\\');
        joined += name;
    }
    joined = Canonical(joined);
    if (joined.size() >= MAX_PATH) {
        destination[0] = 0;
        return nullptr;
    }
    std::wcscpy(destination, joined.c_str());
    return destination;
}

BOOL PathRemoveFileSpecW(LPWSTR path) { return RemoveFileSpec(path) ? TRUE : FALSE; }
BOOL PathRemoveFileSpecA(LPSTR path) { return RemoveFileSpec(path) ? TRUE : FALSE; }

LPWSTR PathFindFileNameW(LPCWSTR path) {
    if (path == nullptr) return nullptr;
    const wchar_t* name = path;
    for (const wchar_t* p = path; *p != 0; ++p)
        if ((IsSeparator(*p) || *p == L':') && p[1] != 0 && !IsSeparator(p[1])) name = p + 1;
    return const_cast<LPWSTR>(name);
}

LPWSTR PathFindExtensionW(LPCWSTR path) {
    if (path == nullptr) return nullptr;
    const wchar_t* dot = nullptr;
    const wchar_t* p = path;
    for (; *p != 0; ++p) {
        if (IsSeparator(*p) || *p == L' ') dot = nullptr;
        else if (*p == L'.') dot = p;
    }
    return const_cast<LPWSTR>(dot != nullptr ? dot : p);
}

void PathRemoveExtensionW(LPWSTR path) {
    if (path == nullptr) return;
    *PathFindExtensionW(path) = 0;
}

LPWSTR PathAddBackslashW(LPWSTR path) {
    if (path == nullptr) return nullptr;
    size_t length = std::wcslen(path);
    if (length > 0 && path[length - 1] == L'\\') return path + length;
    if (length + 1 >= MAX_PATH) return nullptr;
    if (length > 0) {
        path[length] = L'\\';
        path[length + 1] = 0;
        ++length;
    }
    return path + length;
}

LPWSTR PathRemoveBackslashW(LPWSTR path) {
    if (path == nullptr) return nullptr;
    size_t length = std::wcslen(path);
    if (length == 0) return path;
    bool root = (length == 3 && path[1] == L':') || length == 1;
    if (path[length - 1] == L'\\' && !root) {
        path[length - 1] = 0;
        return path + length - 1;
    }
    return path + length - 1;
}

BOOL PathIsRelativeW(LPCWSTR path) {
    if (path == nullptr || *path == 0) return TRUE;
    return (path[0] == L'\\' || (path[0] != 0 && path[1] == L':')) ? FALSE : TRUE;
}

void PathStripPathW(LPWSTR path) {
    if (path == nullptr) return;
    LPWSTR name = PathFindFileNameW(path);
    if (name != path) std::wmemmove(path, name, std::wcslen(name) + 1);
}

BOOL PathCanonicalizeW(LPWSTR destination, LPCWSTR source) {
    if (destination == nullptr || source == nullptr) return FALSE;
    std::wstring result = Canonical(std::wstring(source));
    if (result.size() >= MAX_PATH) return FALSE;
    std::wcscpy(destination, result.c_str());
    return TRUE;
}

void _wsplitpath(const wchar_t* path, wchar_t* drive, wchar_t* dir, wchar_t* fname, wchar_t* ext) {
    std::wstring text = path ? path : L"";
    std::wstring driveText;
    if (text.size() >= 2 && text[1] == L':') {
        driveText = text.substr(0, 2);
        text = text.substr(2);
    }
    size_t last = text.find_last_of(L"\\/");
    std::wstring dirText = last == std::wstring::npos ? L"" : text.substr(0, last + 1);
    std::wstring name = last == std::wstring::npos ? text : text.substr(last + 1);
    size_t dot = name.find_last_of(L'.');
    std::wstring extText = dot == std::wstring::npos ? L"" : name.substr(dot);
    std::wstring nameText = dot == std::wstring::npos ? name : name.substr(0, dot);
    // Callers pass buffers of _MAX_DRIVE, _MAX_DIR, _MAX_FNAME and _MAX_EXT (3, 256, 256, 256).
    auto put = [](wchar_t* target, const std::wstring& value, size_t capacity) {
        if (target == nullptr) return;
        size_t count = std::min(value.size(), capacity - 1);
        std::wmemcpy(target, value.c_str(), count);
        target[count] = 0;
    };
    put(drive, driveText, 3);
    put(dir, dirText, 256);
    put(fname, nameText, 256);
    put(ext, extText, 256);
}
