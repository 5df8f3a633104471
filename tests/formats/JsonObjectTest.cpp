#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "formats/json/CJsonObject.h"

namespace {

TEST(JsonObject, BuildsARootOnFirstAdd) {
    CJsonObject object;
    EXPECT_TRUE(object.IsEmpty());
    EXPECT_EQ(object.ToString(), "");
    EXPECT_TRUE(object.Add("a", 1));
    EXPECT_FALSE(object.IsEmpty());
    EXPECT_EQ(object.ToString(), "{\"a\":1}");
    EXPECT_EQ(object.ToFormattedString(), "{\n\t\"a\":\t1\n}");

    CJsonObject array;
    EXPECT_TRUE(array.Add(std::string("x")));
    EXPECT_TRUE(array.AddAsFirst(2.5));
    EXPECT_TRUE(array.Add(true, true));
    EXPECT_TRUE(array.IsArray());
    EXPECT_EQ(array.ToString(), "[2.500000,\"x\",true]");
    EXPECT_EQ(array.GetArraySize(), 3);
}

TEST(JsonObject, ValueTypesBecomeTheirNodes) {
    CJsonObject object;
    object.Add("i32", std::int32_t{-1});
    object.Add("u32", std::uint32_t{4294967295u});
    object.Add("i64", std::int64_t{INT64_MIN});
    object.Add("u64", std::uint64_t{UINT64_MAX});
    object.Add("f", 0.5f);
    object.Add("d", 3.0);
    object.Add("b", false, false);
    object.Add("s", "text");  // a string member, not a boolean element
    object.Add("o", CJsonObject("{\"k\":[1]}"));
    EXPECT_EQ(object.ToString(),
              "{\"i32\":-1,\"u32\":4294967295,\"i64\":-9223372036854775808,\"u64\":18446744073709551615,"
              "\"f\":0.500000,\"d\":3,\"b\":false,\"s\":\"text\",\"o\":{\"k\":[1]}}");
    std::uint32_t u32 = 0;
    EXPECT_TRUE(object.Get("i32", u32));
    EXPECT_EQ(u32, 4294967295u);
    EXPECT_TRUE(object.Get("u32", u32));
    EXPECT_EQ(u32, 4294967295u);
    std::int64_t i64 = 0;
    EXPECT_TRUE(object.Get("i64", i64));
    EXPECT_EQ(i64, INT64_MIN);
}

TEST(JsonObject, GetAcceptsOnlyTheExactKind) {
    CJsonObject object(
        "{\"int\":5,\"double\":5.0,\"half\":2.5,\"text\":\"5\",\"yes\":true,\"none\":null,"
        "\"list\":[1],\"big\":9007199254740993}");
    ASSERT_FALSE(object.IsEmpty());
    struct Row {
        const char* key;
        bool asInt, asInt64, asDouble, asFloat, asBool, asString;
    } rows[] = {
        {"int", true, true, false, false, false, false},    {"double", false, false, true, true, false, false},
        {"half", false, false, true, true, false, false},   {"text", false, false, false, false, false, true},
        {"yes", false, false, false, false, true, false},   {"none", false, false, false, false, false, false},
        {"list", false, false, false, false, false, false}, {"missing", false, false, false, false, false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.key);
        std::int32_t i = -7;
        std::int64_t l = -7;
        double d = -7;
        float f = -7;
        bool b = false;
        std::string s = "untouched";
        EXPECT_EQ(object.Get(row.key, i), row.asInt);
        EXPECT_EQ(object.Get(row.key, l), row.asInt64);
        EXPECT_EQ(object.Get(row.key, d), row.asDouble);
        EXPECT_EQ(object.Get(row.key, f), row.asFloat);
        EXPECT_EQ(object.Get(row.key, b), row.asBool);
        EXPECT_EQ(object.Get(row.key, s), row.asString);
        if (!row.asInt) {
            EXPECT_EQ(i, -7);  // a refused read leaves the value alone
        }
        if (!row.asString) {
            EXPECT_EQ(s, "untouched");
        }
    }
    double five = 0;
    EXPECT_TRUE(object.Get("double", five));
    EXPECT_EQ(five, 5.0);
    std::uint64_t big = 0;
    EXPECT_TRUE(object.Get("big", big));
    EXPECT_EQ(big, 9007199254740993ull);
}

TEST(JsonObject, ValueTextOfEachKind) {
    CJsonObject object(
        "{\"half\":2.5,\"large\":1e10,\"tiny\":1e-7,\"neg\":-1,\"wide\":4294967296,"
        "\"wideneg\":-3000000000,\"yes\":true,\"no\":false,\"s\":\"str\",\"n\":null,\"o\":{}}");
    struct Case {
        const char* key;
        const char* text;
    } cases[] = {
        {"half", "2.500000"},
        {"large", "1.000000e+10"},
        {"tiny", "1.000000e-07"},
        {"neg", "-1"},
        {"wide", "4294967296"},
        {"wideneg", "-3000000000"},
        {"yes", "true"},
        {"no", "false"},
        {"s", "str"},
        {"n", ""},
        {"o", ""},
        {"missing", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(object(c.key), c.text) << c.key;
    CJsonObject array("[7,\"x\"]");
    EXPECT_EQ(array(1), "x");
    EXPECT_EQ(array(-1), "7");
    EXPECT_EQ(array("key"), "");
}

TEST(JsonObject, KeyLookupsIgnoreCaseButViewsAreCachedByExactKey) {
    CJsonObject object("{\"id\":42,\"Id\":43}");
    std::int32_t id = 0;
    EXPECT_TRUE(object.Get("ID", id));
    EXPECT_EQ(id, 42);  // the first member of that key
    CJsonObject& upper = object["ID"];
    CJsonObject& lower = object["id"];
    EXPECT_NE(&upper, &lower);
    EXPECT_EQ(upper.ToString(), "42");
    EXPECT_EQ(lower.ToString(), "42");
    EXPECT_EQ(&object["ID"], &upper);
    EXPECT_TRUE(object["missing"].IsEmpty());
}

TEST(JsonObject, DuplicateKeysAreKeptAndTheFirstWins) {
    CJsonObject object;
    EXPECT_TRUE(object.Add("k", 1));
    EXPECT_TRUE(object.Add("k", 2));
    EXPECT_EQ(object.ToString(), "{\"k\":1,\"k\":2}");
    std::int32_t value = 0;
    EXPECT_TRUE(object.Get("k", value));
    EXPECT_EQ(value, 1);
    EXPECT_TRUE(object.Delete("K"));
    EXPECT_EQ(object.ToString(), "{\"k\":2}");
}

TEST(JsonObject, ParseFailureLeavesAnEmptyObjectAndTheErrorText) {
    CJsonObject object("{\"a\":1}");
    EXPECT_FALSE(object.Parse("{\"a\":1,\"b\" 2}"));
    EXPECT_TRUE(object.IsEmpty());
    EXPECT_EQ(object.GetLastErrorText(), "prase json string error at 2}");
    EXPECT_TRUE(object.Parse("[1]"));
    EXPECT_EQ(object.GetLastErrorText(), "prase json string error at 2}");  // success does not reset it
}

TEST(JsonObject, FailuresNameWhatWentWrong) {
    CJsonObject empty;
    CJsonObject array("[1,2]");
    CJsonObject object("{\"a\":1}");
    struct Case {
        const char* name;
        bool (*operation)(CJsonObject&, CJsonObject&, CJsonObject&);
        int target;  // 0 empty, 1 array, 2 object
        const char* error;
    } cases[] = {
        {"replace key on empty", [](CJsonObject& e, CJsonObject&, CJsonObject&) { return e.Replace("a", 1); }, 0,
         "json data is null!"},
        {"delete index on empty", [](CJsonObject& e, CJsonObject&, CJsonObject&) { return e.Delete(0); }, 0,
         "json data is null!"},
        {"replace index on empty", [](CJsonObject& e, CJsonObject&, CJsonObject&) { return e.Replace(0, 1); }, 0,
         "json data is null!"},
        {"key add on array", [](CJsonObject&, CJsonObject& a, CJsonObject&) { return a.Add("k", 1); }, 1,
         "not a json object! json array?"},
        {"sub object on array", [](CJsonObject&, CJsonObject& a, CJsonObject&) { return a.AddEmptySubObject("k"); }, 1,
         "not a json object! json array?"},
        {"element add on object", [](CJsonObject&, CJsonObject&, CJsonObject& o) { return o.Add(1); }, 2,
         "not a json array! json object?"},
        {"index delete on object", [](CJsonObject&, CJsonObject&, CJsonObject& o) { return o.Delete(0); }, 2,
         "not a json array! json object?"},
        {"adding an empty object", [](CJsonObject&, CJsonObject&, CJsonObject& o) { return o.Add("e", CJsonObject()); },
         2, "prase json string error at "},
    };
    for (const Case& c : cases) {
        CJsonObject* targets[] = {&empty, &array, &object};
        EXPECT_FALSE(c.operation(empty, array, object)) << c.name;
        EXPECT_EQ(targets[c.target]->GetLastErrorText(), c.error) << c.name;
    }
    EXPECT_TRUE(empty.IsEmpty());
    EXPECT_EQ(array.ToString(), "[1,2]");
    EXPECT_EQ(object.ToString(), "{\"a\":1}");
}

TEST(JsonObject, ReplaceAndDeleteOfMembers) {
    CJsonObject object("{\"a\":1,\"b\":2}");
    EXPECT_FALSE(object.Replace("missing", 5));
    EXPECT_EQ(object.ToString(), "{\"a\":1,\"b\":2}");
    EXPECT_TRUE(object.Delete("missing"));
    EXPECT_TRUE(object.Replace("A", std::string("one")));
    EXPECT_EQ(object.ToString(), "{\"A\":\"one\",\"b\":2}");
    EXPECT_TRUE(object.AddEmptySubArray("list"));
    EXPECT_TRUE(object["list"].Add(1));
    EXPECT_TRUE(object["list"].Add(2));
    EXPECT_TRUE(object.AddEmptySubObject("sub"));
    EXPECT_TRUE(object["sub"].Add("x", true, true));
    EXPECT_EQ(object.ToString(), "{\"A\":\"one\",\"b\":2,\"list\":[1,2],\"sub\":{\"x\":true}}");
}

TEST(JsonObject, ArrayElementsByIndex) {
    CJsonObject array("[10,20,30]");
    std::int32_t value = 0;
    EXPECT_TRUE(array.Get(-1, value));
    EXPECT_EQ(value, 10);
    EXPECT_FALSE(array.Get(3, value));
    EXPECT_TRUE(array.Replace(1, std::string("twenty")));
    EXPECT_FALSE(array.Replace(7, 1));
    EXPECT_TRUE(array.Delete(0));
    EXPECT_TRUE(array.AddAsFirst(std::uint64_t{5}));
    EXPECT_EQ(array.ToString(), "[5,\"twenty\",30]");
    CJsonObject object("{\"a\":[1]}");
    EXPECT_EQ(object.GetArraySize(), 0);
    EXPECT_EQ(object["a"].GetArraySize(), 1);
    CJsonObject element;
    EXPECT_TRUE(array.Get(1, element));
    EXPECT_EQ(element.ToString(), "\"twenty\"");
}

TEST(JsonObject, ViewsEditTheOwnersTree) {
    CJsonObject object("{\"app\":{\"n\":1}}");
    EXPECT_TRUE(object["app"].Add("m", 2));
    EXPECT_TRUE(object["app"].Replace("n", std::int64_t{-3}));
    EXPECT_EQ(object.ToString(), "{\"app\":{\"n\":-3,\"m\":2}}");
    // A view made for a missing member builds a tree of its own.
    EXPECT_TRUE(object["other"].Add("x", 1));
    EXPECT_EQ(object["other"].ToString(), "{\"x\":1}");
    EXPECT_EQ(object.ToString(), "{\"app\":{\"n\":-3,\"m\":2}}");
}

TEST(JsonObject, StaleViewsNeverReadFreedMemory) {
    CJsonObject object("{\"a\":{\"b\":{\"c\":1}},\"list\":[{\"x\":1},{\"y\":2}]}");
    CJsonObject& a = object["a"];
    CJsonObject& c = object["a"]["b"];
    CJsonObject& upper = object["A"];
    CJsonObject& first = object["list"][0];
    CJsonObject& second = object["list"][1];
    ASSERT_EQ(c.ToString(), "{\"c\":1}");

    EXPECT_TRUE(object.Replace("a", 2));
    // The old views are still alive but stand for nothing now.
    EXPECT_TRUE(a.IsEmpty());
    EXPECT_TRUE(c.IsEmpty());
    EXPECT_TRUE(upper.IsEmpty());
    EXPECT_EQ(a.ToString(), "");
    EXPECT_EQ(c("c"), "");
    // The next access with the key gives a new view of the new member.
    EXPECT_NE(&object["a"], &a);
    EXPECT_EQ(object["a"].ToString(), "2");
    EXPECT_EQ(object["A"].ToString(), "2");

    EXPECT_TRUE(object["list"].Delete(0));
    EXPECT_TRUE(first.IsEmpty());
    EXPECT_EQ(second.ToString(), "{\"y\":2}");  // its node lives on, only its index moved
    EXPECT_EQ(object["list"][0].ToString(), "{\"y\":2}");

    // An edit through one view removes a node that another view also shows.
    CJsonObject doc("{\"k\":{\"inner\":{\"v\":1}}}");
    CJsonObject& deep = doc["K"]["inner"];
    EXPECT_TRUE(doc["k"].Delete("INNER"));
    EXPECT_TRUE(deep.IsEmpty());
    EXPECT_EQ(doc.ToString(), "{\"k\":{}}");
}

TEST(JsonObject, EmptyViewsDoNotHideMembersAddedLater) {
    CJsonObject object;
    object.Add("x", 0);
    EXPECT_TRUE(object["key"].IsEmpty());
    EXPECT_TRUE(object["list"][2].IsEmpty());
    EXPECT_TRUE(object.Add("KEY", 5));
    EXPECT_EQ(object["key"].ToString(), "5");
    EXPECT_TRUE(object.AddEmptySubArray("list"));
    EXPECT_EQ(object["list"].GetArraySize(), 0);
    object["list"].Add(1);
    object["list"].Add(2);
    EXPECT_TRUE(object["list"][1].ToString() == "2");
    object["list"].AddAsFirst(0);
    EXPECT_EQ(object["list"][1].ToString(), "1");
}

TEST(JsonObject, CopiesAreIndependentAndPassThroughText) {
    CJsonObject source("{\"d\":0.1234567,\"tiny\":1e-7,\"big\":9007199254740993,\"keep\":1.25}");
    CJsonObject copy(source);
    CJsonObject assigned;
    assigned = source["big"];
    CJsonObject fromPointer(&source);
    CJsonObject fromNull(static_cast<const CJsonObject*>(nullptr));
    EXPECT_EQ(copy.ToString(), "{\"d\":0.123457,\"tiny\":0,\"big\":9007199254740993,\"keep\":1.250000}");
    EXPECT_TRUE(copy == fromPointer);
    EXPECT_TRUE(fromNull.IsEmpty());
    std::uint64_t big = 0;
    EXPECT_TRUE(assigned.Parse(assigned.ToString()));
    EXPECT_EQ(assigned.ToString(), "9007199254740993");
    EXPECT_TRUE(copy.Get("big", big));
    EXPECT_EQ(big, 9007199254740993ull);
    copy.Replace("keep", 2);
    EXPECT_EQ(source("keep"), "1.250000");
    // Assigning a view of itself keeps the text taken before the clear.
    CJsonObject self("{\"inner\":{\"v\":[1,2]}}");
    self = self["inner"];
    EXPECT_EQ(self.ToString(), "{\"v\":[1,2]}");
    CJsonObject formatted;
    EXPECT_TRUE(self.Get("v", formatted));
    EXPECT_EQ(formatted.ToString(), "[1,2]");
}

}  // namespace
