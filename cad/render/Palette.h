#pragma once
// Colours as the draw step sees them, and the 256-entry colour index table.

#include <cstdint>

namespace cad::render {

// 0xAARRGGBB, like QRgb, so the draw step can hand it to Qt unchanged.
using Rgb = std::uint32_t;

constexpr Rgb rgb(int r, int g, int b) {
    return 0xFF000000u | (std::uint32_t(r & 0xFF) << 16) | (std::uint32_t(g & 0xFF) << 8) |
           std::uint32_t(b & 0xFF);
}
constexpr int red(Rgb c) { return int((c >> 16) & 0xFF); }
constexpr int green(Rgb c) { return int((c >> 8) & 0xFF); }
constexpr int blue(Rgb c) { return int(c & 0xFF); }

// Colour of index 1..255. Index 7 is white here; the draw step turns it black
// on light backgrounds (see contrastColour). Out-of-range indices give white.
Rgb indexColour(int index);

// The view background for the viewer's background index 0..9; any other value
// gives black.
Rgb backgroundColour(int index);

// True when `c` is light enough that "white" entities must be drawn black.
bool isLightBackground(Rgb c);

}  // namespace cad::render
