#include "platform/base/Locale.h"

#include <cstring>

#include "platform/base/Environment.h"
#include "platform/base/LastError.h"

namespace {

// English names by primary language id.
const char* EnglishLanguageName(WORD primary) {
    struct Entry {
        WORD primary;
        const char* name;
    };
    static const Entry names[] = {
        {0x01, "Arabic"},    {0x03, "Catalan"},    {0x04, "Chinese"},   {0x05, "Czech"},   {0x06, "Danish"},
        {0x07, "German"},    {0x08, "Greek"},      {0x09, "English"},   {0x0A, "Spanish"}, {0x0B, "Finnish"},
        {0x0C, "French"},    {0x0D, "Hebrew"},     {0x0E, "Hungarian"}, {0x10, "Italian"}, {0x11, "Japanese"},
        {0x12, "Korean"},    {0x13, "Dutch"},      {0x14, "Norwegian"}, {0x15, "Polish"},  {0x16, "Portuguese"},
        {0x19, "Russian"},   {0x1D, "Swedish"},    {0x1E, "Thai"},      {0x1F, "Turkish"}, {0x21, "Indonesian"},
        {0x22, "Ukrainian"}, {0x2A, "Vietnamese"}, {0x39, "Hindi"},     {0x3E, "Malay"},
    };
    for (const Entry& entry : names)
        if (entry.primary == primary) return entry.name;
    return "English";
}

}  // namespace

int GetLocaleInfoA(LCID locale, LCTYPE type, LPSTR buffer, int size) {
    if (type != LOCALE_SENGLANGUAGE) {
        SetLastError(ERROR_INVALID_FLAGS);
        return 0;
    }
    LANGID language = static_cast<LANGID>(locale & 0xFFFF);
    if (locale == LOCALE_USER_DEFAULT) language = GetUserDefaultLangID();
    if (locale == LOCALE_SYSTEM_DEFAULT) language = GetSystemDefaultLangID();
    const char* name = EnglishLanguageName(PRIMARYLANGID(language));
    const int needed = static_cast<int>(std::strlen(name)) + 1;
    if (size == 0) return needed;
    if (buffer == nullptr || size < needed) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(buffer, name, static_cast<size_t>(needed));
    return needed;
}
