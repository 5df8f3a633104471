// The machine model: the simulated Windows computer the system runs on.
//
// One Machine is current per process. It owns a root folder on the host that
// holds the drives (C: and any extra letters are folders inside it, Z: is the
// host's own root), a Windows-shaped user profile and the settings that have
// no Linux meaning (OS version, bitness, code pages, DPI, user language,
// elevation). Tests create a fresh machine per fixture with ScopedMachine.
//
// Thread use: change the profile before other threads start; afterwards it is
// only read. Installing a machine swaps one pointer under a lock.
#pragma once

#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/Win32Types.h"

namespace platform {

// One network adapter of a fixed adapter table (GetAdaptersInfo and the
// adapter registry keys seeded from it).
struct NetworkAdapterEntry {
    std::string name;  // adapter name, as "{GUID}" on Windows
    std::string description;
    std::vector<BYTE> address;  // hardware address, usually 6 bytes
    bool pci = false;           // a physical adapter on a PCI bus; false: virtual
};

// What a drive letter's volume reports (GetDriveTypeW, GetVolumeInformationW,
// QueryDosDeviceW, the storage property query). A drive without an entry is
// a fixed NTFS disk on a SATA bus.
struct DriveVolume {
    UINT type = 3;  // DRIVE_FIXED; 2 removable, 4 remote, 5 CD-ROM, 6 RAM disk
    std::wstring label;
    DWORD serial = 0;  // 0: taken from the host file system's id
    std::wstring fileSystem = L"NTFS";
    DWORD busType = 11;        // STORAGE_BUS_TYPE: 4 IEEE 1394, 7 USB, 11 SATA, 17 NVMe
    std::wstring device;       // QueryDosDeviceW target; empty: "\Device\HarddiskVolume<n>" or "\Device\CdRom<n>"
    bool mediaPresent = true;  // false: an empty disc or card drive (ERROR_NOT_READY)
};

// One call of the shell's folder browser as the machine saw it.
struct FolderBrowseRecord {
    std::wstring title;
    UINT flags = 0;
    std::wstring selection;  // the folder the caller preselected; empty: none
};

struct MachineProfile {
    // Version as RtlGetNtVersionNumbers reports it (Windows 10 22H2 by default).
    DWORD osMajor = 10;
    DWORD osMinor = 0;
    DWORD osBuild = 19045;
    DWORD osPlatformId = 2;     // VER_PLATFORM_WIN32_NT; 1 is the Windows 95/98/ME family
    bool os64Bit = true;        // native processor AMD64; false means x86
    bool process64Bit = false;  // the setup program is a 32-bit process
    UINT ansiCodePage = 1252;   // CP_ACP
    UINT oemCodePage = 437;     // CP_OEMCP; differs from CP_ACP so mix-ups show
    int dpi = 96;
    int screenWidth = 1920;
    int screenHeight = 1080;
    LANGID userLanguage = 0;  // 0: derived from LC_ALL, LC_MESSAGES or LANG
    std::wstring userName = L"User";
    std::wstring computerName = L"DESKTOP-PC";
    bool elevated = false;                   // the process token is an administrator's
    std::wstring documentsFolder;            // empty: C:\Users\<user>\Documents
    std::vector<wchar_t> extraDrives;        // drive letters besides C: (e.g. 'D')
    std::map<wchar_t, ULONGLONG> freeBytes;  // free space per drive; default: the host's
    std::map<wchar_t, DriveVolume> volumes;  // per upper-case drive letter (C:, Z: or an extra drive)
    // Host folder read in place of /sys for the hardware the machine reports
    // (video controllers); empty: the host's own /sys.
    std::string deviceTreeRoot;
    std::wstring moduleFileName;  // empty: the running program, seen through Z:
    // Elevation prompts ("runas") that the user declines (ERROR_CANCELLED)
    // before accepting; each declined prompt counts this down.
    int elevationDeclines = 0;
    bool workstationInfoFails = false;  // NetWkstaGetInfo answers an error
    bool shutdownPrivilegeHeld = true;  // the token holds SeShutdownPrivilege
    // Replaces the host's network interfaces (from /sys/class/net) when set.
    std::optional<std::vector<NetworkAdapterEntry>> networkAdapters;
    // The folder browser (SHBrowseForFolderW) draws no picker: these answers
    // stand in for the user, one per call, a Windows folder path or an empty
    // text for Cancel. With none left the browser is cancelled.
    std::deque<std::wstring> folderBrowserAnswers;
    // Every call of the folder browser, in order.
    std::vector<FolderBrowseRecord> folderBrowses;
};

class Machine {
public:
    // Builds the machine in hostRoot (created when missing) with its folder layout.
    Machine(std::string hostRoot, MachineProfile profile);
    ~Machine();
    Machine(const Machine&) = delete;
    Machine& operator=(const Machine&) = delete;

    // The current machine; created on first use in the default root
    // ($WEBINSTALLER_MACHINE_ROOT, else $XDG_DATA_HOME/webinstaller/machine,
    // else ~/.local/share/webinstaller/machine).
    static Machine& Current();
    // Makes `machine` current and returns the previous one (may be null).
    static std::shared_ptr<Machine> Install(std::shared_ptr<Machine> machine);
    static std::string DefaultRoot();

    const std::string& Root() const { return m_root; }
    MachineProfile& Profile() { return m_profile; }
    const MachineProfile& Profile() const { return m_profile; }

    // Windows form paths of the profile folders (no trailing backslash).
    std::wstring UserProfileFolder() const;  // C:\Users\<user>
    std::wstring DocumentsFolder() const;
    std::wstring AppDataFolder() const;       // ...\AppData\Roaming
    std::wstring LocalAppDataFolder() const;  // ...\AppData\Local
    std::wstring TempFolder() const;          // ...\AppData\Local\Temp
    std::wstring DesktopFolder() const;
    std::wstring ProgramsFolder() const;  // Start menu Programs
    std::wstring WindowsFolder() const;   // C:\Windows

    // Host folder of a drive letter, or empty when the machine has no such drive.
    std::string DriveRoot(wchar_t letter) const;

    // A state file of the simulated parts (registry hives and the like) in the root.
    std::string StatePath(const std::string& name) const;

    // Milliseconds added to the monotonic clock (tests drive time with it).
    void AdvanceClock(ULONGLONG milliseconds);
    ULONGLONG ClockOffset() const;

private:
    void CreateLayout();

    std::string m_root;
    MachineProfile m_profile;
    struct Shared;
    std::unique_ptr<Shared> m_shared;
};

// A fresh machine in a new temporary root for the life of the object; the
// previous machine comes back and the root is removed afterwards.
class ScopedMachine {
public:
    explicit ScopedMachine(MachineProfile profile = {});
    ~ScopedMachine();
    ScopedMachine(const ScopedMachine&) = delete;
    ScopedMachine& operator=(const ScopedMachine&) = delete;

    Machine& machine() { return *m_machine; }
    MachineProfile& profile() { return m_machine->Profile(); }
    // Host path of a Windows path on this machine (for test assertions).
    std::string Host(const std::wstring& windowsPath) const;

private:
    std::shared_ptr<Machine> m_machine;
    std::shared_ptr<Machine> m_previous;
};

// LANGID of a POSIX locale name such as "ja_JP.UTF-8" (0x0409 when unknown).
LANGID LangIdFromLocaleName(const std::string& locale);

}  // namespace platform
