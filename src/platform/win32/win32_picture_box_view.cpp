#include "platform/win32/win32_picture_box_view.h"

#include "platform/win32/win32_form_window.h"
#include "platform/win32/win32_view_helpers.h"
#include "platform/win32/win32_window_class.h"

namespace platform::win32 {

namespace {

constexpr char PICTURE_BOX_CLASS[] = "VarnhollowPictureBox";

DWORD border_style(Appearance appearance)
{
    return appearance == Appearance::flat ? WS_BORDER : 0;
}

DWORD border_ex_style(Appearance appearance)
{
    return appearance == Appearance::three_d ? WS_EX_CLIENTEDGE : 0;
}

} // namespace

PictureBoxView::PictureBoxView(HINSTANCE instance, HWND parent, int id, PictureBox& box, FormWindow& owner)
    : ChildView(box, owner), box_(box), fonts_(owner.fonts()), shown_appearance_(box.appearance())
{
    const Picture& picture = box.picture();
    if (picture.kind == Picture::Kind::bitmap)
        bitmap_.reset(static_cast<HBITMAP>(
            ::LoadImageA(instance, MAKEINTRESOURCEA(picture.resource), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR)));
    create(instance, parent, id, PICTURE_BOX_CLASS, border_style(shown_appearance_));
    show_appearance();
    subclass();
}

void PictureBoxView::register_class(HINSTANCE instance)
{
    register_window_class(instance, {.name = PICTURE_BOX_CLASS, .pointer = arrow_pointer()});
}

void PictureBoxView::refresh()
{
    if (!handle())
        return;
    if (box_.appearance() != shown_appearance_) {
        shown_appearance_ = box_.appearance();
        show_appearance();
    }
    ::InvalidateRect(handle(), nullptr, TRUE);
    show_common(fonts_, FontWeight::regular);
}

// The box keeps its outer size; a sunken border moves the picture one pixel
// down and right, so it looks pressed.
void PictureBoxView::show_appearance()
{
    const HWND hwnd = handle();
    const auto style = static_cast<DWORD>(::GetWindowLongPtrA(hwnd, GWL_STYLE)) & ~DWORD{WS_BORDER};
    const auto ex_style = static_cast<DWORD>(::GetWindowLongPtrA(hwnd, GWL_EXSTYLE)) & ~DWORD{WS_EX_CLIENTEDGE};
    ::SetWindowLongPtrA(hwnd, GWL_STYLE, static_cast<LONG_PTR>(style | border_style(shown_appearance_)));
    ::SetWindowLongPtrA(hwnd, GWL_EXSTYLE, static_cast<LONG_PTR>(ex_style | border_ex_style(shown_appearance_)));
    ::SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

LRESULT PictureBoxView::message(UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_PAINT:
        paint();
        return 0;
    case WM_ERASEBKGND:
        return 1; // paint() fills the background
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        return button_down(wparam, lparam);
    case WM_LBUTTONUP:
        return button_up(1, wparam, lparam);
    case WM_RBUTTONUP:
        return button_up(2, wparam, lparam);
    case WM_MBUTTONUP:
        return button_up(4, wparam, lparam);
    default:
        return ChildView::message(message, wparam, lparam);
    }
}

LRESULT PictureBoxView::button_down(WPARAM wparam, LPARAM lparam)
{
    ::SetCapture(handle());
    run_mouse_handler(box_.on_mouse_down, wparam, lparam);
    return 0;
}

// Mouse up, then click when the button is released over the box.
LRESULT PictureBoxView::button_up(int button, WPARAM wparam, LPARAM lparam)
{
    const HWND hwnd = handle();
    const bool captured = ::GetCapture() == hwnd;
    if (captured)
        ::ReleaseCapture();
    run_mouse_handler(box_.on_mouse_up, wparam, lparam, button);
    if (retired())
        return 0; // the handler unloaded the form: no click follows
    RECT client;
    ::GetClientRect(hwnd, &client);
    const POINT at{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
    if (captured && ::PtInRect(&client, at) && box_.on_click)
        box_.on_click();
    return 0;
}

void PictureBoxView::paint()
{
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(handle(), &ps);
    RECT client;
    ::GetClientRect(handle(), &client);
    UniqueBrush owned;
    ::FillRect(dc, &client, colour_brush(box_.back_colour(), owned));
    if (bitmap_) {
        HDC memory = ::CreateCompatibleDC(dc);
        HGDIOBJ old = ::SelectObject(memory, bitmap_.get());
        BITMAP size{};
        ::GetObjectA(bitmap_.get(), sizeof size, &size);
        ::BitBlt(dc, 0, 0, size.bmWidth, size.bmHeight, memory, 0, 0, SRCCOPY);
        ::SelectObject(memory, old);
        ::DeleteDC(memory);
    }
    ::EndPaint(handle(), &ps);
}

} // namespace platform::win32
