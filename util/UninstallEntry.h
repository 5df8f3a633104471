// The product's uninstall entry and restart command under HKEY_LOCAL_MACHINE,
// written and read through CMyRegKey. Writes need administrator rights.
#pragma once

#include <string>

// A RunOnce value (the command runs at the next logon).
bool SetRunOnceValue(const std::string& name, const std::string& command);
bool SetUninstallString(const std::string& productKey, const std::string& name, const std::string& text);
bool SetUninstallDword(const std::string& productKey, const std::string& name, unsigned value);
// Opens the entry for full access (so it fails without administrator
// rights); true whenever that open succeeded, the output set only when the value was read.
bool GetUninstallDword(const std::string& productKey, const std::string& name, int& out);
// Deletes the entry key (nothing when it has sub-keys); always true.
bool DeleteUninstallKey(const std::string& productKey);
// "InstallLocation" of the entry, or of its 32-bit view; true when not empty.
bool GetInstallLocation(const std::string& productKey, std::string& out);
// True when the installed "Version" is newer than `version`, compared
// number by number.
bool IsInstalledVersionNewer(const std::string& productKey, const std::string& version);
// Registers "." + name as name + "file" with its icon and open command.
bool RegisterFileAssociation(const std::string& name, const std::string& iconPath, const std::string& command);
