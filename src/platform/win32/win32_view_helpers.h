#pragma once

#include <windows.h>
#include <windowsx.h>

#include "platform/controls.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/win32_twips.h"

namespace platform::win32 {

// The colour the program gave, as the system draws it.
inline COLORREF colour_ref(Colour colour)
{
    if (is_system_colour(colour))
        return ::GetSysColor(static_cast<int>(colour & 0xFF));
    return static_cast<COLORREF>(colour & 0xFFFFFF);
}

// A brush of the colour: the system's own for a system colour (it follows a
// change of scheme), otherwise a new one kept in `owned`.
inline HBRUSH colour_brush(Colour colour, UniqueBrush& owned)
{
    if (is_system_colour(colour)) {
        owned.reset();
        return ::GetSysColorBrush(static_cast<int>(colour & 0xFF));
    }
    owned.reset(::CreateSolidBrush(colour_ref(colour)));
    return owned.get();
}

// The buttons a mouse message says are held, as mouse handlers get them:
// 1 left, 2 right, 4 middle.
inline int held_buttons(WPARAM wparam)
{
    return (wparam & MK_LBUTTON ? 1 : 0) | (wparam & MK_RBUTTON ? 2 : 0) | (wparam & MK_MBUTTON ? 4 : 0);
}

// The shift keys a mouse message says are held: 1 Shift, 2 Ctrl.
inline int held_shift_keys(WPARAM wparam)
{
    return (wparam & MK_SHIFT ? 1 : 0) | (wparam & MK_CONTROL ? 2 : 0);
}

// Runs a mouse handler for a mouse message: buttons, shift keys, X and Y in
// twips.
inline void run_mouse_handler(const MouseHandler& handler, WPARAM wparam, LPARAM lparam, int released_button = 0)
{
    if (!handler)
        return;
    const ScreenResolution screen = ScreenResolution::of_screen();
    handler(held_buttons(wparam) | released_button, held_shift_keys(wparam), screen.twips_across(GET_X_LPARAM(lparam)),
            screen.twips_down(GET_Y_LPARAM(lparam)));
}

} // namespace platform::win32
