// The language the user interface chose, by English name ("Japanese") and
// three-letter code ("JPN"). The language tables (ui/lang) set it when they
// choose; the statistics report it. Any thread may read it at any time.
#pragma once

#include <string>

// Both empty before the choice.
std::string GetLanguageName();
std::string GetLanguageCode();
// Records the choice; two empty texts forget it.
void SetChosenLanguage(const std::string& name, const std::string& code);
