// XMLParse: loading from text and files, saving to files.
#include <boost/property_tree/xml_parser.hpp>
#include <cstdio>
#include <cstring>
#include <exception>
#include <sstream>

#include "formats/xml/XMLParse.h"
#include "platform/files/FileSystem.h"
#include "util/JFile.h"

using boost::property_tree::ptree;

namespace {

// How deep start tags nest in `text`. It reads no names or values: it only
// tells tags apart from comments, CDATA sections, processing instructions and
// declarations, and steps over quoted attribute values. It serves as a
// ceiling in front of the reader, which recurses once per level.
int ElementDepth(const std::string& text) {
    const std::size_t size = text.size();
    std::size_t i = 0;
    auto skipPast = [&](const char* terminator) {
        std::size_t found = text.find(terminator, i);
        i = found == std::string::npos ? size : found + std::strlen(terminator);
    };
    int depth = 0;
    int deepest = 0;
    while (i < size) {
        std::size_t open = text.find('<', i);
        if (open == std::string::npos) break;
        i = open + 1;
        if (text.compare(i, 3, "!--") == 0) {
            skipPast("-->");
            continue;
        }
        if (text.compare(i, 8, "![CDATA[") == 0) {
            skipPast("]]>");
            continue;
        }
        if (i < size && text[i] == '?') {
            skipPast("?>");
            continue;
        }
        if (i < size && text[i] == '!') {
            skipPast(">");
            continue;
        }
        bool closing = i < size && text[i] == '/';
        bool selfClosing = false;
        char quote = 0;
        for (; i < size; ++i) {
            char c = text[i];
            if (quote != 0) {
                if (c == quote) quote = 0;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '>') {
                selfClosing = text[i - 1] == '/';
                ++i;
                break;
            }
        }
        if (closing) {
            if (depth > 0) --depth;
        } else if (!selfClosing && ++depth > deepest) {
            deepest = depth;
        }
    }
    return deepest;
}

}  // namespace

int XMLParse::LoadFromString(const char* text, std::int32_t length) {
    if (text == nullptr || length < 0 || static_cast<std::size_t>(length) > XML_MAX_DOCUMENT_BYTES) return 0;
    try {
        // Exactly `length` bytes: an embedded resource has no terminating NUL.
        std::string bytes(text, static_cast<std::size_t>(length));
        if (ElementDepth(bytes) > XML_MAX_DEPTH) return 0;
        std::istringstream stream(std::move(bytes));
        ptree parsed;
        boost::property_tree::read_xml(stream, parsed, boost::property_tree::xml_parser::trim_whitespace);
        m_tree.swap(parsed);  // only a complete parse replaces the document
        return 1;
    } catch (const std::exception&) {
        return 0;
    }
}

int XMLParse::LoadFromFile(std::wstring path) {
    try {
        return LoadFile(path);
    } catch (const std::exception&) {
        return 0;
    }
}

int XMLParse::LoadFile(const std::wstring& path) {
    JFile file;
    if (!file.Open(path.c_str(), JFILE_READ | JFILE_BINARY)) return 0;
    std::uint64_t size = file.GetSize();
    if (size > XML_MAX_DOCUMENT_BYTES) return 0;  // also the all-ones failure value
    std::vector<char> buffer(static_cast<std::size_t>(size) + 1, '\0');
    file.SeekToBegin();
    int read = file.Read(buffer.data(), static_cast<int>(size));
    file.Close();
    if (read != static_cast<int>(size)) return 0;
    IXMLParse* document = this;  // through the interface, as callers would load
    if (document->LoadFromString(buffer.data(), static_cast<std::int32_t>(size)) == 0) return 0;
    m_strFilePath = path;
    m_nLoaded = 1;
    return 1;
}

int XMLParse::SaveToFile(std::wstring path) {
    try {
        return SaveFile(path);
    } catch (const std::exception&) {
        return 0;  // the writer refused the tree, or memory ran out
    }
}

int XMLParse::SaveFile(const std::wstring& path) {
    std::ostringstream out;
    boost::property_tree::write_xml(out, m_tree,
                                    boost::property_tree::xml_writer_make_settings<std::string>('\t', 1, "utf-8"));
    std::string text = out.str();
    if (path.empty() || text.size() > static_cast<std::size_t>(INT32_MAX)) return 0;
    // Write beside the target and move it into place only when every byte is
    // out, so a failed save never leaves a half-written document.
    std::wstring temporary = path + L".tmp";
    JFile file;
    if (!file.Open(temporary.c_str(), JFILE_WRITE | JFILE_BINARY)) return 0;
    int written = file.Write(text.data(), static_cast<int>(text.size()));
    bool flushed = std::fflush(file.GetStream()) == 0;
    file.Close();
    if (written != static_cast<int>(text.size()) || !flushed ||
        !MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileW(temporary.c_str());
        return 0;
    }
    return 1;
}
