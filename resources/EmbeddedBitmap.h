// One skin bitmap compiled into the program: the build generates a source
// file per PNG of resources/skin/ holding a static EmbeddedBitmap, whose
// constructor adds the bitmap to the program's resources under RT_BITMAP and
// its id, so LoadBitmapW finds it like any module resource.
//
// The resources library is linked whole into every program that uses it
// (nothing refers to these objects by name); see resources/CMakeLists.txt.
#pragma once

#include <cstddef>

namespace resources {

class EmbeddedBitmap {
public:
    // `bytes` is the resource: a BITMAPINFOHEADER and the pixel rows.
    EmbeddedBitmap(unsigned id, const char* bytes, std::size_t size);
};

}  // namespace resources
