#include "util/ExeName.h"

#include <vector>

#include "platform/kernel/Module.h"
#include "platform/files/PathHelpers.h"
#include "util/StringConvert.h"
#include "util/StringUtil.h"

void GetExeBaseName(std::string& out) {
    wchar_t path[MAX_PATH] = {};
    if (GetModuleFileNameW(nullptr, path, MAX_PATH) == 0) return;
    wchar_t name[MAX_PATH] = {};
    _wsplitpath(path, nullptr, nullptr, name, nullptr);
    std::string oem = ToOemString(name);
    if (!oem.empty()) out = oem;
}

void ParseSetupFileName(const std::string& name, std::string& option, std::string& source) {
    if (name.empty()) return;
    std::vector<std::string> pieces;
    if (SplitString(pieces, name, "_") < 2) return;
    std::string before, after;
    bool boundary = false;
    for (size_t i = 1; i < pieces.size(); ++i) {
        if (IsNumberText(pieces[i])) {
            boundary = true;  // only the first number counts; every number is dropped
            continue;
        }
        std::string& target = boundary ? after : before;
        if (!target.empty()) target += "_";
        target += pieces[i];
    }
    if (!boundary) return;
    option = before;
    source = after;
}
