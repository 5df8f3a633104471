// XMLParse: paths, typed reads and writes, setters and removal.
#include "formats/xml/XMLParse.h"

#include <boost/tokenizer.hpp>
#include <exception>
#include <new>

#include "formats/xml/XMLValueText.h"
#include "util/Log.h"

using boost::property_tree::ptree;

// Which log line a failing member writes: the unsigned reads and writes have
// one each, the others are silent.
enum class XMLParse::PathLog { None, ReadUnsigned, WriteUint64, WriteUint32 };

namespace {

constexpr char kAttributeStep[] = "<xmlattr>";
const std::string kStringReadFailed = "{__see_it_is_read_string_failed_}";

using PathLog = XMLParse::PathLog;

void LogPathError(PathLog kind, const std::string& path) {
    switch (kind) {
        case PathLog::ReadUnsigned: WriteLog("XMLParse: error read unsigned int from %s\n", path.c_str()); break;
        case PathLog::WriteUint64: WriteLog("XMLParse: error WriteXML uint64_t to %s\n", path.c_str()); break;
        case PathLog::WriteUint32: WriteLog("XMLParse: error WriteXML int to %s\n", path.c_str()); break;
        case PathLog::None: break;
    }
}

template <typename Value>
PathLog WriteLogKind() {
    if constexpr (std::is_same_v<Value, std::uint64_t>) return PathLog::WriteUint64;
    if constexpr (std::is_same_v<Value, std::uint32_t>) return PathLog::WriteUint32;
    return PathLog::None;
}

// Reads the attribute named by `path`. A missing attribute or a text that
// does not convert stores `sentinel` and fails; a value equal to the sentinel
// is still a value. Without an attribute form, `*out` is left alone.
template <typename Value>
int ReadAttribute(const ptree& tree, std::string path, Value* out, const Value& sentinel, PathLog log) {
    if (out == nullptr) return 0;
    std::string original;
    try {
        original = path;
        if (!XMLParse::MakeAttrPath(path)) {
            LogPathError(log, original);
            return 0;
        }
        std::optional<Value> value;
        if (boost::optional<const ptree&> node = tree.get_child_optional(path)) {
            value = xmlvalue::FromText<Value>(node->data());
        }
        *out = value ? *value : sentinel;
        return value ? 1 : 0;
    } catch (const std::exception&) {
        LogPathError(log, original);
        return 0;
    }
}

}  // namespace

HRESULT CreateXMLParse(boost::shared_ptr<IXMLParse>& document) {
    try {
        document.reset(new XMLParse());
    } catch (const std::exception&) {
        document.reset();
    }
    return document ? S_OK : E_FAIL;
}

IXMLParse* XMLParse::Clone() {
    try {
        return new XMLParse(*this);
    } catch (const std::exception&) {
        return nullptr;
    }
}

bool XMLParse::MakeAttrPath(std::string& path) {
    std::size_t dot = path.rfind('.');
    if (dot == std::string::npos) return false;
    path.insert(dot, std::string(".") + kAttributeStep);
    return true;
}

std::vector<std::string> XMLParse::SplitPath(const std::string& path) {
    boost::char_separator<char> separator(".");
    boost::tokenizer<boost::char_separator<char>> tokens(path, separator);
    return std::vector<std::string>(tokens.begin(), tokens.end());
}

ptree* XMLParse::FindNode(const std::string& path) {
    ptree* node = &m_tree;
    for (const std::string& step : SplitPath(path)) {
        ptree* next = nullptr;
        for (auto& child : *node) {
            if (child.first == step) {
                next = &child.second;
                break;
            }
        }
        if (next == nullptr) return nullptr;
        node = next;
    }
    return node;
}

bool XMLParse::NodeExists(const std::string& path) const {
    if (SplitPath(path).empty()) return false;
    return const_cast<XMLParse*>(this)->FindNode(path) != nullptr;
}

int XMLParse::ReadXML(std::string path, std::uint64_t* value) {
    return ReadAttribute(m_tree, std::move(path), value, XML_READ_FAILED_UINT64, PathLog::ReadUnsigned);
}

int XMLParse::ReadXML(std::string path, std::uint32_t* value) {
    return ReadAttribute(m_tree, std::move(path), value, XML_READ_FAILED_UINT32, PathLog::ReadUnsigned);
}

int XMLParse::ReadXML(std::string path, float* value) {
    return ReadAttribute(m_tree, std::move(path), value, XML_READ_FAILED_FLOAT, PathLog::None);
}

int XMLParse::ReadXML(std::string path, std::int32_t* value) {
    return ReadAttribute(m_tree, std::move(path), value, XML_READ_FAILED_INT32, PathLog::None);
}

int XMLParse::ReadXML(std::string path, std::string* value) {
    // A failed string read leaves the caller's text as it was.
    if (value == nullptr) return 0;
    try {
        std::string text;
        int result = ReadAttribute(m_tree, std::move(path), &text, kStringReadFailed, PathLog::None);
        if (result == 1) *value = std::move(text);
        return result;
    } catch (const std::exception&) {
        return 0;
    }
}

template <typename Value>
int XMLParse::PutAttribute(std::string path, const Value& value, PathLog log) {
    std::string original;
    try {
        original = path;
        if (!MakeAttrPath(path)) {
            LogPathError(log, original);
            return 0;
        }
        xmlvalue::Put(m_tree, path, value);
        return 1;
    } catch (const std::exception&) {
        LogPathError(log, original);
        return 0;
    }
}

int XMLParse::WriteXML(std::string path, std::uint64_t value) {
    return PutAttribute(std::move(path), value, PathLog::WriteUint64);
}
int XMLParse::WriteXML(std::string path, std::uint32_t value) {
    return PutAttribute(std::move(path), value, PathLog::WriteUint32);
}
int XMLParse::WriteXML(std::string path, float value) { return PutAttribute(std::move(path), value, PathLog::None); }
int XMLParse::WriteXML(std::string path, std::int32_t value) {
    return PutAttribute(std::move(path), value, PathLog::None);
}
int XMLParse::WriteXML(std::string path, std::string value) {
    return PutAttribute(std::move(path), value, PathLog::None);
}

// Replaces the value at `target` when the node exists, else appends a new
// node there (missing steps created).
template <typename Value>
int XMLParse::SetAt(const std::string& target, const Value& value, PathLog log) {
    try {
        if (NodeExists(target)) {
            xmlvalue::Put(m_tree, target, value);
        } else {
            xmlvalue::Add(m_tree, target, value);
        }
        return 1;
    } catch (const std::exception&) {
        LogPathError(log, target);
        return 0;
    }
}

template <typename Value>
int XMLParse::SetAttribute(std::string path, const Value& value) {
    try {
        if (!MakeAttrPath(path)) return 0;  // a path without '.' names no attribute
    } catch (const std::exception&) {
        return 0;
    }
    return SetAt(path, value, WriteLogKind<Value>());
}

int XMLParse::SetXMLAttr(std::string path, std::uint64_t value) { return SetAttribute(std::move(path), value); }
int XMLParse::SetXMLAttr(std::string path, std::uint32_t value) { return SetAttribute(std::move(path), value); }
int XMLParse::SetXMLAttr(std::string path, float value) { return SetAttribute(std::move(path), value); }
int XMLParse::SetXMLAttr(std::string path, std::int32_t value) { return SetAttribute(std::move(path), value); }
int XMLParse::SetXMLAttr(std::string path, std::string value) { return SetAttribute(std::move(path), value); }
int XMLParse::SetXMLValue(std::string path, float value) { return SetAt(path, value, PathLog::None); }
int XMLParse::SetXMLValue(std::string path, std::int32_t value) { return SetAt(path, value, PathLog::None); }
int XMLParse::SetXMLValue(std::string path, std::string value) { return SetAt(path, value, PathLog::None); }

int XMLParse::RemoveXMLNode(std::string path) {
    try {
        std::vector<std::string> steps = SplitPath(path);
        if (steps.empty() || !NodeExists(path)) return 1;  // nothing to remove
        std::string key = steps.back();
        steps.pop_back();
        std::string parentPath;
        for (const std::string& step : steps) parentPath += (parentPath.empty() ? "" : ".") + step;
        ptree* parent = FindNode(parentPath);  // the root for a one-step path
        for (auto child = parent->begin(); child != parent->end(); ++child) {
            if (child->first == key) {
                parent->erase(child);
                break;
            }
        }
        return 1;
    } catch (const std::exception&) {
        return 0;
    }
}

int XMLParse::RemoveXMLAttr(std::string path) {
    try {
        if (!MakeAttrPath(path)) return 0;  // no attribute to name
    } catch (const std::exception&) {
        return 0;
    }
    return RemoveXMLNode(std::move(path));
}
