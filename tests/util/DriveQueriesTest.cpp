// Drive, volume and disc queries on a machine with optical, removable and
// external drives.
#include <gtest/gtest.h>

#include <sys/statvfs.h>

#include <cstring>
#include <string>

#include "platform/Win32.h"
#include "tests/support/MachineFixture.h"
#include "util/DriveQueries.h"
#include "util/OsmPaths.h"

namespace {

using platform::DriveVolume;

class DriveQueriesTest : public testsupport::MachineTest {
protected:
    void SetUp() override {
        platform::MachineProfile& profile = machine.profile();
        profile.extraDrives = {L'D', L'E', L'F', L'G', L'H', L'K'};
        // D: and F: are optical drives (F: empty); E: a USB stick; G: an
        // external disk on USB, H: one on IEEE 1394, K: an internal NVMe disk.
        profile.volumes[L'D'] = DriveVolume{DRIVE_CDROM, L"MOVIE\\DISC", 0x1234ABCD, L"UDF", BusTypeAtapi, L"", true};
        profile.volumes[L'E'] = DriveVolume{DRIVE_REMOVABLE, L"STICK", 7, L"FAT32", BusTypeUsb, L"", true};
        profile.volumes[L'F'] = DriveVolume{DRIVE_CDROM, L"", 0, L"CDFS", BusTypeAtapi, L"", false};
        profile.volumes[L'G'] = DriveVolume{DRIVE_FIXED, L"Backup", 9, L"exFAT", BusTypeUsb, L"", true};
        profile.volumes[L'H'] = DriveVolume{DRIVE_FIXED, L"Old", 10, L"FAT16", BusType1394, L"", true};
        profile.volumes[L'K'] = DriveVolume{DRIVE_FIXED, L"Fast", 11, L"NTFS", BusTypeNvme, L"", true};
    }
};

TEST_F(DriveQueriesTest, OpticalDrivesAreFoundByOrderAndByDevice) {
    EXPECT_EQ(GetCdromDriveLetter(0), 'D');
    EXPECT_EQ(GetCdromDriveLetter(1), 'F');
    EXPECT_EQ(GetCdromDriveLetter(2), 0);
    EXPECT_EQ(GetCdromDriveByDevice(0), 'D');
    EXPECT_EQ(GetCdromDriveByDevice(1), 'F');
    EXPECT_EQ(GetCdromDriveByDevice(2), 0);
    machine.profile().volumes[L'D'].device = L"\\DEVICE\\CDROM7";
    EXPECT_EQ(GetCdromDriveByDevice(7), 'D');
    EXPECT_EQ(GetCdromDriveByDevice(0), 0);

    // Discs by their top folders; an empty drive holds none.
    EXPECT_FALSE(IsBluRayDisc('D'));
    ASSERT_TRUE(libutilosm::CreateFolderPath("D:/BDMV/"));
    EXPECT_TRUE(IsBluRayDisc('D'));
    EXPECT_FALSE(IsHdDvdDisc('D'));
    ASSERT_TRUE(libutilosm::CreateFolderPath("D:/ADV_OBJ/"));
    EXPECT_TRUE(IsHdDvdDisc('D'));
    ASSERT_TRUE(libutilosm::CreateFolderPath("E:/HVDVD_TS/"));
    EXPECT_TRUE(IsHdDvdDisc('E'));
    EXPECT_FALSE(IsBluRayDisc('F'));
}

TEST_F(DriveQueriesTest, VolumeFacts) {
    struct Case {
        char letter;
        DWORD serial;  // 0: not readable
        const char* label;
        int kind;
        bool fat;
        bool removable;
        bool fixed;
        bool internal;
    } cases[] = {
        {'D', 0x1234ABCD, "MOVIE/DISC", 0, false, false, false, false},
        {'E', 7, "STICK", 2, true, true, false, false},
        {'F', 0, "", 0, false, false, false, false},  // no medium
        {'G', 9, "Backup", 0, false, false, true, false},
        {'H', 10, "Old", 1, true, false, true, false},
        {'K', 11, "Fast", 3, false, false, true, true},
        {'Q', 0, "", 0, false, false, false, false},  // no such drive
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.letter);
        EXPECT_EQ(GetVolumeSerial(c.letter), c.serial);
        char label[MAX_PATH] = "untouched";
        EXPECT_EQ(GetVolumeLabel(c.letter, label, MAX_PATH), c.serial != 0 ? 1 : 0);
        EXPECT_STREQ(label, c.label);
        EXPECT_EQ(GetFileSystemKind(c.letter), c.kind);
        EXPECT_EQ(IsFatVolume(c.letter), c.fat);
        std::string path = std::string(1, c.letter) + ":/some/file.txt";
        EXPECT_EQ(IsRemovableDrive(path.c_str()), c.removable);
        EXPECT_EQ(IsFixedDrive(path.c_str()), c.fixed);
        EXPECT_EQ(IsInternalFixedDisk(path.c_str()), c.internal);
    }
    // The system drive: a fixed NTFS disk on an internal bus, with a serial.
    EXPECT_EQ(GetFileSystemKind('C'), 3);
    EXPECT_TRUE(IsInternalFixedDisk("C:\\Windows"));
    EXPECT_NE(GetVolumeSerial('C'), 0u);
    char small[3];
    EXPECT_EQ(GetVolumeLabel('E', small, sizeof small), 0);  // "STICK" does not fit
    EXPECT_STREQ(small, "");
}

TEST_F(DriveQueriesTest, FileSystemKinds) {
    struct Case {
        const wchar_t* name;
        int kind;
    } cases[] = {{L"FAT32", 2}, {L"FAT16", 1}, {L"FAT12", 1}, {L"FAT", 0}, {L"NTFS", 3}, {L"exFAT", 0}, {L"ReFS", 0}};
    for (const Case& c : cases) {
        machine.profile().volumes[L'G'].fileSystem = c.name;
        EXPECT_EQ(GetFileSystemKind('G'), c.kind) << static_cast<int>(c.kind);
        EXPECT_EQ(IsFatVolume('G'), std::wcsncmp(c.name, L"FAT", 3) == 0);
    }
}

TEST_F(DriveQueriesTest, SpaceIsTheHostsOrTheProfiles) {
    std::uint64_t freeBytes = 1, total = 1;
    ASSERT_EQ(GetDriveSpace('K', &freeBytes, &total), 1);
    struct statvfs host {};
    ASSERT_EQ(::statvfs(Host(L"K:\\").c_str(), &host), 0);
    std::uint64_t hostTotal = static_cast<std::uint64_t>(host.f_blocks) * host.f_frsize;
    EXPECT_EQ(total, hostTotal);
    EXPECT_GT(freeBytes, 0u);
    EXPECT_LE(freeBytes, total);

    // Past 4 GiB the cluster form stays exact in its 64-bit products.
    machine.profile().freeBytes[L'K'] = 6ull << 30;
    DWORD sectors = 0, bytes = 0, freeClusters = 0, clusters = 0;
    ASSERT_TRUE(GetDiskFreeSpaceA("K:/", &sectors, &bytes, &freeClusters, &clusters));
    EXPECT_EQ(static_cast<std::uint64_t>(sectors) * bytes * freeClusters, 6ull << 30);
    ASSERT_EQ(GetDriveSpace('K', &freeBytes, nullptr), 1);
    EXPECT_EQ(freeBytes, 6ull << 30);

    freeBytes = total = 1;
    EXPECT_EQ(GetDriveSpace('F', &freeBytes, &total), 0);  // an empty drive
    EXPECT_EQ(freeBytes, 0u);
    EXPECT_EQ(total, 0u);
}

TEST_F(DriveQueriesTest, LocalAppDataShortPathIsItsFullPath) {
    EXPECT_EQ(GetLocalAppDataShortPath(), "C:\\Users\\User\\AppData\\Local");
}

}  // namespace
