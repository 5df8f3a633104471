// CJsonObject: life cycle, access and editing.
//
// Error texts, exact: "json data is null!" (no node to work on),
// "not a json object! json array?" (key operation on a non-object),
// "not a json array! json object?" (index operation on a non-array),
// "prase json string error at " + the text from the failing byte (parse),
// "create sub empty object error!" and "create sub empty array error!".
#include "formats/json/CJsonObject.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <unordered_set>

namespace {

const char kNoData[] = "json data is null!";
const char kNotObject[] = "not a json object! json array?";
const char kNotArray[] = "not a json array! json object?";
const char kParseError[] = "prase json string error at ";

// Texts from the core's printers, released as they were allocated.
std::string TakeText(char* text) {
    if (text == nullptr) return std::string();
    std::string result(text);
    JsonFreeText(text);
    return result;
}

bool SameKeyIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        unsigned char ca = static_cast<unsigned char>(a[i]);
        unsigned char cb = static_cast<unsigned char>(b[i]);
        if (ca >= 'A' && ca <= 'Z') ca = static_cast<unsigned char>(ca + 32);
        if (cb >= 'A' && cb <= 'Z') cb = static_cast<unsigned char>(cb + 32);
        if (ca != cb) return false;
    }
    return true;
}

std::uint32_t CacheIndex(int index) { return index < 0 ? 0u : static_cast<std::uint32_t>(index); }

void CollectNodes(const JsonNode* node, std::unordered_set<const JsonNode*>& nodes) {
    nodes.insert(node);
    if ((node->type & JSON_IS_REFERENCE) != 0) return;
    for (const JsonNode* child = node->child; child != nullptr; child = child->next) CollectNodes(child, nodes);
}

std::string ValueText(const JsonNode* node) {
    if (node == nullptr) return std::string();
    char text[128];
    switch (node->type) {
        case JSON_STRING: return node->stringValue != nullptr ? node->stringValue : "";
        case JSON_INT: {
            if (node->sign == -1) {
                auto value = static_cast<std::int64_t>(node->intValue);
                if (value >= INT32_MIN && value <= INT32_MAX) {
                    std::snprintf(text, sizeof text, "%d", static_cast<int>(value));
                } else {
                    std::snprintf(text, sizeof text, "%lld", static_cast<long long>(value));
                }
            } else if (node->intValue < (std::uint64_t{1} << 32)) {
                std::snprintf(text, sizeof text, "%u", static_cast<unsigned>(node->intValue));
            } else {
                std::snprintf(text, sizeof text, "%llu", static_cast<unsigned long long>(node->intValue));
            }
            return text;
        }
        case JSON_DOUBLE: {
            double magnitude = std::fabs(node->doubleValue);
            std::snprintf(text, sizeof text, (magnitude < 1.0e-6 || magnitude > 1.0e9) ? "%e" : "%f",
                          node->doubleValue);
            return text;
        }
        case JSON_TRUE: return "true";
        case JSON_FALSE: return "false";
        default: return std::string();
    }
}

// Typed reads: each accepts only its own node kind.
bool ReadNode(const JsonNode* node, std::string& value) {
    if (node == nullptr || node->type != JSON_STRING) return false;
    value = node->stringValue != nullptr ? node->stringValue : "";
    return true;
}
template <typename Integer>
bool ReadInteger(const JsonNode* node, Integer& value) {
    if (node == nullptr || node->type != JSON_INT) return false;
    value = static_cast<Integer>(node->intValue);  // the low bits, as wide as the out value
    return true;
}
bool ReadNode(const JsonNode* node, std::int32_t& value) { return ReadInteger(node, value); }
bool ReadNode(const JsonNode* node, std::uint32_t& value) { return ReadInteger(node, value); }
bool ReadNode(const JsonNode* node, std::int64_t& value) { return ReadInteger(node, value); }
bool ReadNode(const JsonNode* node, std::uint64_t& value) { return ReadInteger(node, value); }
bool ReadNode(const JsonNode* node, bool& value) {
    if (node == nullptr || (node->type != JSON_TRUE && node->type != JSON_FALSE)) return false;
    value = node->type == JSON_TRUE;
    return true;
}
bool ReadNode(const JsonNode* node, double& value) {
    if (node == nullptr || node->type != JSON_DOUBLE) return false;
    value = node->doubleValue;
    return true;
}
bool ReadNode(const JsonNode* node, float& value) {
    double wide = 0.0;
    if (!ReadNode(node, wide)) return false;
    value = static_cast<float>(wide);
    return true;
}
// A sub-document read takes a node of any kind; `value` parses a copy of its
// indented text.
bool ReadNode(const JsonNode* node, CJsonObject& value) {
    if (node == nullptr) return false;
    std::string text = TakeText(JsonPrint(node));
    return value.Parse(text);
}

// Scalar node makers; each returns null when the core cannot allocate.
auto MakeString(const std::string& value) {
    return [&value] { return JsonCreateString(value.c_str()); };
}
auto MakeSigned(std::int64_t value) {
    return [value] { return JsonCreateInt(static_cast<std::uint64_t>(value), -1); };
}
auto MakeUnsigned(std::uint64_t value) {
    return [value] { return JsonCreateInt(value, 1); };
}
auto MakeBool(bool value) {
    return [value] { return JsonCreateBool(value ? 1 : 0); };
}
auto MakeDouble(double value) {
    return [value] { return JsonCreateDouble(value, -1); };
}

}  // namespace

struct CJsonObject::ViewRegistry {
    std::vector<CJsonObject*> views;

    void Add(CJsonObject* view) { views.push_back(view); }
    void Remove(CJsonObject* view) { views.erase(std::remove(views.begin(), views.end(), view), views.end()); }
};

CJsonObject::CJsonObject() = default;

CJsonObject::CJsonObject(const std::string& text) { Parse(text); }

CJsonObject::CJsonObject(const CJsonObject* other) {
    if (other != nullptr) Parse(other->ToString());
}

CJsonObject::CJsonObject(const CJsonObject& other) { Parse(other.ToString()); }

CJsonObject::CJsonObject(JsonNode* node) : m_pBorrowedNode(node) {}

CJsonObject::~CJsonObject() { Clear(); }

CJsonObject& CJsonObject::operator=(const CJsonObject& other) {
    std::string text = other.ToString();  // before Clear: `other` may be one of our views
    Parse(text);
    return *this;
}

bool CJsonObject::operator==(const CJsonObject& other) const { return ToString() == other.ToString(); }

bool CJsonObject::Parse(const std::string& text) {
    Clear();
    m_pOwnedRoot = JsonParse(text.c_str());
    if (m_pOwnedRoot == nullptr) {
        RecordParseError();
        return false;
    }
    m_pViewRegistry = std::make_shared<ViewRegistry>();
    return true;
}

void CJsonObject::Clear() {
    if (m_pBorrowedNode != nullptr && m_pViewRegistry != nullptr) m_pViewRegistry->Remove(this);
    m_pBorrowedNode = nullptr;
    for (auto& entry : m_mapIndexViews) delete entry.second;
    for (auto& entry : m_mapKeyViews) delete entry.second;
    for (CJsonObject* view : m_vecRetiredViews) delete view;
    m_mapIndexViews.clear();
    m_mapKeyViews.clear();
    m_vecRetiredViews.clear();
    if (m_pOwnedRoot != nullptr) {
        JsonDelete(m_pOwnedRoot);
        m_pOwnedRoot = nullptr;
    }
    m_pViewRegistry.reset();
}

bool CJsonObject::IsEmpty() const { return m_pOwnedRoot == nullptr && m_pBorrowedNode == nullptr; }

bool CJsonObject::IsArray() const {
    const JsonNode* node = Current();
    return node != nullptr && node->type == JSON_ARRAY;
}

std::string CJsonObject::ToString() const {
    return Current() == nullptr ? "" : TakeText(JsonPrintUnformatted(Current()));
}

std::string CJsonObject::ToFormattedString() const {
    return Current() == nullptr ? "" : TakeText(JsonPrint(Current()));
}

JsonNode* CJsonObject::Member(const std::string& key) const {
    const JsonNode* node = Current();
    if (node == nullptr || node->type != JSON_OBJECT) return nullptr;
    return JsonGetObjectItem(node, key.c_str());
}

JsonNode* CJsonObject::Element(int index) const {
    const JsonNode* node = Current();
    if (node == nullptr || node->type != JSON_ARRAY) return nullptr;
    return JsonGetArrayItem(node, index);
}

CJsonObject& CJsonObject::CacheView(CJsonObject* view) {
    if (view->m_pBorrowedNode != nullptr && m_pViewRegistry != nullptr) {
        view->m_pViewRegistry = m_pViewRegistry;
        m_pViewRegistry->Add(view);
    }
    return *view;
}

CJsonObject& CJsonObject::operator[](const std::string& key) {
    auto found = m_mapKeyViews.find(key);
    if (found != m_mapKeyViews.end()) return *found->second;
    JsonNode* member = Member(key);
    auto* view = member != nullptr ? new CJsonObject(member) : new CJsonObject();
    m_mapKeyViews[key] = view;
    return CacheView(view);
}

CJsonObject& CJsonObject::operator[](int index) {
    std::uint32_t slot = CacheIndex(index);
    auto found = m_mapIndexViews.find(slot);
    if (found != m_mapIndexViews.end()) return *found->second;
    JsonNode* element = Element(index);
    auto* view = element != nullptr ? new CJsonObject(element) : new CJsonObject();
    m_mapIndexViews[slot] = view;
    return CacheView(view);
}

std::string CJsonObject::operator()(const std::string& key) const { return ValueText(Member(key)); }
std::string CJsonObject::operator()(int index) const { return ValueText(Element(index)); }

int CJsonObject::GetArraySize() const { return IsArray() ? JsonGetArraySize(Current()) : 0; }

bool CJsonObject::Get(const std::string& key, CJsonObject& value) const { return ReadNode(Member(key), value); }
bool CJsonObject::Get(int index, CJsonObject& value) const { return ReadNode(Element(index), value); }

bool CJsonObject::Get(const std::string& key, std::string& value) const { return ReadNode(Member(key), value); }
bool CJsonObject::Get(const std::string& key, std::int32_t& value) const { return ReadNode(Member(key), value); }
bool CJsonObject::Get(const std::string& key, std::uint32_t& value) const { return ReadNode(Member(key), value); }
bool CJsonObject::Get(const std::string& key, std::int64_t& value) const { return ReadNode(Member(key), value); }
bool CJsonObject::Get(const std::string& key, std::uint64_t& value) const { return ReadNode(Member(key), value); }
bool CJsonObject::Get(const std::string& key, bool& value) const { return ReadNode(Member(key), value); }
bool CJsonObject::Get(const std::string& key, float& value) const { return ReadNode(Member(key), value); }
bool CJsonObject::Get(const std::string& key, double& value) const { return ReadNode(Member(key), value); }
bool CJsonObject::Get(int index, std::string& value) const { return ReadNode(Element(index), value); }
bool CJsonObject::Get(int index, std::int32_t& value) const { return ReadNode(Element(index), value); }
bool CJsonObject::Get(int index, std::uint32_t& value) const { return ReadNode(Element(index), value); }
bool CJsonObject::Get(int index, std::int64_t& value) const { return ReadNode(Element(index), value); }
bool CJsonObject::Get(int index, std::uint64_t& value) const { return ReadNode(Element(index), value); }
bool CJsonObject::Get(int index, bool& value) const { return ReadNode(Element(index), value); }
bool CJsonObject::Get(int index, float& value) const { return ReadNode(Element(index), value); }
bool CJsonObject::Get(int index, double& value) const { return ReadNode(Element(index), value); }

// --- editing -------------------------------------------------------------

bool CJsonObject::CreateRoot(int type) {
    m_pOwnedRoot = type == JSON_ARRAY ? JsonCreateArray() : JsonCreateObject();
    if (m_pOwnedRoot == nullptr) {
        m_strLastError = kNoData;
        return false;
    }
    m_pViewRegistry = std::make_shared<ViewRegistry>();
    return true;
}

JsonNode* CJsonObject::CopyOf(const CJsonObject& value) {
    std::string text = value.ToString();
    JsonNode* node = JsonParse(text.c_str());
    if (node == nullptr) RecordParseError();
    return node;
}

void CJsonObject::RecordParseError() {
    const char* position = JsonGetErrorPtr();
    m_strLastError = kParseError;
    if (position != nullptr) m_strLastError += position;
}

void CJsonObject::Detach() {
    if (m_pViewRegistry != nullptr) m_pViewRegistry->Remove(this);
    m_pViewRegistry.reset();
    m_pBorrowedNode = nullptr;
}

void CJsonObject::InvalidateViewsOf(const JsonNode* subtree) {
    if (subtree == nullptr || m_pViewRegistry == nullptr) return;
    std::unordered_set<const JsonNode*> doomed;
    CollectNodes(subtree, doomed);
    std::vector<CJsonObject*> views = m_pViewRegistry->views;  // Detach edits the list
    for (CJsonObject* view : views) {
        if (view != this && view->m_pOwnedRoot == nullptr && doomed.count(view->m_pBorrowedNode) != 0) view->Detach();
    }
}

void CJsonObject::RetireKeyViews(const std::string& key) {
    for (auto entry = m_mapKeyViews.begin(); entry != m_mapKeyViews.end();) {
        if (SameKeyIgnoringCase(entry->first, key)) {
            m_vecRetiredViews.push_back(entry->second);
            entry = m_mapKeyViews.erase(entry);
        } else {
            ++entry;
        }
    }
}

void CJsonObject::RetireIndexViewsFrom(std::uint32_t first) {
    for (auto entry = m_mapIndexViews.lower_bound(first); entry != m_mapIndexViews.end();) {
        m_vecRetiredViews.push_back(entry->second);
        entry = m_mapIndexViews.erase(entry);
    }
}

void CJsonObject::RetireIndexView(std::uint32_t index) {
    auto entry = m_mapIndexViews.find(index);
    if (entry == m_mapIndexViews.end()) return;
    m_vecRetiredViews.push_back(entry->second);
    m_mapIndexViews.erase(entry);
}

JsonNode* CJsonObject::EditTarget(int type) {
    JsonNode* node = Current();
    if (node == nullptr) {
        m_strLastError = kNoData;
        return nullptr;
    }
    if (node->type != type) {
        m_strLastError = type == JSON_OBJECT ? kNotObject : kNotArray;
        return nullptr;
    }
    return node;
}

JsonNode* CJsonObject::AddTarget(int type) {
    if (Current() == nullptr && !CreateRoot(type)) return nullptr;
    return EditTarget(type);
}

template <typename MakeNode>
JsonNode* CJsonObject::AppendMember(const std::string& key, MakeNode make, const char* makeError) {
    JsonNode* node = AddTarget(JSON_OBJECT);
    if (node == nullptr) return nullptr;
    JsonNode* item = make();
    if (item == nullptr) {
        if (makeError != nullptr) m_strLastError = makeError;
        return nullptr;
    }
    JsonAddItemToObject(node, key.c_str(), item);
    RetireKeyViews(key);
    return node;
}

template <typename MakeNode>
bool CJsonObject::AddMember(const std::string& key, MakeNode make) {
    JsonNode* node = AppendMember(key, make, nullptr);
    return node != nullptr && JsonGetObjectItem(node, key.c_str()) != nullptr;
}

template <typename MakeNode>
bool CJsonObject::ReplaceMember(const std::string& key, MakeNode make) {
    JsonNode* node = EditTarget(JSON_OBJECT);
    if (node == nullptr) return false;
    JsonNode* item = make();
    if (item == nullptr) return false;
    JsonNode* old = JsonGetObjectItem(node, key.c_str());
    if (old == nullptr) {
        JsonDelete(item);
        return false;
    }
    InvalidateViewsOf(old);
    JsonReplaceItemInObject(node, key.c_str(), item);
    RetireKeyViews(key);
    return JsonGetObjectItem(node, key.c_str()) != nullptr;
}

template <typename MakeNode>
bool CJsonObject::AddElement(bool asFirst, MakeNode make) {
    JsonNode* node = AddTarget(JSON_ARRAY);
    if (node == nullptr) return false;
    JsonNode* item = make();
    if (item == nullptr) return false;
    int before = JsonGetArraySize(node);
    if (asFirst) {
        JsonAddItemToArrayHead(node, item);
        RetireIndexViewsFrom(0);
    } else {
        JsonAddItemToArray(node, item);
        RetireIndexViewsFrom(static_cast<std::uint32_t>(before));
    }
    return JsonGetArraySize(node) > before;
}

template <typename MakeNode>
bool CJsonObject::ReplaceElement(int index, MakeNode make) {
    JsonNode* node = EditTarget(JSON_ARRAY);
    if (node == nullptr) return false;
    JsonNode* item = make();
    if (item == nullptr) return false;
    InvalidateViewsOf(JsonGetArrayItem(node, index));
    JsonReplaceItemInArray(node, index, item);
    RetireIndexView(CacheIndex(index));
    return JsonGetArrayItem(node, index) != nullptr;
}

// These report success once the node is handed to the object, without
// looking the member up again as AddMember does.
bool CJsonObject::AddEmptySubObject(const std::string& key) {
    return AppendMember(key, JsonCreateObject, "create sub empty object error!") != nullptr;
}

bool CJsonObject::AddEmptySubArray(const std::string& key) {
    return AppendMember(key, JsonCreateArray, "create sub empty array error!") != nullptr;
}

bool CJsonObject::Delete(const std::string& key) {
    JsonNode* node = EditTarget(JSON_OBJECT);
    if (node == nullptr) return false;
    InvalidateViewsOf(JsonGetObjectItem(node, key.c_str()));
    JsonDeleteItemFromObject(node, key.c_str());
    RetireKeyViews(key);
    return true;
}

bool CJsonObject::Delete(int index) {
    JsonNode* node = EditTarget(JSON_ARRAY);
    if (node == nullptr) return false;
    InvalidateViewsOf(JsonGetArrayItem(node, index));
    JsonDeleteItemFromArray(node, index);
    RetireIndexViewsFrom(CacheIndex(index));
    return true;
}

bool CJsonObject::AddBoolElement(bool value, bool) { return AddElement(false, MakeBool(value)); }

// --- the value overloads -------------------------------------------------

bool CJsonObject::Add(const std::string& key, const CJsonObject& value) {
    return AddMember(key, [&] { return CopyOf(value); });
}
bool CJsonObject::Add(const std::string& key, const std::string& value) { return AddMember(key, MakeString(value)); }
bool CJsonObject::Add(const std::string& key, std::int32_t value) { return AddMember(key, MakeSigned(value)); }
bool CJsonObject::Add(const std::string& key, std::uint32_t value) { return AddMember(key, MakeUnsigned(value)); }
bool CJsonObject::Add(const std::string& key, std::int64_t value) { return AddMember(key, MakeSigned(value)); }
bool CJsonObject::Add(const std::string& key, std::uint64_t value) { return AddMember(key, MakeUnsigned(value)); }
bool CJsonObject::Add(const std::string& key, bool value, bool) { return AddMember(key, MakeBool(value)); }
bool CJsonObject::Add(const std::string& key, float value) { return AddMember(key, MakeDouble(value)); }
bool CJsonObject::Add(const std::string& key, double value) { return AddMember(key, MakeDouble(value)); }

bool CJsonObject::Replace(const std::string& key, const CJsonObject& value) {
    return ReplaceMember(key, [&] { return CopyOf(value); });
}
bool CJsonObject::Replace(const std::string& key, const std::string& value) {
    return ReplaceMember(key, MakeString(value));
}
bool CJsonObject::Replace(const std::string& key, std::int32_t value) { return ReplaceMember(key, MakeSigned(value)); }
bool CJsonObject::Replace(const std::string& key, std::uint32_t value) {
    return ReplaceMember(key, MakeUnsigned(value));
}
bool CJsonObject::Replace(const std::string& key, std::int64_t value) { return ReplaceMember(key, MakeSigned(value)); }
bool CJsonObject::Replace(const std::string& key, std::uint64_t value) {
    return ReplaceMember(key, MakeUnsigned(value));
}
bool CJsonObject::Replace(const std::string& key, bool value, bool) { return ReplaceMember(key, MakeBool(value)); }
bool CJsonObject::Replace(const std::string& key, float value) { return ReplaceMember(key, MakeDouble(value)); }
bool CJsonObject::Replace(const std::string& key, double value) { return ReplaceMember(key, MakeDouble(value)); }

bool CJsonObject::Add(const CJsonObject& value) {
    return AddElement(false, [&] { return CopyOf(value); });
}
bool CJsonObject::Add(const std::string& value) { return AddElement(false, MakeString(value)); }
bool CJsonObject::Add(std::int32_t value) { return AddElement(false, MakeSigned(value)); }
bool CJsonObject::Add(std::uint32_t value) { return AddElement(false, MakeUnsigned(value)); }
bool CJsonObject::Add(std::int64_t value) { return AddElement(false, MakeSigned(value)); }
bool CJsonObject::Add(std::uint64_t value) { return AddElement(false, MakeUnsigned(value)); }
bool CJsonObject::Add(float value) { return AddElement(false, MakeDouble(value)); }
bool CJsonObject::Add(double value) { return AddElement(false, MakeDouble(value)); }

bool CJsonObject::AddAsFirst(const CJsonObject& value) {
    return AddElement(true, [&] { return CopyOf(value); });
}
bool CJsonObject::AddAsFirst(const std::string& value) { return AddElement(true, MakeString(value)); }
bool CJsonObject::AddAsFirst(std::int32_t value) { return AddElement(true, MakeSigned(value)); }
bool CJsonObject::AddAsFirst(std::uint32_t value) { return AddElement(true, MakeUnsigned(value)); }
bool CJsonObject::AddAsFirst(std::int64_t value) { return AddElement(true, MakeSigned(value)); }
bool CJsonObject::AddAsFirst(std::uint64_t value) { return AddElement(true, MakeUnsigned(value)); }
bool CJsonObject::AddAsFirst(bool value, bool) { return AddElement(true, MakeBool(value)); }
bool CJsonObject::AddAsFirst(float value) { return AddElement(true, MakeDouble(value)); }
bool CJsonObject::AddAsFirst(double value) { return AddElement(true, MakeDouble(value)); }

bool CJsonObject::Replace(int index, const CJsonObject& value) {
    return ReplaceElement(index, [&] { return CopyOf(value); });
}
bool CJsonObject::Replace(int index, const std::string& value) { return ReplaceElement(index, MakeString(value)); }
bool CJsonObject::Replace(int index, std::int32_t value) { return ReplaceElement(index, MakeSigned(value)); }
bool CJsonObject::Replace(int index, std::uint32_t value) { return ReplaceElement(index, MakeUnsigned(value)); }
bool CJsonObject::Replace(int index, std::int64_t value) { return ReplaceElement(index, MakeSigned(value)); }
bool CJsonObject::Replace(int index, std::uint64_t value) { return ReplaceElement(index, MakeUnsigned(value)); }
bool CJsonObject::Replace(int index, bool value, bool) { return ReplaceElement(index, MakeBool(value)); }
bool CJsonObject::Replace(int index, float value) { return ReplaceElement(index, MakeDouble(value)); }
bool CJsonObject::Replace(int index, double value) { return ReplaceElement(index, MakeDouble(value)); }
