// The JSON core's printers. Their number and layout formats are what the
// statistics service receives, so they stay fixed: "%lld"/"%llu" for
// integers, "%.0f" for whole doubles and "%f" otherwise; formatted output
// indents with TABs, separates array elements with ", " and members with ":\t".
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <new>
#include <string>

#include "formats/json/JsonCore.h"
#include "formats/json/JsonMemory.h"

namespace {

// "%.0f" of the largest double has 309 digits; with sign and NUL this fits.
constexpr std::size_t kNumberText = 320;

// Raised inside the printer for a node of no known type; the text is dropped.
struct Unprintable {};

void PrintInteger(std::string& out, const JsonNode* node) {
    char text[32];
    if (node->sign == -1) {
        std::snprintf(text, sizeof text, "%lld", static_cast<long long>(static_cast<std::int64_t>(node->intValue)));
    } else {
        std::snprintf(text, sizeof text, "%llu", static_cast<unsigned long long>(node->intValue));
    }
    out += text;
}

void PrintDouble(std::string& out, double value) {
    // JSON has no NaN or infinity; null is the value that stands for them.
    if (!std::isfinite(value)) {
        out += "null";
        return;
    }
    char text[kNumberText];
    if (std::fabs(std::floor(value) - value) <= DBL_EPSILON) {
        std::snprintf(text, sizeof text, "%.0f", value);
    } else {
        std::snprintf(text, sizeof text, "%f", value);
    }
    out += text;
}

void PrintString(std::string& out, const char* text) {
    out += '"';
    for (const char* p = text != nullptr ? text : ""; *p != '\0'; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\b': out += "\\b"; break;
            case '\t': out += "\\t"; break;
            case '\n': out += "\\n"; break;
            case '\f': out += "\\f"; break;
            case '\r': out += "\\r"; break;
            default:
                if (c < 32) {
                    char escape[8];
                    std::snprintf(escape, sizeof escape, "\\u%04x", c);
                    out += escape;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    out += '"';
}

void PrintValue(std::string& out, const JsonNode* node, int depth, bool formatted);

void PrintArray(std::string& out, const JsonNode* node, int depth, bool formatted) {
    out += '[';
    for (const JsonNode* child = node->child; child != nullptr; child = child->next) {
        PrintValue(out, child, depth + 1, formatted);
        if (child->next != nullptr) out += formatted ? ", " : ",";
    }
    out += ']';
}

void PrintObject(std::string& out, const JsonNode* node, int depth, bool formatted) {
    ++depth;
    out += '{';
    if (formatted) out += '\n';
    for (const JsonNode* child = node->child; child != nullptr; child = child->next) {
        if (formatted) out.append(static_cast<std::size_t>(depth), '\t');
        PrintString(out, child->key);
        out += ':';
        if (formatted) out += '\t';
        PrintValue(out, child, depth, formatted);
        if (child->next != nullptr) out += ',';
        if (formatted) out += '\n';
    }
    if (formatted) out.append(static_cast<std::size_t>(depth - 1), '\t');
    out += '}';
}

void PrintValue(std::string& out, const JsonNode* node, int depth, bool formatted) {
    switch (node->type & 0xFF) {
        case JSON_FALSE: out += "false"; break;
        case JSON_TRUE: out += "true"; break;
        case JSON_NULL: out += "null"; break;
        case JSON_INT: PrintInteger(out, node); break;
        case JSON_DOUBLE: PrintDouble(out, node->doubleValue); break;
        case JSON_STRING: PrintString(out, node->stringValue); break;
        case JSON_ARRAY: PrintArray(out, node, depth, formatted); break;
        case JSON_OBJECT: PrintObject(out, node, depth, formatted); break;
        default: throw Unprintable();
    }
}

char* Print(const JsonNode* node, bool formatted) {
    if (node == nullptr) return nullptr;
    try {
        std::string out;
        PrintValue(out, node, 0, formatted);
        return jsoncore::CopyText(out.data(), out.size());
    } catch (const std::bad_alloc&) {
        return nullptr;
    } catch (const Unprintable&) {
        return nullptr;
    }
}

}  // namespace

char* JsonPrint(const JsonNode* node) { return Print(node, true); }
char* JsonPrintUnformatted(const JsonNode* node) { return Print(node, false); }
void JsonFreeText(char* text) {
    if (text != nullptr) jsoncore::Release(text);
}
