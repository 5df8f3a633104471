// Reading the manifest: every error code, the limits, the already-downloaded
// short cut and the manifest fetched by URL.
#include <fstream>

#include "tests/download/EngineScenario.h"

namespace downloadtest {
namespace {

using ManifestScenario = EngineScenario;

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    size_t at = text.find(from);
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

// A 3-block package listed on three mirrors that are never reached.
std::string BaseManifest() {
    rig::PackageDigests digests;
    digests.whole = "0123456789ABCDEF0123456789ABCDEF";
    digests.blocks = {"11111111111111111111111111111111", "22222222222222222222222222222222",
                      "33333333333333333333333333333333"};
    return rig::GenerateManifest(2 * 1048576 + 5, digests,
                                 {"http://127.0.0.1:9/download/p.exe", "http://127.0.0.1:9/download/q.exe",
                                  "http://127.0.0.1:9/download/r.exe"});
}

struct ManifestErrorCase {
    const char* name;
    std::string from;  // text of the base manifest to replace
    std::string to;
    int errorCode;
};

class ManifestError : public EngineScenario, public ::testing::WithParamInterface<ManifestErrorCase> {};

TEST_P(ManifestError, EndsInStateFourWithItsCode) {
    const ManifestErrorCase& c = GetParam();
    std::string text = c.from.empty() ? c.to : Replace(BaseManifest(), c.from, c.to);
    ASSERT_TRUE(c.from.empty() || text != BaseManifest()) << "the case changes nothing";
    StartEngine(text, FastTuning());
    ASSERT_TRUE(WaitForEnd(10));
    EXPECT_EQ(c.errorCode, engine->GetErrorCode());
    EXPECT_EQ(GetDownloadErrorName(c.errorCode), engine->GetErrorName());
    EXPECT_EQ(DownloadState_Failed, engine->GetState());
    const FiredEvent ending = events.Ending();
    EXPECT_EQ(4, ending.event);
    EXPECT_EQ(0, ending.value);
    EXPECT_EQ(0u, ending.data);
    EXPECT_EQ(1, events.Count(DOWNLOAD_EVENT_FAILED));
}

const std::string kLongUrl = "http://127.0.0.1:9/download/" + std::string(1040, 'x');

INSTANTIATE_TEST_SUITE_P(
    Cases, ManifestError,
    ::testing::Values(
        ManifestErrorCase{"NotXml", "", "<download version=\"1\"", 4},
        ManifestErrorCase{"VersionTwo", "version=\"1\"", "version=\"2\"", 2},
        ManifestErrorCase{"VersionMissing", "version=\"1\"", "", 5},
        ManifestErrorCase{"VersionNotANumber", "version=\"1\"", "version=\"1a\"", 5},
        ManifestErrorCase{"SizeMissing", "size=\"2097157\"", "", 6},
        ManifestErrorCase{"SizeNegative", "size=\"2097157\"", "size=\"-5\"", 6},
        ManifestErrorCase{"SizeZero", "size=\"2097157\"", "size=\"0\"", 6},
        ManifestErrorCase{"SizeBeyond32Bits", "size=\"2097157\"", "size=\"4294967296\"", 6},
        ManifestErrorCase{"UrlSizeMissing", "<url size=\"3\">", "<url>", 7},
        ManifestErrorCase{"UrlItemMissing", "<item_1 value=\"http://127.0.0.1:9/download/q.exe\"/>", "", 8},
        ManifestErrorCase{"UrlTooLong", "http://127.0.0.1:9/download/q.exe", kLongUrl, 8},
        ManifestErrorCase{"HashSizeMissing", "<hash size=\"4\">", "<hash>", 9},
        ManifestErrorCase{"HashListShort", "<hash size=\"4\">", "<hash size=\"3\">", 9},
        ManifestErrorCase{"HashListLong", "<hash size=\"4\">", "<hash size=\"5\">", 9},
        ManifestErrorCase{"HashItemMissing", "<item_2 value=\"22222222222222222222222222222222\"/>", "", 10},
        ManifestErrorCase{"HashNotHex", "22222222222222222222222222222222", "2222222222222222222222222222222G", 10},
        ManifestErrorCase{"HashTooShort", "22222222222222222222222222222222", "2222222222222222222222222222222", 10}),
    [](const ::testing::TestParamInfo<ManifestErrorCase>& info) { return std::string(info.param.name); });

TEST_F(ManifestScenario, OnlyTheFirstFifteenMirrorsAreRead) {
    StartMirrors(100000, {{}, {}});
    std::vector<std::string> urls;
    for (int i = 0; i < 20; ++i) urls.push_back(server->Url(i % 2));
    StartEngine(Manifest(urls), FastTuning());
    ASSERT_TRUE(WaitForEnd());
    ExpectGoodFile();
    EXPECT_EQ(15u, engine->GetAllUrlInfo().size());
}

struct ShortCutCase {
    const char* name;
    bool lowerCase;
};

class AlreadyDownloaded : public EngineScenario, public ::testing::WithParamInterface<ShortCutCase> {};

TEST_P(AlreadyDownloaded, CompleteTargetIsNotFetchedAgain) {
    StartMirrors(1 * MiB + 7, {{}});
    {
        std::vector<unsigned char> bytes(static_cast<size_t>(server->Package().size));
        server->Package().Fill(0, bytes.data(), bytes.size());
        std::ofstream out(TargetHost(), std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    rig::ManifestOptions options;
    options.lowerCase = GetParam().lowerCase;
    StartEngine(Manifest(Urls(), options), FastTuning());
    ASSERT_TRUE(WaitForEnd());
    EXPECT_EQ(DownloadState_Finished, engine->GetState());
    EXPECT_EQ(NoNeedDownload, engine->GetErrorCode());
    EXPECT_EQ("NoNeedDownload", engine->GetErrorName());
    const FiredEvent ending = events.Ending();
    EXPECT_EQ(5, ending.event);
    EXPECT_EQ(0, ending.value);
    EXPECT_EQ(1u, ending.data);
    EXPECT_TRUE(server->Requests(0).empty());
    EXPECT_EQ(digests.whole, rig::DigestHostFile(TargetHost()));
}

INSTANTIATE_TEST_SUITE_P(Cases, AlreadyDownloaded,
                         ::testing::Values(ShortCutCase{"UpperCaseDigests", false},
                                           ShortCutCase{"LowerCaseDigests", true}),
                         [](const ::testing::TestParamInfo<ShortCutCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(ManifestScenario, DifferentExistingTargetIsReplaced) {
    StartMirrors(MiB / 2, {{}});
    {
        std::ofstream out(TargetHost(), std::ios::binary);
        out << std::string(MiB, 'z');  // longer than the package
    }
    StartEngine(Manifest(Urls()), FastTuning());
    ASSERT_TRUE(WaitForEnd());
    ExpectGoodFile();
    std::ifstream in(TargetHost(), std::ios::binary | std::ios::ate);
    EXPECT_EQ(static_cast<std::streamoff>(MiB / 2), static_cast<std::streamoff>(in.tellg()));
}

TEST_F(ManifestScenario, ManifestFetchedByUrlDrivesTheDownload) {
    StartMirrors(MiB + 3, {{}, {}});
    // The mirrors serve the manifest themselves.
    server->AddFile("/manifest.xml", Manifest(Urls()));
    engine = std::make_unique<DownloaderCurl>();
    engine->SetTuning(FastTuning());
    ASSERT_EQ(S_OK, engine->SetEventCallback(events.Callback()));
    ASSERT_EQ(S_OK, engine->StartFromUrl("http://" + server->Host(0) + "/manifest.xml", Target()));
    ASSERT_TRUE(WaitForEnd());
    ExpectGoodFile();
}

TEST_F(ManifestScenario, ManifestUrlThatNeverAnswersIsErrorThree) {
    engine = std::make_unique<DownloaderCurl>();
    engine->SetTuning(FastTuning());
    ASSERT_EQ(S_OK, engine->SetEventCallback(events.Callback()));
    ASSERT_EQ(S_OK, engine->StartFromUrl("http://127.0.0.1:1/manifest.xml", Target()));
    ASSERT_TRUE(events.WaitForEnd(std::chrono::seconds(10)));
    EXPECT_EQ(ConfigDownloadError, engine->GetErrorCode());
    EXPECT_EQ(DownloadState_Failed, engine->GetState());
    EXPECT_EQ(4, events.Ending().event);
}

TEST(DownloadNames, ErrorAndStatusNames) {
    const struct {
        int code;
        const char* name;
    } errors[] = {{0, "NoError"},
                  {1, "NoNeedDownload"},
                  {11, "DownloadCheckUrlError"},
                  {16, "DispatchFailError"},
                  {19, "RepairFailError"},
                  {21, "CheckHashError"},
                  {22, "22"},
                  {-1, "-1"}};
    for (const auto& e : errors) EXPECT_EQ(e.name, GetDownloadErrorName(e.code)) << e.code;
    EXPECT_STREQ("E_Status_Runing", GetDownloadItemStatusName(E_Status_Runing));
    EXPECT_STREQ("E_Status_StopByFail", GetDownloadItemStatusName(E_Status_StopByFail));
    DownloaderCurl engine;
    EXPECT_EQ(E_POINTER, engine.SetEventCallback(EventCallback()));
    EXPECT_EQ(DownloadState_Idle, engine.GetState());
    EXPECT_FALSE(engine.IsRunning());
}

}  // namespace
}  // namespace downloadtest
