// File version texts from PE version resources, and the MAC identity text.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/Win32.h"
#include "tests/support/MachineFixture.h"
#include "util/OsmPaths.h"
#include "util/SystemIdentity.h"

namespace {

using namespace libutilosm;

class OsmVersionTest : public testsupport::MachineTest {};

void Put16(std::vector<BYTE>& image, std::size_t at, WORD value) { std::memcpy(&image[at], &value, 2); }
void Put32(std::vector<BYTE>& image, std::size_t at, DWORD value) { std::memcpy(&image[at], &value, 4); }

// A minimal PE image with one ".rsrc" section holding an RT_VERSION resource
// (type 16, name 1, language 0x409) whose fixed information carries the
// file version a.b.c.d.
std::vector<BYTE> VersionedImage(bool pe32Plus, WORD a, WORD b, WORD c, WORD d) {
    std::vector<BYTE> image(0x400, 0);
    image[0] = 'M';
    image[1] = 'Z';
    Put32(image, 0x3C, 0x40);
    std::memcpy(&image[0x40], "PE\0\0", 4);
    const std::size_t coff = 0x44, optional = coff + 20;
    const WORD optionalSize = pe32Plus ? 240 : 224;
    Put16(image, coff, pe32Plus ? 0x8664 : 0x14C);
    Put16(image, coff + 2, 1);  // one section
    Put16(image, coff + 16, optionalSize);
    Put16(image, optional, pe32Plus ? 0x20B : 0x10B);
    const std::size_t directories = optional + (pe32Plus ? 112 : 96);
    Put32(image, directories - 4, 16);
    const DWORD rsrcRva = 0x1000, rsrcFile = 0x200;
    Put32(image, directories + 2 * 8, rsrcRva);
    Put32(image, directories + 2 * 8 + 4, 0xB4);
    const std::size_t section = optional + optionalSize;
    std::memcpy(&image[section], ".rsrc", 5);
    Put32(image, section + 8, 0xB4);
    Put32(image, section + 12, rsrcRva);
    Put32(image, section + 16, 0x200);
    Put32(image, section + 20, rsrcFile);
    // Three directory levels, each with one id entry, then the data entry.
    const struct {
        std::size_t at;
        DWORD id;
        DWORD next;
    } levels[] = {{0x00, 16, 0x80000018u}, {0x18, 1, 0x80000030u}, {0x30, 0x409, 0x48}};
    for (const auto& level : levels) {
        Put16(image, rsrcFile + level.at + 14, 1);
        Put32(image, rsrcFile + level.at + 16, level.id);
        Put32(image, rsrcFile + level.at + 20, level.next);
    }
    const std::size_t block = rsrcFile + 0x58;
    Put32(image, rsrcFile + 0x48, rsrcRva + 0x58);
    Put32(image, rsrcFile + 0x48 + 4, 92);
    Put16(image, block, 92);
    Put16(image, block + 2, 52);
    const char16_t key[] = u"VS_VERSION_INFO";
    std::memcpy(&image[block + 6], key, sizeof key);
    Put32(image, block + 40, 0xFEEF04BDu);
    Put32(image, block + 44, 0x10000);
    Put32(image, block + 48, (DWORD{a} << 16) | b);
    Put32(image, block + 52, (DWORD{c} << 16) | d);
    return image;
}

TEST_F(OsmVersionTest, FileVersionTextComesFromTheVersionResource) {
    std::vector<BYTE> truncated = VersionedImage(false, 1, 0, 7, 2);
    truncated.resize(0x250);  // the resource's data lies past the end
    std::vector<BYTE> noResource = VersionedImage(false, 1, 0, 7, 2);
    std::memset(&noResource[0x58 + 96 + 16], 0, 8);
    std::vector<BYTE> badSignature = VersionedImage(false, 1, 0, 7, 2);
    badSignature[0x200 + 0x58 + 40] ^= 0xFF;
    const std::string text = "MZ but no image at all";
    struct Case {
        const char* name;
        std::vector<BYTE> bytes;
        bool found;
        const char* version;
    } cases[] = {
        {"C:/app32.exe", VersionedImage(false, 1, 0, 7, 2), true, "1.0.7.2"},
        {"C:/app64.exe", VersionedImage(true, 65535, 2, 300, 4), true, "65535.2.300.4"},
        {"C:/truncated.exe", truncated, false, ""},
        {"C:/plain.exe", noResource, false, ""},
        {"C:/signature.exe", badSignature, false, ""},
        {"C:/text.exe", std::vector<BYTE>(text.begin(), text.end()), false, ""},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(WriteBufferToFile(c.bytes.data(), c.bytes.size(), c.name)) << c.name;
        char buffer[64] = "untouched";
        EXPECT_EQ(GetFileVersionText(c.name, buffer, sizeof buffer), c.found) << c.name;
        EXPECT_STREQ(buffer, c.version) << c.name;
    }
    char buffer[64] = "untouched";
    EXPECT_FALSE(GetFileVersionText("C:/missing.exe", buffer, sizeof buffer));
    char small[7];  // "1.0.7.2" needs 8 bytes
    EXPECT_FALSE(GetFileVersionText("C:/app32.exe", small, sizeof small));
    EXPECT_STREQ(small, "");
}

TEST_F(OsmVersionTest, MacTextIsTheMachineIdentity) {
    machine.profile().networkAdapters =
        std::vector<platform::NetworkAdapterEntry>{{"{A}", "a", {0xaa, 1, 2, 3, 4, 5}, true},
                                                   {"{B}", "b", {0x1c, 1, 2, 3, 4, 5}, true}};
    ResetMachineMacForTest();
    char buffer[MAX_PATH] = "";
    ASSERT_TRUE(GetMacTextA(buffer));
    EXPECT_STREQ(buffer, "1c-01-02-03-04-05:aa-01-02-03-04-05");
    char small[20] = "untouched";  // one identity of 35 characters does not fit
    EXPECT_FALSE(GetMacTextA(small, sizeof small));
    EXPECT_STREQ(small, "");

    machine.profile().networkAdapters = std::vector<platform::NetworkAdapterEntry>{};
    ResetMachineMacForTest();
    EXPECT_FALSE(GetMacTextA(buffer));
}

}  // namespace
