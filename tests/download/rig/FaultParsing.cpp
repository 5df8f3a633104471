#include <string>
#include <vector>

#include "tests/download/rig/MirrorRig.h"

namespace rig {

namespace {
bool ToNumber(const std::string& text, std::uint64_t* value) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
    try {
        *value = std::stoull(text);
    } catch (...) {
        return false;
    }
    return true;
}
}  // namespace

bool ParseFault(const std::string& text, int* mirror, Fault* fault) {
    const size_t at = text.find('@');
    if (at == std::string::npos) return false;
    const std::string kind = text.substr(0, at);
    std::vector<std::string> values;
    std::string rest = text.substr(at + 1);
    // A redirect's url holds ':' itself: only the mirror number is cut off.
    size_t colon = rest.find(':');
    std::string mirrorText = rest.substr(0, colon);
    if (colon != std::string::npos) {
        std::string tail = rest.substr(colon + 1);
        if (kind == "redirect") {
            values.push_back(tail);
        } else {
            size_t start = 0;
            for (size_t next; (next = tail.find(':', start)) != std::string::npos; start = next + 1)
                values.push_back(tail.substr(start, next - start));
            values.push_back(tail.substr(start));
        }
    }
    std::uint64_t number = 0;
    if (!ToNumber(mirrorText, &number)) return false;
    *mirror = static_cast<int>(number);
    Fault result;
    auto value = [&](size_t i, std::uint64_t* out) { return i < values.size() && ToNumber(values[i], out); };
    if (kind == "drop" || kind == "stall" || kind == "corrupt" || kind == "corrupt-always" || kind == "short-body") {
        result.kind = kind == "drop"         ? FaultKind::Drop
                      : kind == "stall"      ? FaultKind::Stall
                      : kind == "short-body" ? FaultKind::ShortBody
                                             : FaultKind::Corrupt;
        // "+K": at byte K of the mirror's first response, wherever it starts.
        if (!values.empty() && !values[0].empty() && values[0][0] == '+') {
            values[0].erase(0, 1);
            if (!value(0, &result.afterBytes)) return false;
        } else if (!value(0, &result.offset)) {
            return false;
        }
        if (kind == "short-body" && result.afterBytes == kNoLimit) return false;
        result.times = kind == "corrupt-always" ? -1 : 1;
    } else if (kind == "wrong-range") {
        result.kind = FaultKind::WrongRange;
    } else if (kind == "status") {
        result.kind = FaultKind::Status;
        std::uint64_t code = 0, from = 0;
        if (!value(0, &code)) return false;
        if (values.size() > 1 && !value(1, &from)) return false;
        result.status = static_cast<int>(code);
        result.fromRequest = static_cast<int>(from);
    } else if (kind == "ignore-range") {
        result.kind = FaultKind::IgnoreRange;
    } else if (kind == "head-size") {
        result.kind = FaultKind::HeadSize;
        if (!value(0, &result.offset)) return false;
    } else if (kind == "no-head-size") {
        result.kind = FaultKind::NoHeadSize;
    } else if (kind == "redirect") {
        result.kind = FaultKind::Redirect;
        if (values.empty() || values[0].empty()) return false;
        result.location = values[0];
    } else {
        return false;
    }
    *fault = result;
    return true;
}

}  // namespace rig
