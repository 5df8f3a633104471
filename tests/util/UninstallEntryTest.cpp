#include <gtest/gtest.h>

#include <string>

#include "platform/Win32.h"
#include "tests/support/MachineFixture.h"
#include "util/RegKey.h"
#include "util/UninstallEntry.h"

namespace {

class UninstallEntryTest : public testsupport::MachineTest {
protected:
    bool MachineKeyExists(const char* path, REGSAM view = 0) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
        RegCloseKey(key);
        return true;
    }
};

TEST_F(UninstallEntryTest, ElevatedWritesAndReadsBack) {
    machine.profile().elevated = true;
    ASSERT_TRUE(SetUninstallString("Product", "InstallLocation", "C:\\Program Files\\Product"));
    ASSERT_TRUE(SetUninstallDword("Product", "cfg_flag", 5));
    int flags = 0;
    EXPECT_TRUE(GetUninstallDword("Product", "cfg_flag", flags));
    EXPECT_EQ(5, flags);
    std::string location;
    EXPECT_TRUE(GetInstallLocation("Product", location));
    EXPECT_EQ("C:\\Program Files\\Product", location);
    // A 32-bit process writes through the 32-bit view.
    EXPECT_TRUE(MachineKeyExists("SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Product",
                                 KEY_WOW64_64KEY));
    ASSERT_TRUE(SetRunOnceValue("Product_Once", "C:\\package.exe"));
    CMyRegKey runOnce;
    ASSERT_EQ(ERROR_SUCCESS,
              runOnce.Open(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce", false));
    std::string command;
    EXPECT_EQ(ERROR_SUCCESS, runOnce.QueryString("Product_Once", command));
    EXPECT_EQ("C:\\package.exe", command);
    runOnce.Close();
    EXPECT_TRUE(DeleteUninstallKey("Product"));
    EXPECT_FALSE(GetInstallLocation("Product", location = ""));
}

TEST_F(UninstallEntryTest, UnelevatedProcessCannotOpenTheEntryForWriting) {
    machine.profile().elevated = true;
    ASSERT_TRUE(SetUninstallDword("Product", "cfg_flag", 3));
    machine.profile().elevated = false;
    int flags = -7;
    EXPECT_FALSE(GetUninstallDword("Product", "cfg_flag", flags));
    EXPECT_EQ(-7, flags);
    EXPECT_FALSE(SetUninstallString("Product", "Version", "1.0"));
    EXPECT_FALSE(SetRunOnceValue("Product_Once", "x"));
    std::string location;
    EXPECT_FALSE(GetInstallLocation("Product", location)) << "no InstallLocation value";
    EXPECT_TRUE(location.empty());
}

TEST_F(UninstallEntryTest, InstallLocationMissingOrEmpty) {
    std::string location;
    EXPECT_FALSE(GetInstallLocation("Nothing", location));
    EXPECT_FALSE(MachineKeyExists("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Nothing"));
    machine.profile().elevated = true;
    ASSERT_TRUE(SetUninstallString("Empty", "InstallLocation", ""));
    EXPECT_FALSE(GetInstallLocation("Empty", location));
    EXPECT_TRUE(location.empty());
    // A 64-bit process finds an entry of the 32-bit view through the alternative path.
    ASSERT_TRUE(SetUninstallString("Old", "InstallLocation", "C:\\Old"));
    machine.profile().process64Bit = true;
    EXPECT_TRUE(GetInstallLocation("Old", location));
    EXPECT_EQ("C:\\Old", location);
}

TEST_F(UninstallEntryTest, InstalledVersionComparesNumerically) {
    machine.profile().elevated = true;
    struct Case {
        const char* installed;
        const char* given;
        bool newer;
    } cases[] = {
        {"2.0.10.1", "2.0.9.9", true}, {"2.0.9.9", "2.0.10.1", false},
        {"1.0.7.2", "1.0.7.2", false}, {"1.0.7.3", "1.0.7.2", true},
        {"2.0", "1.9.9", true},        {"1.0.7.2", "1072", false},
        {"1.0.7.3", "1072", true},     {"", "1.0", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.installed) + " vs " + c.given);
        ASSERT_TRUE(SetUninstallString("Versioned", "Version", c.installed));
        EXPECT_EQ(c.newer, IsInstalledVersionNewer("Versioned", c.given));
    }
    EXPECT_FALSE(IsInstalledVersionNewer("Absent", "1.0"));
}

TEST_F(UninstallEntryTest, FileAssociationKeys) {
    machine.profile().elevated = true;
    ASSERT_TRUE(RegisterFileAssociation("qov", "C:\\App\\app.ico", "\"C:\\App\\app.exe\""));
    char text[64] = {};
    LONG size = sizeof text;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueA(HKEY_CLASSES_ROOT, "qovfile\\shell\\open\\command", text, &size));
    EXPECT_STREQ("\"C:\\App\\app.exe\" %1", text);
    size = sizeof text;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueA(HKEY_CLASSES_ROOT, ".qov", text, &size));
    EXPECT_STREQ("qovfile", text);
    machine.profile().elevated = false;
    EXPECT_FALSE(RegisterFileAssociation("other", "i", "c"));
}

}  // namespace
