// JSON core: a small tree of nodes, a lenient parser and two printers.
//
// Numbers keep 64-bit integers apart from doubles. An integer node carries a
// sign flag: -1 means the 64-bit value is read as signed, anything else
// (1 from the parser and the unsigned creators) as unsigned.
//
// Ownership: a node owns its string value, its key and, unless it is flagged
// JSON_IS_REFERENCE, its children. JsonDelete frees a node together with the
// siblings that follow it. Texts returned by the printers come from the
// allocation hook; the caller releases them with the release hook (free by
// default).
//
// Threads: trees are not shared between threads. The allocation hooks are
// process-wide; the error position is kept per thread, so a thread reads the
// position of its own last parse.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr int JSON_FALSE = 0;
inline constexpr int JSON_TRUE = 1;
inline constexpr int JSON_NULL = 2;
inline constexpr int JSON_INT = 3;
inline constexpr int JSON_DOUBLE = 4;
inline constexpr int JSON_STRING = 5;
inline constexpr int JSON_ARRAY = 6;
inline constexpr int JSON_OBJECT = 7;
// Flag: the node shares the children and string value of another node and
// does not free them.
inline constexpr int JSON_IS_REFERENCE = 0x100;

// Deepest nesting of arrays and objects that the parser accepts. Texts come
// from the network, and parsing, printing and freeing recurse per level.
inline constexpr int JSON_MAX_DEPTH = 512;

struct JsonNode {
    JsonNode* next;          // next element of the parent array or object
    JsonNode* previous;      // previous element
    JsonNode* child;         // first element of an array or object
    int type;                // JSON_* type, plus JSON_IS_REFERENCE
    char* stringValue;       // text of a string node
    std::uint64_t intValue;  // integer node's value, signed or unsigned by `sign`
    double doubleValue;      // double node's value
    int sign;                // -1: signed integer; otherwise unsigned
    char* key;               // member name inside an object
};

struct JsonHooks {
    void* (*allocate)(std::size_t size);
    void (*release)(void* pointer);
};

// Installs allocation hooks; null restores both defaults (malloc and free),
// a null member restores that one.
void JsonInitHooks(const JsonHooks* hooks);

// Parses one value from a NUL-terminated text. Returns a new root, or null on
// failure (the partial tree is freed). Text after the first complete value is
// not examined.
JsonNode* JsonParse(const char* text);
// Where the last JsonParse of this thread found a syntax error (the
// terminating NUL when the text ended early); null after success or an
// allocation failure.
const char* JsonGetErrorPtr();

// Indented and compact texts of a node; null when an allocation fails.
char* JsonPrint(const JsonNode* node);
char* JsonPrintUnformatted(const JsonNode* node);
// Releases a text returned by the printers through the release hook.
void JsonFreeText(char* text);

// Frees the node and the siblings that follow it.
void JsonDelete(JsonNode* node);

int JsonGetArraySize(const JsonNode* node);
// The child at the index; below 0 gives the first child, past the end null.
JsonNode* JsonGetArrayItem(const JsonNode* node, int index);
// The first child whose key equals `key` ignoring ASCII case, or null.
JsonNode* JsonGetObjectItem(const JsonNode* node, const char* key);

// Creators return null when an allocation fails.
JsonNode* JsonCreateNull();
JsonNode* JsonCreateTrue();
JsonNode* JsonCreateFalse();
JsonNode* JsonCreateBool(int flag);
JsonNode* JsonCreateDouble(double value, int sign);
JsonNode* JsonCreateInt(std::uint64_t value, int sign);
JsonNode* JsonCreateString(const char* text);  // copies the text; null gives ""
JsonNode* JsonCreateArray();
JsonNode* JsonCreateObject();
// Arrays of double nodes (the int form keeps the given sign flag, the others
// use -1) and of string nodes.
JsonNode* JsonCreateIntArray(const unsigned int* numbers, int sign, int count);
JsonNode* JsonCreateFloatArray(const float* numbers, int count);
JsonNode* JsonCreateDoubleArray(const double* numbers, int count);
JsonNode* JsonCreateStringArray(const char* const* texts, int count);

// Editing. The add and replace calls take ownership of `node`.
void JsonAddItemToArray(JsonNode* parent, JsonNode* node);
void JsonAddItemToArrayHead(JsonNode* parent, JsonNode* node);
// Gives the node a copy of `key`, then appends it.
void JsonAddItemToObject(JsonNode* parent, const char* key, JsonNode* node);
void JsonAddItemReferenceToArray(JsonNode* parent, JsonNode* node);
void JsonAddItemReferenceToObject(JsonNode* parent, const char* key, JsonNode* node);
JsonNode* JsonDetachItemFromArray(JsonNode* parent, int index);
void JsonDeleteItemFromArray(JsonNode* parent, int index);
JsonNode* JsonDetachItemFromObject(JsonNode* parent, const char* key);
void JsonDeleteItemFromObject(JsonNode* parent, const char* key);
// Put `node` in place of the child and free the old one. When there is no
// such child, nothing in the tree changes and `node` is freed. Returns whether
// the node was placed.
bool JsonReplaceItemInArray(JsonNode* parent, int index, JsonNode* node);
bool JsonReplaceItemInObject(JsonNode* parent, const char* key, JsonNode* node);
