#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <boost/property_tree/xml_parser.hpp>
#include <sstream>

#include "formats/xml/XMLParse.h"
#include "tests/support/MachineFixture.h"
#include "util/Log.h"

namespace {

using testsupport::MachineTest;

const char kDocument[] =
    "<download version=\"1\" size=\"12345\" name=\"pkg/x.exe\" neg=\"-9999999\" un=\"999999\" bad=\"12ab\""
    " spaced=\" 42 \" minus=\"-1\" f=\"1.5\" fs=\"-99999.9\" s=\"{__see_it_is_read_string_failed_}\""
    " big=\"18446744073709551615\" empty=\"\">"
    "<url size=\"2\"><item_0 value=\"https://a.example/download/x\"/></url>"
    "</download>";

std::unique_ptr<XMLParse> Loaded(const std::string& text) {
    auto document = std::make_unique<XMLParse>();
    EXPECT_EQ(document->LoadFromString(text.data(), static_cast<std::int32_t>(text.size())), 1) << text;
    return document;
}

// The document as compact XML text (the writer's declaration dropped).
std::string Text(XMLParse& document) {
    std::ostringstream out;
    boost::property_tree::write_xml(out, *document.GetTree());
    std::string text = out.str();
    return text.substr(text.find("?>\n") + 3);
}

// Collects what the install log receives while a test runs.
struct LogCapture {
    static inline std::string text;
    static int Sink(const char* line) {
        text += line;
        return 0;
    }
    LogCapture() {
        text.clear();
        GetLog()->SetCallback(Sink);
    }
    ~LogCapture() { GetLog()->SetCallback(nullptr); }
};

TEST(XmlRead, SignedReadsUseTheirSentinel) {
    auto document = Loaded(kDocument);
    struct Case {
        const char* path;
        int result;
        std::int32_t value;
    } cases[] = {
        {"download.version", 1, 1},
        {"download.url.size", 1, 2},
        {"download.spaced", 1, 42},
        {"download.neg", 1, -9999999},  // a stored sentinel is still a value
        {"download.minus", 1, -1},
        {"download.missing", 0, -9999999},
        {"download.bad", 0, -9999999},
        {"download.f", 0, -9999999},
        {"download.empty", 0, -9999999},
        {"nothing.download.version", 0, -9999999},
        {"download.url.item_0", 0, -9999999},
        {"download", 0, 77},  // no attribute form: the value stays
    };
    for (const Case& c : cases) {
        std::int32_t value = 77;
        EXPECT_EQ(document->ReadXML(c.path, &value), c.result) << c.path;
        EXPECT_EQ(value, c.value) << c.path;
    }
}

TEST(XmlRead, UnsignedFloatAndStringReads) {
    LogCapture log;
    auto document = Loaded(kDocument);
    struct UnsignedCase {
        const char* path;
        int result;
        std::uint64_t value;
    } wide[] = {
        {"download.size", 1, 12345}, {"download.big", 1, UINT64_MAX},
        {"download.un", 1, 999999},  {"download.minus", 0, 999999},  // no wrap-around of negative texts
        {"download.bad", 0, 999999}, {"download.missing", 0, 999999},
    };
    for (const UnsignedCase& c : wide) {
        std::uint64_t value = 5;
        EXPECT_EQ(document->ReadXML(c.path, &value), c.result) << c.path;
        EXPECT_EQ(value, c.value) << c.path;
        std::uint32_t narrow = 5;
        bool fits = c.value <= UINT32_MAX;
        EXPECT_EQ(document->ReadXML(c.path, &narrow), fits ? c.result : 0) << c.path;
        EXPECT_EQ(narrow, fits ? c.value : 999999u) << c.path;
    }
    std::uint32_t untouched = 5;
    EXPECT_EQ(document->ReadXML("download", &untouched), 0);
    EXPECT_EQ(untouched, 5u);
    EXPECT_NE(log.text.find("XMLParse: error read unsigned int from download\n"), std::string::npos) << log.text;

    float f = 0;
    EXPECT_EQ(document->ReadXML("download.f", &f), 1);
    EXPECT_EQ(f, 1.5f);
    EXPECT_EQ(document->ReadXML("download.fs", &f), 1);
    EXPECT_EQ(f, -99999.9f);
    f = 0;
    EXPECT_EQ(document->ReadXML("download.missing", &f), 0);  // missing is a failure
    EXPECT_EQ(f, XML_READ_FAILED_FLOAT);

    struct StringCase {
        const char* path;
        int result;
        const char* value;
    } texts[] = {
        {"download.name", 1, "pkg/x.exe"},
        {"download.url.item_0.value", 1, "https://a.example/download/x"},
        {"download.s", 1, "{__see_it_is_read_string_failed_}"},
        {"download.empty", 1, ""},
        {"download.missing", 0, "keep"},
        {"download", 0, "keep"},
    };
    for (const StringCase& c : texts) {
        std::string value = "keep";
        EXPECT_EQ(document->ReadXML(c.path, &value), c.result) << c.path;
        EXPECT_EQ(value, c.value) << c.path;
    }
}

TEST(XmlWrite, TypedWritesCreateStepsAndRefusePathsWithoutDot) {
    LogCapture log;
    XMLParse document;
    EXPECT_EQ(document.WriteXML("a.b", std::string("x")), 1);
    EXPECT_EQ(document.WriteXML("a.c.d", std::int32_t{-4}), 1);
    EXPECT_EQ(document.WriteXML("a.u", std::uint32_t{4294967295u}), 1);
    EXPECT_EQ(document.WriteXML("a.w", std::uint64_t{UINT64_MAX}), 1);
    EXPECT_EQ(document.WriteXML("a.f", 0.25f), 1);
    EXPECT_EQ(document.WriteXML("a.b", std::string("y")), 1);  // the existing attribute takes it
    EXPECT_EQ(Text(document), "<a b=\"y\" u=\"4294967295\" w=\"18446744073709551615\" f=\"0.25\"><c d=\"-4\"/></a>");
    std::string before = Text(document);
    EXPECT_EQ(document.WriteXML("a", std::uint64_t{1}), 0);
    EXPECT_EQ(document.WriteXML("a", std::uint32_t{1}), 0);
    EXPECT_EQ(document.WriteXML("a", std::string("z")), 0);
    EXPECT_EQ(Text(document), before);
    EXPECT_NE(log.text.find("XMLParse: error WriteXML uint64_t to a\n"), std::string::npos);
    EXPECT_NE(log.text.find("XMLParse: error WriteXML int to a\n"), std::string::npos);
    std::uint64_t wide = 0;
    EXPECT_EQ(document.ReadXML("a.w", &wide), 1);
    EXPECT_EQ(wide, UINT64_MAX);
}

TEST(XmlWrite, SettersReplaceInPlaceOrAppend) {
    auto document = Loaded("<r><e a=\"1\">text</e><e a=\"2\"/></r>");
    EXPECT_EQ(document->SetXMLAttr("r.e.a", std::int32_t{9}), 1);
    EXPECT_EQ(document->SetXMLAttr("r.e.b", std::string("new")), 1);
    EXPECT_EQ(document->SetXMLAttr("r.x.c", std::uint64_t{7}), 1);
    EXPECT_EQ(document->SetXMLValue("r.e", std::string("changed")), 1);
    EXPECT_EQ(document->SetXMLValue("r.v", 1.5f), 1);
    EXPECT_EQ(document->SetXMLAttr("r", std::uint32_t{1}), 0);  // no attribute without '.'
    EXPECT_EQ(Text(*document), "<r><e a=\"9\" b=\"new\">changed</e><e a=\"2\"/><x c=\"7\"/><v>1.5</v></r>");
}

TEST(XmlList, WritesReplaceItemsAndKeepOtherChildren) {
    auto document = Loaded("<a><b n=\"1\"><item key=\"7\"/><other/><item key=\"8\"/><item key=\"9\"/></b></a>");
    std::vector<std::int32_t> values = {1, 2};
    EXPECT_EQ(document->WriteXMLList("a.b", &values), 1);
    EXPECT_EQ(Text(*document), "<a><b n=\"1\"><other/><item key=\"1\"/><item key=\"2\"/></b></a>");

    // The foreign child ends the read; what was read before it stays.
    std::vector<std::int32_t> read = {99};
    auto mixed = Loaded("<a><b><item key=\"4\"/><!-- note --><item key=\"5\"/><other/><item key=\"6\"/></b></a>");
    EXPECT_EQ(mixed->ReadXMLList("a.b", &read), 0);
    EXPECT_EQ(read, (std::vector<std::int32_t>{4, 5}));

    struct Case {
        const char* xml;
        int result;
        std::vector<std::int32_t> values;
    } cases[] = {
        {"<a><b a=\"x\"><item key=\" 3 \"/><item key=\"-1\"/></b></a>", 1, {3, -1}},
        {"<a><b/></a>", 1, {}},
        {"<a><b><item/></b></a>", 0, {}},
        {"<a><b><item key=\"1x\"/></b></a>", 0, {}},
        {"<a/>", 0, {}},
    };
    for (const Case& c : cases) {
        std::vector<std::int32_t> out = {42};
        EXPECT_EQ(Loaded(c.xml)->ReadXMLList("a.b", &out), c.result) << c.xml;
        EXPECT_EQ(out, c.values) << c.xml;
    }
}

TEST(XmlList, SettersCreateTheElementAndEveryTypeRoundTrips) {
    XMLParse document;
    std::vector<std::string> texts = {"x", "y z"};
    std::vector<float> floats = {0.5f, -2.25f};
    std::vector<std::int32_t> ints = {3, 5};
    EXPECT_EQ(document.WriteXMLList("c.texts", &texts), 1);  // missing: falls back to the setter
    EXPECT_EQ(document.SetXMLList("c.floats", &floats), 1);
    EXPECT_EQ(document.SetXMLList("c.ints", &ints), 1);
    EXPECT_EQ(document.WriteXMLList("c.none", &floats), 0);  // the other writes need the element
    EXPECT_EQ(Text(document),
              "<c><texts><item key=\"x\"/><item key=\"y z\"/></texts>"
              "<floats><item key=\"0.5\"/><item key=\"-2.25\"/></floats>"
              "<ints><item key=\"3\"/><item key=\"5\"/></ints></c>");
    std::vector<std::string> readTexts;
    std::vector<float> readFloats;
    std::vector<std::int32_t> readInts;
    EXPECT_EQ(document.ReadXMLList("c.texts", &readTexts), 1);
    EXPECT_EQ(document.ReadXMLList("c.floats", &readFloats), 1);
    EXPECT_EQ(document.ReadXMLList("c.ints", &readInts), 1);
    EXPECT_EQ(readTexts, texts);
    EXPECT_EQ(readFloats, floats);
    EXPECT_EQ(readInts, ints);
    // The string write and its setter end after one retry each.
    EXPECT_EQ(document.WriteXMLList("", &texts), 0);
    EXPECT_EQ(document.SetXMLList("", &texts), 0);
}

TEST(XmlRemove, TakesTheFirstMatchOnly) {
    const char* xml = "<a x=\"1\"><b i=\"1\"/><b i=\"2\"/></a><a x=\"2\"/>";
    struct Case {
        const char* path;
        int result;
        const char* after;
    } cases[] = {
        {"a.missing", 1, "<a x=\"1\"><b i=\"1\"/><b i=\"2\"/></a><a x=\"2\"/>"},
        {"a.b", 1, "<a x=\"1\"><b i=\"2\"/></a><a x=\"2\"/>"},
        {"a", 1, "<a x=\"2\"/>"},
        {"a..b.", 1, "<a x=\"1\"><b i=\"2\"/></a><a x=\"2\"/>"},
    };
    for (const Case& c : cases) {
        auto document = Loaded(xml);
        EXPECT_EQ(document->RemoveXMLNode(c.path), c.result) << c.path;
        EXPECT_EQ(Text(*document), c.after) << c.path;
    }
    auto document = Loaded(xml);
    EXPECT_EQ(document->RemoveXMLAttr("a.b.i"), 1);
    EXPECT_EQ(document->RemoveXMLAttr("a.x"), 1);
    EXPECT_EQ(document->RemoveXMLAttr("a"), 0);
    EXPECT_EQ(Text(*document), "<a><b/><b i=\"2\"/></a><a x=\"2\"/>");
}

TEST(XmlLoad, HonoursTheLengthAndKeepsTheOldTreeOnFailure) {
    XMLParse document;
    // A buffer without a terminating NUL, with more bytes after the length.
    std::string manifest = "<m v=\"3\"/>";
    std::vector<char> bytes(manifest.begin(), manifest.end());
    bytes.insert(bytes.end(), {'<', 'x'});
    ASSERT_EQ(document.LoadFromString(bytes.data(), static_cast<std::int32_t>(manifest.size())), 1);
    std::unique_ptr<char[]> exact(new char[manifest.size()]);
    std::copy(manifest.begin(), manifest.end(), exact.get());
    ASSERT_EQ(document.LoadFromString(exact.get(), static_cast<std::int32_t>(manifest.size())), 1);
    std::int32_t v = 0;
    EXPECT_EQ(document.ReadXML("m.v", &v), 1);
    EXPECT_EQ(v, 3);

    std::string deep;
    for (int i = 0; i < XML_MAX_DEPTH; ++i) deep += "<d x='>'><!-- <c> --><s/>";
    for (int i = 0; i < XML_MAX_DEPTH; ++i) deep += "</d>";
    EXPECT_EQ(Loaded(deep)->GetTree()->size(), 1u);
    std::string deeper = "<d>" + deep + "</d>";
    std::string hostile(3000000, 'a');
    for (std::size_t i = 0; i < hostile.size(); i += 3) hostile.replace(i, 3, "<a>");
    struct Case {
        const char* name;
        std::string text;
        std::int32_t length;
    } failures[] = {
        {"malformed", "<m v=\"1\"><n></m>", -2}, {"unclosed", "<m>", -2},  {"text after the length", "<m v=\"9\"/>", 4},
        {"negative length", "<m/>", -1},         {"too deep", deeper, -2}, {"very deep", hostile, -2},
    };
    for (const Case& c : failures) {
        std::int32_t length = c.length == -2 ? static_cast<std::int32_t>(c.text.size()) : c.length;
        EXPECT_EQ(document.LoadFromString(c.text.data(), length), 0) << c.name;
        EXPECT_EQ(Text(document), "<m v=\"3\"/>") << c.name;
    }
    EXPECT_EQ(document.LoadFromString(nullptr, 0), 0);
    EXPECT_EQ(document.IsLoaded(), 0);
}

TEST(XmlDocument, CloneAndFactory) {
    boost::shared_ptr<IXMLParse> document;
    ASSERT_EQ(CreateXMLParse(document), S_OK);
    ASSERT_TRUE(document);
    EXPECT_EQ(document->LoadFromString("<a b=\"1\"/>", 10), 1);
    std::unique_ptr<IXMLParse> copy(document->Clone());
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->WriteXML("a.b", std::int32_t{2}), 1);
    std::int32_t original = 0;
    EXPECT_EQ(document->ReadXML("a.b", &original), 1);
    EXPECT_EQ(original, 1);
    EXPECT_NE(copy->GetTree(), document->GetTree());
}

class XmlFileTest : public MachineTest {};

TEST_F(XmlFileTest, SaveWritesTheDeclarationAndTabsIntoNewFolders) {
    XMLParse document;
    ASSERT_EQ(document.WriteXML("root.child.leaf", std::string("v")), 1);
    ASSERT_EQ(document.SetXMLValue("root.text", std::string("a & b")), 1);
    const std::wstring path = L"C:\\Users\\User\\Documents\\New Folder\\deeper\\doc.xml";
    EXPECT_EQ(document.Save(), 0);  // no file path before a file load
    ASSERT_EQ(document.SaveToFile(path), 1);
    EXPECT_EQ(ReadHostFile(Host(path)),
              "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
              "<root>\n"
              "\t<child leaf=\"v\"/>\n"
              "\t<text>a &amp; b</text>\n"
              "</root>\n");
    EXPECT_FALSE(std::filesystem::exists(Host(path + L".tmp")));

    XMLParse reloaded;
    ASSERT_EQ(reloaded.LoadFromFile(path), 1);
    EXPECT_EQ(reloaded.IsLoaded(), 1);
    std::string leaf;
    EXPECT_EQ(reloaded.ReadXML("root.child.leaf", &leaf), 1);
    EXPECT_EQ(leaf, "v");
    EXPECT_EQ(reloaded.WriteXML("root.child.leaf", std::string("w")), 1);
    EXPECT_EQ(reloaded.Save(), 1);
    EXPECT_NE(ReadHostFile(Host(path)).find("leaf=\"w\""), std::string::npos);
}

TEST_F(XmlFileTest, FileFailuresAreReported) {
    XMLParse document;
    ASSERT_EQ(document.WriteXML("a.b", std::string("1")), 1);
    const std::wstring folder = L"C:\\Users\\User\\Documents\\taken";
    ASSERT_EQ(document.SaveToFile(folder + L"\\inner.xml"), 1);
    // The target is a folder: nothing is replaced and no temporary stays.
    EXPECT_EQ(document.SaveToFile(folder), 0);
    EXPECT_FALSE(std::filesystem::exists(Host(folder + L".tmp")));
    // A file stands where a folder is needed.
    EXPECT_EQ(document.SaveToFile(folder + L"\\inner.xml\\x.xml"), 0);
    EXPECT_EQ(document.LoadFromFile(L"C:\\Users\\User\\Documents\\absent.xml"), 0);
    WriteHostFile(Host(L"C:\\Users\\User\\Documents\\broken.xml"), "<a><b></a>");
    EXPECT_EQ(document.LoadFromFile(L"C:\\Users\\User\\Documents\\broken.xml"), 0);
    EXPECT_EQ(document.IsLoaded(), 0);
    std::string b;
    EXPECT_EQ(document.ReadXML("a.b", &b), 1);  // the old tree is still there
}

TEST(XmlTable, RoundTripsRowsWithTheirKeys) {
    auto document = Loaded("<cfg><rows/></cfg>");
    XMLColumnMap columns = {{0, "name"}, {1, "size"}, {2, "file.ext"}};
    XMLTable table = {
        {"b", {{0, "second"}, {1, "20"}}},
        {"a", {{0, "first"}, {1, "10"}, {2, "x.7z"}}},
    };
    ASSERT_EQ(document->WriteXMLTable("cfg.rows", columns, &table), S_OK);
    EXPECT_EQ(Text(*document),
              "<cfg><rows><item key=\"a\" name=\"first\" size=\"10\" file.ext=\"x.7z\"/>"
              "<item key=\"b\" name=\"second\" size=\"20\"/></rows></cfg>");
    XMLTable read;
    ASSERT_EQ(document->ReadXMLTable("cfg.rows", columns, &read, "-"), S_OK);
    XMLTable expected = {
        {"a", {{0, "first"}, {1, "10"}, {2, "x.7z"}}},
        {"b", {{0, "second"}, {1, "20"}, {2, "-"}}},
    };
    EXPECT_EQ(read, expected);

    XMLTable unnamed = {{"c", {{5, "lost"}}}};
    EXPECT_EQ(document->WriteXMLTable("cfg.rows", columns, &unnamed), E_FAIL);
    EXPECT_EQ(document->WriteXMLTable("cfg.none", columns, &table), E_FAIL);
    ASSERT_EQ(document->ReadXMLTable("cfg.rows", columns, &read, "-"), S_OK);
    EXPECT_EQ(read, expected);  // the refused writes changed nothing
}

TEST(XmlTable, ReadFillsGapsAndKeepsTheFirstRowOfAKey) {
    auto document = Loaded(
        "<t><item key=\"k\" c=\"1\"/><!-- c --><item key=\"k\" c=\"2\"/><item c=\"3\"/><row/><item key=\"z\"/></t>");
    XMLColumnMap columns = {{0, "c"}, {2, "d"}};
    XMLTable table = {{"old", {}}};
    ASSERT_EQ(document->ReadXMLTable("t", columns, &table, "?"), S_OK);
    XMLTable expected = {
        {"k", {{0, "1"}, {1, "?"}, {2, "?"}}},
        {"?", {{0, "3"}, {1, "?"}, {2, "?"}}},
        {"z", {{0, "?"}, {1, "?"}, {2, "?"}}},
    };
    EXPECT_EQ(table, expected);
    XMLTable untouched = {{"old", {}}};
    EXPECT_EQ(document->ReadXMLTable("t.none", columns, &untouched, "?"), E_FAIL);
    EXPECT_EQ(untouched.count("old"), 1u);
}

}  // namespace
