#include "util/UninstallEntry.h"

#include <algorithm>
#include <vector>

#include "util/RegKey.h"

namespace {

const char kUninstall[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const char kUninstall32[] = "Software\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const char kRunOnce[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce\\";

std::string GetUninstallKeyPath(const std::string& productKey) { return kUninstall + productKey; }

bool OpenForReading(CMyRegKey& key, const std::string& productKey) {
    if (key.Open(HKEY_LOCAL_MACHINE, GetUninstallKeyPath(productKey).c_str(), false) == ERROR_SUCCESS) return true;
    return key.Open(HKEY_LOCAL_MACHINE, (kUninstall32 + productKey).c_str(), false) == ERROR_SUCCESS;
}

// The numbers of a version text: split at dots, or one number per digit for
// a text without dots (the dotless form of a version with one-digit parts).
std::vector<unsigned long> VersionParts(const std::string& text, bool perDigit) {
    std::vector<unsigned long> parts;
    if (perDigit) {
        for (char c : text)
            if (c >= '0' && c <= '9') parts.push_back(static_cast<unsigned long>(c - '0'));
        return parts;
    }
    unsigned long value = 0;
    for (char c : text) {
        if (c == '.') {
            parts.push_back(value);
            value = 0;
        } else if (c >= '0' && c <= '9' && value < 100000000ul) {
            value = value * 10 + static_cast<unsigned long>(c - '0');
        }
    }
    parts.push_back(value);
    return parts;
}

}  // namespace

bool SetRunOnceValue(const std::string& name, const std::string& command) {
    CMyRegKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, kRunOnce, true) != ERROR_SUCCESS) return false;
    return key.SetString(name.c_str(), command.c_str()) == ERROR_SUCCESS;
}

bool SetUninstallString(const std::string& productKey, const std::string& name, const std::string& text) {
    CMyRegKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, GetUninstallKeyPath(productKey).c_str(), true) != ERROR_SUCCESS) return false;
    return key.SetString(name.c_str(), text.c_str()) == ERROR_SUCCESS;
}

bool SetUninstallDword(const std::string& productKey, const std::string& name, unsigned value) {
    CMyRegKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, GetUninstallKeyPath(productKey).c_str(), true) != ERROR_SUCCESS) return false;
    return key.SetDword(name.c_str(), value) == ERROR_SUCCESS;
}

bool GetUninstallDword(const std::string& productKey, const std::string& name, int& out) {
    CMyRegKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, GetUninstallKeyPath(productKey).c_str(), true) != ERROR_SUCCESS) return false;
    key.QueryDword(name.c_str(), out);
    return true;
}

bool DeleteUninstallKey(const std::string& productKey) {
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, GetUninstallKeyPath(productKey).c_str());
    return true;
}

bool GetInstallLocation(const std::string& productKey, std::string& out) {
    CMyRegKey key;
    if (!OpenForReading(key, productKey)) return false;
    key.QueryString("InstallLocation", out);
    key.Close();
    return !out.empty();
}

bool IsInstalledVersionNewer(const std::string& productKey, const std::string& version) {
    CMyRegKey key;
    if (!OpenForReading(key, productKey)) return false;
    std::string installed;
    if (key.QueryString("Version", installed) != ERROR_SUCCESS || installed.empty()) return false;
    // Both dotted: part by part; otherwise digit by digit, as the dotless texts are written.
    bool dotted = installed.find('.') != std::string::npos && version.find('.') != std::string::npos;
    std::vector<unsigned long> mine = VersionParts(installed, !dotted);
    std::vector<unsigned long> given = VersionParts(version, !dotted);
    size_t count = std::max(mine.size(), given.size());
    mine.resize(count, 0);
    given.resize(count, 0);
    return given < mine;
}

bool RegisterFileAssociation(const std::string& name, const std::string& iconPath, const std::string& command) {
    const std::string classes = "SOFTWARE\\Classes\\";
    const std::string typeName = name + "file";
    CMyRegKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, (classes + "." + name).c_str(), true) != ERROR_SUCCESS) return false;
    key.SetString("", typeName.c_str());
    key.Close();
    if (key.Open(HKEY_LOCAL_MACHINE, (classes + typeName).c_str(), true) != ERROR_SUCCESS) return false;
    key.Close();
    if (key.Open(HKEY_LOCAL_MACHINE, (classes + typeName + "\\DefaultIcon").c_str(), true) != ERROR_SUCCESS)
        return false;
    key.SetString("", iconPath.c_str());
    key.Close();
    if (key.Open(HKEY_LOCAL_MACHINE, (classes + typeName + "\\shell\\open\\command").c_str(), true) != ERROR_SUCCESS)
        return false;
    key.SetString("", (command + " %1").c_str());
    key.Close();
    return true;
}
