#pragma once

// Twips, the unit the windows are designed in: 1/1440 inch at the screen's
// logical resolution, so 15 twips make a pixel at 96 DPI and 12 at 120 DPI
// ("Large size" fonts).

namespace platform {

inline constexpr int TWIPS_PER_INCH = 1440;
// The resolution the windows were designed at ("Normal size").
inline constexpr int DESIGN_DPI = 96;

// Pixels for a length in twips on a screen of `dpi` dots per inch:
// twips ÷ (1440 ÷ DPI), a part pixel dropped. At 96 DPI exactly twips ÷ 15.
constexpr int pixels_from_twips(int twips, int dpi)
{
    return static_cast<int>(static_cast<long long>(twips) * dpi / TWIPS_PER_INCH);
}

// Twips for a length in pixels on a screen of `dpi` dots per inch.
constexpr double twips_from_pixels(int pixels, int dpi)
{
    return pixels * double{TWIPS_PER_INCH} / dpi;
}

} // namespace platform
