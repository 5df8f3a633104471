// URL encoding, decoding and query parameters (declared in StringUtil.h).
#include "util/StringUtil.h"

namespace {

bool IsUnreserved(unsigned char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '-' || c == '_' ||
           c == '.' || c == '~';
}

template <typename HexValue>
std::string Decode(const std::string& text, HexValue hexValue) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '+') {
            out.push_back(' ');
        } else if (c == '%' && i + 2 < text.size()) {
            int value = hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]);
            out.push_back(static_cast<char>(static_cast<unsigned char>(value & 0xFF)));
            i += 2;
        } else {
            // Also a "%" too close to the end to announce a byte: kept as text.
            out.push_back(c);
        }
    }
    return out;
}

}  // namespace

std::string UrlEncode(const std::string& text) {
    std::string out;
    out.reserve(text.size() * 3);
    for (char c : text) {
        unsigned char byte = static_cast<unsigned char>(c);
        if (IsUnreserved(byte)) {
            out.push_back(c);
        } else if (byte == ' ') {
            out.push_back('+');
        } else {
            out.push_back('%');
            out.push_back(HexDigitChar(byte >> 4));
            out.push_back(HexDigitChar(byte & 0x0F));
        }
    }
    return out;
}

std::string UrlEncodeString(const std::string& text) { return UrlEncode(text); }

std::string UrlDecodeString(const std::string& text) { return Decode(text, HexCharValue); }

std::string UrlDecode(const std::string& text) { return Decode(text, HexCharValueA); }

std::string AddUrlParameter(const std::string& url, const std::string& parameter) {
    if (url.find('?') == std::string::npos) return url + "?" + parameter;
    std::string result = url;
    return ReplaceAll(result, "?", "?" + parameter + "&");
}
