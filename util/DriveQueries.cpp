#include "util/DriveQueries.h"

#include <cstdio>
#include <cstring>

#include "platform/Win32.h"
#include "util/OsmPaths.h"
#include "util/ShellPaths.h"
#include "util/StringConvert.h"

namespace {

struct DriveRoot {
    explicit DriveRoot(char letter) { std::snprintf(text, sizeof text, "%c:/", letter); }
    char text[4];
};

// The file system name of the drive's volume, empty when it cannot be read.
std::string FileSystemName(char driveLetter) {
    char name[MAX_PATH] = "";
    if (!GetVolumeInformationA(DriveRoot(driveLetter).text, nullptr, 0, nullptr, nullptr, nullptr, name, MAX_PATH))
        return {};
    return name;
}

UINT DriveTypeOfPath(const char* path) {
    if (path == nullptr) return DRIVE_UNKNOWN;
    std::string root(path, strnlen(path, 3));
    return GetDriveTypeA(root.c_str());
}

bool IsDiscFolder(char driveLetter, const char* folder) {
    char path[MAX_PATH];
    std::snprintf(path, sizeof path, "%c:/%s/", driveLetter, folder);
    return libutilosm::IsFolder(path);
}

}  // namespace

char GetCdromDriveLetter(int n) {
    int seen = 0;
    for (char letter = 'C'; letter <= 'Z'; ++letter) {
        if (GetDriveTypeA(DriveRoot(letter).text) != DRIVE_CDROM) continue;
        if (seen++ == n) return letter;
    }
    return 0;
}

char GetCdromDriveByDevice(int n) {
    // Device names come with backslashes ("\Device\CdRom0"); both separators
    // are taken, so the comparison can match at all.
    char wanted[32];
    std::snprintf(wanted, sizeof wanted, "/device/cdrom%d", n);
    for (char letter = 'C'; letter <= 'Z'; ++letter) {
        if (GetDriveTypeA(DriveRoot(letter).text) != DRIVE_CDROM) continue;
        char name[3] = {letter, ':', '\0'};
        char target[MAX_PATH] = "";
        if (QueryDosDeviceA(name, target, MAX_PATH) == 0) continue;
        libutilosm::BackslashesToSlashes(target);
        if (_stricmp(target, wanted) == 0) return letter;
    }
    return 0;
}

DWORD GetVolumeSerial(char driveLetter) {
    DWORD serial = 0;
    if (!GetVolumeInformationA(DriveRoot(driveLetter).text, nullptr, 0, &serial, nullptr, nullptr, nullptr, 0))
        return 0;
    return serial;
}

int GetVolumeLabel(char driveLetter, char* buffer, int size) {
    if (buffer == nullptr || size <= 0) return 0;
    if (!GetVolumeInformationA(DriveRoot(driveLetter).text, buffer, static_cast<DWORD>(size), nullptr, nullptr, nullptr,
                               nullptr, 0)) {
        buffer[0] = '\0';
        return 0;
    }
    libutilosm::BackslashesToSlashes(buffer);
    return 1;
}

bool IsHdDvdDisc(char driveLetter) {
    return IsDiscFolder(driveLetter, "HVDVD_TS") || IsDiscFolder(driveLetter, "ADV_OBJ");
}
bool IsBluRayDisc(char driveLetter) { return IsDiscFolder(driveLetter, "BDMV"); }

std::string GetLocalAppDataShortPath() {
    wchar_t folder[MAX_PATH];
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, folder))) return {};
    wchar_t shortPath[MAX_PATH];
    DWORD length = GetShortPathNameW(folder, shortPath, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return {};
    return WideToAnsiString(std::wstring(shortPath, length));
}

int GetDriveSpace(char driveLetter, std::uint64_t* freeBytes, std::uint64_t* totalBytes) {
    using FreeSpaceFunction = BOOL (*)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);
    static const auto function =
        reinterpret_cast<FreeSpaceFunction>(GetProcAddress(LoadLibraryW(L"kernel32.dll"), "GetDiskFreeSpaceExA"));
    if (freeBytes != nullptr) *freeBytes = 0;
    if (totalBytes != nullptr) *totalBytes = 0;
    DriveRoot root(driveLetter);
    ULARGE_INTEGER available{}, total{}, totalFree{};
    if (function != nullptr && function(root.text, &available, &total, &totalFree)) {
        if (freeBytes != nullptr) *freeBytes = available.QuadPart;
        if (totalBytes != nullptr) *totalBytes = total.QuadPart;
        return 1;
    }
    // The cluster counts, multiplied in 64 bits: 32-bit products wrap on any
    // volume past 4 GiB.
    DWORD sectors = 0, bytes = 0, freeClusters = 0, clusters = 0;
    if (!GetDiskFreeSpaceA(root.text, &sectors, &bytes, &freeClusters, &clusters)) return 0;
    std::uint64_t cluster = static_cast<std::uint64_t>(sectors) * bytes;
    if (freeBytes != nullptr) *freeBytes = cluster * freeClusters;
    if (totalBytes != nullptr) *totalBytes = cluster * clusters;
    return 1;
}

std::uint64_t GetSystemDriveFreeBytes() {
    std::wstring system = GetSystemFolder(false);
    if (system.size() < 2 || system[1] != L':') return 0;
    std::uint64_t freeBytes = 0;
    GetDriveSpace(static_cast<char>(system[0]), &freeBytes, nullptr);
    return freeBytes;
}

bool IsFatVolume(char driveLetter) { return FileSystemName(driveLetter).rfind("FAT", 0) == 0; }

int GetFileSystemKind(char driveLetter) {
    std::string name = FileSystemName(driveLetter);
    if (name.rfind("FAT1", 0) == 0) return 1;
    if (name.rfind("FAT3", 0) == 0) return 2;
    if (name.rfind("NTFS", 0) == 0) return 3;
    return 0;
}

bool IsRemovableDrive(const char* path) { return DriveTypeOfPath(path) == DRIVE_REMOVABLE; }
bool IsFixedDrive(const char* path) { return DriveTypeOfPath(path) == DRIVE_FIXED; }

BOOL QueryStorageDeviceProperty(HANDLE device, void* descriptor) {
    if (descriptor == nullptr) return FALSE;
    STORAGE_PROPERTY_QUERY query{};
    query.PropertyId = StorageDeviceProperty;
    query.QueryType = PropertyStandardQuery;
    DWORD size = 0;
    std::memcpy(&size, static_cast<const BYTE*>(descriptor) + 4, 4);  // STORAGE_DEVICE_DESCRIPTOR::Size
    DWORD returned = 0;
    return DeviceIoControl(device, IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof query, descriptor, size, &returned,
                           nullptr);
}

bool IsInternalFixedDisk(const char* path) {
    if (!IsFixedDrive(path)) return false;
    char volume[8];
    std::snprintf(volume, sizeof volume, "\\\\?\\%c:", path[0]);
    HANDLE device = CreateFileW(AnsiToWideString(volume).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    if (device == INVALID_HANDLE_VALUE) return false;
    alignas(STORAGE_DEVICE_DESCRIPTOR) BYTE buffer[551] = {};
    DWORD size = sizeof buffer;
    std::memcpy(buffer + 4, &size, 4);
    bool ok = QueryStorageDeviceProperty(device, buffer) != FALSE;
    CloseHandle(device);
    if (!ok) return false;
    STORAGE_DEVICE_DESCRIPTOR descriptor{};
    std::memcpy(&descriptor, buffer, sizeof descriptor);
    return descriptor.BusType != BusTypeUsb && descriptor.BusType != BusType1394;
}
