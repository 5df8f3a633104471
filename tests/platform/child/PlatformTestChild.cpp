// A small program that the process, registry and shared-memory tests start as
// a real child process. It runs on the machine its parent passes on.
//   args <out file> <argument>...   writes "elevated=0|1" and each argument on a line
//   cmdline <out file> <argument>...  writes GetCommandLineW as UTF-8
//   exit <code>                     ends with that exit code
//   sleep <milliseconds>            waits, then ends with 0
//   orphan <out file> <ms>          starts "sleep <ms>", writes its process id, ends
//   shm <name> <text>               writes the text into the named mapping
//   shmhold <name> <text>           writes the text into the named mapping and keeps it open until ended
//   regget <sub-key> <value> <out>  writes the HKCU REG_SZ value to a file (exit 2 when missing)
//   regloop                         rewrites a 64 KiB HKCU value until ended
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/base/HostPaths.h"
#include "platform/Win32.h"
#include "platform/base/Machine.h"

namespace {

std::wstring Wide(const char* text) { return platform::Utf8ToUtf16(text); }

int Args(int argc, char** argv) {
    std::ofstream out(argv[2], std::ios::binary);
    out << "elevated=" << (platform::Machine::Current().Profile().elevated ? 1 : 0) << "\n";
    for (int i = 3; i < argc; ++i) out << argv[i] << "\n";
    return out ? 0 : 1;
}

int Orphan(char** argv) {
    wchar_t path[MAX_PATH] = {};
    if (GetModuleFileNameExW(GetCurrentProcess(), nullptr, path, MAX_PATH) == 0) return 3;
    std::wstring command = L"\"" + std::wstring(path) + L"\" sleep " + Wide(argv[3]);
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, nullptr, &info))
        return 4;
    std::ofstream out(argv[2]);
    out << info.dwProcessId << "\n";
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
    return 0;
}

int SharedText(char** argv) {
    HANDLE mapping = OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, Wide(argv[2]).c_str());
    if (mapping == nullptr) return 2;
    char* view = static_cast<char*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0));
    if (view == nullptr) return 3;
    std::memcpy(view, argv[3], std::strlen(argv[3]) + 1);
    UnmapViewOfFile(view);
    CloseHandle(mapping);
    return 0;
}

int HoldSharedText(char** argv) {
    HANDLE mapping = OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, Wide(argv[2]).c_str());
    if (mapping == nullptr) return 2;
    char* view = static_cast<char*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0));
    if (view == nullptr) return 3;
    std::memcpy(view, argv[3], std::strlen(argv[3]) + 1);
    std::this_thread::sleep_for(std::chrono::seconds(30));
    return 0;
}

int RegGet(char** argv) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, argv[2], 0, KEY_READ, &key) != ERROR_SUCCESS) return 2;
    char buffer[512] = {};
    DWORD size = sizeof buffer - 1;
    LONG result = RegQueryValueExA(key, argv[3], nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS) return 2;
    std::ofstream out(argv[4], std::ios::binary);
    out << buffer;
    return out ? 0 : 1;
}

int RegLoop() {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\LoopTest", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return 2;
    std::vector<BYTE> block(65536);
    for (unsigned round = 1;; ++round) {
        std::memset(block.data(), static_cast<int>(round & 0xFF), block.size());
        if (RegSetValueExA(key, "Block", 0, REG_BINARY, block.data(), static_cast<DWORD>(block.size())) != 0) return 3;
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "args" && argc >= 3) return Args(argc, argv);
    if (mode == "cmdline" && argc >= 3) {
        std::ofstream out(argv[2], std::ios::binary);
        out << platform::Utf16ToUtf8(GetCommandLineW());
        return out ? 0 : 1;
    }
    if (mode == "exit" && argc >= 3) return std::atoi(argv[2]);
    if (mode == "sleep" && argc >= 3) {
        std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(argv[2])));
        return 0;
    }
    if (mode == "orphan" && argc >= 4) return Orphan(argv);
    if (mode == "shm" && argc >= 4) return SharedText(argv);
    if (mode == "shmhold" && argc >= 4) return HoldSharedText(argv);
    if (mode == "regget" && argc >= 5) return RegGet(argv);
    if (mode == "regloop") return RegLoop();
    return 100;
}
