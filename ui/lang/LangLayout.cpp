#include "ui/lang/LangTables.h"

const int g_langLayout[kLangCount][kLangLayoutColumns] = {
    {75, 165, 55, 320, 240, 180},    // English
    {52, 95, 52, 170, 180, 180},     // Chinese (Traditional)
    {52, 95, 52, 170, 180, 180},     // Chinese (Simplified)
    {52, 165, 52, 295, 320, 180},    // Japanese
    {85, 220, 90, 420, 300, 180},    // French
    {105, 190, 105, 450, 180, 180},  // German
    {88, 360, 143, 400, 180, 180},   // Russian
    {90, 270, 90, 360, 300, 180},    // Czech
    {80, 280, 80, 460, 180, 180},    // Spanish
    {100, 220, 110, 410, 180, 180},  // Hungarian
    {90, 270, 105, 480, 180, 180},   // Italian
    {103, 260, 103, 360, 180, 180},  // Dutch
    {65, 130, 75, 360, 200, 180},    // Norwegian
    {85, 260, 72, 300, 180, 180},    // Polish
    {75, 230, 85, 470, 180, 180},    // Portuguese
    {93, 160, 70, 320, 180, 180},    // Swedish
};
