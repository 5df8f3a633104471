// XMLParse: IXMLParse over a Boost property tree, parsed and written by
// Boost's XML reader and writer.
//
// Tree shape: the root has no key; each element is a child keyed by its tag
// with its trimmed text as value; its attributes are the children of a child
// keyed "<xmlattr>"; comments are children keyed "<xmlcomment>".
#pragma once

#include <boost/property_tree/ptree.hpp>
#include <cstddef>
#include <string>
#include <vector>

#include "formats/xml/IXMLParse.h"

// Largest text that LoadFromString and LoadFromFile accept.
inline constexpr std::size_t XML_MAX_DOCUMENT_BYTES = 8u << 20;
// Deepest element nesting accepted on load; the reader and the tree recurse
// once per level.
inline constexpr int XML_MAX_DEPTH = 256;

class XMLParse : public IXMLParse {
public:
    XMLParse() = default;
    XMLParse(const XMLParse& other) = default;
    XMLParse& operator=(const XMLParse&) = delete;
    ~XMLParse() override = default;

    IXMLParse* Clone() override;

    int ReadXMLList(std::string path, std::vector<float>* values) override;
    int ReadXMLList(std::string path, std::vector<std::int32_t>* values) override;
    int ReadXMLList(std::string path, std::vector<std::string>* values) override;
    int ReadXML(std::string path, std::uint64_t* value) override;
    int ReadXML(std::string path, std::uint32_t* value) override;
    int ReadXML(std::string path, float* value) override;
    int ReadXML(std::string path, std::int32_t* value) override;
    int ReadXML(std::string path, std::string* value) override;
    int WriteXMLList(std::string path, const std::vector<float>* values) override;
    int WriteXMLList(std::string path, const std::vector<std::int32_t>* values) override;
    int WriteXMLList(std::string path, const std::vector<std::string>* values) override;
    int WriteXML(std::string path, std::uint64_t value) override;
    int WriteXML(std::string path, std::uint32_t value) override;
    int WriteXML(std::string path, float value) override;
    int WriteXML(std::string path, std::int32_t value) override;
    int WriteXML(std::string path, std::string value) override;
    int SetXMLAttr(std::string path, std::uint64_t value) override;
    int SetXMLAttr(std::string path, std::uint32_t value) override;
    int SetXMLList(std::string path, const std::vector<float>* values) override;
    int SetXMLList(std::string path, const std::vector<std::int32_t>* values) override;
    int SetXMLList(std::string path, const std::vector<std::string>* values) override;
    int SetXMLAttr(std::string path, float value) override;
    int SetXMLAttr(std::string path, std::int32_t value) override;
    int SetXMLAttr(std::string path, std::string value) override;
    int SetXMLValue(std::string path, float value) override;
    int SetXMLValue(std::string path, std::int32_t value) override;
    int SetXMLValue(std::string path, std::string value) override;
    int RemoveXMLAttr(std::string path) override;
    int RemoveXMLNode(std::string path) override;
    int LoadFromString(const char* text, std::int32_t length) override;
    int LoadFromFile(std::wstring path) override;
    int IsLoaded() override { return m_nLoaded; }
    int Save() override { return SaveToFile(m_strFilePath); }
    int SaveToFile(std::wstring path) override;
    boost::property_tree::ptree* GetTree() override { return &m_tree; }
    HRESULT ReadXMLTable(std::string path, XMLColumnMap columns, XMLTable* table, std::string defaultText) override;
    HRESULT WriteXMLTable(std::string path, XMLColumnMap columns, const XMLTable* table) override;

    // Turns a path into its attribute form in place by inserting ".<xmlattr>"
    // before the last '.'; false (path unchanged) when there is no '.'.
    static bool MakeAttrPath(std::string& path);
    // The steps of a path; empty steps are dropped ("a..b." gives a, b).
    static std::vector<std::string> SplitPath(const std::string& path);
    // True when every step of the path names a child, taking the first child
    // of each key.
    bool NodeExists(const std::string& path) const;

    // Which log line a failing member writes (defined with the members).
    enum class PathLog;

private:
    // The node named by the path (first child per step), or null. An empty
    // path names the root.
    boost::property_tree::ptree* FindNode(const std::string& path);
    // The bodies of LoadFromFile and SaveToFile; they may throw.
    int LoadFile(const std::wstring& path);
    int SaveFile(const std::wstring& path);

    template <typename Value>
    int ReadList(const std::string& path, std::vector<Value>* values);
    template <typename Value>
    int WriteList(const std::string& path, const std::vector<Value>* values);
    // Creates the list element when it is missing, then writes the list.
    template <typename Value>
    int SetList(const std::string& path, const std::vector<Value>* values);
    template <typename Value>
    int PutAttribute(std::string path, const Value& value, PathLog log);
    template <typename Value>
    int SetAt(const std::string& target, const Value& value, PathLog log);
    template <typename Value>
    int SetAttribute(std::string path, const Value& value);

    boost::property_tree::ptree m_tree;
    std::wstring m_strFilePath;
    int m_nLoaded = 0;
};
