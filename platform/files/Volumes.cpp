#include "platform/files/Volumes.h"

#include <sys/statvfs.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "platform/base/CodePages.h"
#include "platform/base/HostPaths.h"
#include "platform/base/LastError.h"
#include "platform/base/Machine.h"
#include "platform/files/FileSystem.h"
#include "platform/kernel/KernelObjects.h"

namespace {

std::wstring AnsiToWide(const char* text) { return platform::CodePageToWide(CP_ACP, text); }
std::string WideToAnsi(const std::wstring& text) { return platform::WideToCodePage(CP_ACP, text); }

wchar_t Upper(wchar_t letter) {
    return (letter >= L'a' && letter <= L'z') ? static_cast<wchar_t>(letter - 32) : letter;
}

// The machine's drive letters in order: C:, the extra drives, Z:.
std::vector<wchar_t> DriveLetters() {
    std::vector<wchar_t> letters{L'C', L'Z'};
    for (wchar_t extra : platform::Machine::Current().Profile().extraDrives) {
        wchar_t upper = Upper(extra);
        if (upper >= L'A' && upper <= L'Y' && std::find(letters.begin(), letters.end(), upper) == letters.end())
            letters.push_back(upper);
    }
    std::sort(letters.begin(), letters.end());
    return letters;
}

bool DriveExists(wchar_t letter) {
    std::vector<wchar_t> letters = DriveLetters();
    return std::find(letters.begin(), letters.end(), Upper(letter)) != letters.end();
}

platform::DriveVolume VolumeOf(wchar_t letter) {
    const auto& volumes = platform::Machine::Current().Profile().volumes;
    auto it = volumes.find(Upper(letter));
    return it != volumes.end() ? it->second : platform::DriveVolume{};
}

// The letter of a drive root ("X:", "X:\" or "X:/"); 0 for anything else. A
// null root is the current folder's drive.
wchar_t RootLetter(LPCWSTR root) {
    std::wstring text = root != nullptr ? std::wstring(root) : platform::FullWindowsPath(L".").substr(0, 3);
    if (text.size() < 2 || text.size() > 3 || text[1] != L':') return 0;
    if (text.size() == 3 && text[2] != L'\\' && text[2] != L'/') return 0;
    wchar_t letter = Upper(text[0]);
    return letter >= L'A' && letter <= L'Z' ? letter : 0;
}

// Copies `text` with its NUL into a buffer of `size` units; false when it does not fit.
bool CopyOut(const std::wstring& text, LPWSTR buffer, DWORD size) {
    if (buffer == nullptr) return true;
    if (size <= text.size()) return false;
    std::wmemcpy(buffer, text.c_str(), text.size() + 1);
    return true;
}

std::wstring DeviceName(wchar_t letter) {
    platform::DriveVolume volume = VolumeOf(letter);
    if (!volume.device.empty()) return volume.device;
    bool cd = volume.type == DRIVE_CDROM;
    int index = cd ? 0 : 1;
    for (wchar_t other : DriveLetters()) {
        if (other == Upper(letter)) break;
        if ((VolumeOf(other).type == DRIVE_CDROM) == cd) ++index;
    }
    return (cd ? L"\\Device\\CdRom" : L"\\Device\\HarddiskVolume") + std::to_wstring(index);
}

class VolumeObject : public platform::KernelObject {
public:
    explicit VolumeObject(wchar_t letter) : letter(letter) {}
    wchar_t letter;
};

}  // namespace

HANDLE platform::OpenVolumeDevice(LPCWSTR path) {
    if (path == nullptr) return nullptr;
    std::wstring text = path;
    if (text.size() != 6 || text[0] != L'\\' || text[1] != L'\\' || (text[2] != L'.' && text[2] != L'?') ||
        text[3] != L'\\' || text[5] != L':')
        return nullptr;
    wchar_t letter = Upper(text[4]);
    if (!DriveExists(letter)) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    SetLastError(0);
    return platform::RegisterHandle(std::make_shared<VolumeObject>(letter));
}

bool platform::DriveMediaPresent(wchar_t letter) {
    if (VolumeOf(letter).mediaPresent) return true;
    SetLastError(ERROR_NOT_READY);
    return false;
}

DWORD GetLogicalDrives() {
    DWORD mask = 0;
    for (wchar_t letter : DriveLetters()) mask |= 1u << (letter - L'A');
    return mask;
}

UINT GetDriveTypeW(LPCWSTR root) {
    wchar_t letter = RootLetter(root);
    if (letter == 0 || !DriveExists(letter)) return DRIVE_NO_ROOT_DIR;
    return VolumeOf(letter).type;
}

UINT GetDriveTypeA(LPCSTR root) {
    std::wstring wide = AnsiToWide(root);
    return GetDriveTypeW(root != nullptr ? wide.c_str() : nullptr);
}

BOOL GetVolumeInformationW(LPCWSTR root, LPWSTR volumeName, DWORD volumeNameSize, LPDWORD serialNumber,
                           LPDWORD maxComponentLength, LPDWORD fileSystemFlags, LPWSTR fileSystemName,
                           DWORD fileSystemNameSize) {
    wchar_t letter = RootLetter(root);
    if (letter == 0 || !DriveExists(letter)) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    if (!platform::DriveMediaPresent(letter)) return FALSE;
    platform::DriveVolume volume = VolumeOf(letter);
    if (!CopyOut(volume.label, volumeName, volumeNameSize) ||
        !CopyOut(volume.fileSystem, fileSystemName, fileSystemNameSize)) {
        SetLastError(ERROR_BAD_LENGTH);
        return FALSE;
    }
    DWORD serial = volume.serial;
    if (serial == 0) {
        struct statvfs info {};
        std::string host = platform::Machine::Current().DriveRoot(letter);
        if (::statvfs(host.c_str(), &info) == 0) serial = static_cast<DWORD>(info.f_fsid ^ (info.f_fsid >> 32));
    }
    if (serialNumber != nullptr) *serialNumber = serial;
    if (maxComponentLength != nullptr) *maxComponentLength = 255;
    if (fileSystemFlags != nullptr) *fileSystemFlags = 0x3;  // case-sensitive search, case-preserved names
    return TRUE;
}

BOOL GetVolumeInformationA(LPCSTR root, LPSTR volumeName, DWORD volumeNameSize, LPDWORD serialNumber,
                           LPDWORD maxComponentLength, LPDWORD fileSystemFlags, LPSTR fileSystemName,
                           DWORD fileSystemNameSize) {
    std::wstring wideRoot = AnsiToWide(root);
    wchar_t label[MAX_PATH + 1];
    wchar_t system[MAX_PATH + 1];
    if (!GetVolumeInformationW(root != nullptr ? wideRoot.c_str() : nullptr, label, MAX_PATH + 1, serialNumber,
                               maxComponentLength, fileSystemFlags, system, MAX_PATH + 1))
        return FALSE;
    std::string narrowLabel = WideToAnsi(label);
    std::string narrowSystem = WideToAnsi(system);
    if ((volumeName != nullptr && volumeNameSize <= narrowLabel.size()) ||
        (fileSystemName != nullptr && fileSystemNameSize <= narrowSystem.size())) {
        SetLastError(ERROR_BAD_LENGTH);
        return FALSE;
    }
    if (volumeName != nullptr) std::memcpy(volumeName, narrowLabel.c_str(), narrowLabel.size() + 1);
    if (fileSystemName != nullptr) std::memcpy(fileSystemName, narrowSystem.c_str(), narrowSystem.size() + 1);
    return TRUE;
}

DWORD QueryDosDeviceW(LPCWSTR deviceName, LPWSTR targetPath, DWORD maxChars) {
    std::wstring name = deviceName != nullptr ? deviceName : L"";
    wchar_t letter = name.size() == 2 ? RootLetter(name.c_str()) : 0;
    if (letter == 0 || !DriveExists(letter)) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return 0;
    }
    std::wstring device = DeviceName(letter);
    if (targetPath == nullptr || maxChars < device.size() + 2) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::wmemcpy(targetPath, device.c_str(), device.size() + 1);
    targetPath[device.size() + 1] = L'\0';
    return static_cast<DWORD>(device.size() + 2);
}

DWORD QueryDosDeviceA(LPCSTR deviceName, LPSTR targetPath, DWORD maxChars) {
    wchar_t wide[MAX_PATH];
    std::wstring name = AnsiToWide(deviceName);
    if (QueryDosDeviceW(deviceName != nullptr ? name.c_str() : nullptr, wide, MAX_PATH) == 0) return 0;
    std::string device = WideToAnsi(wide);
    if (targetPath == nullptr || maxChars < device.size() + 2) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(targetPath, device.c_str(), device.size() + 1);
    targetPath[device.size() + 1] = '\0';
    return static_cast<DWORD>(device.size() + 2);
}

BOOL GetDiskFreeSpaceW(LPCWSTR root, LPDWORD sectorsPerCluster, LPDWORD bytesPerSector, LPDWORD freeClusters,
                       LPDWORD totalClusters) {
    ULARGE_INTEGER available{}, total{}, totalFree{};
    if (!GetDiskFreeSpaceExW(root, &available, &total, &totalFree)) return FALSE;
    constexpr ULONGLONG kCluster = 4096;
    auto clusters = [](ULONGLONG bytes) {
        return static_cast<DWORD>(std::min<ULONGLONG>(bytes / kCluster, 0xFFFFFFFFull));
    };
    if (sectorsPerCluster != nullptr) *sectorsPerCluster = 8;
    if (bytesPerSector != nullptr) *bytesPerSector = 512;
    if (freeClusters != nullptr) *freeClusters = clusters(available.QuadPart);
    if (totalClusters != nullptr) *totalClusters = clusters(total.QuadPart);
    return TRUE;
}

BOOL GetDiskFreeSpaceA(LPCSTR root, LPDWORD sectorsPerCluster, LPDWORD bytesPerSector, LPDWORD freeClusters,
                       LPDWORD totalClusters) {
    std::wstring wide = AnsiToWide(root);
    return GetDiskFreeSpaceW(root != nullptr ? wide.c_str() : nullptr, sectorsPerCluster, bytesPerSector, freeClusters,
                             totalClusters);
}

BOOL DeviceIoControl(HANDLE device, DWORD controlCode, LPVOID inBuffer, DWORD inSize, LPVOID outBuffer, DWORD outSize,
                     LPDWORD bytesReturned, LPVOID) {
    if (bytesReturned != nullptr) *bytesReturned = 0;
    std::shared_ptr<VolumeObject> volume = platform::LookupHandle<VolumeObject>(device);
    if (!volume) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    STORAGE_PROPERTY_QUERY query{};
    if (controlCode != IOCTL_STORAGE_QUERY_PROPERTY || inBuffer == nullptr || inSize < 8) {
        SetLastError(ERROR_INVALID_FUNCTION);
        return FALSE;
    }
    std::memcpy(&query, inBuffer, 8);
    if (query.PropertyId != StorageDeviceProperty || query.QueryType != PropertyStandardQuery) {
        SetLastError(ERROR_INVALID_FUNCTION);
        return FALSE;
    }
    if (outBuffer == nullptr || outSize < 8) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    platform::DriveVolume info = VolumeOf(volume->letter);
    STORAGE_DEVICE_DESCRIPTOR descriptor{};
    descriptor.Version = sizeof descriptor;
    descriptor.Size = sizeof descriptor;
    descriptor.DeviceType = info.type == DRIVE_CDROM ? 5 : 0;  // CD-ROM or direct-access device
    descriptor.RemovableMedia = info.type == DRIVE_REMOVABLE || info.type == DRIVE_CDROM;
    descriptor.BusType = static_cast<STORAGE_BUS_TYPE>(info.busType);
    DWORD copied = std::min<DWORD>(outSize, sizeof descriptor);
    std::memcpy(outBuffer, &descriptor, copied);
    if (bytesReturned != nullptr) *bytesReturned = copied;
    return TRUE;
}

DWORD GetShortPathNameW(LPCWSTR path, LPWSTR buffer, DWORD size) {
    if (path == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::wstring full = platform::FullWindowsPath(path);
    if (full.empty() || GetFileAttributesW(full.c_str()) == INVALID_FILE_ATTRIBUTES) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return 0;
    }
    if (buffer == nullptr || size <= full.size()) return static_cast<DWORD>(full.size() + 1);
    std::wmemcpy(buffer, full.c_str(), full.size() + 1);
    return static_cast<DWORD>(full.size());
}

DWORD GetShortPathNameA(LPCSTR path, LPSTR buffer, DWORD size) {
    if (path == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    wchar_t wide[MAX_PATH];
    DWORD units = GetShortPathNameW(AnsiToWide(path).c_str(), wide, MAX_PATH);
    if (units == 0 || units >= MAX_PATH) return 0;
    std::string narrow = WideToAnsi(std::wstring(wide, units));
    if (buffer == nullptr || size <= narrow.size()) return static_cast<DWORD>(narrow.size() + 1);
    std::memcpy(buffer, narrow.c_str(), narrow.size() + 1);
    return static_cast<DWORD>(narrow.size());
}
