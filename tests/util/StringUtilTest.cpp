#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <regex>
#include <set>

#include "tests/support/MachineFixture.h"
#include "util/StringUtil.h"

namespace {

using testsupport::MachineTest;

TEST(ReplaceAll, ReplacesWithoutRescanningInsertedText) {
    struct Case {
        const char* text;
        const char* search;
        const char* replacement;
        const char* expected;
    } cases[] = {
        {"aaa", "a", "aa", "aaaaaa"}, {"a.b.c", ".", "", "abc"},    {"x{v}y{v}", "{v}", "1.0", "x1.0y1.0"},
        {"abc", "", "z", "abc"},  // an empty search text changes nothing (and ends)
        {"", "a", "b", ""},           {"abab", "ab", "ba", "baba"},
    };
    for (const Case& c : cases) {
        std::string text = c.text;
        EXPECT_EQ(ReplaceAll(text, c.search, c.replacement), c.expected) << c.text;
        EXPECT_EQ(text, c.expected);
        EXPECT_EQ(ReplaceAllText(c.text, c.search, c.replacement), c.expected);
    }
    std::wstring wide = L"\u4E2Da\u4E2D";
    EXPECT_EQ(ReplaceAllWide(wide, L"\u4E2D", L"\u4E2D\u4E2D"), L"\u4E2D\u4E2Da\u4E2D\u4E2D");
    EXPECT_EQ(ReplaceAllWide(wide, L"", L"x"), wide);
    EXPECT_EQ(ReplaceAllText(nullptr, "a", "b"), "");
    EXPECT_EQ(ReplaceAllText("a", nullptr, nullptr), "a");
}

TEST(SplitString, DropsEmptyPiecesAndCountsTheRest) {
    struct Case {
        const char* text;
        const char* delimiter;
        std::vector<std::string> pieces;
    } cases[] = {
        {"pos:500", ":", {"pos", "500"}},
        {"::a::", "::", {"a"}},
        {"a,,b,", ",", {"a", "b"}},
        {"abc", ",", {"abc"}},
        {"", ",", {}},
        {"abc", "", {}},
        {"a<>b<>c", "<>", {"a", "b", "c"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> out{"kept"};
        EXPECT_EQ(SplitString(out, c.text, c.delimiter), static_cast<int>(c.pieces.size())) << c.text;
        std::vector<std::string> expected{"kept"};
        expected.insert(expected.end(), c.pieces.begin(), c.pieces.end());
        EXPECT_EQ(out, expected) << c.text;
    }
    std::vector<std::wstring> wide;
    EXPECT_EQ(SplitStringWide(wide, L"_a__b_", L"_"), 2);
    EXPECT_EQ(wide, (std::vector<std::wstring>{L"a", L"b"}));
}

TEST(SplitWide, KeepsInnerEmptyPiecesButNoTrailingOne) {
    struct Case {
        const wchar_t* text;
        const wchar_t* separator;
        std::vector<std::wstring> pieces;
    } cases[] = {
        {L"a,,b,", L",", {L"a", L"", L"b"}},
        {L",a", L",", {L"", L"a"}},
        {L"a", L",", {L"a"}},
        {L"", L",", {}},
        {L"a,b", L"", {}},
        {L"a\r\nb\r\n\r\nc", L"\r\n", {L"a", L"b", L"", L"c"}},
    };
    for (const Case& c : cases) EXPECT_EQ(SplitWide(c.text, c.separator), c.pieces) << c.text;
}

TEST(IsNumberText, AcceptsOneWholeNumber) {
    struct Case {
        const char* text;
        bool number;
    } cases[] = {
        {"2024", true}, {"-2", true},  {"1.5", true},  {"+3e2", true}, {" 7", true},
        {"7 ", false},  {"7a", false}, {"abc", false}, {"", false},    {"-", false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsNumberText(c.text), c.number) << '"' << c.text << '"';
}

TEST(UrlCoding, EncodesBytewiseAndDecodesBack) {
    struct Case {
        std::string plain;
        std::string encoded;
    } cases[] = {
        {"a-b_c.d~E9", "a-b_c.d~E9"},
        {"a b&c", "a+b%26c"},
        {"\xE4", "%E4"},
        {"\xC3\xA9=/?", "%C3%A9%3D%2F%3F"},
        {std::string("\0\xFF", 2), "%00%FF"},
        {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(UrlEncode(c.plain), c.encoded);
        EXPECT_EQ(UrlEncodeString(c.plain), c.encoded);
        EXPECT_EQ(UrlDecode(c.encoded), c.plain);
        EXPECT_EQ(UrlDecodeString(c.encoded), c.plain);
        EXPECT_EQ(UrlDecode(UrlEncode(c.plain)), c.plain);
    }
}

// A "%" near the end announces bytes that are not there; they are never read.
TEST(UrlCoding, DecodesTruncatedEscapesAsText) {
    struct Case {
        const char* encoded;
        const char* plain;
    } cases[] = {
        {"100%", "100%"}, {"a%4", "a%4"}, {"%", "%"}, {"%41%", "A%"}, {"a+b", "a b"}, {"%e4", "\xE4"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(UrlDecode(c.encoded), c.plain) << c.encoded;
        EXPECT_EQ(UrlDecodeString(c.encoded), c.plain) << c.encoded;
    }
}

TEST(AddUrlParameter, PutsTheNewParameterFirst) {
    struct Case {
        const char* url;
        const char* parameter;
        const char* expected;
    } cases[] = {
        {"https://host/p", "lang=en", "https://host/p?lang=en"},
        {"https://host/p?a=1&b=2", "lang=en", "https://host/p?lang=en&a=1&b=2"},
        {"https://host/p?", "x=1", "https://host/p?x=1&"},
    };
    for (const Case& c : cases) EXPECT_EQ(AddUrlParameter(c.url, c.parameter), c.expected);
}

TEST(Trim, RemovesWhiteSpaceAndLeavesHighBytes) {
    struct Case {
        std::string text;
        std::string left;
        std::string right;
        std::string both;
    } cases[] = {
        {" \t a b \r\n", "a b \r\n", " \t a b", "a b"},
        {"", "", "", ""},
        {"   ", "", "", ""},
        {"\xA0x\xA0", "\xA0x\xA0", "\xA0x\xA0", "\xA0x\xA0"},  // not white space in the C locale
        {"\vx\f", "x\f", "\vx", "x"},
    };
    for (const Case& c : cases) {
        std::string left = c.text, right = c.text, both = c.text;
        EXPECT_EQ(TrimLeft(left), c.left);
        EXPECT_EQ(TrimRight(right), c.right);
        EXPECT_EQ(Trim(both), c.both);
        EXPECT_EQ(TrimCopy(c.text), c.both);
    }
}

TEST(Trim, TrimSpacesRemovesItsOwnSet) {
    struct Case {
        const char* text;
        const char* expected;
    } cases[] = {
        {" \t\x1Fname\r\n", "name"}, {"\vname\v", "\vname\v"}, {"   ", ""}, {"", ""}, {"a b", "a b"},
    };
    for (const Case& c : cases) {
        char buffer[32];
        std::strcpy(buffer, c.text);
        TrimSpaces(buffer);
        EXPECT_STREQ(buffer, c.expected);
    }
    TrimSpaces(nullptr);
}

TEST(Parts, LeftAndRightPartTakeSignedCounts) {
    struct Case {
        const char* text;
        int count;
        const char* left;
        const char* right;
    } cases[] = {
        {"abcdef", 2, "ab", "ef"},
        {"abcdef", 10, "abcdef", "abcdef"},
        {"abcdef", 0, "", ""},
        {"abcdef", -2, "cdef", "abcd"},
        {"abcdef", -8, "cdef", "abcd"},  // the length is added until the count is not negative
        {"abcdef", -6, "", ""},
        {"abcdef", INT_MIN, "cdef", "abcd"},
        {"", 3, "", ""},
        {"", -3, "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LeftPart(c.text, c.count), c.left) << c.text << " " << c.count;
        EXPECT_EQ(RightPart(c.text, c.count), c.right) << c.text << " " << c.count;
    }
}

TEST(Parts, PrefixesSuffixesAndParentFolders) {
    EXPECT_TRUE(StartsWith("setup_x", "setup"));
    EXPECT_FALSE(StartsWith("set", "setup"));
    EXPECT_FALSE(StartsWith("Setup", "setup"));
    EXPECT_TRUE(EndsWith("a.exe", ".exe"));
    EXPECT_FALSE(EndsWith("exe", ".exe"));
    EXPECT_TRUE(EndsWith("x", ""));

    struct Case {
        const char* path;
        const char* slash;
        const char* parent;
    } cases[] = {
        {"a/b\\c", "a/b\\c/", "a/b\\"}, {"a\\b/c.txt", "a\\b/c.txt/", "a\\b/"},
        {"a\\", "a/", "a\\"},           {"name", "name/", "(unchanged)"},
        {"", "", "(unchanged)"},
    };
    for (const Case& c : cases) {
        std::string path = c.path;
        EnsureTrailingSlash(path);
        EXPECT_EQ(path, c.slash);
        std::string parent = "(unchanged)";
        GetParentFolder(c.path, parent);
        EXPECT_EQ(parent, c.parent);
    }
}

TEST(Case, ChangesAsciiLettersOnly) {
    std::string text = "Setup \xC4\xE4 Z";
    ToUpperString(text);
    EXPECT_EQ(text, "SETUP \xC4\xE4 Z");
    ToLowerString(text);
    EXPECT_EQ(text, "setup \xC4\xE4 z");
    EXPECT_EQ(ToUpperChar('q'), 'Q');
    EXPECT_EQ(ToUpperChar('\xE4'), '\xE4');
    EXPECT_EQ(ToLowerChar('Q'), 'q');

    // The trail byte of a double-byte character may look like an ASCII letter.
    char mbcs[] =
        "a\x82"
        "a"
        "b\x81";
    ToUpperMbcs(mbcs);
    EXPECT_STREQ(mbcs,
                 "A\x82"
                 "a"
                 "B\x81");
    ToLowerMbcs(mbcs);
    EXPECT_STREQ(mbcs,
                 "a\x82"
                 "a"
                 "b\x81");

    struct Compare {
        const char* a;
        const char* b;
        int sign;
    } cases[] = {
        {"Setup", "sETUP", 0}, {"abc", "abd", -1}, {"b", "A", 1}, {"ab", "ABC", -1}, {"abc", "AB", 1}, {"", "", 0},
    };
    for (const Compare& c : cases) {
        int result = CompareNoCase(c.a, c.b);
        EXPECT_EQ((result > 0) - (result < 0), c.sign) << c.a << " " << c.b;
    }
}

TEST(DropLeadingChars, MovesTheRestForward) {
    struct Case {
        const char* text;
        size_t count;
        const char* expected;
    } cases[] = {
        {"abcdef", 2, "cdef"}, {"abcdef", 0, "abcdef"}, {"abcdef", 6, ""}, {"abc", 100, ""}, {"", 1, ""},
    };
    for (const Case& c : cases) {
        char buffer[16];
        std::strcpy(buffer, c.text);
        DropLeadingChars(buffer, c.count);
        EXPECT_STREQ(buffer, c.expected);
    }
}

class SafeNames : public MachineTest {};

TEST_F(SafeNames, ReplaceRejectedBytesAndStayInsideTheTarget) {
    EXPECT_TRUE(IsSafeNameChar('a'));
    EXPECT_TRUE(IsSafeNameChar(' '));
    EXPECT_TRUE(IsSafeNameChar(0xE4));
    EXPECT_FALSE(IsSafeNameChar('/'));
    EXPECT_FALSE(IsSafeNameChar(':'));
    EXPECT_FALSE(IsSafeNameChar('\0'));

    struct Case {
        const char* source;
        size_t size;
        bool trim;
        const char* name;
        const char* path;
    } cases[] = {
        {"My*App?", 32, false, "My App ", "My_App_"},
        {"My*App?", 32, true, "My App", "My_App_"},
        {"C:\\Program Files/x:y", 32, false, "C  Program Files x y", "C:\\Program Files/x_y"},
        {"abcdef", 4, false, "abc", "abc"},  // cut to fit, always terminated
        {"", 4, false, "", ""},
    };
    for (const Case& c : cases) {
        char target[40];
        std::memset(target, 'X', sizeof(target));
        MakeSafeName(c.source, target, c.size, c.trim);
        EXPECT_STREQ(target, c.name);
        EXPECT_EQ(target[c.size], 'X') << "wrote past the target";
        std::memset(target, 'X', sizeof(target));
        MakeSafePath(c.source, target, c.size);
        EXPECT_STREQ(target, c.path);
        EXPECT_EQ(target[c.size], 'X') << "wrote past the target";
    }
}

TEST_F(SafeNames, KeepDoubleByteCharactersWhole) {
    machine.profile().ansiCodePage = 936;
    char target[8];
    // 0x5C ("\") as a trail byte belongs to the character and is not replaced.
    MakeSafeName("\x81\x5C*", target, sizeof(target), false);
    EXPECT_STREQ(target, "\x81\x5C ");
    // A character that does not fit whole is left out.
    MakeSafeName("ab\xD6\xD0", target, 4, false);
    EXPECT_STREQ(target, "ab");
}

TEST(HexText, DigitsAndValues) {
    const char* digits = "0123456789ABCDEF";
    for (int value = 0; value < 16; ++value) {
        EXPECT_EQ(HexDigitChar(value), digits[value]);
        EXPECT_EQ(HexCharValue(digits[value]), value);
        EXPECT_EQ(HexCharValueA(digits[value]), value);
        EXPECT_EQ(HexCharValueLoose(digits[value]), value);
        EXPECT_EQ(HexCharValueLoose(static_cast<char>(std::tolower(digits[value]))), value);
    }
    EXPECT_EQ(HexCharValue('z'), 35);
    EXPECT_EQ(HexCharValue('Z'), 35);
    EXPECT_EQ(HexCharValue('#'), '#');
    EXPECT_EQ(HexCharValueA('#'), 0);
}

TEST(HexText, BytesAndTextBothWays) {
    const unsigned char bytes[] = {0x00, 0x1F, 0xA0, 0xFF};
    char text[9];
    BytesToHex(bytes, text, 4);
    EXPECT_STREQ(text, "001FA0FF");
    BytesToHex(nullptr, text, 4);
    EXPECT_STREQ(text, "");

    struct Case {
        const char* hex;
        size_t count;
        std::vector<unsigned char> bytes;
        std::vector<unsigned char> rightAligned;
    } cases[] = {
        {"001fA0FF", 4, {0x00, 0x1F, 0xA0, 0xFF}, {0x00, 0x1F, 0xA0, 0xFF}},
        {"ABC", 2, {0xAB, 0xC0}, {0x0A, 0xBC}},       // odd digit count
        {"AB", 4, {0xAB, 0, 0, 0}, {0, 0, 0, 0xAB}},  // short text
        {"", 2, {0, 0}, {0, 0}},
        {"A7", 1, {0x0A}, {0xA7}},                  // a count of 1 takes one digit
        {"123456", 2, {0x12, 0x34}, {0x34, 0x56}},  // surplus digits
        {nullptr, 2, {0, 0}, {0, 0}},
    };
    for (const Case& c : cases) {
        std::vector<unsigned char> buffer(c.count + 1, 0xEE);
        HexToBytes(c.hex, buffer.data(), c.count);
        EXPECT_EQ(std::vector<unsigned char>(buffer.begin(), buffer.end() - 1), c.bytes) << (c.hex ? c.hex : "null");
        EXPECT_EQ(buffer.back(), 0xEE);
        HexToBytesRightAligned(c.hex, buffer.data(), c.count);
        EXPECT_EQ(std::vector<unsigned char>(buffer.begin(), buffer.end() - 1), c.rightAligned)
            << (c.hex ? c.hex : "null");
        EXPECT_EQ(buffer.back(), 0xEE);
    }
}

TEST(FindInBuffer, SearchesOnlyInsideTheGivenLength) {
    const char buffer[] = {'x', '\0', 'p', 'o', 's', ':', 'p', 'o'};
    EXPECT_EQ(FindInBuffer(buffer, "pos:", sizeof(buffer)), buffer + 2);
    EXPECT_EQ(FindInBuffer(buffer, "po", sizeof(buffer)), buffer + 2);
    EXPECT_EQ(FindInBuffer(buffer, "pos:p", 6), nullptr);  // would run past the length
    EXPECT_EQ(FindInBuffer(buffer, "q", sizeof(buffer)), nullptr);
    EXPECT_EQ(FindInBuffer(buffer, "pos", 0), nullptr);
}

TEST(Utf8Validation, ReportsEachKindOfFault) {
    struct Case {
        std::string text;
        int result;
        std::uint32_t codePoint;
        size_t length;
    } cases[] = {
        {"A", UTF8_OK, 0x41, 1},
        {"\xC3\xA9", UTF8_OK, 0xE9, 2},
        {"\xE2\x82\xAC", UTF8_OK, 0x20AC, 3},
        {"\xF0\x9F\x98\x80", UTF8_OK, 0x1F600, 4},
        {"\xF4\x8F\xBF\xBF", UTF8_OK, 0x10FFFF, 4},
        {"", UTF8_END, 0, 0},
        {"\xE2\x82", UTF8_END, 0, 0},
        {"\x80", UTF8_BAD_LEAD, 0, 0},
        {"\xF8\x88\x80\x80\x80", UTF8_BAD_LEAD, 0, 0},
        {"\xE2(\xAC", UTF8_BAD_TRAIL, 0, 0},
        {"\xC1\x81", UTF8_OVERLONG, 0, 0},
        {"\xE0\x9F\xBF", UTF8_OVERLONG, 0, 0},
        {"\xF0\x8F\xBF\xBF", UTF8_OVERLONG, 0, 0},
        {"\xED\xA0\x80", UTF8_BAD_VALUE, 0, 0},
        {"\xF4\x90\x80\x80", UTF8_BAD_VALUE, 0, 0},
    };
    for (const Case& c : cases) {
        const char* cursor = c.text.data();
        std::uint32_t codePoint = 0;
        EXPECT_EQ(DecodeUtf8Sequence(cursor, c.text.data() + c.text.size(), codePoint), c.result)
            << testing::PrintToString(c.text);
        EXPECT_EQ(codePoint, c.codePoint);
        EXPECT_EQ(cursor, c.text.data() + c.length);
        EXPECT_EQ(IsValidUtf8(c.text), c.result == UTF8_OK || c.text.empty());
    }
    EXPECT_TRUE(IsValidUtf8("ab\xC3\xA9\xF0\x9F\x98\x80"));
    EXPECT_FALSE(IsValidUtf8("ab\xC3\xA9\xF0\x9F\x98"));
}

TEST(NewUuidText, GivesDistinctRandomUuids) {
    const std::regex form("[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}");
    std::set<std::string> seen;
    for (int i = 0; i < 100; ++i) {
        std::string uuid = NewUuidText();
        EXPECT_TRUE(std::regex_match(uuid, form)) << uuid;
        seen.insert(uuid);
    }
    EXPECT_EQ(seen.size(), 100u);
}

}  // namespace
