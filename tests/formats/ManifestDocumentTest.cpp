// A download manifest of real size (10 mirrors, 706 digests) read the way the
// download engine reads it.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "formats/xml/XMLParse.h"

namespace {

constexpr int kMirrors = 10;
constexpr int kDigests = 706;                          // the whole file, then 705 blocks of 1 MiB
constexpr std::int32_t kSize = 704 * 1048576 + 12345;  // 705 blocks, the last one short

std::string Mirror(int i) {
    return "https://mirror" + std::to_string(i) + ".example.com/download/product/1.0.7.2/setup_x64.exe";
}

// 32 upper-case hex digits, different for every item.
std::string Digest(int i) {
    std::uint64_t a = 0x9E3779B97F4A7C15ull * static_cast<std::uint64_t>(i + 1);
    std::uint64_t b = (a ^ (a >> 29)) * 0xBF58476D1CE4E5B9ull;
    char text[33];
    std::snprintf(text, sizeof text, "%016llX%016llX", static_cast<unsigned long long>(a),
                  static_cast<unsigned long long>(b));
    return text;
}

std::string ManifestText() {
    std::string text = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n";
    text += "<download version=\"1\" size=\"" + std::to_string(kSize) + "\" name=\"product/setup_x64.exe\">\r\n";
    text += "\t<url size=\"" + std::to_string(kMirrors) + "\">\r\n";
    for (int i = 0; i < kMirrors; ++i) {
        text += "\t\t<item_" + std::to_string(i) + " value=\"" + Mirror(i) + "\"/>\r\n";
    }
    text += "\t</url>\r\n\t<!-- whole file first, then every block -->\r\n";
    text += "\t<hash size=\"" + std::to_string(kDigests) + "\">\r\n";
    for (int i = 0; i < kDigests; ++i) {
        text += "\t\t<item_" + std::to_string(i) + " value=\"" + Digest(i) + "\"/>\r\n";
    }
    text += "\t</hash>\r\n</download>\r\n";
    return text;
}

TEST(ManifestDocument, ReadsEveryFieldOfARealSizedManifest) {
    std::string text = ManifestText();
    // The embedded resource carries no terminating NUL: hand over exactly its bytes.
    std::unique_ptr<char[]> resource(new char[text.size()]);
    std::copy(text.begin(), text.end(), resource.get());

    boost::shared_ptr<IXMLParse> document;
    ASSERT_EQ(CreateXMLParse(document), S_OK);
    ASSERT_EQ(document->LoadFromString(resource.get(), static_cast<std::int32_t>(text.size())), 1);

    std::int32_t version = 0, size = 0, urlCount = 0, hashCount = 0;
    ASSERT_EQ(document->ReadXML("download.version", &version), 1);
    ASSERT_EQ(document->ReadXML("download.size", &size), 1);
    ASSERT_EQ(document->ReadXML("download.url.size", &urlCount), 1);
    ASSERT_EQ(document->ReadXML("download.hash.size", &hashCount), 1);
    EXPECT_EQ(version, 1);
    EXPECT_EQ(size, kSize);
    EXPECT_EQ(urlCount, kMirrors);
    EXPECT_EQ(hashCount, kDigests);
    std::string name;
    EXPECT_EQ(document->ReadXML("download.name", &name), 1);
    EXPECT_EQ(name, "product/setup_x64.exe");

    char key[128];
    for (int i = 0; i < urlCount; ++i) {
        std::snprintf(key, sizeof key, "download.url.item_%d.value", i);
        std::string url;
        ASSERT_EQ(document->ReadXML(key, &url), 1) << key;
        EXPECT_EQ(url, Mirror(i)) << key;
    }
    std::vector<std::string> digests;
    for (int j = 0; j < hashCount; ++j) {
        std::snprintf(key, sizeof key, "download.hash.item_%d.value", j);
        std::string digest;
        ASSERT_EQ(document->ReadXML(key, &digest), 1) << key;
        EXPECT_EQ(digest, Digest(j)) << key;
        digests.push_back(digest);
    }
    EXPECT_EQ(digests.size(), 706u);
    EXPECT_EQ(digests.front().size(), 32u);
    // Items past the counts are absent.
    std::string beyond = "untouched";
    EXPECT_EQ(document->ReadXML("download.url.item_10.value", &beyond), 0);
    EXPECT_EQ(document->ReadXML("download.hash.item_706.value", &beyond), 0);
    EXPECT_EQ(beyond, "untouched");
}

TEST(ManifestDocument, DamagedManifestsFailWhereTheEngineLooks) {
    std::string text = ManifestText();
    struct Case {
        const char* name;
        std::string from;
        std::string to;
        const char* path;  // the read that must fail
        bool number;
    } cases[] = {
        {"version is not a number", "version=\"1\"", "version=\"1b\"", "download.version", true},
        {"size missing", " size=\"" + std::to_string(kSize) + "\"", "", "download.size", true},
        {"mirror missing", "<item_3 value=\"" + Mirror(3) + "\"/>", "", "download.url.item_3.value", false},
        {"hash count missing", "<hash size=\"706\">", "<hash>", "download.hash.size", true},
    };
    for (const Case& c : cases) {
        std::string damaged = text;
        damaged.replace(damaged.find(c.from), c.from.size(), c.to);
        XMLParse document;
        ASSERT_EQ(document.LoadFromString(damaged.data(), static_cast<std::int32_t>(damaged.size())), 1) << c.name;
        std::string text;
        std::int32_t number = 0;
        EXPECT_EQ(c.number ? document.ReadXML(c.path, &number) : document.ReadXML(c.path, &text), 0) << c.name;
    }
    // A manifest cut short does not load at all.
    XMLParse document;
    EXPECT_EQ(document.LoadFromString(text.data(), static_cast<std::int32_t>(text.size() / 2)), 0);
}

}  // namespace
