// The password window (both layouts) and the About window on the real Win32
// binding, run under Wine at the screen's logical resolution, 96 or 120 DPI:
// the sizes the design's twips give there, and every label's and button's
// text on one line within the part of the control the user sees, measured
// with the control's own font.

#include <windows.h>

#include <cstdio>
#include <string>

#include "checks.h"
#include "about/about.h"
#include "password/change_password.h"
#include "platform/forms.h"
#include "platform/win32/win32_platform.h"

namespace {

using checks::check;

// The sizes in pixels at one resolution: the password window's client width
// and whole heights, the About window's width and height.
struct Sizes {
    int dpi;
    int password_width;
    int verify_height;
    int change_height;
    int about_width;
    int about_height;
};

constexpr Sizes SIZES[] = {
    {96, 136, 90, 189, 284, 152},
    {120, 170, 112, 236, 355, 190},
};

// A push button's text is drawn inside its 3-D edge.
constexpr int BUTTON_EDGE = 2;

std::string class_of(HWND hwnd)
{
    char name[64] = {};
    ::GetClassNameA(hwnd, name, sizeof name);
    return name;
}

std::string text_of(HWND hwnd)
{
    char text[256] = {};
    ::GetWindowTextA(hwnd, text, sizeof text);
    return text;
}

SIZE text_extent(HWND control, const std::string& text)
{
    HDC dc = ::GetDC(control);
    HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageA(control, WM_GETFONT, 0, 0)));
    SIZE size{};
    ::GetTextExtentPoint32A(dc, text.data(), static_cast<int>(text.size()), &size);
    ::SelectObject(dc, old);
    ::ReleaseDC(control, dc);
    return size;
}

RECT rect_in_parent(HWND control)
{
    RECT r;
    ::GetWindowRect(control, &r);
    ::MapWindowPoints(nullptr, ::GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// The part of the control inside its parent's client area.
RECT visible_part(HWND control)
{
    const RECT r = rect_in_parent(control);
    RECT parent;
    ::GetClientRect(::GetParent(control), &parent);
    RECT visible{};
    ::IntersectRect(&visible, &r, &parent);
    return visible;
}

// Visible and not left below the window's bottom edge, where a layout hides
// the controls it does not use.
bool shown_to_user(HWND control)
{
    RECT parent;
    ::GetClientRect(::GetParent(control), &parent);
    return ::IsWindowVisible(control) && rect_in_parent(control).bottom <= parent.bottom;
}

void check_text_fits(HWND control, const std::string& where)
{
    const std::string text = text_of(control);
    const bool button = class_of(control) == "Button";
    const RECT room = visible_part(control);
    const int edge = button ? BUTTON_EDGE : 0;
    const SIZE size = text_extent(control, text);
    const int width = room.right - room.left - 2 * edge;
    const int height = room.bottom - room.top - 2 * edge;
    std::printf("%s: \"%s\" %ld x %ld in %d x %d\n", where.c_str(), text.c_str(), size.cx, size.cy, width, height);
    check(size.cx <= width && size.cy <= height, where + ": \"" + text + "\" fits its control");
}

// Every shown label and button with a text, frames' children included.
void check_texts_fit(HWND window, const std::string& where)
{
    int measured = 0;
    for (HWND child = ::GetWindow(window, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (!shown_to_user(child))
            continue;
        const std::string cls = class_of(child);
        if ((cls == "Static" || cls == "Button") && !text_of(child).empty()) {
            check_text_fits(child, where);
            ++measured;
        }
        for (HWND inner = ::GetWindow(child, GW_CHILD); inner; inner = ::GetWindow(inner, GW_HWNDNEXT))
            if (shown_to_user(inner) && class_of(inner) == "Static" && !text_of(inner).empty()) {
                check_text_fits(inner, where);
                ++measured;
            }
    }
    check(measured > 0, where + ": texts were measured");
}

void check_size(HWND window, int client_width, int whole_height, const std::string& where)
{
    RECT outer, client;
    ::GetWindowRect(window, &outer);
    ::GetClientRect(window, &client);
    std::printf("%s: %ld x %ld, client %ld x %ld\n", where.c_str(), outer.right - outer.left,
                outer.bottom - outer.top, client.right, client.bottom);
    check(client.right == client_width && outer.bottom - outer.top == whole_height,
          where + ": client " + std::to_string(client_width) + " wide, window " + std::to_string(whole_height) +
              " high");
}

void password_window(const Sizes& sizes)
{
    platform::win32::Win32Platform win32(::GetModuleHandleA(nullptr));
    platform::Forms forms(win32.windows);
    audit::AuditTrail audit(win32.events);
    password::FilePasswordKeeper keeper(win32.files, win32.system, audit);
    password::PasswordWindow dialog(win32.services, forms, keeper);

    dialog.ask_to_unlock([](lock::PromptOutcome, const std::string&) {});
    const auto window = reinterpret_cast<HWND>(dialog.window.window_handle);
    check_size(window, sizes.password_width, sizes.verify_height, "verify layout");
    check_texts_fit(window, "verify layout");
    forms.unload(dialog.window);

    dialog.start_change();
    const auto changing = reinterpret_cast<HWND>(dialog.window.window_handle);
    check_size(changing, sizes.password_width, sizes.change_height, "change layout");
    check_texts_fit(changing, "change layout");
    dialog.hint_label.set_caption("Confirmation");
    check_texts_fit(changing, "change layout, confirming");
    forms.unload(dialog.window);
}

void about_window(const Sizes& sizes)
{
    platform::win32::Win32WindowSystem windows(::GetModuleHandleA(nullptr));
    platform::Forms forms(windows);
    platform::win32::Win32Runtime runtime;
    about::About about(forms, runtime);
    forms.show(about.window);
    const auto window = reinterpret_cast<HWND>(about.window.window_handle);
    check_size(window, sizes.about_width, sizes.about_height, "About window");
    check_texts_fit(window, "About window");
    forms.unload(about.window);
}

} // namespace

int main()
{
    HDC screen = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    const bool square = ::GetDeviceCaps(screen, LOGPIXELSX) == dpi;
    ::ReleaseDC(nullptr, screen);
    std::printf("screen at %d DPI\n", dpi);
    check(square, "the screen has as many dots per inch across as down");
    const Sizes* sizes = nullptr;
    for (const Sizes& row : SIZES)
        if (row.dpi == dpi)
            sizes = &row;
    check(sizes != nullptr, "the sizes at this resolution are known (96 or 120 DPI)");
    if (sizes) {
        password_window(*sizes);
        about_window(*sizes);
    }
    return checks::report();
}
