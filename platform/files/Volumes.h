// Drives and volumes, shaped like KERNEL32's GetLogicalDrives, GetDriveTypeW,
// GetVolumeInformationW, QueryDosDeviceW, GetDiskFreeSpaceW, GetShortPathNameW
// and DeviceIoControl's storage property query, with their ANSI forms.
//
// The drives are the machine's (C:, the profile's extra drives, Z: for the
// host root); what each volume reports comes from the profile's `volumes`
// table (platform::DriveVolume), and free space from the host file system.
// The machine's file names are long names only: no 8.3 alias is generated,
// so the short form of an existing path is its full path.
#pragma once

#include "platform/base/Win32Types.h"

constexpr UINT DRIVE_UNKNOWN = 0;
constexpr UINT DRIVE_NO_ROOT_DIR = 1;
constexpr UINT DRIVE_REMOVABLE = 2;
constexpr UINT DRIVE_FIXED = 3;
constexpr UINT DRIVE_REMOTE = 4;
constexpr UINT DRIVE_CDROM = 5;
constexpr UINT DRIVE_RAMDISK = 6;

// Bit n set for drive letter 'A' + n.
DWORD GetLogicalDrives();
// Type of the drive that `root` ("X:\", "X:/" or "X:") names.
UINT GetDriveTypeW(LPCWSTR root);
UINT GetDriveTypeA(LPCSTR root);
// ERROR_NOT_READY for a drive without its medium; any output may be null.
BOOL GetVolumeInformationW(LPCWSTR root, LPWSTR volumeName, DWORD volumeNameSize, LPDWORD serialNumber,
                           LPDWORD maxComponentLength, LPDWORD fileSystemFlags, LPWSTR fileSystemName,
                           DWORD fileSystemNameSize);
BOOL GetVolumeInformationA(LPCSTR root, LPSTR volumeName, DWORD volumeNameSize, LPDWORD serialNumber,
                           LPDWORD maxComponentLength, LPDWORD fileSystemFlags, LPSTR fileSystemName,
                           DWORD fileSystemNameSize);
// The device of "X:" as a list of NUL-terminated names ended by a second NUL;
// the characters stored, 0 and ERROR_INSUFFICIENT_BUFFER when they do not fit.
DWORD QueryDosDeviceW(LPCWSTR deviceName, LPWSTR targetPath, DWORD maxChars);
DWORD QueryDosDeviceA(LPCSTR deviceName, LPSTR targetPath, DWORD maxChars);
// 512-byte sectors in 4 KiB clusters; cluster counts are capped at 32 bits.
BOOL GetDiskFreeSpaceW(LPCWSTR root, LPDWORD sectorsPerCluster, LPDWORD bytesPerSector, LPDWORD freeClusters,
                       LPDWORD totalClusters);
BOOL GetDiskFreeSpaceA(LPCSTR root, LPDWORD sectorsPerCluster, LPDWORD bytesPerSector, LPDWORD freeClusters,
                       LPDWORD totalClusters);

// Full path of an existing file or folder; 0 and ERROR_FILE_NOT_FOUND when it
// does not exist; the size needed (with the NUL) when the buffer is too small.
DWORD GetShortPathNameW(LPCWSTR path, LPWSTR buffer, DWORD size);
DWORD GetShortPathNameA(LPCSTR path, LPSTR buffer, DWORD size);

// The storage property query on a volume handle (CreateFileW of "\\.\X:" or
// "\\?\X:"): the standard query of the device property only.
constexpr DWORD IOCTL_STORAGE_QUERY_PROPERTY = 0x002D1400;
enum STORAGE_PROPERTY_ID { StorageDeviceProperty = 0, StorageAdapterProperty = 1 };
enum STORAGE_QUERY_TYPE { PropertyStandardQuery = 0, PropertyExistsQuery = 1 };
enum STORAGE_BUS_TYPE {
    BusTypeUnknown = 0,
    BusTypeScsi = 1,
    BusTypeAtapi = 2,
    BusTypeAta = 3,
    BusType1394 = 4,
    BusTypeUsb = 7,
    BusTypeSata = 11,
    BusTypeSd = 12,
    BusTypeNvme = 17,
};
struct STORAGE_PROPERTY_QUERY {
    STORAGE_PROPERTY_ID PropertyId;
    STORAGE_QUERY_TYPE QueryType;
    BYTE AdditionalParameters[1];
};
struct STORAGE_DEVICE_DESCRIPTOR {
    DWORD Version;
    DWORD Size;
    BYTE DeviceType;
    BYTE DeviceTypeModifier;
    BOOLEAN RemovableMedia;
    BOOLEAN CommandQueueing;
    DWORD VendorIdOffset;
    DWORD ProductIdOffset;
    DWORD ProductRevisionOffset;
    DWORD SerialNumberOffset;
    STORAGE_BUS_TYPE BusType;
    DWORD RawPropertiesLength;
    BYTE RawDeviceProperties[1];
};
// Fills as much of the descriptor as `outSize` holds (at least its first 8
// bytes, Version and Size); other control codes fail with ERROR_INVALID_FUNCTION.
BOOL DeviceIoControl(HANDLE device, DWORD controlCode, LPVOID inBuffer, DWORD inSize, LPVOID outBuffer, DWORD outSize,
                     LPDWORD bytesReturned, LPVOID overlapped);

namespace platform {
// A volume handle for "\\.\X:" or "\\?\X:" (INVALID_HANDLE_VALUE when the
// drive does not exist); null for any other path, which CreateFileW opens as a file.
HANDLE OpenVolumeDevice(LPCWSTR path);
// False for a drive whose medium is missing (sets ERROR_NOT_READY).
bool DriveMediaPresent(wchar_t letter);
}  // namespace platform
