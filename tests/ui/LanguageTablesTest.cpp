// Structural checks over every language table and the layout table.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "ui/lang/LangTables.h"

namespace {

struct TableCase {
    const char* name;
    const LangTable* table;
    int rowCount;
    std::set<int> missingIds;
};

const std::set<int> kNorwegianMissing = {29, 30, 54, 57, 58, 59, 75, 76, 80};

const std::vector<TableCase>& AllTables() {
    static const std::vector<TableCase> tables = {
        {"English", &g_langEnglish, 93, {}},
        {"ChineseTraditional", &g_langChineseTraditional, 93, {}},
        {"ChineseSimplified", &g_langChineseSimplified, 93, {}},
        {"Japanese", &g_langJapanese, 93, {}},
        {"French", &g_langFrench, 93, {}},
        {"German", &g_langGerman, 93, {}},
        {"Russian", &g_langRussian, 93, {}},
        {"Czech", &g_langCzech, 93, {}},
        {"Spanish", &g_langSpanish, 93, {}},
        {"SpanishAlternative", &g_langSpanishAlternative, 93, {}},
        {"Hungarian", &g_langHungarian, 93, {}},
        {"Italian", &g_langItalian, 93, {}},
        {"Dutch", &g_langDutch, 93, {}},
        {"Norwegian", &g_langNorwegian, 84, kNorwegianMissing},
        {"Polish", &g_langPolish, 93, {}},
        {"Portuguese", &g_langPortuguese, 95, {}},
        {"Swedish", &g_langSwedish, 93, {}},
    };
    return tables;
}

// Texts by id with the later row winning, as loading does.
std::map<int, std::wstring> Loaded(const LangTable& table) {
    std::map<int, std::wstring> texts;
    for (int index = 0; index < table.count; ++index) texts[table.rows[index].id] = table.rows[index].text;
    return texts;
}

bool Contains(const std::wstring& text, const wchar_t* part) { return text.find(part) != std::wstring::npos; }

TEST(LanguageTables, RowCountsAndIdsPerTable) {
    for (const TableCase& tc : AllTables()) {
        SCOPED_TRACE(tc.name);
        EXPECT_EQ(tc.table->count, tc.rowCount);
        std::map<int, int> seen;
        for (int index = 0; index < tc.table->count; ++index) {
            const LangTextEntry& row = tc.table->rows[index];
            EXPECT_GE(row.id, 0);
            EXPECT_LT(row.id, kLangTextCount);
            ASSERT_NE(row.text, nullptr);
            EXPECT_NE(row.text[0], L'\0') << "id " << row.id;
            ++seen[row.id];
        }
        for (int id = 0; id < kLangTextCount; ++id) {
            int expected = tc.missingIds.count(id) ? 0 : 1;
            if (tc.table == &g_langPortuguese && (id == 43 || id == 44)) expected = 2;
            EXPECT_EQ(seen[id], expected) << "id " << id;
        }
    }
}

TEST(LanguageTables, PortugueseDuplicatesEndWithTheTranslation) {
    std::vector<std::wstring> first;
    for (int index = 0; index < g_langPortuguese.count; ++index) {
        const LangTextEntry& row = g_langPortuguese.rows[index];
        if (row.id == 43 || row.id == 44) first.push_back(row.text);
    }
    ASSERT_EQ(first.size(), 4u);
    std::map<int, std::wstring> english = Loaded(g_langEnglish);
    EXPECT_EQ(first[0], english[43]);
    EXPECT_EQ(first[1], english[44]);
    std::map<int, std::wstring> loaded = Loaded(g_langPortuguese);
    EXPECT_NE(loaded[43], english[43]);
    EXPECT_NE(loaded[44], english[44]);
}

TEST(LanguageTables, EveryTableKeepsThePlaceholdersAndNames) {
    std::map<int, std::wstring> english = Loaded(g_langEnglish);
    for (const TableCase& tc : AllTables()) {
        SCOPED_TRACE(tc.name);
        std::map<int, std::wstring> texts = Loaded(*tc.table);
        for (const auto& [id, text] : texts) {
            bool namesProductDirectly = (id == 13 && (tc.table == &g_langEnglish || tc.table == &g_langCzech)) ||
                                        (id == 36 && (tc.table == &g_langJapanese || tc.table == &g_langItalian));
            bool englishHasPlaceholder = Contains(english[id], L"__PRODUCT_NAME__") || id == 13;
            if (namesProductDirectly) {
                EXPECT_FALSE(Contains(text, L"__PRODUCT_NAME__")) << "id " << id;
                EXPECT_TRUE(Contains(text, id == 13 ? L"Tarnelo" : L"Kravon")) << "id " << id;
            } else {
                EXPECT_EQ(Contains(text, L"__PRODUCT_NAME__"), englishHasPlaceholder) << "id " << id;
            }
            // The seconds placeholder belongs to ids 53 and 81 alone.
            EXPECT_EQ(Contains(text, L"XXX"), id == 53 || id == 81) << "id " << id;
            EXPECT_EQ(Contains(text, LANG_SITE_HOST), id == 45 || id == 46) << "id " << id;
            if (id == 71) {
                EXPECT_TRUE(Contains(text, L"Kravon"));
            }
            if (id == 72) {
                EXPECT_TRUE(Contains(text, L"Pelmorant"));
            }
            // Texts hold UTF-16 code units, one per wchar_t: no surrogate
            // pairs, no values past the basic plane, no control characters.
            for (wchar_t unit : text) {
                EXPECT_GE(static_cast<unsigned>(unit), 0x20u) << "id " << id;
                EXPECT_LE(static_cast<unsigned>(unit), 0xFFFFu) << "id " << id;
                EXPECT_FALSE(unit >= 0xD800 && unit <= 0xDFFF) << "id " << id;
            }
        }
    }
}

// Russian agrees the verb with the noun: product names are of any gender, so
// a text that says the product "is running" (feminine запущена) names it as
// "программа __PRODUCT_NAME__", whose gender is fixed.
TEST(LanguageTables, RussianRunningTextsNameTheProductAsAProgram) {
    std::map<int, std::wstring> texts = Loaded(g_langRussian);
    int checked = 0;
    for (const auto& [id, text] : texts) {
        if (!Contains(text, L"__PRODUCT_NAME__") || !Contains(text, L"запущена")) continue;
        EXPECT_TRUE(Contains(text, L"программа __PRODUCT_NAME__")) << "id " << id;
        ++checked;
    }
    EXPECT_EQ(checked, 3);  // ids 13, 75 and 77
}

TEST(LanguageTables, TranslationsAreNotEnglishCopies) {
    std::map<int, std::wstring> english = Loaded(g_langEnglish);
    // Words that several languages write as English does ("Start" is also
    // the Norwegian verb).
    const std::set<std::wstring> shared = {L"OK",          L"Online",
                                           L"No",          L"__PRODUCT_NAME__ Online",
                                           L"Application", L"Start __PRODUCT_NAME__"};
    for (const TableCase& tc : AllTables()) {
        if (tc.table == &g_langEnglish) continue;
        SCOPED_TRACE(tc.name);
        std::set<int> copied;
        for (const auto& [id, text] : Loaded(*tc.table))
            if (text == english[id] && !shared.count(text)) copied.insert(id);
        std::set<int> expected;
        if (tc.table == &g_langPortuguese) expected = {22, 91};
        EXPECT_EQ(copied, expected);
    }
}

TEST(LanguageTables, EnglishKeepsItsQuirksAndRowOrder) {
    const int firstIds[] = {0, 1, 4, 5, 6, 9, 10};
    for (int index = 0; index < 7; ++index) EXPECT_EQ(g_langEnglish.rows[index].id, firstIds[index]);
    std::map<int, std::wstring> english = Loaded(g_langEnglish);
    EXPECT_EQ(english[31], L"Windows XP is not suppoeted anymore.");
    EXPECT_EQ(english[89].back(), L' ');
    EXPECT_NE(english[89].find(L"select \"Yes\" on the UAC"), std::wstring::npos);
    EXPECT_EQ(english[45],
              L"Download failed, please retry or download the offline installer from " LANG_SITE_HOST L".");
    EXPECT_EQ(english[46],
              L"The Online Installer is out of date, please download the latest version at " LANG_SITE_HOST L".");
    EXPECT_EQ(english[38], english[24]);
    EXPECT_EQ(english[77], english[75]);
    EXPECT_EQ(english[78], english[76]);
}

TEST(LanguageTables, LayoutRows) {
    const int english[] = {75, 165, 55, 320, 240, 180};
    const int russian[] = {88, 360, 143, 400, 180, 180};
    for (int column = 0; column < kLangLayoutColumns; ++column) {
        EXPECT_EQ(g_langLayout[static_cast<int>(LangId::English)][column], english[column]);
        EXPECT_EQ(g_langLayout[static_cast<int>(LangId::Russian)][column], russian[column]);
    }
    for (int row = 0; row < kLangCount; ++row) {
        EXPECT_EQ(g_langLayout[row][5], 180) << "row " << row;
        for (int column = 0; column < 5; ++column) EXPECT_GT(g_langLayout[row][column], 0);
    }
}

}  // namespace
