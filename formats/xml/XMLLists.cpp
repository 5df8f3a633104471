// XMLParse: list and table forms.
//
// A list is an element whose children are "item" elements, each holding one
// value in its attribute "key". A table is an element whose "item" children
// are rows: the attribute "key" names the row, and each column is the
// attribute that the column map names.
#include <exception>
#include <iterator>
#include <set>

#include "formats/xml/XMLParse.h"
#include "formats/xml/XMLValueText.h"

using boost::property_tree::ptree;

namespace {

const char kItem[] = "item";
const char kAttributes[] = "<xmlattr>";
const char kComment[] = "<xmlcomment>";
const char kKeyAttribute[] = "<xmlattr>.key";

// Children that are neither entries nor foreign elements.
bool IsMarkup(const std::string& key) { return key == kAttributes || key == kComment; }

// An attribute name as one path step, even when it holds a '.'.
ptree::path_type AttributeName(const std::string& name) { return ptree::path_type(name, '\0'); }

void RemoveItems(ptree& node) {
    for (auto child = node.begin(); child != node.end();) {
        child = child->first == kItem ? node.erase(child) : std::next(child);
    }
}

}  // namespace

template <typename Value>
int XMLParse::ReadList(const std::string& path, std::vector<Value>* values) {
    if (values == nullptr) return 0;
    values->clear();
    try {
        const ptree* node = FindNode(path);
        if (node == nullptr || SplitPath(path).empty()) return 0;
        for (const auto& child : *node) {
            if (IsMarkup(child.first)) continue;
            // A foreign child ends the read; the values before it stay.
            if (child.first != kItem) return 0;
            boost::optional<const ptree&> key = child.second.get_child_optional(kKeyAttribute);
            if (!key) return 0;
            std::optional<Value> value = xmlvalue::FromText<Value>(key->data());
            if (!value) return 0;
            values->push_back(*value);
        }
        return 1;
    } catch (const std::exception&) {
        return 0;
    }
}

template <typename Value>
int XMLParse::WriteList(const std::string& path, const std::vector<Value>* values) {
    if (values == nullptr) return 0;
    try {
        ptree* node = SplitPath(path).empty() ? nullptr : FindNode(path);
        if (node == nullptr) return 0;
        std::vector<ptree> items(values->size());
        for (std::size_t i = 0; i < values->size(); ++i) xmlvalue::Put(items[i], kKeyAttribute, (*values)[i]);
        RemoveItems(*node);
        for (ptree& item : items) node->push_back(ptree::value_type(kItem, std::move(item)));
        return 1;
    } catch (const std::exception&) {
        return 0;
    }
}

template <typename Value>
int XMLParse::SetList(const std::string& path, const std::vector<Value>* values) {
    if (values == nullptr) return 0;
    if (SetXMLValue(path, std::string()) == 0) return 0;
    return WriteList(path, values);
}

int XMLParse::ReadXMLList(std::string path, std::vector<float>* values) { return ReadList(path, values); }
int XMLParse::ReadXMLList(std::string path, std::vector<std::int32_t>* values) { return ReadList(path, values); }
int XMLParse::ReadXMLList(std::string path, std::vector<std::string>* values) { return ReadList(path, values); }
int XMLParse::WriteXMLList(std::string path, const std::vector<float>* values) { return WriteList(path, values); }
int XMLParse::WriteXMLList(std::string path, const std::vector<std::int32_t>* values) {
    return WriteList(path, values);
}
int XMLParse::WriteXMLList(std::string path, const std::vector<std::string>* values) {
    // A missing element is created by the setter, which writes once more
    // without falling back again.
    int result = WriteList(path, values);
    if (result == 0 && values != nullptr) result = SetList(path, values);
    return result;
}
int XMLParse::SetXMLList(std::string path, const std::vector<float>* values) { return SetList(path, values); }
int XMLParse::SetXMLList(std::string path, const std::vector<std::int32_t>* values) { return SetList(path, values); }
int XMLParse::SetXMLList(std::string path, const std::vector<std::string>* values) { return SetList(path, values); }

HRESULT XMLParse::ReadXMLTable(std::string path, XMLColumnMap columns, XMLTable* table, std::string defaultText) {
    if (table == nullptr) return E_FAIL;
    try {
        const ptree* node = SplitPath(path).empty() ? nullptr : FindNode(path);
        if (node == nullptr) return E_FAIL;
        // Cells for every named column, and the default text for each gap in
        // the indexes from 0 up.
        std::set<std::int32_t> indexes;
        for (const auto& column : columns) indexes.insert(column.first);
        for (std::int32_t i = 0; !columns.empty() && i < columns.rbegin()->first; ++i) indexes.insert(i);
        XMLTable rows;
        for (const auto& child : *node) {
            if (IsMarkup(child.first)) continue;
            boost::optional<const ptree&> attributes = child.second.get_child_optional(kAttributes);
            auto text = [&](const std::string& name) {
                if (!attributes) return defaultText;
                boost::optional<const ptree&> attribute = attributes->get_child_optional(AttributeName(name));
                return attribute ? attribute->data() : defaultText;
            };
            std::map<std::int32_t, std::string> row;
            for (std::int32_t index : indexes) {
                auto column = columns.find(index);
                row[index] = column == columns.end() ? defaultText : text(column->second);
            }
            rows.emplace(text("key"), std::move(row));  // the first row of a key wins
        }
        table->swap(rows);
        return S_OK;
    } catch (const std::exception&) {
        return E_FAIL;
    }
}

HRESULT XMLParse::WriteXMLTable(std::string path, XMLColumnMap columns, const XMLTable* table) {
    if (table == nullptr) return E_FAIL;
    try {
        ptree* node = SplitPath(path).empty() ? nullptr : FindNode(path);
        if (node == nullptr) return E_FAIL;
        std::vector<ptree> items;
        for (const auto& row : *table) {
            // The row key goes along so that reading the table back finds it;
            // a column named "key" takes its place.
            ptree attributes;
            attributes.put(AttributeName("key"), row.first);
            for (const auto& cell : row.second) {
                auto column = columns.find(cell.first);
                // A cell without a column name would be lost: refuse the table.
                if (column == columns.end() || column->second.empty()) return E_FAIL;
                attributes.put(AttributeName(column->second), cell.second);
            }
            ptree item;
            item.add_child(kAttributes, attributes);
            items.push_back(std::move(item));
        }
        RemoveItems(*node);
        for (ptree& item : items) node->push_back(ptree::value_type(kItem, std::move(item)));
        return S_OK;
    } catch (const std::exception&) {
        return E_FAIL;
    }
}
