#include <cstdio>
#include <cstring>

#include "download/IcmpPinger.h"
#include "platform/Machine.h"

// The version comes from the machine profile, which holds what
// RtlGetNtVersionNumbers reports; the simulated machine is a workstation.
int GetOsNameAndCode(char* name) {
    const platform::MachineProfile& profile = platform::Machine::Current().Profile();
    const DWORD major = profile.osMajor;
    const DWORD minor = profile.osMinor;
    int code = 0;
    const char* base = "";
    if (major <= 4) {
        code = 7, base = "Windows NT";
    } else if (major == 5) {
        if (minor == 0) code = 8, base = "Windows 2000";
        else if (minor == 1) code = 9, base = "Windows XP";
        else if (minor == 2 && profile.os64Bit) code = 10, base = "Windows XP 64-Bit Edition";
        else if (minor == 2) code = 11, base = "Windows Server 2003";
        else code = 10, base = "Windows XP 64-Bit";
    } else if (major == 6 && minor == 0) {
        code = 13, base = "Windows Vista";
    } else if (major == 6 && minor == 1) {
        code = 16, base = "Windows 7";
    } else if (major == 6 && minor == 2) {
        code = 18, base = "Windows 8";
    } else if (major == 6 && minor == 3) {
        code = 20, base = "Windows 8.1";
    } else if (major >= 10) {
        code = 22, base = "Windows 10";
    }
    if (name) {
        char text[260];
        const bool ntVersionLookup = major > 5 && minor > 1;
        if (ntVersionLookup || major >= 10)
            std::snprintf(text, sizeof(text), "%s%s Build %lu", profile.os64Bit ? "64bit System " : "32bit System ", base,
                          static_cast<unsigned long>(profile.osBuild & 0xFFFF));
        else
            std::snprintf(text, sizeof(text), "%s%s", profile.os64Bit ? "64bit System " : "32bit System ", base);
        std::memcpy(name, text, std::strlen(text) + 1);
    }
    return code;
}
