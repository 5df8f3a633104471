#include "util/ChosenLanguage.h"

#include <mutex>

namespace {

struct Choice {
    std::mutex lock;
    std::string name;
    std::string code;
};

Choice& TheChoice() {
    static auto* choice = new Choice();  // never destroyed: read until the process ends
    return *choice;
}

}  // namespace

std::string GetLanguageName() {
    Choice& choice = TheChoice();
    std::lock_guard<std::mutex> guard(choice.lock);
    return choice.name;
}

std::string GetLanguageCode() {
    Choice& choice = TheChoice();
    std::lock_guard<std::mutex> guard(choice.lock);
    return choice.code;
}

void SetChosenLanguage(const std::string& name, const std::string& code) {
    Choice& choice = TheChoice();
    std::lock_guard<std::mutex> guard(choice.lock);
    choice.name = name;
    choice.code = code;
}
