// IXMLParse: typed access to a small XML document through dotted paths.
//
// A path names nodes by their tags, one step per '.', from the document root:
// "download.url.size". The typed reads and writes and the attribute setters
// take the last step as the name of an attribute of the element named by the
// steps before it, so a path without '.' names no attribute and those calls
// fail. Lists are elements whose children are all "item" elements carrying
// the value in their attribute "key"; tables are elements whose "item"
// children are rows, one attribute per column.
//
// Results are 1 for success and 0 for failure unless stated. Reads that fail
// store the member's sentinel in the out value (999999 for the unsigned
// reads, -9999999 for the signed one, -99999.9f for the float one); the
// string read leaves its out value alone. A stored value equal to a sentinel
// still reads as success. No call lets an exception out.
//
// Callers hold documents through boost::shared_ptr (see CreateXMLParse).
// A document is used by one thread at a time.
//
// The slot order below is part of the interface; add new operations only at
// the end.
#pragma once

#include <boost/property_tree/ptree.hpp>
#include <boost/shared_ptr.hpp>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/base/Win32Types.h"

// Sentinels that failed reads store in their out values.
inline constexpr std::uint64_t XML_READ_FAILED_UINT64 = 999999;
inline constexpr std::uint32_t XML_READ_FAILED_UINT32 = 999999;
inline constexpr float XML_READ_FAILED_FLOAT = -99999.9f;
inline constexpr std::int32_t XML_READ_FAILED_INT32 = -9999999;

// Column index -> attribute name, and row key -> (column index -> text).
using XMLColumnMap = std::map<std::int32_t, std::string>;
using XMLTable = std::map<std::string, std::map<std::int32_t, std::string>>;

class IXMLParse {
public:
    virtual ~IXMLParse() = default;

    // A deep copy of the tree, file path and loaded flag; the caller owns it.
    // Null when it cannot be made.
    virtual IXMLParse* Clone() = 0;

    virtual int ReadXMLList(std::string path, std::vector<float>* values) = 0;
    virtual int ReadXMLList(std::string path, std::vector<std::int32_t>* values) = 0;
    virtual int ReadXMLList(std::string path, std::vector<std::string>* values) = 0;
    virtual int ReadXML(std::string path, std::uint64_t* value) = 0;
    virtual int ReadXML(std::string path, std::uint32_t* value) = 0;
    virtual int ReadXML(std::string path, float* value) = 0;
    virtual int ReadXML(std::string path, std::int32_t* value) = 0;
    virtual int ReadXML(std::string path, std::string* value) = 0;
    // List writes replace the element's "item" children; the element must
    // exist (the string form creates it when it is missing).
    virtual int WriteXMLList(std::string path, const std::vector<float>* values) = 0;
    virtual int WriteXMLList(std::string path, const std::vector<std::int32_t>* values) = 0;
    virtual int WriteXMLList(std::string path, const std::vector<std::string>* values) = 0;
    // Typed writes put the value into the first attribute at the path,
    // creating every missing step.
    virtual int WriteXML(std::string path, std::uint64_t value) = 0;
    virtual int WriteXML(std::string path, std::uint32_t value) = 0;
    virtual int WriteXML(std::string path, float value) = 0;
    virtual int WriteXML(std::string path, std::int32_t value) = 0;
    virtual int WriteXML(std::string path, std::string value) = 0;
    // Setters replace an existing attribute's (or element's) value in place
    // and otherwise append a new one.
    virtual int SetXMLAttr(std::string path, std::uint64_t value) = 0;
    virtual int SetXMLAttr(std::string path, std::uint32_t value) = 0;
    // List setters create the list element when it is missing, then write.
    virtual int SetXMLList(std::string path, const std::vector<float>* values) = 0;
    virtual int SetXMLList(std::string path, const std::vector<std::int32_t>* values) = 0;
    virtual int SetXMLList(std::string path, const std::vector<std::string>* values) = 0;
    virtual int SetXMLAttr(std::string path, float value) = 0;
    virtual int SetXMLAttr(std::string path, std::int32_t value) = 0;
    virtual int SetXMLAttr(std::string path, std::string value) = 0;
    virtual int SetXMLValue(std::string path, float value) = 0;
    virtual int SetXMLValue(std::string path, std::int32_t value) = 0;
    virtual int SetXMLValue(std::string path, std::string value) = 0;
    // Removal of the first node of the path; 1 also when there is none.
    virtual int RemoveXMLAttr(std::string path) = 0;
    virtual int RemoveXMLNode(std::string path) = 0;
    // Parses `length` bytes of `text` (no terminating NUL needed). On failure
    // the previous document stays.
    virtual int LoadFromString(const char* text, std::int32_t length) = 0;
    virtual int LoadFromFile(std::wstring path) = 0;
    // 1 once a file load succeeded.
    virtual int IsLoaded() = 0;
    // SaveToFile with the path of the last file load.
    virtual int Save() = 0;
    // Writes the document as UTF-8 XML indented with TABs, creating missing
    // folders. The file is replaced only once the whole text is written.
    // 1 on success; 0 when the text cannot be made, the file cannot be
    // opened or not every byte reaches it (the old file then stays).
    virtual int SaveToFile(std::wstring path) = 0;
    // The document tree, owned by this object.
    virtual boost::property_tree::ptree* GetTree() = 0;
    // S_OK or E_FAIL. Cells and row keys that a row lacks get `defaultText`.
    virtual HRESULT ReadXMLTable(std::string path, XMLColumnMap columns, XMLTable* table, std::string defaultText) = 0;
    // S_OK or E_FAIL. Each row is written with its key in the attribute "key"
    // and one attribute per cell; every cell's column must be in `columns`.
    virtual HRESULT WriteXMLTable(std::string path, XMLColumnMap columns, const XMLTable* table) = 0;
};

// Creates an empty document into `document`: S_OK, or E_FAIL when none could
// be made.
HRESULT CreateXMLParse(boost::shared_ptr<IXMLParse>& document);
