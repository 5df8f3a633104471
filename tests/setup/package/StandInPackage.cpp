// stand_in_package: the demo product's package, a stand-in program.
//
// Run by the installer (elevated, hidden) as
//   <package> /start_mode_online /very_silent /output_progress:<channel>
//             [/desktop] /install_path"<folder>" [/option:o] [/source:s /app_from:s]
// it opens the installer's progress channel, writes "pos:0" up to "pos:1000"
// there over a few seconds, puts the product recorder into the install
// folder under the product's main executable name, writes its own arguments
// there as one line of "package-arguments.txt", and exits.
//
// Started with "--installmode", "/install", "/uninstall" or "/full_uninstall"
// first (as the installed product, its first run after a local install, or
// its uninstall run), it is the recorder: it appends its arguments as one
// line to "started-with.txt" beside itself (an uninstall run: in the
// machine's temporary folder) and exits 0.
//
// Behaviour switches, from its own command line or from the file
// "stand_in_package.ini" in the machine's temporary folder (section
// "package"; the command line wins):
//   /seconds:N    the install's length (default 3)
//   /exit_code:N  the package's exit code (default 0)
//   /steps:N      progress writes over that time (default 20)
//
// On the host, `stand_in_package --pad OUT MIB` writes a copy of the program
// padded with fixed filler bytes to MIB MiB, so that the package downloads
// in many blocks.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "platform/Win32.h"
#include "setup/ProductConfig.h"
#include "util/Folders.h"
#include "util/ShellPaths.h"
#include "util/StringConvert.h"

namespace {

constexpr DWORD kChannelSize = 4096;

int Pad(const char* out, const char* mebibytes) {
    std::ifstream self("/proc/self/exe", std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(self)), std::istreambuf_iterator<char>());
    unsigned long long target = std::strtoull(mebibytes, nullptr, 10) * 1048576ull;
    if (bytes.empty()) return 1;
    // Filler that is the same in every build, so the padding compresses
    // nowhere and no two blocks share a digest.
    unsigned long long state = 0x9E3779B97F4A7C15ull;
    while (bytes.size() < target) {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        bytes.push_back(static_cast<char>(state >> 56));
    }
    std::ofstream file(out, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return file ? 0 : 1;
}

std::wstring OwnPath() {
    wchar_t buffer[MAX_PATH * 2] = {};
    GetModuleFileNameW(nullptr, buffer, MAX_PATH * 2);
    return buffer;
}

std::wstring FolderOf(const std::wstring& path) {
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? L"." : path.substr(0, slash);
}

bool Append(const std::wstring& path, const std::string& line) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER zero{};
    SetFilePointerEx(file, zero, nullptr, FILE_END);
    DWORD written = 0;
    std::string text = line + "\n";
    BOOL ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
    return ok != FALSE;
}

// The recorder: its arguments, joined as the command line had them, beside
// itself; an uninstall run (whose folder goes next) writes them into the
// machine's temporary folder instead.
int Record(const std::vector<std::wstring>& arguments) {
    std::wstring line;
    for (size_t i = 1; i < arguments.size(); ++i) line += (i > 1 ? L" " : L"") + arguments[i];
    std::wstring folder = FolderOf(OwnPath());
    if (arguments[1] == L"/uninstall" || arguments[1] == L"/full_uninstall") {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        folder = temp;
    }
    return Append(JoinPath(folder, L"started-with.txt"), WideToUtf8Text(line)) ? 0 : 1;
}

int Setting(const std::vector<std::wstring>& arguments, const wchar_t* name, int fallback) {
    std::wstring prefix = std::wstring(L"/") + name + L":";
    for (const std::wstring& argument : arguments)
        if (argument.compare(0, prefix.size(), prefix) == 0)
            return std::wcstol(argument.c_str() + prefix.size(), nullptr, 10);
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    std::wstring ini = JoinPath(temp, L"stand_in_package.ini");
    return static_cast<int>(GetPrivateProfileIntW(L"package", name, fallback, ini.c_str()));
}

void WriteChannel(void* view, int progress) {
    std::string text = "pos:" + std::to_string(progress);
    std::memcpy(view, text.c_str(), text.size() + 1);
}

int Install(const std::vector<std::wstring>& arguments) {
    std::wstring channel, installPath;
    for (const std::wstring& argument : arguments) {
        const std::wstring progressSwitch = L"/output_progress:", pathSwitch = L"/install_path";
        if (argument.compare(0, progressSwitch.size(), progressSwitch) == 0)
            channel = argument.substr(progressSwitch.size());
        if (argument.compare(0, pathSwitch.size(), pathSwitch) == 0) installPath = argument.substr(pathSwitch.size());
    }
    int seconds = Setting(arguments, L"seconds", 3);
    int exitCode = Setting(arguments, L"exit_code", 0);
    int steps = Setting(arguments, L"steps", 20);
    if (steps < 1) steps = 1;

    HANDLE mapping = channel.empty() ? nullptr : OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, channel.c_str());
    void* view = mapping != nullptr ? MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, kChannelSize) : nullptr;
    for (int step = 0; step <= steps; ++step) {
        if (view != nullptr) WriteChannel(view, 1000 * step / steps);
        if (step < steps) Sleep(static_cast<DWORD>(seconds * 1000 / steps));
    }
    if (!installPath.empty()) {
        CreateDirectoryPath(installPath.c_str());
        std::wstring line;
        for (size_t i = 1; i < arguments.size(); ++i) line += (i > 1 ? L" " : L"") + arguments[i];
        Append(JoinPath(installPath, L"package-arguments.txt"), WideToUtf8Text(line));
        std::wstring exe = ToWideString(IsX64Product() ? GetMainExeName64() : GetMainExeName());
        if (!CopyFileW(OwnPath().c_str(), JoinPath(installPath, exe).c_str(), FALSE))
            exitCode = exitCode ? exitCode : 3;
    }
    if (view != nullptr) UnmapViewOfFile(view);
    if (mapping != nullptr) CloseHandle(mapping);
    return exitCode;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--pad") == 0) return Pad(argv[2], argv[3]);
    std::vector<std::wstring> arguments = platform::SplitCommandLine(GetCommandLineW());
    if (arguments.size() > 1 && (arguments[1] == L"--installmode" || arguments[1] == L"/install" ||
                                 arguments[1] == L"/uninstall" || arguments[1] == L"/full_uninstall"))
        return Record(arguments);
    return Install(arguments);
}
