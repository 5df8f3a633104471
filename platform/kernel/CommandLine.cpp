#include "platform/kernel/CommandLine.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>

#include "platform/base/CodePages.h"
#include "platform/base/HostPaths.h"

namespace platform {

namespace {
bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }
}  // namespace

std::vector<std::wstring> SplitCommandLine(const std::wstring& commandLine) {
    std::vector<std::wstring> arguments;
    size_t i = 0, n = commandLine.size();
    // The program name: no backslash rules, quotes only group.
    std::wstring program;
    bool quoted = false;
    while (i < n && (quoted || !IsBlank(commandLine[i]))) {
        if (commandLine[i] == L'"') quoted = !quoted;
        else program.push_back(commandLine[i]);
        ++i;
    }
    arguments.push_back(program);
    for (;;) {
        while (i < n && IsBlank(commandLine[i])) ++i;
        if (i >= n) break;
        std::wstring argument;
        quoted = false;
        while (i < n && (quoted || !IsBlank(commandLine[i]))) {
            size_t backslashes = 0;
            while (i < n && commandLine[i] == L'\\') {
                ++backslashes;
                ++i;
            }
            if (i < n && commandLine[i] == L'"') {
                argument.append(backslashes / 2, L'\\');
                if (backslashes % 2 == 1) {
                    argument.push_back(L'"');
                } else if (quoted && i + 1 < n && commandLine[i + 1] == L'"') {
                    argument.push_back(L'"');
                    ++i;
                } else {
                    quoted = !quoted;
                }
                ++i;
            } else {
                argument.append(backslashes, L'\\');
                if (i < n && (quoted || !IsBlank(commandLine[i]))) {
                    argument.push_back(commandLine[i]);
                    ++i;
                }
            }
        }
        arguments.push_back(argument);
    }
    return arguments;
}

std::wstring QuoteArgument(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) return argument;
    std::wstring out = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        if (c == L'"') out.append(backslashes * 2 + 1, L'\\');
        else out.append(backslashes, L'\\');
        backslashes = 0;
        out.push_back(c);
    }
    out.append(backslashes * 2, L'\\');
    out.push_back(L'"');
    return out;
}

std::wstring JoinCommandLine(const std::vector<std::wstring>& arguments) {
    std::wstring out;
    for (size_t i = 0; i < arguments.size(); ++i) {
        if (i > 0) out.push_back(L' ');
        if (i == 0) {
            bool needsQuotes = arguments[0].empty() || arguments[0].find_first_of(L" \t") != std::wstring::npos;
            out += needsQuotes ? L"\"" + arguments[0] + L"\"" : arguments[0];
        } else {
            out += QuoteArgument(arguments[i]);
        }
    }
    return out;
}

}  // namespace platform

LPWSTR GetCommandLineW() {
    static std::once_flag once;
    static std::wstring* line = nullptr;
    std::call_once(once, [] {
        std::ifstream in("/proc/self/cmdline", std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::vector<std::wstring> arguments;
        size_t start = 0;
        while (start < bytes.size()) {
            size_t end = bytes.find('\0', start);
            if (end == std::string::npos) end = bytes.size();
            arguments.push_back(platform::Utf8ToUtf16(bytes.substr(start, end - start)));
            start = end + 1;
        }
        // The program as Windows names it (a host path is seen through the machine's drives).
        if (!arguments.empty() && !arguments[0].empty() && arguments[0][0] == L'/')
            arguments[0] = platform::FromHostPath(platform::Utf16ToUtf8(arguments[0]));
        line = new std::wstring(platform::JoinCommandLine(arguments));  // lives to exit, as on Windows
    });
    return line->data();
}

LPWSTR* CommandLineToArgvW(LPCWSTR commandLine, int* count) {
    if (commandLine == nullptr || count == nullptr) return nullptr;
    std::vector<std::wstring> arguments = platform::SplitCommandLine(commandLine);
    // One block: the pointer array, then the texts.
    size_t units = 0;
    for (const std::wstring& argument : arguments) units += argument.size() + 1;
    size_t pointerBytes = (arguments.size() + 1) * sizeof(LPWSTR);
    char* block = static_cast<char*>(std::malloc(pointerBytes + units * sizeof(wchar_t)));
    if (block == nullptr) return nullptr;
    LPWSTR* pointers = reinterpret_cast<LPWSTR*>(block);
    wchar_t* text = reinterpret_cast<wchar_t*>(block + pointerBytes);
    for (size_t i = 0; i < arguments.size(); ++i) {
        pointers[i] = text;
        std::memcpy(text, arguments[i].c_str(), (arguments[i].size() + 1) * sizeof(wchar_t));
        text += arguments[i].size() + 1;
    }
    pointers[arguments.size()] = nullptr;
    *count = static_cast<int>(arguments.size());
    return pointers;
}

HLOCAL LocalFree(HLOCAL memory) {
    std::free(memory);
    return nullptr;
}
