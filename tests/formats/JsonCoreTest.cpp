#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "formats/json/JsonCore.h"

namespace {

// Owns a parsed tree for the length of a test.
struct Tree {
    JsonNode* root;
    explicit Tree(const char* text) : root(JsonParse(text)) {}
    explicit Tree(JsonNode* node) : root(node) {}
    ~Tree() { JsonDelete(root); }
    Tree(const Tree&) = delete;
    Tree& operator=(const Tree&) = delete;
};

std::string Printed(const JsonNode* node, bool formatted) {
    char* text = formatted ? JsonPrint(node) : JsonPrintUnformatted(node);
    if (text == nullptr) return "<null>";
    std::string result(text);
    JsonFreeText(text);
    return result;
}

TEST(JsonNumbers, ParseToTypedNodesAndPrintInTheWireFormat) {
    constexpr std::uint64_t kU64Max = UINT64_MAX;
    struct Case {
        const char* text;
        int type;
        int sign;
        std::uint64_t integer;  // for JSON_INT
        const char* printed;
    } cases[] = {
        {"123", JSON_INT, 1, 123, "123"},
        {"-5", JSON_INT, -1, static_cast<std::uint64_t>(-5), "-5"},
        {"0", JSON_INT, 1, 0, "0"},
        {"-0", JSON_INT, -1, 0, "0"},
        {"-", JSON_INT, -1, 0, "0"},
        {"0123", JSON_INT, 1, 0, "0"},  // a leading zero is the whole number
        {"1.", JSON_INT, 1, 1, "1"},    // '.' without a digit is left unread
        {"1e0", JSON_INT, 1, 1, "1"},
        {"12e0", JSON_INT, 1, 12, "12"},
        // Integers are exact in 64 bits, not rounded through a double.
        {"9007199254740993", JSON_INT, 1, 9007199254740993ull, "9007199254740993"},
        {"18446744073709551615", JSON_INT, 1, kU64Max, "18446744073709551615"},
        {"-9223372036854775808", JSON_INT, -1, std::uint64_t{1} << 63, "-9223372036854775808"},
        // Beyond 64 bits the value is kept as the nearest double.
        {"18446744073709551616", JSON_DOUBLE, 1, 0, "18446744073709551616"},
        {"123456789012345678901234567890", JSON_DOUBLE, 1, 0, "123456789012345677877719597056"},
        {"-9223372036854775809", JSON_DOUBLE, -1, 0, "-9223372036854775808"},
        {"-18446744073709551615", JSON_DOUBLE, -1, 0, "-18446744073709551616"},
        {"1.5", JSON_DOUBLE, 1, 0, "1.500000"},
        {"-1.5", JSON_DOUBLE, -1, 0, "-1.500000"},
        {"2.0", JSON_DOUBLE, 1, 0, "2"},
        {"1e3", JSON_DOUBLE, 1, 0, "1000"},
        {"1.0e+2", JSON_DOUBLE, 1, 0, "100"},
        {"2.5E-1", JSON_DOUBLE, 1, 0, "0.250000"},
        {"0.1234567", JSON_DOUBLE, 1, 0, "0.123457"},
        {"1e-7", JSON_DOUBLE, 1, 0, "0.000000"},
        {"12345678901.5", JSON_DOUBLE, 1, 0, "12345678901.500000"},
        // Out of the double range: infinity prints as null, underflow as 0.
        {"1e400", JSON_DOUBLE, 1, 0, "null"},
        {"-1e400", JSON_DOUBLE, -1, 0, "null"},
        {"1e99999999999999", JSON_DOUBLE, 1, 0, "null"},
        {"1e-400", JSON_DOUBLE, 1, 0, "0"},
        {"0.0000000000000000000000000000001e-300", JSON_DOUBLE, 1, 0, "0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        Tree tree(c.text);
        ASSERT_NE(tree.root, nullptr);
        EXPECT_EQ(tree.root->type, c.type);
        EXPECT_EQ(tree.root->sign, c.sign);
        if (c.type == JSON_INT) {
            EXPECT_EQ(tree.root->intValue, c.integer);
        }
        EXPECT_EQ(Printed(tree.root, false), c.printed);
        EXPECT_EQ(Printed(tree.root, true), c.printed);
    }
}

TEST(JsonNumbers, CreatedNodesPrintTheirFullRange) {
    struct Case {
        JsonNode* node;
        const char* printed;
    } cases[] = {
        {JsonCreateInt(UINT64_MAX, 1), "18446744073709551615"},
        {JsonCreateInt(std::uint64_t{1} << 63, -1), "-9223372036854775808"},
        {JsonCreateInt(4294967295u, 1), "4294967295"},
        {JsonCreateDouble(NAN, -1), "null"},
        {JsonCreateDouble(-INFINITY, -1), "null"},
        {JsonCreateDouble(-0.0, -1), "-0"},
        {JsonCreateDouble(1e-300, -1), "0"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Printed(c.node, false), c.printed);
        JsonDelete(c.node);
    }
}

TEST(JsonNumbers, HugeWholeDoublesPrintInFullAndReadBack) {
    for (double value : {1e63, 1e200, DBL_MAX, -DBL_MAX}) {
        Tree node(JsonCreateDouble(value, -1));
        std::string text = Printed(node.root, false);
        EXPECT_EQ(text.find('.'), std::string::npos) << text;
        EXPECT_GT(text.size(), 63u);
        // The digits are too long for an integer and read back as the same double.
        Tree back(text.c_str());
        ASSERT_NE(back.root, nullptr);
        EXPECT_EQ(back.root->type, JSON_DOUBLE);
        EXPECT_EQ(back.root->doubleValue, value) << text;
    }
}

TEST(JsonStrings, DecodeEscapesAndUnicode) {
    struct Case {
        const char* text;
        std::string value;
    } cases[] = {
        {"\"abc", "abc"},  // no closing quote: accepted
        {"\"a\\\"b\\\\c\\/d\"", "a\"b\\c/d"},
        {"\"\\b\\f\\n\\r\\t\"", "\b\f\n\r\t"},
        {"\"\\q\"", "q"},
        {"\"\\u00e9\"", "\xC3\xA9"},
        {"\"\\u4E2D\"", "\xE4\xB8\xAD"},
        {"\"\\ud83d\\ude00\"", "\xF0\x9F\x98\x80"},
        {"\"a\\ud83dz\"", "az"},      // lone high half dropped
        {"\"\\ud83d\\u0041\"", "A"},  // the escape after it still counts
        {"\"\\ud83d\\ud83d\\ude00\"", "\xF0\x9F\x98\x80"},
        {"\"x\\ude00y\"", "xy"},  // lone low half dropped
        {"\"a\\u0000b\"", "ab"},  // NUL cannot live in the text
        {"\"\\u00", ""},          // short code at the end of the text
        {"\"\\u00zz!\"", "!"},    // the four characters are always passed
        {"\"ab\\", "ab"},         // backslash as the last byte
        {"\"\x01\x7f\xC3\xA9\"", "\x01\x7f\xC3\xA9"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        Tree tree(c.text);
        ASSERT_NE(tree.root, nullptr);
        ASSERT_EQ(tree.root->type, JSON_STRING);
        EXPECT_EQ(std::string(tree.root->stringValue), c.value);
    }
}

TEST(JsonStrings, PrintEscapesControlCharacters) {
    struct Case {
        const char* value;
        const char* printed;
    } cases[] = {
        {"\x01", "\"\\u0001\""},
        {"\x1f", "\"\\u001f\""},
        {"a\tb", "\"a\\tb\""},
        {"\b\f\n\r", "\"\\b\\f\\n\\r\""},
        {"q\"b\\", "\"q\\\"b\\\\\""},
        {"/\x7f\xC3\xA9", "\"/\x7f\xC3\xA9\""},
        {"", "\"\""},
    };
    for (const Case& c : cases) {
        Tree node(JsonCreateString(c.value));
        EXPECT_EQ(Printed(node.root, false), c.printed);
    }
    Tree empty(JsonCreateString(nullptr));
    EXPECT_EQ(Printed(empty.root, false), "\"\"");
}

TEST(JsonParse, ReportsWhereTheSyntaxFails) {
    struct Case {
        const char* text;
        std::ptrdiff_t offset;
    } cases[] = {
        {"", 0},           {"x", 0},        {"[1, 2", 5},  // the terminating NUL
        {"[0123]", 2},     {"[1 2]", 3},    {"{\"a\" 1}", 5}, {"{1:2}", 1},
        {"{\"a\":1,}", 7}, {"{\"a\":}", 5}, {"[nul]", 1},     {"  tru", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(JsonParse(c.text), nullptr);
        EXPECT_EQ(JsonGetErrorPtr(), c.text + c.offset);
    }
    Tree good("[1]");
    EXPECT_EQ(JsonGetErrorPtr(), nullptr);
}

TEST(JsonParse, IsLenientAboutWhatFollowsAndAboutWhiteSpace) {
    struct Case {
        const char* text;
        const char* printed;
    } cases[] = {
        {"{} x", "{}"},
        {"nullx", "null"},
        {"\x01\x02\x1f [ 1 ,\x0b 2 ]", "[1,2]"},
        {"[true,false,null]", "[true,false,null]"},
        {"{\"a\":1,\"A\":2}", "{\"a\":1,\"A\":2}"},  // duplicate keys stay in order
    };
    for (const Case& c : cases) {
        Tree tree(c.text);
        ASSERT_NE(tree.root, nullptr) << c.text;
        EXPECT_EQ(Printed(tree.root, false), c.printed);
    }
}

TEST(JsonParse, LimitsNesting) {
    auto nested = [](int depth, char open, char close) {
        return std::string(static_cast<std::size_t>(depth), open) + std::string(static_cast<std::size_t>(depth), close);
    };
    Tree deepest(nested(JSON_MAX_DEPTH, '[', ']').c_str());
    EXPECT_NE(deepest.root, nullptr);
    std::string tooDeep = nested(JSON_MAX_DEPTH + 1, '[', ']');
    EXPECT_EQ(JsonParse(tooDeep.c_str()), nullptr);
    EXPECT_EQ(JsonGetErrorPtr(), tooDeep.c_str() + JSON_MAX_DEPTH);
    // Far beyond the limit: no stack exhaustion, a clean failure.
    std::string hostile;
    for (int i = 0; i < 200000; ++i) hostile += "{\"a\":";
    EXPECT_EQ(JsonParse(hostile.c_str()), nullptr);
    EXPECT_NE(JsonGetErrorPtr(), nullptr);
}

TEST(JsonParse, ErrorPositionBelongsToTheParsingThread) {
    auto worker = [](const std::string& text, std::ptrdiff_t offset, bool* ok) {
        *ok = true;
        for (int i = 0; i < 2000 && *ok; ++i) {
            if (JsonParse(text.c_str()) != nullptr || JsonGetErrorPtr() != text.c_str() + offset) *ok = false;
        }
    };
    std::string first = "[1, 2, x]";
    std::string second = "{\"key\" 5}";
    bool firstOk = false, secondOk = false;
    std::thread a(worker, first, 7, &firstOk);
    std::thread b(worker, second, 7, &secondOk);
    a.join();
    b.join();
    EXPECT_TRUE(firstOk);
    EXPECT_TRUE(secondOk);
}

TEST(JsonPrint, FormattedLayoutIsExact) {
    struct Case {
        const char* text;
        const char* compact;
        const char* formatted;
    } cases[] = {
        {"{\"a\":1,\"b\":\"x\"}", "{\"a\":1,\"b\":\"x\"}", "{\n\t\"a\":\t1,\n\t\"b\":\t\"x\"\n}"},
        {"{\"list\":[{\"x\":1},{\"y\":2}]}", "{\"list\":[{\"x\":1},{\"y\":2}]}",
         "{\n\t\"list\":\t[{\n\t\t\t\"x\":\t1\n\t\t}, {\n\t\t\t\"y\":\t2\n\t\t}]\n}"},
        {"{\"o\":{\"p\":[1,2.5,\"s\"]},\"e\":{}}", "{\"o\":{\"p\":[1,2.500000,\"s\"]},\"e\":{}}",
         "{\n\t\"o\":\t{\n\t\t\"p\":\t[1, 2.500000, \"s\"]\n\t},\n\t\"e\":\t{\n\t}\n}"},
        {"{}", "{}", "{\n}"},
        {"[]", "[]", "[]"},
        {"[[],[1]]", "[[],[1]]", "[[], [1]]"},
    };
    for (const Case& c : cases) {
        Tree tree(c.text);
        ASSERT_NE(tree.root, nullptr) << c.text;
        EXPECT_EQ(Printed(tree.root, false), c.compact);
        EXPECT_EQ(Printed(tree.root, true), c.formatted);
    }
}

TEST(JsonLookup, KeysIgnoreAsciiCaseAndIndexesClampBelowZero) {
    Tree tree("{\"key\":1,\"KEY\":2,\"\xC3\xA9t\xC3\xA9\":3,\"list\":[10,20]}");
    ASSERT_NE(tree.root, nullptr);
    JsonNode* key = JsonGetObjectItem(tree.root, "KEY");
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->intValue, 1u);  // the first of the duplicates
    EXPECT_NE(JsonGetObjectItem(tree.root, "\xC3\xA9T\xC3\xA9"), nullptr);
    EXPECT_EQ(JsonGetObjectItem(tree.root, "\xC3\x89t\xC3\xA9"), nullptr);  // no folding above ASCII
    EXPECT_EQ(JsonGetObjectItem(tree.root, "missing"), nullptr);
    JsonNode* list = JsonGetObjectItem(tree.root, "list");
    EXPECT_EQ(JsonGetArraySize(list), 2);
    EXPECT_EQ(JsonGetArrayItem(list, -1)->intValue, 10u);
    EXPECT_EQ(JsonGetArrayItem(list, 1)->intValue, 20u);
    EXPECT_EQ(JsonGetArrayItem(list, 2), nullptr);
}

TEST(JsonEdit, KeepsSiblingLinksConsistent) {
    Tree tree("[1,2,3]");
    JsonNode* array = tree.root;
    EXPECT_TRUE(JsonReplaceItemInArray(array, 1, JsonCreateString("two")));
    JsonAddItemToArrayHead(array, JsonCreateInt(0, 1));
    JsonAddItemToArray(array, JsonCreateTrue());
    EXPECT_EQ(Printed(array, false), "[0,1,\"two\",3,true]");
    JsonNode* detached = JsonDetachItemFromArray(array, 2);
    ASSERT_NE(detached, nullptr);
    EXPECT_EQ(detached->next, nullptr);
    EXPECT_EQ(detached->previous, nullptr);
    JsonDelete(detached);
    JsonDeleteItemFromArray(array, 0);
    EXPECT_EQ(Printed(array, false), "[1,3,true]");
    // Walk backwards from the last element to prove the previous links.
    JsonNode* last = JsonGetArrayItem(array, 2);
    EXPECT_EQ(last->previous->previous, array->child);
    EXPECT_EQ(array->child->previous, nullptr);
    // Nothing at the index: the tree stays and the new node is freed.
    EXPECT_FALSE(JsonReplaceItemInArray(array, 9, JsonCreateString("lost")));
    EXPECT_EQ(Printed(array, false), "[1,3,true]");
}

TEST(JsonEdit, ObjectMembersAndReferences) {
    Tree object(JsonCreateObject());
    JsonAddItemToObject(object.root, "Name", JsonCreateString("a"));
    JsonAddItemToObject(object.root, "n", JsonCreateInt(7, 1));
    EXPECT_TRUE(JsonReplaceItemInObject(object.root, "name", JsonCreateString("b")));
    EXPECT_FALSE(JsonReplaceItemInObject(object.root, "none", JsonCreateNull()));
    EXPECT_EQ(Printed(object.root, false), "{\"name\":\"b\",\"n\":7}");

    Tree shared(JsonParse("[\"x\",{\"y\":1}]"));
    JsonAddItemReferenceToObject(object.root, "ref", shared.root);
    EXPECT_EQ(Printed(object.root, false), "{\"name\":\"b\",\"n\":7,\"ref\":[\"x\",{\"y\":1}]}");
    Tree holder(JsonCreateArray());
    JsonAddItemReferenceToArray(holder.root, JsonGetObjectItem(object.root, "name"));
    JsonDeleteItemFromArray(holder.root, 0);       // the string stays with its owner
    JsonDeleteItemFromObject(object.root, "REF");  // frees the reference, not what it shares
    EXPECT_EQ(Printed(shared.root, false), "[\"x\",{\"y\":1}]");
    JsonNode* n = JsonDetachItemFromObject(object.root, "N");
    ASSERT_NE(n, nullptr);
    JsonDelete(n);
    EXPECT_EQ(Printed(object.root, false), "{\"name\":\"b\"}");
}

TEST(JsonCreate, ArraysOfValues) {
    const unsigned int numbers[] = {1, 4294967295u};
    const float floats[] = {0.5f, -2.0f};
    const double doubles[] = {1.25, 3.0};
    const char* texts[] = {"a", "b\"c"};
    struct Case {
        JsonNode* array;
        const char* printed;
    } cases[] = {
        {JsonCreateIntArray(numbers, 1, 2), "[1,4294967295]"},
        {JsonCreateFloatArray(floats, 2), "[0.500000,-2]"},
        {JsonCreateDoubleArray(doubles, 2), "[1.250000,3]"},
        {JsonCreateStringArray(texts, 2), "[\"a\",\"b\\\"c\"]"},
        {JsonCreateStringArray(texts, 0), "[]"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Printed(c.array, false), c.printed);
        EXPECT_EQ(JsonGetArrayItem(c.array, 0) == nullptr || JsonGetArrayItem(c.array, 0)->previous == nullptr, true);
        JsonDelete(c.array);
    }
}

// An allocator that fails after a number of allocations and counts what is
// still held, to prove every failure path releases what it made.
struct FailingAllocator {
    static inline int budget = 0;
    static inline int held = 0;
    static void* Allocate(std::size_t size) {
        if (budget-- <= 0) return nullptr;
        ++held;
        return std::malloc(size);
    }
    static void Release(void* pointer) {
        if (pointer != nullptr) --held;
        std::free(pointer);
    }
};

TEST(JsonMemory, AllocationFailuresReleaseEverything) {
    JsonHooks hooks = {FailingAllocator::Allocate, FailingAllocator::Release};
    JsonInitHooks(&hooks);
    const char* text = "{\"a\":[1,2,{\"b\":\"text\"}],\"c\":\"\\u00e9\",\"d\":1.5}";
    bool parsedOnce = false;
    for (int budget = 0; budget < 40; ++budget) {
        FailingAllocator::budget = budget;
        FailingAllocator::held = 0;
        JsonNode* root = JsonParse(text);
        if (root == nullptr) {
            EXPECT_EQ(JsonGetErrorPtr(), nullptr) << budget;  // no syntax error to report
        } else {
            parsedOnce = true;
            char* printed = JsonPrint(root);
            JsonFreeText(printed);
            const char* texts[] = {"x", "y", "z"};
            JsonAddItemToObject(root, "e", JsonCreateStringArray(texts, 3));
            JsonAddItemToObject(root, "f", JsonCreateString("value"));
            JsonDelete(root);
        }
        EXPECT_EQ(FailingAllocator::held, 0) << budget;
    }
    JsonInitHooks(nullptr);
    EXPECT_TRUE(parsedOnce);
}

}  // namespace
