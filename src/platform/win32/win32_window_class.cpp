#include "platform/win32/win32_window_class.h"

namespace platform::win32 {

void register_window_class(HINSTANCE instance, const WindowClass& window_class)
{
    WNDCLASSA registered{};
    registered.lpfnWndProc = window_class.procedure;
    registered.hInstance = instance;
    registered.hIcon = window_class.icon;
    registered.hCursor = window_class.pointer;
    registered.hbrBackground = window_class.background;
    registered.lpszClassName = window_class.name;
    ::RegisterClassA(&registered);
}

HCURSOR arrow_pointer()
{
    return ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)); // IDC_ARROW
}

HBRUSH button_face_background()
{
    return reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
}

} // namespace platform::win32
