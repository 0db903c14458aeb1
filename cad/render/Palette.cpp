#include "cad/render/Palette.h"

#include <array>

namespace cad::render {

namespace {

// Indices 10..249: 24 hues 15 degrees apart, ten entries each: five brightness
// levels, each at full saturation and then half-way to white.
constexpr std::array<Rgb, 256> buildTable() {
    std::array<Rgb, 256> t{};
    t[0] = rgb(0, 0, 0);
    t[1] = rgb(255, 0, 0);
    t[2] = rgb(255, 255, 0);
    t[3] = rgb(0, 255, 0);
    t[4] = rgb(0, 255, 255);
    t[5] = rgb(0, 0, 255);
    t[6] = rgb(255, 0, 255);
    t[7] = rgb(255, 255, 255);
    t[8] = rgb(128, 128, 128);
    t[9] = rgb(192, 192, 192);
    constexpr int levels[5] = {255, 204, 153, 127, 76};
    for (int hue = 0; hue < 24; ++hue) {
        // Full-saturation colour of this hue on a 0..255 scale.
        const int deg = hue * 15;
        const int sector = deg / 60;
        const int rise = (deg % 60) * 255 / 60;
        int r = 0, g = 0, b = 0;
        switch (sector) {
        case 0: r = 255; g = rise; break;
        case 1: r = 255 - rise; g = 255; break;
        case 2: g = 255; b = rise; break;
        case 3: g = 255 - rise; b = 255; break;
        case 4: r = rise; b = 255; break;
        default: r = 255; b = 255 - rise; break;
        }
        for (int l = 0; l < 5; ++l) {
            const int v = levels[l];
            const int fr = r * v / 255, fg = g * v / 255, fb = b * v / 255;
            const int idx = 10 + hue * 10 + l * 2;
            t[idx] = rgb(fr, fg, fb);
            t[idx + 1] = rgb(v - (v - fr + 1) / 2, v - (v - fg + 1) / 2, v - (v - fb + 1) / 2);
        }
    }
    constexpr int greys[6] = {51, 91, 132, 173, 214, 255};
    for (int i = 0; i < 6; ++i) t[250 + i] = rgb(greys[i], greys[i], greys[i]);
    return t;
}

constexpr std::array<Rgb, 256> kTable = buildTable();

}  // namespace

Rgb indexColour(int index) {
    if (index < 1 || index > 255) return kTable[7];
    return kTable[std::size_t(index)];
}

Rgb backgroundColour(int index) {
    switch (index) {
    case 1: return rgb(255, 0, 0);
    case 2: return rgb(255, 255, 0);
    case 3: return rgb(0, 128, 0);
    case 4: return rgb(0, 255, 255);
    case 5: return rgb(0, 0, 255);
    case 6: return rgb(255, 0, 255);
    case 7: return rgb(255, 255, 255);
    case 8: return rgb(128, 128, 128);
    case 9: return rgb(192, 192, 192);
    default: return rgb(0, 0, 0);
    }
}

bool isLightBackground(Rgb c) {
    // Perceived brightness; yellow and cyan count as light, red and blue not.
    return red(c) * 299 + green(c) * 587 + blue(c) * 114 > 128 * 1000;
}

}  // namespace cad::render
