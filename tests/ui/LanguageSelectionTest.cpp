// Language choice, the debug override, lookups and the published texts.
#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/MachineFixture.h"
#include "ui/lang/Language.h"
#include "util/Log.h"

namespace {

std::vector<std::string> g_logLines;
int CollectLogLine(const char* text) {
    g_logLines.emplace_back(text);
    return 0;
}

// The text of `id` that loading `table` leaves (later rows win).
std::wstring TableText(const LangTable& table, int id) {
    std::wstring text;
    for (int index = 0; index < table.count; ++index)
        if (table.rows[index].id == id) text = table.rows[index].text;
    return text;
}

class LanguageTest : public testsupport::MachineTest {
protected:
    void SetUp() override {
        ResetLanguageForTests();
        g_logLines.clear();
        GetLog()->SetCallback(&CollectLogLine);
    }
    void TearDown() override {
        GetLog()->SetCallback(nullptr);
        ResetLanguageForTests();
    }

    void WriteDebugConfig(const std::string& body) {
        WriteHostFile(Host(machine.machine().DocumentsFolder() + L"\\QovDebugConfig.ini"), body);
    }
};

struct ChoiceCase {
    LANGID id;
    const LangTable* table;
    const char* code;
    const char* name;
    const char* logLine;
    int layout1;  // GetLangLayoutValue(1) of the chosen row
};

TEST_F(LanguageTest, LanguageIdChoosesTableCodeNameLogLineAndLayout) {
    const ChoiceCase cases[] = {
        {0x0409, &g_langEnglish, "ENU", "English", "Language is EN, id = 1033", 165},
        {0x0809, &g_langEnglish, "ENU", "English", "Language is EN, id = 2057", 165},
        {0x0403, &g_langSpanish, "ESP", "Spanish", "Language is CATALA(XiBanYa), id = 1027", 280},
        {0x0804, &g_langChineseSimplified, "CHS", "Chinese(Simplified)", "Language is CHS(JianTi), id = 2052", 95},
        {0x0404, &g_langChineseTraditional, "CHT", "Chinese(Traditional)", "Language is ZH(FanTi), id = 1028", 95},
        {0x0C04, &g_langChineseTraditional, "CHT", "Chinese(Traditional)", "Language is ZH(FanTi), id = 3076", 95},
        {0x1004, &g_langChineseTraditional, "CHT", "Chinese(Traditional)", "Language is ZH(FanTi), id = 4100", 95},
        {0x1404, &g_langChineseTraditional, "CHT", "Chinese(Traditional)", "Language is ZH(FanTi), id = 5124", 95},
        {0x0405, &g_langCzech, "CSY", "Czech", "Language is CZ(JieKe), id = 1029", 270},
        {0x0407, &g_langGerman, "GER", "German", "Language is DE(DeGuo), id = 1031", 190},
        {0x0C0A, &g_langSpanish, "ESP", "Spanish", "Language is SPANISH(XiBanYa), id = 3082", 280},
        {0x080A, &g_langSpanish, "ESP", "Spanish", "Language is SPANISH(XiBanYa), id = 2058", 280},
        {0x040C, &g_langFrench, "FRA", "French", "Language is FR(FaGuo), id = 1036", 220},
        {0x040E, &g_langHungarian, "HUN", "Hungarian", "Language is HU(XiongYaLi), id = 1038", 220},
        {0x0410, &g_langItalian, "ITA", "Italian", "Language is IT(YiDaLi), id = 1040", 270},
        {0x0411, &g_langJapanese, "JPN", "Japanese", "Language is JP(RiBen), id = 1041", 165},
        {0x0413, &g_langDutch, "NLD", "Dutch", "Language is NL(HeLan), id = 1043", 260},
        {0x0414, &g_langNorwegian, "NOR", "Norwegian", "Language is NO(NuoWei), id = 1044", 130},
        {0x0814, &g_langNorwegian, "NOR", "Norwegian", "Language is NO(NuoWei), id = 2068", 130},
        {0x0415, &g_langPolish, "POL", "Polish", "Language is PL(BoLan), id = 1045", 260},
        {0x0416, &g_langPortuguese, "BRA", "Portuguese", "Language is PT(PuTaoYa), id = 1046", 230},
        {0x0816, &g_langPortuguese, "BRA", "Portuguese", "Language is PT(PuTaoYa), id = 2070", 230},
        {0x0419, &g_langRussian, "RUS", "Russian", "Language is RU(ErLuoSi), id = 1049", 360},
        {0x041D, &g_langSwedish, "SVE", "Swedish", "Language is SVE(RuiDian), id = 1053", 160},
        {0x0412, &g_langEnglish, "ENU", "English", "Language is EN, id = 1042", 165},  // Korean
        {0x041F, &g_langEnglish, "ENU", "English", "Language is EN, id = 1055", 165},  // Turkish
    };
    for (const ChoiceCase& tc : cases) {
        SCOPED_TRACE(tc.logLine);
        ResetLanguageForTests();
        g_logLines.clear();
        EXPECT_EQ(InitLanguage(nullptr, tc.id), 1);
        EXPECT_EQ(GetLanguageCode(), tc.code);
        EXPECT_EQ(GetLanguageName(), tc.name);
        ASSERT_EQ(g_logLines.size(), 1u);
        EXPECT_EQ(g_logLines[0], tc.logLine);
        EXPECT_EQ(GetLangLayoutValue(1), tc.layout1);
        EXPECT_EQ(GetLangLayoutValue(5), 180);
        // Ids 12 and 24 carry no placeholder in any table.
        EXPECT_EQ(GetLangText(12), TableText(*tc.table, 12));
        EXPECT_EQ(GetLangText(24), TableText(*tc.table, 24));
    }
}

TEST_F(LanguageTest, ZeroTakesTheUsersLanguagePortugueseShowsItsLaterRowsAndKeptEnglish) {
    machine.profile().userLanguage = 0x0816;
    InitLanguage(nullptr, 0);
    EXPECT_EQ(GetLanguageCode(), "BRA");
    EXPECT_EQ(std::wstring(GetLangText(43)),
              L"É necessário reiniciar o computador para instalar a nova versão. Deseja continuar?");
    EXPECT_EQ(std::wstring(GetLangText(44)), L"Reiniciar agora");
    EXPECT_EQ(std::wstring(GetLangText(22)), L"Abort");
    EXPECT_EQ(std::wstring(GetLangText(91)), L"Would you like to continue to install Demo now?");
}

TEST_F(LanguageTest, DebugConfigOverridesTheLanguage) {
    struct OverrideCase {
        const char* file;  // null: no file
        LANGID system;
        const char* code;
    };
    const OverrideCase cases[] = {
        {"[root]\r\nsetup_test_language=1031\r\n", 0x0411, "GER"},
        {"[root]\r\nsetup_test_language=1031\r\n", 0x0409, "GER"},
        {"[ROOT]\r\nSetup_Test_Language=2052\r\n", 0x0409, "CHS"},
        {"[root]\r\nsetup_test_language=66567\r\n", 0x0411, "GER"},  // 0x10407: low 16 bits
        {"[root]\r\nsetup_test_language=0\r\n", 0x0411, "JPN"},
        {"[root]\r\nsetup_test_mode=1\r\n", 0x0411, "JPN"},
        {"[other]\r\nsetup_test_language=1031\r\n", 0x0411, "JPN"},
        {"setup_test_language=1031\r\n", 0x0419, "RUS"},
        {nullptr, 0x0419, "RUS"},
    };
    for (const OverrideCase& tc : cases) {
        SCOPED_TRACE(tc.file != nullptr ? tc.file : "(no file)");
        std::string path = Host(machine.machine().DocumentsFolder() + L"\\QovDebugConfig.ini");
        std::remove(path.c_str());
        if (tc.file != nullptr) WriteDebugConfig(tc.file);
        machine.profile().userLanguage = tc.system;
        ResetLanguageForTests();
        InitLanguage(nullptr, 0);
        EXPECT_EQ(GetLanguageCode(), tc.code);
        // The override also wins over an explicit language id.
        ResetLanguageForTests();
        InitLanguage(nullptr, tc.system);
        EXPECT_EQ(GetLanguageCode(), tc.code);
    }
}

TEST_F(LanguageTest, NorwegianFallsBackToEnglishForTheIdsItLacks) {
    InitLanguage(nullptr, 0x0414);
    const std::set<int> missing = {29, 30, 54, 57, 58, 59, 75, 76, 80};
    for (int id = 0; id < kLangTextCount; ++id) {
        std::wstring expected = missing.count(id) ? TableText(g_langEnglish, id) : TableText(g_langNorwegian, id);
        size_t at;
        while ((at = expected.find(L"__PRODUCT_NAME__")) != std::wstring::npos) expected.replace(at, 16, L"Demo");
        EXPECT_EQ(GetLangText(id), expected) << "id " << id;
    }
}

TEST_F(LanguageTest, UnknownOutsideTheTablesAndBeforeInit) {
    for (int id : {0, 45, 92, 93, -1}) {
        EXPECT_STREQ(GetLangText(id), L"UnKnow");
        EXPECT_STREQ(GetEnglishLangText(id), L"UnKnow");
    }
    EXPECT_EQ(GetLanguageName(), "");
    EXPECT_EQ(GetLanguageCode(), "");
    EXPECT_EQ(GetLangLayoutValue(0), 0);
    EXPECT_EQ(GetLangLayoutValue(5), 0);

    InitLanguage(nullptr, 0x0409);
    for (int id : {93, -1, 1000, INT_MIN, INT_MAX}) {
        EXPECT_STREQ(GetLangText(id), L"UnKnow") << id;
        EXPECT_STREQ(GetEnglishLangText(id), L"UnKnow") << id;
    }
    for (int index : {-1, 6, INT_MAX}) EXPECT_EQ(GetLangLayoutValue(index), 0) << index;
}

TEST_F(LanguageTest, ProductNameSubstitution) {
    InitLanguage(nullptr, 0x0409);
    EXPECT_STREQ(GetLangText(82), L"Thanks for using Demo.");
    EXPECT_EQ(GetLangProductName(), L"Demo");

    ResetLanguageForTests();
    InitLanguage(L"Tessarovinde", 0x0409);
    EXPECT_STREQ(GetLangText(9), L"Start Tessarovinde");
    // A later name does not replace the kept one.
    InitLanguage(L"Other", 0x0411);
    EXPECT_STREQ(GetLangText(9), L"Tessarovinde を起動");
    EXPECT_STREQ(GetEnglishLangText(9), L"Start Tessarovinde");
    // Texts that name a product directly keep that name.
    EXPECT_NE(std::wstring(GetLangText(36)).find(L"Kravon"), std::wstring::npos);

    // A name holding the placeholder itself is inserted once, not expanded again.
    ResetLanguageForTests();
    InitLanguage(L"A__PRODUCT_NAME__B", 0x0409);
    EXPECT_STREQ(GetLangText(9), L"Start A__PRODUCT_NAME__B");

    // The setter replaces the name and the published texts follow it.
    SetLangProductName(L"Vid");
    EXPECT_STREQ(GetLangText(82), L"Thanks for using Vid.");
    EXPECT_EQ(GetLangProductName(), L"Vid");
}

TEST_F(LanguageTest, LoadLangTableLaysRowsOverInOrder) {
    const LangTextEntry rows[] = {
        {0, L"first"},
        {200, L"__PRODUCT_NAME__ and __PRODUCT_NAME__"},
        {0, L"second"},
    };
    const LangTable table = {rows, 3};
    InitLanguage(nullptr, 0x0407);
    LoadLangTable(nullptr);
    EXPECT_STREQ(GetLangText(0), L"Installieren");
    LoadLangTable(&table);
    EXPECT_STREQ(GetLangText(0), L"second");
    EXPECT_STREQ(GetLangText(200), L"Demo and Demo");
    EXPECT_STREQ(GetLangText(12), L"Abbrechen");
    EXPECT_STREQ(GetEnglishLangText(0), L"Click to Install");
    EXPECT_EQ(GetLanguageCode(), "GER");
    EXPECT_EQ(GetLangLayoutValue(0), 105);
}

TEST_F(LanguageTest, SystemJapaneseIsAskedOfTheSystemNotTheTables) {
    machine.profile().userLanguage = 0x0411;
    InitLanguage(nullptr, 0x0409);
    EXPECT_TRUE(IsSystemLanguageJapanese());
    machine.profile().userLanguage = 0x0409;
    ResetLanguageForTests();
    InitLanguage(nullptr, 0x0411);
    EXPECT_FALSE(IsSystemLanguageJapanese());
}

TEST_F(LanguageTest, ReturnedTextsStayValidAndLookupsAreSafeFromManyThreads) {
    InitLanguage(nullptr, 0x0409);
    const wchar_t* before = GetLangText(82);
    EXPECT_EQ(GetLangText(82), before);  // the same storage on every lookup

    std::atomic<bool> stop{false};
    std::atomic<int> mismatches{0};
    std::vector<std::thread> readers;
    for (int reader = 0; reader < 4; ++reader) {
        readers.emplace_back([&] {
            std::vector<const wchar_t*> held;
            for (int round = 0; round < 200 && !stop.load(); ++round) {
                for (int id = 0; id < kLangTextCount; ++id) {
                    const wchar_t* text = GetLangText(id);
                    if (text == nullptr || text[0] == L'\0') mismatches.fetch_add(1);
                    held.push_back(text);
                }
                if (GetEnglishLangText(11)[0] != L'O') mismatches.fetch_add(1);
            }
            // Every pointer handed out is still readable after the writer ran.
            for (const wchar_t* text : held)
                if (std::wstring(text).empty()) mismatches.fetch_add(1);
        });
    }
    const LangTable german = g_langGerman;
    for (int round = 0; round < 20; ++round) {
        LoadLangTable(&german);
        InitLanguage(nullptr, round % 2 ? 0x0411 : 0x0419);
    }
    stop.store(true);
    for (std::thread& reader : readers) reader.join();
    EXPECT_EQ(mismatches.load(), 0);
    EXPECT_STREQ(before, L"Thanks for using Demo.");
}

}  // namespace
