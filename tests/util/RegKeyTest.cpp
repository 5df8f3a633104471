#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/Win32.h"
#include "tests/support/MachineFixture.h"
#include "util/RegKey.h"
#include "util/RegKeyOsm.h"

namespace {

class RegKeyTest : public testsupport::MachineTest {
protected:
    void SetString(HKEY key, const char* name, const std::string& text, bool terminator = true) {
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                                static_cast<DWORD>(text.size() + (terminator ? 1 : 0))));
    }
};

TEST_F(RegKeyTest, QueryStringSizesAndTermination) {
    CMyRegKey key;
    ASSERT_EQ(ERROR_SUCCESS, key.Open(HKEY_CURRENT_USER, "Software\\Sizes", true));
    struct Case {
        std::string text;
        bool terminator;
        LONG result;
        std::string expected;  // the output afterwards ("old" when unchanged)
    } cases[] = {
        {std::string(199, 'a'), true, ERROR_SUCCESS, std::string(199, 'a')},
        {std::string(299, 'b'), true, static_cast<LONG>(ERROR_MORE_DATA), "old"},
        // A value of exactly 200 bytes without a terminator ends within the buffer.
        {std::string(200, 'c'), false, ERROR_SUCCESS, std::string(199, 'c')},
        {"short", false, ERROR_SUCCESS, "short"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 5));
        SetString(key.Handle(), "V", c.text, c.terminator);
        std::string out = "old";
        EXPECT_EQ(c.result, key.QueryString("V", out));
        EXPECT_EQ(c.expected, out);
    }
    std::wstring wide = L"old";
    SetString(key.Handle(), "W", "caf\xE9");
    ASSERT_EQ(ERROR_SUCCESS, key.QueryWideString("W", wide));
    EXPECT_EQ(L"caf\u00E9", wide);
}

TEST_F(RegKeyTest, TypedReadsReportMismatches) {
    CMyRegKey key;
    ASSERT_EQ(ERROR_SUCCESS, key.Open(HKEY_CURRENT_USER, "Software\\Types", true));
    ASSERT_EQ(ERROR_SUCCESS, key.SetDword("Number", 42));
    ASSERT_EQ(ERROR_SUCCESS, key.SetString("Text", "7"));
    const BYTE two[] = {1, 2};
    ASSERT_EQ(ERROR_SUCCESS, key.SetBinary("Short", two, 2));
    int number = 0;
    EXPECT_EQ(ERROR_SUCCESS, key.QueryDwordValue("Number", number));
    EXPECT_EQ(42, number);
    EXPECT_EQ(-1, key.QueryDwordValue("Short", number));
    EXPECT_EQ(0x0201, number) << "written even on a mismatch";
    char buffer[16];
    DWORD size = sizeof buffer;
    EXPECT_EQ(-1, key.QueryStringValue("Number", buffer, size));
    size = sizeof buffer;
    EXPECT_EQ(ERROR_SUCCESS, key.QueryStringValue("Text", buffer, size));
    EXPECT_STREQ("7", buffer);
    number = 5;
    EXPECT_EQ(static_cast<LONG>(ERROR_FILE_NOT_FOUND), key.QueryDword("Missing", number));
    EXPECT_EQ(5, number);

    libutilosm::CMyRegKey osm;
    ASSERT_EQ(ERROR_SUCCESS, osm.Open(HKEY_CURRENT_USER, "Software\\Types"));
    EXPECT_EQ(0, osm.TypeMismatch());
    size = sizeof buffer;
    EXPECT_EQ(-1, osm.QueryStringValue("Number", buffer, size));
    EXPECT_EQ(1, osm.TypeMismatch());
    EXPECT_EQ(ERROR_SUCCESS, osm.QueryDwordValue("Number", number));
    EXPECT_EQ(1, osm.TypeMismatch()) << "nothing resets the flag";
}

TEST_F(RegKeyTest, ReopeningKeepsOrReplacesTheHeldKey) {
    CMyRegKey first;
    ASSERT_EQ(ERROR_SUCCESS, first.Open(HKEY_CURRENT_USER, "Software\\A", true));
    ASSERT_EQ(ERROR_SUCCESS, first.SetString("Name", "a"));
    HKEY old = first.Handle();
    ASSERT_EQ(ERROR_SUCCESS, first.Open(HKEY_CURRENT_USER, "Software\\B", true));
    EXPECT_EQ(static_cast<LONG>(ERROR_INVALID_HANDLE), RegCloseKey(old)) << "the replaced handle was closed";

    libutilosm::CMyRegKey osm;
    ASSERT_EQ(ERROR_SUCCESS, osm.Open(HKEY_CURRENT_USER, "Software\\A"));
    EXPECT_EQ(static_cast<LONG>(ERROR_FILE_NOT_FOUND), osm.Open(HKEY_CURRENT_USER, "Software\\Missing"));
    char buffer[8];
    DWORD size = sizeof buffer;
    EXPECT_EQ(ERROR_SUCCESS, osm.QueryStringValue("Name", buffer, size)) << "the previous key stays usable";
    EXPECT_STREQ("a", buffer);
}

TEST_F(RegKeyTest, MultiStringsAndLargeValues) {
    libutilosm::CMyRegKey key;
    ASSERT_EQ(ERROR_SUCCESS, key.Create(HKEY_CURRENT_USER, "Software\\Multi"));
    EXPECT_EQ(-1, key.SetMultiStringValue({}, "Empty"));
    ASSERT_EQ(ERROR_SUCCESS, key.SetMultiStringValue({"a", "bc"}, "List"));
    BYTE raw[16];
    DWORD size = sizeof raw;
    ASSERT_EQ(ERROR_SUCCESS, key.QueryValue("List", raw, size));
    EXPECT_EQ(std::vector<BYTE>({'a', 0, 'b', 'c', 0, 0}), std::vector<BYTE>(raw, raw + size));
    EXPECT_TRUE(key.IsMultiStringValue("List"));
    std::vector<std::string> list = {"stale"};
    ASSERT_EQ(ERROR_SUCCESS, key.QueryMultiStringValue(list, "List"));
    EXPECT_EQ(std::vector<std::string>({"a", "bc"}), list);

    // A long list is read whole; a value larger than 10,000 bytes still exists.
    std::vector<std::string> many(3000, "item");
    ASSERT_EQ(ERROR_SUCCESS, key.SetMultiStringValue(many, "Many"));
    ASSERT_EQ(ERROR_SUCCESS, key.QueryMultiStringValue(list, "Many"));
    EXPECT_EQ(many, list);
    EXPECT_TRUE(key.ValueExists("Many"));
    EXPECT_FALSE(key.ValueExists("Nothing"));
    ASSERT_EQ(ERROR_SUCCESS, key.SetDwordValue("Number", 1));
    EXPECT_FALSE(key.IsMultiStringValue("Number"));
    EXPECT_EQ(-1, key.QueryMultiStringValue(list, "Number"));

    ASSERT_EQ(ERROR_SUCCESS, key.SetSubKeyText("Shell\\open", "run it"));
    std::string text;
    ASSERT_EQ(ERROR_SUCCESS, key.QuerySubKeyText("Shell\\open", text));
    EXPECT_EQ("run it", text);
    EXPECT_TRUE(key.SubKeyExists("Shell"));
}

TEST_F(RegKeyTest, TreeCopyAndDelete) {
    libutilosm::CMyRegKey source;
    ASSERT_EQ(ERROR_SUCCESS, source.Create(HKEY_CURRENT_USER, "Software\\Source"));
    {
        libutilosm::CMyRegKey child;
        ASSERT_EQ(ERROR_SUCCESS, child.Create(source.GetHandle(), "one\\deep"));
        ASSERT_EQ(ERROR_SUCCESS, child.SetStringValue("Leaf", "x"));
        ASSERT_EQ(ERROR_SUCCESS, child.Create(source.GetHandle(), "two"));
        ASSERT_EQ(ERROR_SUCCESS, child.SetDwordValue("N", 9));
    }
    ASSERT_EQ(ERROR_SUCCESS, source.SetStringValue("Top", "t"));
    EXPECT_EQ(static_cast<LONG>(ERROR_INVALID_HANDLE), CopyKeyTree(nullptr, source.GetHandle()));
    ASSERT_EQ(ERROR_SUCCESS, source.CopyTo(HKEY_CURRENT_USER, "Software\\Copy"));

    libutilosm::CMyRegKey copy;
    ASSERT_EQ(ERROR_SUCCESS, copy.Open(HKEY_CURRENT_USER, "Software\\Copy\\one\\deep"));
    char buffer[8];
    DWORD size = sizeof buffer;
    ASSERT_EQ(ERROR_SUCCESS, copy.QueryStringValue("Leaf", buffer, size));
    EXPECT_STREQ("x", buffer);
    ASSERT_EQ(ERROR_SUCCESS, copy.Open(HKEY_CURRENT_USER, "Software\\Copy"));
    RegKeyInfo info{};
    ASSERT_EQ(ERROR_SUCCESS, copy.QueryInfo(info));
    EXPECT_EQ(2u, info.subKeyCount);
    EXPECT_EQ(1u, info.valueCount);

    libutilosm::CMyRegKey software;
    ASSERT_EQ(ERROR_SUCCESS, software.Open(HKEY_CURRENT_USER, "Software"));
    EXPECT_EQ(static_cast<LONG>(ERROR_ACCESS_DENIED), software.DeleteSubKey("Source"));
    source.Close();
    EXPECT_EQ(ERROR_SUCCESS, software.DeleteKeyTree("Source"));
    EXPECT_FALSE(software.SubKeyExists("Source"));
    EXPECT_TRUE(software.SubKeyExists("Copy\\two"));
}

TEST_F(RegKeyTest, CopyFromAMachineKeyWithoutWriteRights) {
    machine.profile().elevated = true;
    machine.profile().process64Bit = true;
    {
        libutilosm::CMyRegKey key;
        ASSERT_EQ(ERROR_SUCCESS, key.Create(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vendor\\Sub"));
        ASSERT_EQ(ERROR_SUCCESS, key.SetStringValue("V", "kept"));
    }
    machine.profile().elevated = false;
    libutilosm::CMyRegKey vendor;
    ASSERT_EQ(ERROR_SUCCESS, vendor.Open(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vendor"));
    ASSERT_EQ(ERROR_SUCCESS, vendor.CopyTo(HKEY_CURRENT_USER, "Software\\VendorCopy"));
    libutilosm::CMyRegKey copy;
    ASSERT_EQ(ERROR_SUCCESS, copy.Open(HKEY_CURRENT_USER, "Software\\VendorCopy\\Sub"));
    char buffer[8];
    DWORD size = sizeof buffer;
    EXPECT_EQ(ERROR_SUCCESS, copy.QueryStringValue("V", buffer, size));
}

TEST_F(RegKeyTest, EnumerationRecords) {
    CMyRegKey key;
    ASSERT_EQ(ERROR_SUCCESS, key.Open(HKEY_CURRENT_USER, "Software\\Enum\\Child", true));
    ASSERT_EQ(ERROR_SUCCESS, key.Open(HKEY_CURRENT_USER, "Software\\Enum", false));
    ASSERT_EQ(ERROR_SUCCESS, key.SetString("Name", "value"));
    RegKeyNameRecord name{};
    ASSERT_EQ(ERROR_SUCCESS, key.EnumKey(0, name));
    EXPECT_STREQ("Child", name.name);
    EXPECT_EQ(256u, name.bufferSize);
    EXPECT_EQ(static_cast<LONG>(ERROR_NO_MORE_ITEMS), key.EnumKey(1, name));
    RegValueRecord value{};
    ASSERT_EQ(ERROR_SUCCESS, key.EnumValue(0, value));
    EXPECT_STREQ("Name", value.name);
    EXPECT_EQ(4u, value.nameLength);
    EXPECT_EQ(REG_SZ, value.type);
    EXPECT_EQ(6u, value.dataSize);
    RegKeyInfo info{};
    info.reserved = 77;
    ASSERT_EQ(ERROR_SUCCESS, key.QueryInfo(info));
    EXPECT_EQ(77u, info.reserved);
    EXPECT_EQ(1u, info.subKeyCount);
    EXPECT_EQ(5u, info.longestSubKeyName);
    EXPECT_EQ(6u, info.longestValueData);
}

TEST(SharedRegTextTest, HoldsOneProcessWideText) {
    SetSharedRegText("shared");
    EXPECT_EQ("shared", GetSharedRegText());
    SetSharedRegText("");
}

}  // namespace
