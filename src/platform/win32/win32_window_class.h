#pragma once

#include <windows.h>

namespace platform::win32 {

// What sets one of the backend's window classes apart; the rest is left at
// nothing.
struct WindowClass {
    const char* name = nullptr;
    WNDPROC procedure = ::DefWindowProcA; // the views that subclass each window keep this
    HICON icon = nullptr;
    HCURSOR pointer = nullptr; // nothing: each window sets its own
    HBRUSH background = nullptr;
};

// Registers the class for windows of this module.
void register_window_class(HINSTANCE instance, const WindowClass& window_class);

// The system's arrow pointer.
HCURSOR arrow_pointer();
// The face colour of buttons and dialogs, as a class background.
HBRUSH button_face_background();

// The window procedure of a class whose windows each belong to one Owner: the
// owner comes as CreateWindowExA's last argument, is kept in GWLP_USERDATA
// from WM_NCCREATE on and is forgotten at WM_NCDESTROY, when it hears
// window_destroyed(): the window is gone, destroyed by the owner or, with its
// parent, by the system. Every message in between goes to the owner's
// window_message; the others, and those of a window without an owner, go to
// DefWindowProcA. Owner makes the instance for its own class a friend.
template <typename Owner>
LRESULT CALLBACK window_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_NCCREATE) {
        auto* created_for = static_cast<Owner*>(reinterpret_cast<CREATESTRUCTA*>(lparam)->lpCreateParams);
        ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created_for));
    }
    auto* owner = reinterpret_cast<Owner*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        if (owner)
            owner->window_destroyed();
        return ::DefWindowProcA(hwnd, message, wparam, lparam);
    }
    if (!owner)
        return ::DefWindowProcA(hwnd, message, wparam, lparam);
    return owner->window_message(hwnd, message, wparam, lparam);
}

} // namespace platform::win32
