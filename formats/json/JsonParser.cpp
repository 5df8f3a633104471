// The JSON core's parser: RFC 8259 values, lenient where noted.
//
// Lenient on purpose: every byte from 1 to 32 counts as white space, text
// after the first complete value is not examined, and a string that runs to
// the end of the text without its closing quote is accepted.
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>
#include <string>

#include "formats/json/JsonCore.h"
#include "formats/json/JsonMemory.h"

namespace {

// Per thread: statistics threads parse at the same time and each reads the
// position of its own failure.
thread_local const char* t_errorPosition = nullptr;

// An exponent this large already over- or underflows every double; capping
// the accumulator keeps it from overflowing.
constexpr int kExponentCap = 100000;

struct Parser {
    int depth = 0;

    const char* Fail(const char* at) {
        t_errorPosition = at;
        return nullptr;
    }

    static const char* SkipSpace(const char* p) {
        while (p != nullptr && *p != '\0' && static_cast<unsigned char>(*p) <= 32) ++p;
        return p;
    }

    static bool IsDigit(char c) { return c >= '0' && c <= '9'; }

    const char* Value(JsonNode* node, const char* p);
    const char* Number(JsonNode* node, const char* p);
    const char* String(JsonNode* node, const char* p);
    // An array (`type` JSON_ARRAY, closed by ']') or an object (JSON_OBJECT, '}').
    const char* Container(JsonNode* node, const char* p, int type, char close);
    // Parses a string at `p` into an allocated text.
    const char* StringText(char** out, const char* p);
};

// Integers accumulate exactly in 64 bits (a double would round them above
// 2^53). Returns false when the value does not fit a signed or unsigned
// 64-bit integer; the caller then keeps it as a double.
bool StoreInteger(JsonNode* node, const char* digits, const char* end, int sign) {
    constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
    std::uint64_t magnitude = 0;
    for (const char* p = digits; p < end; ++p) {
        unsigned digit = static_cast<unsigned>(*p - '0');
        if (magnitude > (kMax - digit) / 10) return false;
        magnitude = magnitude * 10 + digit;
    }
    constexpr std::uint64_t kLowest = std::uint64_t{1} << 63;  // magnitude of -2^63
    if (sign == -1 && magnitude > kLowest) return false;
    node->type = JSON_INT;
    node->sign = sign;
    node->intValue = sign == -1 ? 0 - magnitude : magnitude;  // two's complement when negative
    return true;
}

const char* Parser::Number(JsonNode* node, const char* p) {
    const char* start = p;
    int sign = 1;
    if (*p == '-') {
        sign = -1;
        ++p;
    }
    const char* integerDigits = p;
    if (*p == '0') {
        ++p;  // a leading zero is the whole integer part
    } else {
        while (IsDigit(*p)) ++p;
    }
    const char* integerEnd = p;
    bool fraction = false;
    if (*p == '.' && IsDigit(p[1])) {
        fraction = true;
        ++p;
        while (IsDigit(*p)) ++p;
    }
    int exponent = 0;
    int exponentSign = 1;
    if (*p == 'e' || *p == 'E') {
        ++p;
        if (*p == '+') {
            ++p;
        } else if (*p == '-') {
            exponentSign = -1;
            ++p;
        }
        while (IsDigit(*p)) {
            if (exponent < kExponentCap) exponent = exponent * 10 + (*p - '0');
            ++p;
        }
    }
    if (!fraction && exponent == 0 && StoreInteger(node, integerDigits, integerEnd, sign)) return p;
    double value = 0.0;
    std::from_chars_result converted = std::from_chars(start, p, value, std::chars_format::general);
    if (converted.ec == std::errc::result_out_of_range) {
        // Decide between overflow and underflow from the decimal magnitude.
        long position = 0;
        const char* q = integerDigits;
        while (q < integerEnd && *q == '0') ++q;
        if (q < integerEnd) {
            position = integerEnd - q;
        } else if (fraction) {
            for (q = integerEnd + 1; *q == '0'; ++q) --position;
        }
        position += static_cast<long>(exponentSign) * exponent;
        value = position > 0 ? std::numeric_limits<double>::infinity() : 0.0;
        if (sign == -1) value = -value;
    }
    node->type = JSON_DOUBLE;
    node->doubleValue = value;
    node->sign = sign;
    return p;
}

unsigned HexValue(char c) {
    if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0');
    if (c >= 'a' && c <= 'f') return static_cast<unsigned>(c - 'a' + 10);
    if (c >= 'A' && c <= 'F') return static_cast<unsigned>(c - 'A' + 10);
    return 16;
}

// Reads the four characters after "\u" (fewer when the text ends sooner) and
// returns the code given by their leading hex digits; *p moves past them.
unsigned ReadCode(const char** p) {
    unsigned code = 0;
    bool digits = true;
    for (int i = 0; i < 4 && **p != '\0'; ++i, ++*p) {
        unsigned value = HexValue(**p);
        if (value > 15) digits = false;
        if (digits) code = code * 16 + value;
    }
    return code;
}

void AppendUtf8(std::string& out, unsigned code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

const char* Parser::StringText(char** out, const char* p) {
    if (*p != '"') return Fail(p);
    ++p;
    std::string text;
    while (*p != '\0' && *p != '"') {
        if (*p != '\\') {
            text += *p++;
            continue;
        }
        ++p;  // the backslash
        char escaped = *p;
        if (escaped == '\0') break;  // a backslash at the very end ends the string
        ++p;
        switch (escaped) {
            case 'b': text += '\b'; break;
            case 'f': text += '\f'; break;
            case 'n': text += '\n'; break;
            case 'r': text += '\r'; break;
            case 't': text += '\t'; break;
            case 'u': {
                unsigned code = ReadCode(&p);
                if (code >= 0xDC00 && code <= 0xDFFF) break;  // a lone low half
                if (code >= 0xD800 && code <= 0xDBFF) {
                    // A high half needs a low half at once. Without one only the
                    // high half is dropped; what follows is read on its own.
                    if (p[0] != '\\' || p[1] != 'u') break;
                    const char* after = p + 2;
                    unsigned low = ReadCode(&after);
                    if (low < 0xDC00 || low > 0xDFFF) break;
                    p = after;
                    code = 0x10000 + (((code & 0x3FF) << 10) | (low & 0x3FF));
                }
                if (code != 0) AppendUtf8(text, code);  // the texts are NUL-terminated
                break;
            }
            default: text += escaped; break;
        }
    }
    if (*p == '"') ++p;
    *out = jsoncore::CopyText(text.data(), text.size());
    if (*out == nullptr) throw std::bad_alloc();
    return p;
}

const char* Parser::String(JsonNode* node, const char* p) {
    char* text = nullptr;
    p = StringText(&text, p);
    if (p == nullptr) return nullptr;
    node->type = JSON_STRING;
    node->stringValue = text;
    return p;
}

// Arrays and objects share one loop: a child per element or member, each
// after a comma; an object's member starts with its key and a colon.
const char* Parser::Container(JsonNode* node, const char* p, int type, char close) {
    if (depth >= JSON_MAX_DEPTH) return Fail(p);
    node->type = type;
    p = SkipSpace(p + 1);
    if (*p == close) return p + 1;
    ++depth;
    JsonNode* last = nullptr;
    for (;;) {
        JsonNode* child = jsoncore::NewNode();
        if (child == nullptr) throw std::bad_alloc();
        jsoncore::LinkAfter(node, last, child);
        last = child;
        if (type == JSON_OBJECT) {
            p = StringText(&child->key, SkipSpace(p));
            if (p == nullptr) return nullptr;
            p = SkipSpace(p);
            if (*p != ':') return Fail(p);
            ++p;
        }
        p = SkipSpace(Value(child, SkipSpace(p)));
        if (p == nullptr) return nullptr;
        if (*p == close) break;
        if (*p != ',') return Fail(p);
        ++p;
    }
    --depth;
    return p + 1;
}

const char* Parser::Value(JsonNode* node, const char* p) {
    if (p == nullptr) return nullptr;
    if (std::strncmp(p, "null", 4) == 0) {
        node->type = JSON_NULL;
        return p + 4;
    }
    if (std::strncmp(p, "false", 5) == 0) {
        node->type = JSON_FALSE;
        return p + 5;
    }
    if (std::strncmp(p, "true", 4) == 0) {
        node->type = JSON_TRUE;
        return p + 4;
    }
    if (*p == '"') return String(node, p);
    if (*p == '-' || IsDigit(*p)) return Number(node, p);
    if (*p == '[') return Container(node, p, JSON_ARRAY, ']');
    if (*p == '{') return Container(node, p, JSON_OBJECT, '}');
    return Fail(p);
}

}  // namespace

const char* JsonGetErrorPtr() { return t_errorPosition; }

JsonNode* JsonParse(const char* text) {
    t_errorPosition = nullptr;
    if (text == nullptr) return nullptr;
    JsonNode* root = jsoncore::NewNode();
    if (root == nullptr) return nullptr;
    try {
        Parser parser;
        if (parser.Value(root, Parser::SkipSpace(text)) != nullptr) return root;
    } catch (const std::bad_alloc&) {
        t_errorPosition = nullptr;  // out of memory is no syntax error
    }
    JsonDelete(root);
    return nullptr;
}
