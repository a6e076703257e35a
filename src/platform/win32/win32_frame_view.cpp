#include "platform/win32/win32_frame_view.h"

#include "platform/win32/win32_form_window.h"
#include "platform/win32/win32_view_helpers.h"
#include "platform/win32/win32_window_class.h"

namespace platform::win32 {

namespace {
constexpr char FRAME_CLASS[] = "VarnhollowFrame";
constexpr int FIRST_CHILD_ID = 100;
} // namespace

FrameView::FrameView(HINSTANCE instance, HWND parent, int id, Frame& frame, FormWindow& owner)
    : ChildView(frame, owner), frame_(frame), fonts_(owner.fonts())
{
    create(instance, parent, id, FRAME_CLASS, WS_CLIPCHILDREN);
    subclass();
    for (Control* control : frame.controls) {
        const int child_id = FIRST_CHILD_ID + static_cast<int>(children_.size());
        if (auto view = make_child_view(instance, handle(), child_id, *control, owner))
            children_.push_back(std::move(view));
    }
}

// The children's windows go before the frame's own.
FrameView::~FrameView()
{
    children_.clear();
}

void FrameView::retire()
{
    for (const auto& child : children_)
        child->retire();
    ChildView::retire();
}

void FrameView::register_class(HINSTANCE instance)
{
    register_window_class(instance,
                          {.name = FRAME_CLASS, .pointer = arrow_pointer(), .background = button_face_background()});
}

void FrameView::refresh()
{
    show_common(fonts_, FontWeight::regular);
}

LRESULT FrameView::message(UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_PAINT:
        paint();
        return 0;
    case WM_MOUSEMOVE:
        run_mouse_handler(frame_.on_mouse_move, wparam, lparam);
        return 0;
    case WM_COMMAND: {
        const int index = LOWORD(wparam) - FIRST_CHILD_ID;
        if (lparam && index >= 0 && index < static_cast<int>(children_.size()))
            children_[static_cast<std::size_t>(index)]->command(HIWORD(wparam));
        return 0;
    }
    case WM_CTLCOLORSTATIC:
        if (HBRUSH brush = child_colours(reinterpret_cast<HWND>(lparam), reinterpret_cast<HDC>(wparam)))
            return reinterpret_cast<LRESULT>(brush);
        break;
    default:
        break;
    }
    return ChildView::message(message, wparam, lparam);
}

// An etched border whose top edge lies half a text line down, where a
// caption would sit.
void FrameView::paint()
{
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(handle(), &ps);
    RECT r;
    ::GetClientRect(handle(), &r);
    HGDIOBJ old_font = ::SelectObject(dc, fonts_.get(FontWeight::regular));
    TEXTMETRICA metrics{};
    ::GetTextMetricsA(dc, &metrics);
    ::SelectObject(dc, old_font);
    r.top += metrics.tmHeight / 2;
    ::DrawEdge(dc, &r, EDGE_ETCHED, BF_RECT);
    ::EndPaint(handle(), &ps);
}

} // namespace platform::win32
