#include "platform/win32/win32_form_window.h"

#include <algorithm>
#include <utility>

#include "platform/win32/win32_twips.h"
#include "program/resource_ids.h"

namespace platform::win32 {

namespace {

constexpr char FORM_CLASS[] = "VarnhollowForm";
constexpr DWORD FORM_STYLE = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU; // a close box, no minimise or maximise
// No title bar, no border, no task bar button.
constexpr DWORD BORDERLESS_STYLE = WS_POPUP;
constexpr DWORD BORDERLESS_EX_STYLE = WS_EX_TOOLWINDOW;
constexpr int FIRST_CONTROL_ID = 100;

// The form's controls in their tab order, which is also the order their
// windows are created in.
std::vector<Control*> in_tab_order(const Form& form)
{
    std::vector<Control*> controls = form.controls;
    std::stable_sort(controls.begin(), controls.end(),
                     [](const Control* a, const Control* b) { return a->tab_index() < b->tab_index(); });
    return controls;
}

} // namespace

FormWindow::FormWindow(HINSTANCE instance, Form& form)
    : form_(form), style_(form.border_style() == BorderStyle::none ? BORDERLESS_STYLE : FORM_STYLE),
      ex_style_(form.border_style() == BorderStyle::none ? BORDERLESS_EX_STYLE : 0)
{
    window_.reset(::CreateWindowExA(ex_style_, FORM_CLASS, form.caption().c_str(), style_, CW_USEDEFAULT,
                                    CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, this));
    form.window_handle = reinterpret_cast<std::uintptr_t>(window_.get());
    for (Control* control : in_tab_order(form)) {
        const int id = FIRST_CONTROL_ID + static_cast<int>(children_.size());
        if (auto view = make_child_view(instance, window_.get(), id, *control, *this)) {
            wants_dialog_keys_ =
                wants_dialog_keys_ || dynamic_cast<TextBox*>(control) || dynamic_cast<Button*>(control);
            children_.push_back(std::move(view));
        }
    }
    form.attach(this);
    refresh();
}

FormWindow::~FormWindow()
{
    if (!retired_)
        retire();
    children_.clear();
    window_.reset();
}

FormWindow::Handling::~Handling()
{
    if (--window_.messages_handled_ == 0 && window_.when_handled_)
        std::exchange(window_.when_handled_, nullptr)(); // may destroy the window
}

void FormWindow::retire()
{
    form_.attach(nullptr);
    form_.window_handle = 0;
    for (const auto& child : children_)
        child->retire();
    retired_ = true;
}

void FormWindow::register_class(HINSTANCE instance)
{
    register_window_class(instance, {.name = FORM_CLASS,
                                     .procedure = window_procedure<FormWindow>,
                                     .icon = ::LoadIconA(instance, MAKEINTRESOURCEA(IDI_DEVICE)),
                                     .pointer = arrow_pointer(),
                                     .background = button_face_background()});
}

void FormWindow::refresh()
{
    const HWND hwnd = handle();
    ::SetWindowTextA(hwnd, form_.caption().c_str());
    resize();
    show_pointer();
    if (form_.visible() && !shown_) {
        centre();
        ::ShowWindow(hwnd, SW_SHOW);
        shown_ = true;
    } else if (!form_.visible() && shown_) {
        ::ShowWindow(hwnd, SW_HIDE);
        shown_ = false;
    }
    if (shown_)
        apply_focus();
}

void FormWindow::bring_to_front()
{
    if (!shown_)
        return;
    ::SetForegroundWindow(handle());
    ::BringWindowToTop(handle());
    apply_focus();
}

// Width from the client area, height for the whole window, as the form says.
void FormWindow::resize()
{
    if (form_.client_width_twips == 0)
        return;
    const ScreenResolution screen = ScreenResolution::of_screen();
    RECT frame{0, 0, screen.across(form_.client_width_twips), 0};
    ::AdjustWindowRectEx(&frame, style_, FALSE, ex_style_);
    ::SetWindowPos(handle(), nullptr, 0, 0, frame.right - frame.left, screen.down(form_.height_twips()),
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void FormWindow::centre()
{
    RECT r;
    ::GetWindowRect(handle(), &r);
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    const int x = (::GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int y = (::GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    ::SetWindowPos(handle(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HCURSOR FormWindow::pointer() const
{
    if (form_.mouse_pointer() == MousePointer::custom && custom_pointer_)
        return custom_pointer_;
    return arrow_pointer();
}

// A new pointer shows at once when the mouse is over the window, not only at
// its next move.
void FormWindow::show_pointer()
{
    const bool changed = !(form_.mouse_icon() == shown_mouse_icon_) || form_.mouse_pointer() != shown_pointer_;
    if (!changed)
        return;
    if (!(form_.mouse_icon() == shown_mouse_icon_)) {
        shown_mouse_icon_ = form_.mouse_icon();
        const auto instance = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrA(handle(), GWLP_HINSTANCE));
        custom_pointer_ = shown_mouse_icon_.kind == Picture::Kind::cursor
                              ? ::LoadCursorA(instance, MAKEINTRESOURCEA(shown_mouse_icon_.resource))
                              : nullptr;
    }
    shown_pointer_ = form_.mouse_pointer();
    POINT at;
    if (!::GetCursorPos(&at))
        return;
    const HWND under = ::WindowFromPoint(at);
    if (under && (under == handle() || ::IsChild(handle(), under)))
        ::SetCursor(pointer());
}

void FormWindow::apply_focus()
{
    const ChildView* view = view_of(form_.focus());
    if (view && ::GetFocus() != view->handle())
        ::SetFocus(view->handle());
}

// The control whose window has the keyboard focus, or none.
Control* FormWindow::focused_control() const
{
    for (const auto& child : children_)
        if (child->handle() == ::GetFocus())
            return &child->control();
    return nullptr;
}

ChildView* FormWindow::view_of(const Control* control) const
{
    for (const auto& child : children_)
        if (&child->control() == control)
            return child.get();
    return nullptr;
}

// The messages sent while CreateWindowExA runs, and those after the form was
// unloaded, get the system's handling.
LRESULT FormWindow::window_message(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (!window_ || retired_)
        return ::DefWindowProcA(hwnd, message, wparam, lparam);
    const Handling handling(*this);
    return this->message(message, wparam, lparam);
}

LRESULT FormWindow::message(UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_CLOSE:
        // The program decides when its windows go.
        if (form_.on_close)
            form_.on_close();
        return 0;
    case WM_ACTIVATE:
        // Give the focus back to the control that had it, as dialogs do
        // (after a message box, for instance).
        if (LOWORD(wparam) != WA_INACTIVE && shown_) {
            apply_focus();
            return 0;
        }
        return ::DefWindowProcA(handle(), message, wparam, lparam);
    case WM_COMMAND: {
        // The dialog manager's Enter and Escape when no field took them.
        if (LOWORD(wparam) == IDOK && lparam == 0) {
            form_.press_enter(focused_control());
            return 0;
        }
        if (LOWORD(wparam) == IDCANCEL && lparam == 0) {
            form_.press_escape();
            return 0;
        }
        const int index = LOWORD(wparam) - FIRST_CONTROL_ID;
        if (lparam && index >= 0 && index < static_cast<int>(children_.size()))
            children_[static_cast<std::size_t>(index)]->command(HIWORD(wparam));
        return 0;
    }
    case WM_SETCURSOR:
        if (form_.mouse_pointer() == MousePointer::custom && LOWORD(lparam) == HTCLIENT) {
            ::SetCursor(pointer());
            return TRUE;
        }
        return ::DefWindowProcA(handle(), message, wparam, lparam);
    case WM_CTLCOLORSTATIC:
        if (HBRUSH brush = child_colours(reinterpret_cast<HWND>(lparam), reinterpret_cast<HDC>(wparam)))
            return reinterpret_cast<LRESULT>(brush);
        return ::DefWindowProcA(handle(), message, wparam, lparam);
    default:
        return ::DefWindowProcA(handle(), message, wparam, lparam);
    }
}

} // namespace platform::win32
