#include "tests/formats/fuzz/FuzzTargets.h"

#include <boost/property_tree/xml_parser.hpp>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "formats/json/CJsonObject.h"
#include "formats/json/JsonCore.h"
#include "formats/xml/XMLParse.h"
#include "formats/zip/ZipReaderApi.h"

namespace fuzztargets {

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

std::string TakeText(char* text) {
    Require(text != nullptr);
    std::string result(text);
    JsonFreeText(text);
    return result;
}

}  // namespace

bool XmlLoad(const std::uint8_t* data, std::size_t size) {
    if (size > XML_MAX_DOCUMENT_BYTES) return false;
    // Exactly `size` bytes with nothing after them, so a read past the end
    // shows up under the address sanitizer.
    std::unique_ptr<char[]> text(new char[size == 0 ? 1 : size]);
    std::copy(data, data + size, text.get());
    XMLParse document;
    if (document.LoadFromString(text.get(), static_cast<std::int32_t>(size)) == 0) {
        Require(document.GetTree()->empty());  // a failed load keeps the (empty) tree
        return false;
    }
    // Paths from the document's own names: each top-level element and each
    // of its attributes and children.
    std::vector<std::string> paths;
    for (const auto& top : *document.GetTree()) {
        paths.push_back(top.first + ".size");
        for (const auto& child : top.second) {
            if (child.first == "<xmlattr>") {
                for (const auto& attribute : child.second) paths.push_back(top.first + "." + attribute.first);
            } else {
                paths.push_back(top.first + "." + child.first);
                paths.push_back(top.first + "." + child.first + ".value");
            }
        }
        if (paths.size() > 64) break;
    }
    std::unique_ptr<IXMLParse> copy(document.Clone());
    Require(copy != nullptr);
    for (const std::string& path : paths) {
        std::int32_t signedValue = 0;
        std::uint32_t narrow = 0;
        std::uint64_t wide = 0;
        float single = 0;
        std::string text;
        document.ReadXML(path, &signedValue);
        document.ReadXML(path, &narrow);
        document.ReadXML(path, &wide);
        document.ReadXML(path, &single);
        document.ReadXML(path, &text);
        std::vector<std::int32_t> ints;
        std::vector<std::string> texts;
        document.ReadXMLList(path, &ints);
        document.ReadXMLList(path, &texts);
        XMLTable table;
        document.ReadXMLTable(path, {{0, "key"}, {1, "value"}}, &table, "");
        copy->WriteXML(path, std::string("x"));
        copy->SetXMLAttr(path, std::int32_t{1});
        copy->WriteXMLList(path, &texts);
        copy->WriteXMLTable(path, {{0, "key"}, {1, "value"}}, &table);
        copy->RemoveXMLAttr(path);
    }
    for (const std::string& path : paths) copy->RemoveXMLNode(path);
    // Whatever the tree holds, the writer must be able to format it.
    std::ostringstream out;
    try {
        boost::property_tree::write_xml(out, *document.GetTree());
    } catch (const std::exception&) {
        // Names the writer cannot express (such as an empty tag) are refused by it.
    }
    return true;
}

bool JsonParse(const std::uint8_t* data, std::size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    JsonNode* root = ::JsonParse(text.c_str());
    if (root == nullptr) {
        const char* error = JsonGetErrorPtr();
        Require(error != nullptr && error >= text.c_str() && error <= text.c_str() + text.size());
        return false;
    }
    std::string compact = TakeText(JsonPrintUnformatted(root));
    std::string formatted = TakeText(JsonPrint(root));
    // The printers always produce text that parses again.
    for (const std::string& printed : {compact, formatted}) {
        JsonNode* again = ::JsonParse(printed.c_str());
        Require(again != nullptr);
        JsonDelete(again);
    }
    JsonDelete(root);

    CJsonObject object(text);
    Require(object.ToString() == compact);
    if (object.IsArray()) {
        for (int i = 0; i < object.GetArraySize() && i < 16; ++i) {
            std::int64_t number = 0;
            object.Get(i, number);
            object(i);
            object[i].ToString();
        }
        object.Add(std::string("added"));
        object.Replace(0, std::int32_t{1});
        object.Delete(0);
    } else {
        for (const char* key : {"result", "res", "token_id", "data", "a"}) {
            std::string value;
            object.Get(key, value);
            object(key);
            object[key]["res"].ToString();
            object.Replace(key, true, true);
            object.Delete(key);
        }
    }
    CJsonObject copy(object);
    copy.ToFormattedString();
    return true;
}

bool ZipRead(const std::uint8_t* data, std::size_t size) {
    if (size == 0 || size > 1 << 20) return false;
    // Exactly `size` bytes, so a read past the end shows under the address sanitizer.
    std::unique_ptr<std::uint8_t[]> bytes(new std::uint8_t[size]);
    std::copy(data, data + size, bytes.get());
    bool opened = false;
    for (const char* password : {static_cast<const char*>(nullptr), "password"}) {
        HZIP zip = ZipOpenMemory(bytes.get(), static_cast<DWORD>(size), password);
        if (zip == nullptr) continue;
        opened = true;
        ZipEntryInfo info{};
        Require(ZipGetItem(zip, -1, &info) == ZR_OK && info.index >= 0);
        int count = info.index < 64 ? info.index : 64;
        std::vector<std::uint8_t> out(4096);
        for (int index = 0; index < count; ++index) {
            if (ZipGetItem(zip, index, &info) != ZR_OK) break;
            Require(info.name[MAX_PATH - 1] == L'\0');
            int found = -1;
            ZipFindItem(zip, info.name, true, &found, &info);
            // At most 1 MiB of output per entry: a small archive may claim far more.
            ZRESULT result = ZR_MORE;
            for (int calls = 0; result == ZR_MORE && calls < 256; ++calls) {
                DWORD produced = 0;
                result = ZipUnzipToMemory(zip, index, out.data(), static_cast<DWORD>(out.size()), &produced);
                Require(produced <= out.size());
            }
        }
        Require(ZipCloseReader(zip) == ZR_OK);
    }
    return opened;
}

}  // namespace fuzztargets
