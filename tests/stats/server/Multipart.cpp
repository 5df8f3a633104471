#include "tests/stats/server/Multipart.h"

#include <cctype>

namespace statstest {

namespace {

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The value of `attribute` ("name", "filename") in a Content-Disposition line.
std::string AttributeOf(const std::string& line, const std::string& attribute) {
    const std::string key = attribute + "=\"";
    std::size_t at = 0;
    while ((at = line.find(key, at)) != std::string::npos) {
        // "name=" must not match the end of "filename=".
        if (at == 0 || line[at - 1] == ' ' || line[at - 1] == ';') {
            const std::size_t first = at + key.size();
            const std::size_t last = line.find('"', first);
            if (last == std::string::npos) return std::string();
            return line.substr(first, last - first);
        }
        at += key.size();
    }
    return std::string();
}

}  // namespace

std::string BoundaryOf(const std::string& contentType) {
    const std::string lower = Lower(contentType);
    if (lower.rfind("multipart/form-data", 0) != 0) return std::string();
    const std::size_t at = lower.find("boundary=");
    if (at == std::string::npos) return std::string();
    std::string boundary = contentType.substr(at + 9);
    const std::size_t end = boundary.find(';');
    if (end != std::string::npos) boundary.resize(end);
    if (boundary.size() >= 2 && boundary.front() == '"' && boundary.back() == '"')
        boundary = boundary.substr(1, boundary.size() - 2);
    return boundary;
}

bool ParseMultipart(const std::string& body, const std::string& boundary, std::vector<FormPartSeen>& parts) {
    parts.clear();
    if (boundary.empty()) return false;
    const std::string delimiter = "--" + boundary;
    std::size_t at = body.find(delimiter);
    if (at == std::string::npos) return false;
    for (;;) {
        at += delimiter.size();
        if (body.compare(at, 2, "--") == 0) return true;  // the closing delimiter
        if (body.compare(at, 2, "\r\n") != 0) return false;
        at += 2;
        const std::size_t headersEnd = body.find("\r\n\r\n", at);
        if (headersEnd == std::string::npos) return false;
        FormPartSeen part;
        std::size_t line = at;
        while (line < headersEnd) {
            std::size_t lineEnd = body.find("\r\n", line);
            if (lineEnd == std::string::npos || lineEnd > headersEnd) lineEnd = headersEnd;
            const std::string text = body.substr(line, lineEnd - line);
            const std::string lower = Lower(text);
            if (lower.rfind("content-disposition:", 0) == 0) {
                part.name = AttributeOf(text, "name");
                part.fileName = AttributeOf(text, "filename");
            } else if (lower.rfind("content-type:", 0) == 0) {
                std::size_t value = 13;
                while (value < text.size() && text[value] == ' ') ++value;
                part.contentType = text.substr(value);
            }
            line = lineEnd + 2;
        }
        const std::size_t dataBegin = headersEnd + 4;
        const std::size_t next = body.find("\r\n" + delimiter, dataBegin);
        if (next == std::string::npos) return false;
        part.data = body.substr(dataBegin, next - dataBegin);
        parts.push_back(std::move(part));
        at = next + 2;
    }
}

}  // namespace statstest
