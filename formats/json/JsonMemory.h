// Allocation and linking helpers shared by the JSON core's sources (not for
// callers).
#pragma once

#include <cstddef>

#include "formats/json/JsonCore.h"

namespace jsoncore {

void* Allocate(std::size_t size);
void Release(void* pointer);
// A copy of the text from the allocation hook; null when it fails.
char* CopyText(const char* text);
char* CopyText(const char* text, std::size_t length);
// A zeroed node, or null.
JsonNode* NewNode();
// Links `node` as the child after `last`, or as the first child of `parent`
// when `last` is null; for building a child list front to back.
void LinkAfter(JsonNode* parent, JsonNode* last, JsonNode* node);

}  // namespace jsoncore
