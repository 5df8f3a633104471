// Stand-in skin bitmaps for the message box tests: simple solid or marked
// images registered under the resource ids the boxes load, so pixel probes
// can tell the controls apart and the pictures look like the real boxes.
#pragma once

#include <cstdint>

namespace skintest {

// Colours (0x00RRGGBB) of the stand-in bitmaps.
constexpr std::uint32_t kButtonPixel = 0xF18F04;           // 176
constexpr std::uint32_t kButtonHoverPixel = 0xF5A533;      // 174
constexpr std::uint32_t kButtonPressedPixel = 0xD07A00;    // 177
constexpr std::uint32_t kUninstallButtonPixel = 0x2D8CF0;  // 302

// Registers 157-160, 174-180 and 192 (and 302-305 when asked) for the
// current machine.
void RegisterSkinBitmaps(bool withUninstallButtons = false);

}  // namespace skintest
