// CJsonObject: builds, reads and edits JSON documents over the JSON core.
//
// An object either owns a tree (after Parse or after a building call created
// a root) or is a view of a node inside a tree that another object owns.
// operator[] hands out views; they belong to the object that made them and
// live until its Clear or destructor. Changes made through a view change the
// owner's tree; a view made for a missing member or element is an empty
// object that belongs to nobody's tree.
//
// Values are typed strictly: a Get succeeds only when the node has exactly
// the requested kind (an integer is not read as a double, nor a double as an
// integer). Failures return false; the operations listed in the .cpp leave a
// fixed English text that GetLastErrorText returns. Nothing here throws.
//
// Edits keep views safe: a view whose node an edit removes turns into an
// empty object, and a view that no longer stands for its key or index is put
// aside (kept alive until Clear or the destructor) so the next access makes a
// fresh one. A reference to such a stale view therefore never reads freed
// memory.
//
// Threads: an object and its views are used by one thread at a time.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "formats/json/JsonCore.h"

class CJsonObject {
public:
    CJsonObject();
    explicit CJsonObject(const std::string& text);
    // Parses the other's compact text; null gives an empty object.
    explicit CJsonObject(const CJsonObject* other);
    // An independent copy through the other's compact text.
    CJsonObject(const CJsonObject& other);
    // A view of `node`, which stays owned by its tree.
    explicit CJsonObject(JsonNode* node);
    virtual ~CJsonObject();

    CJsonObject& operator=(const CJsonObject& other);
    bool operator==(const CJsonObject& other) const;

    bool Parse(const std::string& text);
    void Clear();
    bool IsEmpty() const;
    bool IsArray() const;
    // Compact and indented texts; "" when there is no node.
    std::string ToString() const;
    std::string ToFormattedString() const;
    // The text left by the last failing operation ("" before any failure);
    // a later success does not reset it.
    const std::string& GetLastErrorText() const { return m_strLastError; }

    // Views of a member (ASCII case ignored in the lookup, cached by the
    // exact key) and of an element (an index below 0 means the first).
    CJsonObject& operator[](const std::string& key);
    CJsonObject& operator[](int index);
    // A member's or element's value as text; "" for null, arrays, objects and
    // missing ones.
    std::string operator()(const std::string& key) const;
    std::string operator()(int index) const;
    int GetArraySize() const;

    bool Get(const std::string& key, CJsonObject& value) const;
    bool Get(const std::string& key, std::string& value) const;
    bool Get(const std::string& key, std::int32_t& value) const;
    bool Get(const std::string& key, std::uint32_t& value) const;
    bool Get(const std::string& key, std::int64_t& value) const;
    bool Get(const std::string& key, std::uint64_t& value) const;
    bool Get(const std::string& key, bool& value) const;
    bool Get(const std::string& key, float& value) const;
    bool Get(const std::string& key, double& value) const;
    bool Get(int index, CJsonObject& value) const;
    bool Get(int index, std::string& value) const;
    bool Get(int index, std::int32_t& value) const;
    bool Get(int index, std::uint32_t& value) const;
    bool Get(int index, std::int64_t& value) const;
    bool Get(int index, std::uint64_t& value) const;
    bool Get(int index, bool& value) const;
    bool Get(int index, float& value) const;
    bool Get(int index, double& value) const;

    // Object members. Add appends even when the key exists (lookups find the
    // first); Replace changes an existing member only.
    bool Add(const std::string& key, const CJsonObject& value);
    bool Add(const std::string& key, const std::string& value);
    bool Add(const std::string& key, std::int32_t value);
    bool Add(const std::string& key, std::uint32_t value);
    bool Add(const std::string& key, std::int64_t value);
    bool Add(const std::string& key, std::uint64_t value);
    bool Add(const std::string& key, bool value, bool valueAgain);
    bool Add(const std::string& key, float value);
    bool Add(const std::string& key, double value);
    bool AddEmptySubObject(const std::string& key);
    bool AddEmptySubArray(const std::string& key);
    bool Replace(const std::string& key, const CJsonObject& value);
    bool Replace(const std::string& key, const std::string& value);
    bool Replace(const std::string& key, std::int32_t value);
    bool Replace(const std::string& key, std::uint32_t value);
    bool Replace(const std::string& key, std::int64_t value);
    bool Replace(const std::string& key, std::uint64_t value);
    bool Replace(const std::string& key, bool value, bool valueAgain);
    bool Replace(const std::string& key, float value);
    bool Replace(const std::string& key, double value);
    bool Delete(const std::string& key);

    // Array elements.
    bool Add(const CJsonObject& value);
    bool Add(const std::string& value);
    bool Add(std::int32_t value);
    bool Add(std::uint32_t value);
    bool Add(std::int64_t value);
    bool Add(std::uint64_t value);
    // Only a true bool pair selects this member, so that Add("key", "text")
    // and Add("key", 5) never turn into a boolean element.
    template <typename Bool, typename = std::enable_if_t<std::is_same_v<Bool, bool>>>
    bool Add(Bool value, Bool valueAgain) {
        return AddBoolElement(value, valueAgain);
    }
    bool Add(float value);
    bool Add(double value);
    bool AddAsFirst(const CJsonObject& value);
    bool AddAsFirst(const std::string& value);
    bool AddAsFirst(std::int32_t value);
    bool AddAsFirst(std::uint32_t value);
    bool AddAsFirst(std::int64_t value);
    bool AddAsFirst(std::uint64_t value);
    bool AddAsFirst(bool value, bool valueAgain);
    bool AddAsFirst(float value);
    bool AddAsFirst(double value);
    bool Replace(int index, const CJsonObject& value);
    bool Replace(int index, const std::string& value);
    bool Replace(int index, std::int32_t value);
    bool Replace(int index, std::uint32_t value);
    bool Replace(int index, std::int64_t value);
    bool Replace(int index, std::uint64_t value);
    bool Replace(int index, bool value, bool valueAgain);
    bool Replace(int index, float value);
    bool Replace(int index, double value);
    bool Delete(int index);

private:
    struct ViewRegistry;

    JsonNode* Current() const { return m_pOwnedRoot != nullptr ? m_pOwnedRoot : m_pBorrowedNode; }
    JsonNode* Member(const std::string& key) const;
    JsonNode* Element(int index) const;
    bool AddBoolElement(bool value, bool valueAgain);
    // The node of an object value, copied through its compact text.
    JsonNode* CopyOf(const CJsonObject& value);
    // Creates the owned root of the given type; false when that fails.
    bool CreateRoot(int type);

    // Sets the parse failure text: the fixed prefix and the text from the
    // failing byte.
    void RecordParseError();

    // The node to edit when it is an object or array of `type`; otherwise
    // null, with the error text set. AddTarget first creates an owned root of
    // that type when there is no node at all.
    JsonNode* EditTarget(int type);
    JsonNode* AddTarget(int type);
    // Appends the node `make` returns under `key` and returns the object it
    // went into; null when there is no object to add to or no node (then
    // `makeError`, when given, becomes the error text).
    template <typename MakeNode>
    JsonNode* AppendMember(const std::string& key, MakeNode make, const char* makeError);
    // Value edits; each returns whether the member or element is in place.
    template <typename MakeNode>
    bool AddMember(const std::string& key, MakeNode make);
    template <typename MakeNode>
    bool ReplaceMember(const std::string& key, MakeNode make);
    template <typename MakeNode>
    bool AddElement(bool asFirst, MakeNode make);
    template <typename MakeNode>
    bool ReplaceElement(int index, MakeNode make);

    // Turns every view of this tree whose node lies in `subtree` into an
    // empty object; called before `subtree` is freed.
    void InvalidateViewsOf(const JsonNode* subtree);
    // Puts aside cached views that no longer stand for their key or index.
    void RetireKeyViews(const std::string& key);
    void RetireIndexViewsFrom(std::uint32_t first);
    void RetireIndexView(std::uint32_t index);
    // Makes this view empty (its node is going away).
    void Detach();
    CJsonObject& CacheView(CJsonObject* view);

    JsonNode* m_pOwnedRoot = nullptr;
    JsonNode* m_pBorrowedNode = nullptr;
    std::string m_strLastError;
    std::map<std::uint32_t, CJsonObject*> m_mapIndexViews;
    std::map<std::string, CJsonObject*> m_mapKeyViews;
    // Views taken out of the caches by edits, kept alive until Clear.
    std::vector<CJsonObject*> m_vecRetiredViews;
    // Every view into the tree this object belongs to, shared by its owner
    // and all views of it.
    std::shared_ptr<ViewRegistry> m_pViewRegistry;
};
