// Text lookup by id in the user's language.
//
// InitLanguage chooses the language once, when the main dialog initialises,
// and builds every text of the chosen table and of the English table with
// the product name already put in. Those texts are stored read-only for the
// rest of the process: any thread may call the lookups at any time without a
// lock, and every returned pointer stays valid until the process ends (also
// across a later InitLanguage or LoadLangTable, which publish new texts but
// never free old ones).
#pragma once

#include <string>

#include "platform/base/Win32Types.h"
#include "ui/lang/LangTables.h"
#include "util/ChosenLanguage.h"  // GetLanguageName, GetLanguageCode of the choice

// Chooses the language: `languageId` 0 means the user's default UI language;
// a non-zero "setup_test_language" in the debug configuration file overrides
// either. The first non-empty product name given is kept for the process.
// Logs one line naming the choice. Returns 1.
int InitLanguage(const wchar_t* productName, LANGID languageId);

// The text of `id` in the chosen language ("__PRODUCT_NAME__" replaced),
// English where the chosen table lacks the id, "UnKnow" when no table was
// loaded or the id is in none.
const wchar_t* GetLangText(int id);
// The same over the English texts alone.
const wchar_t* GetEnglishLangText(int id);

// The chosen language's layout width at `index` (0..5); 0 when no language
// is chosen or the index is outside the row.
int GetLangLayoutValue(int index);

// True when the system's default language is Japanese, whatever table was chosen.
bool IsSystemLanguageJapanese();

// Lays the rows of `table` over the current texts, in row order (a later row
// replaces an earlier one with the same id). A null table is ignored.
void LoadLangTable(const LangTable* table);

// The product name put into the texts: the kept name, else "Demo". Until the
// product configuration feeds it, SetLangProductName sets it directly; a set
// name replaces the kept one and rebuilds the published texts.
std::wstring GetLangProductName();
void SetLangProductName(const wchar_t* productName);

// Tests only: forgets the choice and the product name, so lookups answer as
// before InitLanguage. Texts returned earlier stay valid.
void ResetLanguageForTests();
