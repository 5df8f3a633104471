// The user-interface text tables: one static table of (text id, text) rows
// per language, plus the layout widths that differ between languages.
//
// Every table holds the text ids 0 to kLangTextCount - 1. Rows need not be in
// id order and an id may appear twice; the later row wins when a table is
// loaded. "__PRODUCT_NAME__" in a text stands for the product's name and is
// replaced at lookup; "XXX" in ids 53 and 81 is left for the caller to
// replace with a number of seconds. The tables are constant data, ready
// before any code runs, and are never changed.
//
// Adding a language: write a table in its own file, add it to LangId and to
// the layout table (LangLayout.cpp), and add its selection to Language.cpp.
#pragma once

// Host name of the maker's web site as the texts of ids 45 and 46 write it.
// Painters that show another domain replace this text in those two texts.
#define LANG_SITE_HOST L"www.tessarovinde.com"

constexpr int kLangTextCount = 93;

struct LangTextEntry {
    int id;
    const wchar_t* text;  // NUL-terminated UTF-16 text, static storage
};

struct LangTable {
    const LangTextEntry* rows;
    int count;
};

// Index of a language's row in the layout table, in the table's order.
enum class LangId {
    English,
    ChineseTraditional,
    ChineseSimplified,
    Japanese,
    French,
    German,
    Russian,
    Czech,
    Spanish,
    Hungarian,
    Italian,
    Dutch,
    Norwegian,
    Polish,
    Portuguese,
    Swedish,
};
constexpr int kLangCount = 16;
constexpr int kLangLayoutColumns = 6;

extern const LangTable g_langEnglish;
extern const LangTable g_langChineseTraditional;
extern const LangTable g_langChineseSimplified;
extern const LangTable g_langJapanese;
extern const LangTable g_langFrench;
extern const LangTable g_langGerman;
extern const LangTable g_langRussian;
extern const LangTable g_langCzech;
extern const LangTable g_langSpanish;
// A second Spanish wording that no language selects; kept with the others.
extern const LangTable g_langSpanishAlternative;
extern const LangTable g_langHungarian;
extern const LangTable g_langItalian;
extern const LangTable g_langDutch;
extern const LangTable g_langNorwegian;
extern const LangTable g_langPolish;
extern const LangTable g_langPortuguese;
extern const LangTable g_langSwedish;

// Widths in design pixels per language (indices 0-4 size controls whose
// captions differ in length; index 5 is the same everywhere).
extern const int g_langLayout[kLangCount][kLangLayoutColumns];
