// Tells a new install from a reinstall and an overwrite, for the statistics:
// 2 "overwrite" when an install location is registered or the roaming data
// folder holds anything, 1 "reinstall" when the Documents data folder holds
// more than the install log of an earlier setup run, 0 "new" otherwise.
#pragma once

#include <string>

class InstallTypeDetector {
public:
    int DetectInstallType() const;
    // "new", "reinstall" or "overwrite".
    static const char* InstallTypeName(int type);
};

// "InstallLocation" of the product's uninstall entry (the name with " (x64)"
// when asked); "" when it cannot be read or is empty.
std::string GetRegisteredInstallLocation(const std::string& productName, bool x64);
