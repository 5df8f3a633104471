#include "resources/EmbeddedBitmap.h"

#include <string>

#include "platform/base/Resources.h"

namespace resources {

EmbeddedBitmap::EmbeddedBitmap(unsigned id, const char* bytes, std::size_t size) {
    platform::RegisterResource(RT_BITMAP(), MAKEINTRESOURCEW(id), std::string(bytes, size));
}

}  // namespace resources
