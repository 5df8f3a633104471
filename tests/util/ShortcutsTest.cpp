#include <gtest/gtest.h>

#include <string>

#include "platform/Win32.h"
#include "tests/support/MachineFixture.h"
#include "util/RegKey.h"
#include "util/Shortcuts.h"

namespace {

class ShortcutsTest : public testsupport::MachineTest {
protected:
    static std::wstring LinkField(const std::wstring& path, int field) {
        IPersistFile* file = nullptr;
        if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IPersistFile,
                                    reinterpret_cast<void**>(&file))))
            return L"<no object>";
        std::wstring value = L"<not loaded>";
        if (SUCCEEDED(file->Load(path.c_str(), 0))) {
            IShellLinkW* link = nullptr;
            file->QueryInterface(IID_IShellLinkW, reinterpret_cast<void**>(&link));
            wchar_t text[MAX_PATH] = {};
            int index = 0;
            if (field == 0) link->GetPath(text, MAX_PATH, nullptr, 0);
            if (field == 1) link->GetIconLocation(text, MAX_PATH, &index);
            if (field == 2) link->GetWorkingDirectory(text, MAX_PATH);
            if (field == 3) link->GetDescription(text, MAX_PATH);
            value = text;
            link->Release();
        }
        file->Release();
        return value;
    }
};

TEST_F(ShortcutsTest, CreatesLinksInTheLocationFolders) {
    const wchar_t* target = L"C:\\Program Files\\App\\app.exe";
    struct Case {
        int location;
        const wchar_t* subFolder;
        std::wstring expectedPath;
    } cases[] = {
        {ShortcutDesktop, nullptr, L"C:\\Users\\User\\Desktop\\App.lnk"},
        {7, nullptr, L"C:\\Users\\User\\Desktop\\App.lnk"},
        {ShortcutPrograms, L"Vendor\\App",
         L"C:\\Users\\User\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Vendor\\App\\App.lnk"},
        {ShortcutCommonPrograms, nullptr, L"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\App.lnk"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.location);
        ASSERT_EQ(S_OK,
                  CreateShortcut(target, nullptr, L"App", c.location, c.subFolder, L"App desc", nullptr, nullptr));
        EXPECT_EQ(target, LinkField(c.expectedPath, 0));
        EXPECT_EQ(target, LinkField(c.expectedPath, 1)) << "the icon is the target's";
        EXPECT_EQ(L"App desc", LinkField(c.expectedPath, 3));
    }
    EXPECT_EQ(E_POINTER, CreateShortcut(nullptr, nullptr, L"App", ShortcutDesktop, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(E_FAIL, CreateShortcut(target, L"C:\\No Such Folder", L"App", ShortcutGivenFolder, nullptr, nullptr,
                                     nullptr, nullptr));
    EXPECT_EQ(E_FAIL, CreateShortcut(target, nullptr, L"App", ShortcutQuickLaunch, nullptr, nullptr, nullptr, nullptr))
        << "Quick Launch does not exist on this machine";
    ASSERT_EQ(S_OK, CreateShortcut(target, L"C:\\Users\\Public\\Desktop", L"Given", ShortcutGivenFolder, nullptr,
                                   nullptr, L"C:\\icon.ico", L"--run"));
    EXPECT_EQ(L"C:\\Users\\Public\\Desktop", LinkField(L"C:\\Users\\Public\\Desktop\\Given.lnk", 2));
    EXPECT_EQ(L"C:\\icon.ico", LinkField(L"C:\\Users\\Public\\Desktop\\Given.lnk", 1));
}

TEST_F(ShortcutsTest, DeletesLinksAndFoldersButNeverTheLocationItself) {
    ASSERT_EQ(S_OK,
              CreateShortcut(L"C:\\a.exe", nullptr, L"App", ShortcutPrograms, L"Vendor", nullptr, nullptr, nullptr));
    ASSERT_EQ(S_OK,
              CreateShortcut(L"C:\\a.exe", nullptr, L"Other", ShortcutPrograms, nullptr, nullptr, nullptr, nullptr));
    ASSERT_EQ(S_OK, CreateShortcut(L"C:\\a.exe", nullptr, L"App", ShortcutDesktop, nullptr, nullptr, nullptr, nullptr));
    const std::wstring programs = L"C:\\Users\\User\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs";
    EXPECT_FALSE(DeleteShortcutFolder(ShortcutPrograms, L""));
    EXPECT_FALSE(DeleteShortcutFolder(ShortcutPrograms, nullptr));
    EXPECT_TRUE(PathFileExistsW((programs + L"\\Other.lnk").c_str()));
    EXPECT_TRUE(DeleteStartMenuFolder(L"Vendor"));
    EXPECT_FALSE(PathFileExistsW((programs + L"\\Vendor").c_str()));
    EXPECT_TRUE(DeleteShortcut(ShortcutDesktop, L"App.lnk"));
    EXPECT_FALSE(PathFileExistsW(L"C:\\Users\\User\\Desktop\\App.lnk"));
    EXPECT_TRUE(DeleteShortcut(ShortcutDesktop, L"App.lnk")) << "a missing file is no failure";
    EXPECT_FALSE(DeleteShortcut(ShortcutQuickLaunch, L"App.lnk"));
    wchar_t path[MAX_PATH];
    ASSERT_TRUE(GetPersonalFolder(path));
    EXPECT_STREQ(L"C:\\Users\\User\\Documents", path);
}

TEST_F(ShortcutsTest, IconRefreshLeavesTheIconSizeAsItWas) {
    const char* const befores[] = {"48", "0", nullptr};
    for (const char* before : befores) {
        SCOPED_TRACE(before != nullptr ? before : "missing");
        CMyRegKey key;
        ASSERT_EQ(ERROR_SUCCESS, key.Open(HKEY_CURRENT_USER, "Control Panel\\Desktop\\WindowMetrics", true));
        key.SetString("Shell Icon Size", before != nullptr ? before : "");
        if (before == nullptr) RegDeleteValueA(key.Handle(), "Shell Icon Size");
        size_t eventsBefore = platform::MachineEvents().size();
        RefreshShellIcons();
        std::string size;
        ASSERT_EQ(ERROR_SUCCESS, key.QueryString("Shell Icon Size", size));
        EXPECT_EQ(before != nullptr && std::string(before) == "48" ? "48" : "32", size);
        EXPECT_EQ(eventsBefore + 2, platform::MachineEvents().size());
    }
}

}  // namespace
