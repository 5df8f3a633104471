#include "ui/lang/Language.h"

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/base/Environment.h"
#include "platform/files/FileSystem.h"
#include "platform/files/IniFiles.h"
#include "platform/files/PathHelpers.h"
#include "platform/files/ShellFolders.h"
#include "util/Log.h"
#include "util/StringUtil.h"

namespace {

constexpr wchar_t kUnknownText[] = L"UnKnow";
constexpr wchar_t kDefaultProductName[] = L"Demo";
constexpr wchar_t kProductPlaceholder[] = L"__PRODUCT_NAME__";

// One published set of texts. Built whole by a writer, then never changed:
// readers reach it through an atomic pointer and read it without a lock.
struct LanguageState {
    std::map<int, const wchar_t*> currentRows;  // id -> table text, placeholder kept
    std::map<int, const wchar_t*> englishRows;
    std::map<int, std::wstring> currentTexts;  // id -> text with the product name
    std::map<int, std::wstring> englishTexts;
    const int* layoutRow = nullptr;
};

// How a system language maps to a table. The first matching entry wins, so
// the Chinese entry for sub-language 2 stands before the one for the others.
struct LanguageChoice {
    WORD primary;
    int subLanguage;  // -1: any
    const LangTable* table;
    LangId layout;
    const char* logFormat;
    const char* name;
    const char* code;
};

const LanguageChoice kChoices[] = {
    {0x03, -1, &g_langSpanish, LangId::Spanish, "Language is CATALA(XiBanYa), id = %d", "Spanish", "ESP"},
    {0x04, 2, &g_langChineseSimplified, LangId::ChineseSimplified, "Language is CHS(JianTi), id = %d",
     "Chinese(Simplified)", "CHS"},
    {0x04, -1, &g_langChineseTraditional, LangId::ChineseTraditional, "Language is ZH(FanTi), id = %d",
     "Chinese(Traditional)", "CHT"},
    {0x05, -1, &g_langCzech, LangId::Czech, "Language is CZ(JieKe), id = %d", "Czech", "CSY"},
    {0x07, -1, &g_langGerman, LangId::German, "Language is DE(DeGuo), id = %d", "German", "GER"},
    {0x0A, -1, &g_langSpanish, LangId::Spanish, "Language is SPANISH(XiBanYa), id = %d", "Spanish", "ESP"},
    {0x0C, -1, &g_langFrench, LangId::French, "Language is FR(FaGuo), id = %d", "French", "FRA"},
    {0x0E, -1, &g_langHungarian, LangId::Hungarian, "Language is HU(XiongYaLi), id = %d", "Hungarian", "HUN"},
    {0x10, -1, &g_langItalian, LangId::Italian, "Language is IT(YiDaLi), id = %d", "Italian", "ITA"},
    {0x11, -1, &g_langJapanese, LangId::Japanese, "Language is JP(RiBen), id = %d", "Japanese", "JPN"},
    {0x13, -1, &g_langDutch, LangId::Dutch, "Language is NL(HeLan), id = %d", "Dutch", "NLD"},
    {0x14, -1, &g_langNorwegian, LangId::Norwegian, "Language is NO(NuoWei), id = %d", "Norwegian", "NOR"},
    {0x15, -1, &g_langPolish, LangId::Polish, "Language is PL(BoLan), id = %d", "Polish", "POL"},
    {0x16, -1, &g_langPortuguese, LangId::Portuguese, "Language is PT(PuTaoYa), id = %d", "Portuguese", "BRA"},
    {0x19, -1, &g_langRussian, LangId::Russian, "Language is RU(ErLuoSi), id = %d", "Russian", "RUS"},
    {0x1D, -1, &g_langSwedish, LangId::Swedish, "Language is SVE(RuiDian), id = %d", "Swedish", "SVE"},
};
const LanguageChoice kEnglishChoice = {0,         -1,   &g_langEnglish, LangId::English, "Language is EN, id = %d",
                                       "English", "ENU"};

std::atomic<const LanguageState*> g_published{nullptr};

// Writers (InitLanguage, LoadLangTable, the product-name setter) take this
// lock; it also guards the kept product name and the retained states.
std::mutex& WriterLock() {
    static std::mutex lock;
    return lock;
}

// Every state ever published, kept until the process ends so that pointers
// handed out by earlier lookups never dangle. Deliberately never destroyed:
// a lookup from a thread still running at exit must find live memory.
std::vector<std::unique_ptr<LanguageState>>& RetainedStates() {
    static auto* states = new std::vector<std::unique_ptr<LanguageState>>();
    return *states;
}

std::wstring& KeptProductName() {
    static auto* name = new std::wstring();
    return *name;
}

std::wstring CurrentProductNameLocked() {
    const std::wstring& kept = KeptProductName();
    return kept.empty() ? std::wstring(kDefaultProductName) : kept;
}

void OverlayRows(std::map<int, const wchar_t*>& rows, const LangTable* table) {
    if (table == nullptr || table->rows == nullptr) return;
    for (int index = 0; index < table->count; ++index) {
        const LangTextEntry& row = table->rows[index];
        rows[row.id] = row.text != nullptr ? row.text : L"";
    }
}

std::map<int, std::wstring> SubstituteProductName(const std::map<int, const wchar_t*>& rows,
                                                  const std::wstring& productName) {
    std::map<int, std::wstring> texts;
    for (const auto& [id, text] : rows) {
        std::wstring value = text;
        ReplaceAllWide(value, kProductPlaceholder, productName);
        texts.emplace(id, std::move(value));
    }
    return texts;
}

// Fills the substituted texts of `next` and makes it the state readers see.
// Caller holds the writer lock.
void PublishLocked(std::unique_ptr<LanguageState> next) {
    std::wstring productName = CurrentProductNameLocked();
    next->currentTexts = SubstituteProductName(next->currentRows, productName);
    next->englishTexts = SubstituteProductName(next->englishRows, productName);
    const LanguageState* published = next.get();
    RetainedStates().push_back(std::move(next));
    g_published.store(published, std::memory_order_release);
}

std::unique_ptr<LanguageState> CopyOfPublishedLocked() {
    const LanguageState* current = g_published.load(std::memory_order_acquire);
    if (current == nullptr) return std::make_unique<LanguageState>();
    auto copy = std::make_unique<LanguageState>();
    copy->currentRows = current->currentRows;
    copy->englishRows = current->englishRows;
    copy->layoutRow = current->layoutRow;
    return copy;
}

// The "setup_test_language" value of the debug configuration file, 0 when
// the file or the key is missing.
UINT ReadTestLanguage() {
    WCHAR path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, path))) return 0;
    if (!PathAppendW(path, L"QovDebugConfig.ini")) return 0;
    if (!PathFileExistsW(path)) return 0;
    return GetPrivateProfileIntW(L"root", L"setup_test_language", 0, path);
}

const LanguageChoice& ChooseLanguage(LANGID languageId) {
    WORD primary = PRIMARYLANGID(languageId);
    int subLanguage = SUBLANGID(languageId);
    for (const LanguageChoice& choice : kChoices) {
        if (choice.primary == primary && (choice.subLanguage < 0 || choice.subLanguage == subLanguage)) return choice;
    }
    return kEnglishChoice;
}

const wchar_t* Lookup(const std::map<int, std::wstring> LanguageState::*texts, int id) {
    const LanguageState* state = g_published.load(std::memory_order_acquire);
    if (state == nullptr) return kUnknownText;
    const std::map<int, std::wstring>& map = state->*texts;
    auto found = map.find(id);
    return found != map.end() ? found->second.c_str() : kUnknownText;
}

}  // namespace

int InitLanguage(const wchar_t* productName, LANGID languageId) {
    std::lock_guard<std::mutex> guard(WriterLock());
    if (productName != nullptr && productName[0] != L'\0' && KeptProductName().empty()) KeptProductName() = productName;

    auto next = std::make_unique<LanguageState>();
    OverlayRows(next->currentRows, &g_langEnglish);
    OverlayRows(next->englishRows, &g_langEnglish);

    LANGID chosenId = languageId != 0 ? languageId : GetUserDefaultUILanguage();
    if (UINT testLanguage = ReadTestLanguage(); testLanguage != 0)
        chosenId = static_cast<LANGID>(testLanguage & 0xFFFF);

    const LanguageChoice& choice = ChooseLanguage(chosenId);
    WriteLog(choice.logFormat, static_cast<int>(chosenId));
    OverlayRows(next->currentRows, choice.table);
    next->layoutRow = g_langLayout[static_cast<int>(choice.layout)];
    PublishLocked(std::move(next));
    SetChosenLanguage(choice.name, choice.code);
    return 1;
}

const wchar_t* GetLangText(int id) { return Lookup(&LanguageState::currentTexts, id); }

const wchar_t* GetEnglishLangText(int id) { return Lookup(&LanguageState::englishTexts, id); }

int GetLangLayoutValue(int index) {
    const LanguageState* state = g_published.load(std::memory_order_acquire);
    if (state == nullptr || state->layoutRow == nullptr || index < 0 || index >= kLangLayoutColumns) return 0;
    return state->layoutRow[index];
}

bool IsSystemLanguageJapanese() { return PRIMARYLANGID(GetSystemDefaultLangID()) == 0x11; }

void LoadLangTable(const LangTable* table) {
    if (table == nullptr) return;
    std::lock_guard<std::mutex> guard(WriterLock());
    auto next = CopyOfPublishedLocked();
    OverlayRows(next->currentRows, table);
    PublishLocked(std::move(next));
}

std::wstring GetLangProductName() {
    std::lock_guard<std::mutex> guard(WriterLock());
    return CurrentProductNameLocked();
}

void SetLangProductName(const wchar_t* productName) {
    std::lock_guard<std::mutex> guard(WriterLock());
    KeptProductName() = productName != nullptr ? productName : L"";
    if (g_published.load(std::memory_order_acquire) != nullptr) PublishLocked(CopyOfPublishedLocked());
}

void ResetLanguageForTests() {
    std::lock_guard<std::mutex> guard(WriterLock());
    KeptProductName().clear();
    g_published.store(nullptr, std::memory_order_release);
    SetChosenLanguage("", "");
}
