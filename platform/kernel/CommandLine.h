// Windows command lines: one text that the started program splits into
// arguments itself. The layer splits a command line into the argument vector
// a Linux child receives, and joins an argument vector back into a command
// line, both by the rules of the Windows C runtime:
// - the program name runs to the first blank, or between double quotes,
//   taken literally;
// - other arguments are separated by blanks and tabs; double quotes group;
//   2n backslashes before a quote give n backslashes and the quote groups,
//   2n+1 give n backslashes and a literal quote; other backslashes are
//   literal; inside quotes "" is a literal quote.
#pragma once

#include <string>
#include <vector>

#include "platform/base/Win32Types.h"

// The running program's command line, joined from its arguments.
LPWSTR GetCommandLineW();
// Splits a command line; free the result with LocalFree. Null for a null text.
LPWSTR* CommandLineToArgvW(LPCWSTR commandLine, int* count);
HLOCAL LocalFree(HLOCAL memory);

namespace platform {

std::vector<std::wstring> SplitCommandLine(const std::wstring& commandLine);
// One argument quoted so that SplitCommandLine gives it back unchanged.
std::wstring QuoteArgument(const std::wstring& argument);
// The program name is quoted when it holds a blank; the others by QuoteArgument.
std::wstring JoinCommandLine(const std::vector<std::wstring>& arguments);

}  // namespace platform
