// win32qt: dialog units to pixels, as the Windows dialog manager converts
// them: a horizontal unit is a quarter of the dialog font's average character
// width, a vertical unit an eighth of its height.
#pragma once

#include <cstdint>

namespace win32qt {

struct BaseUnits {
    int x;  // average character width in pixels
    int y;  // character height in pixels
};

// number * numerator / denominator, rounded half away from zero (MulDiv).
inline int mul_div(int number, int numerator, int denominator) {
    if (denominator == 0) return -1;
    std::int64_t product = static_cast<std::int64_t>(number) * numerator;
    const bool negative = (product < 0) != (denominator < 0);
    std::int64_t n = product < 0 ? -product : product;
    const std::int64_t d = denominator < 0 ? -static_cast<std::int64_t>(denominator) : denominator;
    const std::int64_t q = (n * 2 + d) / (d * 2);
    return static_cast<int>(negative ? -q : q);
}

// From the width of the 52 letters A-Z a-z and the font height, rounding the
// average width to nearest as Windows does.
inline BaseUnits base_units_from(int alphabet_width, int height) {
    return {(alphabet_width / 26 + 1) / 2, height};
}

struct PixelRect {
    int x, y, width, height;
    bool operator==(const PixelRect&) const = default;
};

inline PixelRect dialog_units_to_pixels(int x, int y, int cx, int cy, BaseUnits base) {
    return {mul_div(x, base.x, 4), mul_div(y, base.y, 8), mul_div(cx, base.x, 4), mul_div(cy, base.y, 8)};
}

// Font points to pixels at the 96 dots per inch Windows assumes by default.
inline int points_to_pixels(int points) { return mul_div(points, 96, 72); }

} // namespace win32qt
