// Inside the text layer: a resolved font that measures and draws glyphs.
// Not for use outside platform/.
#pragma once

#include <memory>

#include "platform/drawing/Surface.h"
#include "platform/windowing/WindowTypes.h"

namespace platform {

class FontRenderer {
public:
    virtual ~FontRenderer() = default;
    virtual int Ascent() const = 0;
    virtual int Descent() const = 0;
    int Height() const { return Ascent() + Descent(); }
    virtual int EmSize() const = 0;
    // Horizontal advance of one character in pixels. Thread-safe.
    virtual int Advance(char32_t character) = 0;
    // Draws one character with its origin at (x, baseline) into a surface the
    // caller has locked, clipped to `clip`. Thread-safe.
    virtual void DrawGlyph(Surface& surface, int x, int baseline, char32_t character, std::uint32_t pixel,
                           const RECT& clip) = 0;
};

// The renderer for a logical font (cached; never null).
std::shared_ptr<FontRenderer> ResolveFont(const LOGFONTW& logFont);

}  // namespace platform
