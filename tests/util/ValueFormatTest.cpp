#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <regex>

#include "util/ValueFormat.h"

namespace {

TEST(ValueFormat, SizesTakeTheirUnitAboveEachLimit) {
    struct Case {
        long long bytes;
        const char* text;
    } cases[] = {
        {0, "0Byte"},        {1024, "1024Byte"},  {1025, "1.00KB"},         {1048576, "1024.00KB"},
        {1048577, "1.00MB"}, {1572864, "1.50MB"}, {INT32_MAX, "2048.00MB"}, {-5, "-5Byte"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FormatSize(static_cast<std::int32_t>(c.bytes)), c.text) << c.bytes;
        if (c.bytes >= 0) {
            char buffer[32];
            EXPECT_STREQ(FormatByteSize(static_cast<std::uint32_t>(c.bytes), buffer, sizeof(buffer)), c.text);
        }
    }
    char buffer[32];
    EXPECT_STREQ(FormatByteSize(UINT32_MAX, buffer, sizeof(buffer)), "4096.00MB");
}

TEST(ValueFormat, ByteSizeNeverWritesPastTheBuffer) {
    char buffer[8];
    std::memset(buffer, 'X', sizeof(buffer));
    FormatByteSize(1572864, buffer, 5);  // "1.50MB" needs 7 bytes
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(buffer[5], 'X');
    EXPECT_STREQ(FormatByteSize(12, buffer, 7), "12Byte");
    EXPECT_EQ(FormatByteSize(12, nullptr, 7), nullptr);
}

TEST(ValueFormat, DurationsHaveUnlimitedHours) {
    struct Case {
        long long seconds;
        const char* text;
    } cases[] = {
        {0, "00:00:00"},       {59, "00:00:59"}, {3725, "01:02:05"},
        {360000, "100:00:00"}, {-1, ""},         {LLONG_MAX, "2562047788015215:30:07"},
    };
    for (const Case& c : cases) EXPECT_EQ(FormatDuration(c.seconds), c.text) << c.seconds;
}

TEST(ValueFormat, LocalTimeTextHasItsFixedForm) {
    EXPECT_TRUE(std::regex_match(GetLocalTimeText(), std::regex(R"(\d{4}-\d\d-\d\d_\d\d:\d\d:\d\d)")))
        << GetLocalTimeText();
}

}  // namespace
