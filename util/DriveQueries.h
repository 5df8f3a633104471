// Drive, volume and optical-disc queries of the second utility library.
// Drive roots are "%c:/"; drive letters are scanned from C to Z. Every
// function reports failure by its result and writes nothing to the log.
#pragma once

#include <cstdint>
#include <string>

#include "platform/base/Win32Types.h"

// Letter of the n-th (from 0) CD-ROM drive among C..Z, or 0.
char GetCdromDriveLetter(int n);
// Letter of the CD-ROM drive whose device is "\Device\CdRom<n>" (either
// separator, any letter case), or 0.
char GetCdromDriveByDevice(int n);
// The volume's serial number, or 0.
DWORD GetVolumeSerial(char driveLetter);
// 1 and the volume label ("\" turned into "/"); 0 and an empty buffer on failure.
int GetVolumeLabel(char driveLetter, char* buffer, int size);
// The drive holds an HD DVD ("HVDVD_TS/" or "ADV_OBJ/") or a Blu-ray disc ("BDMV/").
bool IsHdDvdDisc(char driveLetter);
bool IsBluRayDisc(char driveLetter);
// The short form of the local application data folder ("\"-separated), or "".
std::string GetLocalAppDataShortPath();

// Free bytes available to the caller and total bytes of the drive's volume
// (either output may be null); 1, or 0 with both zeroed.
int GetDriveSpace(char driveLetter, std::uint64_t* freeBytes, std::uint64_t* totalBytes);
// Free bytes of the drive that holds the system folder.
std::uint64_t GetSystemDriveFreeBytes();

// The volume's file system name begins with "FAT".
bool IsFatVolume(char driveLetter);
// 1 for FAT12/FAT16 ("FAT" then "1"), 2 for FAT32 ("FAT" then "3"), 3 for
// NTFS, 0 for anything else (exFAT included).
int GetFileSystemKind(char driveLetter);
// Type of the drive named by the path's first three characters.
bool IsRemovableDrive(const char* path);
bool IsFixedDrive(const char* path);
// A fixed drive whose storage bus is neither USB nor IEEE 1394.
bool IsInternalFixedDisk(const char* path);
// The standard device-property query into `descriptor`, whose Size field the
// caller presets to the buffer's size.
BOOL QueryStorageDeviceProperty(HANDLE device, void* descriptor);
