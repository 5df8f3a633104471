// Debug switches read from "QovDebugConfig.ini" in the user's Documents folder.
//
// The file is read on every query; nothing is cached. A switch is on only
// when its value is exactly 1.
#pragma once

// True when the file exists and [section] key = 1.
bool GetDebugConfigFlag(const wchar_t* section, const wchar_t* key);
// [root] test_token_from_cookies: the report code's test switch.
bool IsTestTokenFromCookies();
