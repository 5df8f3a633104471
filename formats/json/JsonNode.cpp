// Memory hooks, creators, lookups and editing of the JSON core.
#include <cstdlib>
#include <cstring>

#include "formats/json/JsonCore.h"
#include "formats/json/JsonMemory.h"

namespace {

JsonHooks g_hooks = {std::malloc, std::free};

// ASCII-only case folding; bytes from 0x80 up compare as they are.
unsigned char FoldCase(unsigned char c) { return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c; }

// Two null keys are equal; a null key differs from any text.
bool KeysEqual(const char* a, const char* b) {
    if (a == nullptr || b == nullptr) return a == b;
    for (;; ++a, ++b) {
        unsigned char ca = FoldCase(static_cast<unsigned char>(*a));
        unsigned char cb = FoldCase(static_cast<unsigned char>(*b));
        if (ca != cb) return false;
        if (ca == 0) return true;
    }
}

JsonNode* NewTyped(int type) {
    JsonNode* node = jsoncore::NewNode();
    if (node != nullptr) node->type = type;
    return node;
}

// Links `node` after the last child of `parent`.
void AppendChild(JsonNode* parent, JsonNode* node) {
    JsonNode* last = parent->child;
    if (last == nullptr) {
        parent->child = node;
        return;
    }
    while (last->next != nullptr) last = last->next;
    last->next = node;
    node->previous = last;
}

JsonNode* ReferenceCopy(const JsonNode* node) {
    JsonNode* copy = jsoncore::NewNode();
    if (copy == nullptr) return nullptr;
    *copy = *node;
    copy->key = nullptr;
    copy->next = copy->previous = nullptr;
    copy->type |= JSON_IS_REFERENCE;
    return copy;
}

// Puts `replacement` where `old` is and frees `old`.
void SwapIn(JsonNode* parent, JsonNode* old, JsonNode* replacement) {
    replacement->next = old->next;
    replacement->previous = old->previous;
    if (replacement->next != nullptr) replacement->next->previous = replacement;
    if (parent->child == old) {
        parent->child = replacement;
    } else if (replacement->previous != nullptr) {
        replacement->previous->next = replacement;
    }
    old->next = old->previous = nullptr;
    JsonDelete(old);
}

void Unlink(JsonNode* parent, JsonNode* node) {
    if (node->previous != nullptr) node->previous->next = node->next;
    if (node->next != nullptr) node->next->previous = node->previous;
    if (parent->child == node) parent->child = node->next;
    node->next = node->previous = nullptr;
}

template <typename Value, typename MakeNode>
JsonNode* MakeArray(const Value* values, int count, MakeNode make) {
    JsonNode* array = JsonCreateArray();
    if (array == nullptr) return nullptr;
    JsonNode* previous = nullptr;
    for (int i = 0; values != nullptr && i < count; ++i) {
        JsonNode* node = make(values[i]);
        if (node == nullptr) {
            JsonDelete(array);
            return nullptr;
        }
        jsoncore::LinkAfter(array, previous, node);
        previous = node;
    }
    return array;
}

}  // namespace

namespace jsoncore {

void* Allocate(std::size_t size) { return g_hooks.allocate(size); }
void Release(void* pointer) { g_hooks.release(pointer); }

char* CopyText(const char* text, std::size_t length) {
    char* copy = static_cast<char*>(Allocate(length + 1));
    if (copy == nullptr) return nullptr;
    if (length > 0) std::memcpy(copy, text, length);
    copy[length] = '\0';
    return copy;
}

char* CopyText(const char* text) { return CopyText(text, std::strlen(text)); }

JsonNode* NewNode() {
    auto* node = static_cast<JsonNode*>(Allocate(sizeof(JsonNode)));
    if (node != nullptr) std::memset(node, 0, sizeof(JsonNode));
    return node;
}

void LinkAfter(JsonNode* parent, JsonNode* last, JsonNode* node) {
    if (last == nullptr) {
        parent->child = node;
    } else {
        last->next = node;
        node->previous = last;
    }
}

}  // namespace jsoncore

void JsonInitHooks(const JsonHooks* hooks) {
    g_hooks.allocate = (hooks != nullptr && hooks->allocate != nullptr) ? hooks->allocate : std::malloc;
    g_hooks.release = (hooks != nullptr && hooks->release != nullptr) ? hooks->release : std::free;
}

void JsonDelete(JsonNode* node) {
    while (node != nullptr) {
        JsonNode* next = node->next;
        bool reference = (node->type & JSON_IS_REFERENCE) != 0;
        if (!reference && node->child != nullptr) JsonDelete(node->child);
        if (!reference && node->stringValue != nullptr) jsoncore::Release(node->stringValue);
        if (node->key != nullptr) jsoncore::Release(node->key);
        jsoncore::Release(node);
        node = next;
    }
}

int JsonGetArraySize(const JsonNode* node) {
    if (node == nullptr) return 0;
    int count = 0;
    for (const JsonNode* child = node->child; child != nullptr; child = child->next) ++count;
    return count;
}

JsonNode* JsonGetArrayItem(const JsonNode* node, int index) {
    if (node == nullptr) return nullptr;
    JsonNode* child = node->child;
    while (child != nullptr && index > 0) {
        --index;
        child = child->next;
    }
    return child;
}

JsonNode* JsonGetObjectItem(const JsonNode* node, const char* key) {
    if (node == nullptr) return nullptr;
    JsonNode* child = node->child;
    while (child != nullptr && !KeysEqual(child->key, key)) child = child->next;
    return child;
}

JsonNode* JsonCreateNull() { return NewTyped(JSON_NULL); }
JsonNode* JsonCreateTrue() { return NewTyped(JSON_TRUE); }
JsonNode* JsonCreateFalse() { return NewTyped(JSON_FALSE); }
JsonNode* JsonCreateBool(int flag) { return NewTyped(flag != 0 ? JSON_TRUE : JSON_FALSE); }
JsonNode* JsonCreateArray() { return NewTyped(JSON_ARRAY); }
JsonNode* JsonCreateObject() { return NewTyped(JSON_OBJECT); }

JsonNode* JsonCreateDouble(double value, int sign) {
    JsonNode* node = NewTyped(JSON_DOUBLE);
    if (node != nullptr) {
        node->doubleValue = value;
        node->sign = sign;
    }
    return node;
}

JsonNode* JsonCreateInt(std::uint64_t value, int sign) {
    JsonNode* node = NewTyped(JSON_INT);
    if (node != nullptr) {
        node->intValue = value;
        node->sign = sign;
    }
    return node;
}

JsonNode* JsonCreateString(const char* text) {
    JsonNode* node = NewTyped(JSON_STRING);
    if (node == nullptr) return nullptr;
    node->stringValue = jsoncore::CopyText(text != nullptr ? text : "");
    if (node->stringValue == nullptr) {
        JsonDelete(node);
        return nullptr;
    }
    return node;
}

JsonNode* JsonCreateIntArray(const unsigned int* numbers, int sign, int count) {
    return MakeArray(numbers, count, [sign](unsigned int n) { return JsonCreateDouble(n, sign); });
}

JsonNode* JsonCreateFloatArray(const float* numbers, int count) {
    return MakeArray(numbers, count, [](float n) { return JsonCreateDouble(n, -1); });
}

JsonNode* JsonCreateDoubleArray(const double* numbers, int count) {
    return MakeArray(numbers, count, [](double n) { return JsonCreateDouble(n, -1); });
}

JsonNode* JsonCreateStringArray(const char* const* texts, int count) {
    return MakeArray(texts, count, [](const char* text) { return JsonCreateString(text); });
}

void JsonAddItemToArray(JsonNode* parent, JsonNode* node) {
    if (parent == nullptr || node == nullptr) return;
    AppendChild(parent, node);
}

void JsonAddItemToArrayHead(JsonNode* parent, JsonNode* node) {
    if (parent == nullptr || node == nullptr) return;
    node->previous = nullptr;
    node->next = parent->child;
    if (parent->child != nullptr) parent->child->previous = node;
    parent->child = node;
}

void JsonAddItemToObject(JsonNode* parent, const char* key, JsonNode* node) {
    if (parent == nullptr || node == nullptr) return;
    char* copy = key != nullptr ? jsoncore::CopyText(key) : nullptr;
    if (key != nullptr && copy == nullptr) {
        JsonDelete(node);  // out of memory: the member cannot be named
        return;
    }
    if (node->key != nullptr) jsoncore::Release(node->key);
    node->key = copy;
    AppendChild(parent, node);
}

void JsonAddItemReferenceToArray(JsonNode* parent, JsonNode* node) {
    if (parent == nullptr || node == nullptr) return;
    JsonAddItemToArray(parent, ReferenceCopy(node));
}

void JsonAddItemReferenceToObject(JsonNode* parent, const char* key, JsonNode* node) {
    if (parent == nullptr || node == nullptr) return;
    JsonAddItemToObject(parent, key, ReferenceCopy(node));
}

JsonNode* JsonDetachItemFromArray(JsonNode* parent, int index) {
    if (parent == nullptr) return nullptr;
    JsonNode* child = JsonGetArrayItem(parent, index);
    if (child != nullptr) Unlink(parent, child);
    return child;
}

void JsonDeleteItemFromArray(JsonNode* parent, int index) { JsonDelete(JsonDetachItemFromArray(parent, index)); }

JsonNode* JsonDetachItemFromObject(JsonNode* parent, const char* key) {
    JsonNode* child = JsonGetObjectItem(parent, key);
    if (child != nullptr) Unlink(parent, child);
    return child;
}

void JsonDeleteItemFromObject(JsonNode* parent, const char* key) { JsonDelete(JsonDetachItemFromObject(parent, key)); }

bool JsonReplaceItemInArray(JsonNode* parent, int index, JsonNode* node) {
    if (node == nullptr) return false;
    JsonNode* old = JsonGetArrayItem(parent, index);
    if (old == nullptr) {
        JsonDelete(node);
        return false;
    }
    SwapIn(parent, old, node);
    return true;
}

bool JsonReplaceItemInObject(JsonNode* parent, const char* key, JsonNode* node) {
    if (node == nullptr) return false;
    JsonNode* old = JsonGetObjectItem(parent, key);
    char* copy = (old != nullptr && key != nullptr) ? jsoncore::CopyText(key) : nullptr;
    if (old == nullptr || (key != nullptr && copy == nullptr)) {
        JsonDelete(node);
        return false;
    }
    if (node->key != nullptr) jsoncore::Release(node->key);
    node->key = copy;
    SwapIn(parent, old, node);
    return true;
}
