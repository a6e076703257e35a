#pragma once

#include <windows.h>

#include "platform/controls.h"
#include "platform/twips.h"

namespace platform::win32 {

// The screen's logical resolution, which every twips measure of a window or
// control follows. Fonts, asked for in points, follow it by themselves;
// pictures keep their pixel size.
struct ScreenResolution {
    int x_dpi = DESIGN_DPI;
    int y_dpi = DESIGN_DPI;

    static ScreenResolution of_screen()
    {
        HDC screen = ::GetDC(nullptr);
        ScreenResolution resolution{::GetDeviceCaps(screen, LOGPIXELSX), ::GetDeviceCaps(screen, LOGPIXELSY)};
        ::ReleaseDC(nullptr, screen);
        if (resolution.x_dpi <= 0 || resolution.y_dpi <= 0)
            return {};
        return resolution;
    }

    // Across: lefts and widths; down: tops and heights.
    int across(int twips) const { return pixels_from_twips(twips, x_dpi); }
    int down(int twips) const { return pixels_from_twips(twips, y_dpi); }
    double twips_across(int pixels) const { return twips_from_pixels(pixels, x_dpi); }
    double twips_down(int pixels) const { return twips_from_pixels(pixels, y_dpi); }
};

} // namespace platform::win32
