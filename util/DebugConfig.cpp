#include "util/DebugConfig.h"

#include "platform/files/FileSystem.h"
#include "platform/files/IniFiles.h"
#include "platform/files/PathHelpers.h"
#include "platform/files/ShellFolders.h"

bool GetDebugConfigFlag(const wchar_t* section, const wchar_t* key) {
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, path))) return false;
    if (!PathAppendW(path, L"QovDebugConfig.ini")) return false;
    if (!PathFileExistsW(path)) return false;
    return GetPrivateProfileIntW(section, key, 0, path) == 1;
}

bool IsTestTokenFromCookies() { return GetDebugConfigFlag(L"root", L"test_token_from_cookies"); }
