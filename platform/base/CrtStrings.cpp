#include "platform/base/CrtStrings.h"

#include "platform/base/HostPaths.h"

namespace {

int FoldByte(char c) {
    unsigned char u = static_cast<unsigned char>(c);
    return (u >= 'A' && u <= 'Z') ? u + 32 : u;
}

int FoldWide(wchar_t c) {
    // FoldCase maps to upper case; compare lower-case values as the C runtime does.
    wchar_t upper = platform::FoldCase(c);
    return (upper >= L'A' && upper <= L'Z') ? upper + 32 : static_cast<int>(upper);
}

}  // namespace

int _wcsnicmp(const wchar_t* a, const wchar_t* b, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        int x = FoldWide(a[i]);
        int y = FoldWide(b[i]);
        if (x != y || x == 0) return x - y;
    }
    return 0;
}

int _wcsicmp(const wchar_t* a, const wchar_t* b) { return _wcsnicmp(a, b, static_cast<std::size_t>(-1)); }

int _strnicmp(const char* a, const char* b, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        int x = FoldByte(a[i]);
        int y = FoldByte(b[i]);
        if (x != y || x == 0) return x - y;
    }
    return 0;
}

int _stricmp(const char* a, const char* b) { return _strnicmp(a, b, static_cast<std::size_t>(-1)); }
