// The About window on the real Win32 binding, run under Wine: its windows,
// sizes and texts, the link's colours, weight and pointer (with the hand's hot
// spot), the pressed picture and the click that closes the window.

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "checks.h"
#include "about/about.h"
#include "platform/forms.h"
#include "platform/win32/win32_window_system.h"
#include "program/maker.h"
#include "program/product.h"

namespace {

using checks::check;

// Records the command lines instead of starting anything.
struct RecordingRuntime : platform::Runtime {
    std::vector<std::string> started;
    bool previous_instance() override { return false; }
    bool start_program(const std::string& command_line) override
    {
        started.push_back(command_line);
        return true;
    }
};

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

HWND child_with_text(HWND parent, const std::string& text)
{
    for (HWND child = ::GetWindow(parent, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        if (text_of(child) == text)
            return child;
    return nullptr;
}

HWND child_of_class(HWND parent, const std::string& name)
{
    for (HWND child = ::GetWindow(parent, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        if (class_of(child) == name && ::IsWindowVisible(child))
            return child;
    return nullptr;
}

RECT rect_in_parent(HWND hwnd)
{
    RECT r;
    ::GetWindowRect(hwnd, &r);
    ::MapWindowPoints(nullptr, ::GetParent(hwnd), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

bool rect_is(const RECT& r, int left, int top, int width, int height)
{
    return r.left == left && r.top == top && r.right - r.left == width && r.bottom - r.top == height;
}

// The text colour the label's parent sets for it.
COLORREF text_colour(HWND label)
{
    HDC dc = ::CreateCompatibleDC(nullptr);
    ::SendMessageA(::GetParent(label), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(label));
    const COLORREF colour = ::GetTextColor(dc);
    ::DeleteDC(dc);
    return colour;
}

LONG font_weight(HWND label)
{
    LOGFONTA font{};
    ::GetObjectA(reinterpret_cast<HFONT>(::SendMessageA(label, WM_GETFONT, 0, 0)), sizeof font, &font);
    return font.lfWeight;
}

// Asks the label which pointer to show, as the system does when the mouse moves.
POINT pointer_hot_spot_over(HWND label)
{
    ::SendMessageA(label, WM_SETCURSOR, reinterpret_cast<WPARAM>(label), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    ICONINFO icon{};
    POINT hot{-1, -1};
    if (::GetIconInfo(::GetCursor(), &icon)) {
        hot = {static_cast<LONG>(icon.xHotspot), static_cast<LONG>(icon.yHotspot)};
        ::DeleteObject(icon.hbmMask);
        if (icon.hbmColor)
            ::DeleteObject(icon.hbmColor);
    }
    return hot;
}

void run()
{
    platform::win32::Win32WindowSystem windows(::GetModuleHandleA(nullptr));
    platform::Forms forms(windows);
    RecordingRuntime runtime;
    about::About about(forms, runtime);
    forms.show(about.window);

    const auto window = reinterpret_cast<HWND>(about.window.window_handle);
    check(window && ::IsWindowVisible(window), "the window is shown");
    const auto style = static_cast<DWORD>(::GetWindowLongA(window, GWL_STYLE));
    check(!(style & (WS_CAPTION | WS_BORDER | WS_THICKFRAME)), "no title bar and no border");
    RECT r;
    ::GetWindowRect(window, &r);
    check(r.right - r.left == 284 && r.bottom - r.top == 152, "284 x 152 pixels");
    check(r.left == (::GetSystemMetrics(SM_CXSCREEN) - 284) / 2 && r.top == (::GetSystemMetrics(SM_CYSCREEN) - 152) / 2,
          "centred on the screen");

    const HWND frame = child_of_class(window, "VarnhollowFrame");
    check(frame && rect_is(rect_in_parent(frame), 5, 0, 273, 145), "Frame1 at 5, 0, 273 x 145");
    const HWND picture = child_of_class(frame, "VarnhollowPictureBox");
    check(picture && rect_is(rect_in_parent(picture), 8, 16, 122, 116), "Picture1 at 8, 16, 122 x 116");
    const HWND web = child_with_text(frame, program::MAKER_HOST);
    check(web && rect_is(rect_in_parent(web), 136, 104, 129, 33), "lbl_web at 136, 104, 129 x 33");
    check(child_with_text(frame, std::string("Varnhollow ") + program::VERSION_TEXT) && child_with_text(frame, program::AUTHOR_LINE) &&
              child_with_text(frame, program::MAKER_EMAIL),
          "the other labels are filled");
    if (!frame || !picture || !web)
        return;
    const POINT arrow = pointer_hot_spot_over(web);

    check(text_colour(web) == RGB(0, 0, 0), "the link is black at load");
    check(font_weight(web) == FW_NORMAL, "the link is regular at load");

    ::SendMessageA(web, WM_MOUSEMOVE, 0, MAKELPARAM(4, 4));
    check(text_colour(web) == RGB(0, 0, 255), "blue over the link");
    check(font_weight(web) == FW_BOLD, "bold over the link");
    const POINT hand = pointer_hot_spot_over(web);
    check(hand.x == 9 && hand.y == 1, "the hand pointer, its hot spot on the fingertip (9, 1)");
    const POINT over_picture = pointer_hot_spot_over(picture);
    check(over_picture.x == 9 && over_picture.y == 1, "the hand stays over the picture: it is the window's pointer");

    ::SendMessageA(frame, WM_MOUSEMOVE, 0, MAKELPARAM(2, 140));
    check(text_colour(web) == ::GetSysColor(COLOR_BTNTEXT), "button-text colour over the frame");
    check(font_weight(web) == FW_NORMAL, "regular over the frame");
    const POINT back = pointer_hot_spot_over(web);
    check(back.x == arrow.x && back.y == arrow.y, "the default pointer over the frame");

    ::SendMessageA(web, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
    ::SendMessageA(web, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
    check(runtime.started.size() == 1 &&
              runtime.started[0] == std::string(about::BROWSER_COMMAND) + program::MAKER_HOST,
          "a click on the link starts the browser");

    ::SendMessageA(picture, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(10, 10));
    check(::GetWindowLongA(picture, GWL_EXSTYLE) & WS_EX_CLIENTEDGE, "the picture is sunken while pressed");
    ::SendMessageA(picture, WM_RBUTTONUP, 0, MAKELPARAM(10, 10));
    check(!::IsWindow(window) && !about.window.loaded(), "releasing the button on the picture closes the window");
}

} // namespace

int main()
{
    run();
    return checks::report();
}
