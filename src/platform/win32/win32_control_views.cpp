#include "platform/win32/win32_control_views.h"

#include <windowsx.h>
#include <commctrl.h>

#include <string>

#include "platform/win32/win32_form_window.h"
#include "platform/win32/win32_frame_view.h"
#include "platform/win32/win32_picture_box_view.h"
#include "platform/win32/win32_twips.h"
#include "platform/win32/win32_view_helpers.h"

namespace platform::win32 {

namespace {

constexpr char FONT_FACE[] = "MS Sans Serif";
constexpr int FONT_SIZE_HUNDREDTHS = 825; // 8.25 pt

UniqueFont make_font(int weight)
{
    HDC screen = ::GetDC(nullptr);
    const int height = -::MulDiv(FONT_SIZE_HUNDREDTHS, ::GetDeviceCaps(screen, LOGPIXELSY), 72 * 100);
    ::ReleaseDC(nullptr, screen);
    return UniqueFont(::CreateFontA(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                                    CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, FONT_FACE));
}

std::string window_text(HWND hwnd)
{
    std::string text(static_cast<std::size_t>(::GetWindowTextLengthA(hwnd)) + 1, '\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextA(hwnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

void set_window_text(HWND hwnd, const std::string& text)
{
    if (window_text(hwnd) != text)
        ::SetWindowTextA(hwnd, text.c_str());
}

// A label takes the mouse over it (SS_NOTIFY), so moves and clicks go to the
// label and not to the window or frame beneath it.
class LabelView : public ChildView {
public:
    LabelView(HINSTANCE instance, HWND parent, int id, Label& label, FormWindow& owner)
        : ChildView(label, owner), instance_(instance), label_(label), fonts_(owner.fonts())
    {
        const DWORD align = label.alignment() == Alignment::centre ? SS_CENTER : SS_LEFT;
        create(instance, parent, id, "STATIC", align | SS_NOPREFIX | SS_NOTIFY);
        subclass();
    }

    void refresh() override
    {
        const HWND hwnd = handle();
        if (!hwnd)
            return;
        set_window_text(hwnd, label_.caption());
        show_common(fonts_, label_.weight());
        if (label_.fore_colour() != shown_fore_ || label_.back_colour() != shown_back_) {
            shown_fore_ = label_.fore_colour();
            shown_back_ = label_.back_colour();
            back_brush_ = colour_brush(shown_back_, owned_brush_);
            ::InvalidateRect(hwnd, nullptr, TRUE);
        }
        show_tooltip();
    }

    HBRUSH colours(HDC dc) override
    {
        ::SetTextColor(dc, colour_ref(shown_fore_));
        ::SetBkColor(dc, colour_ref(shown_back_));
        return back_brush_;
    }

protected:
    LRESULT message(UINT message, WPARAM wparam, LPARAM lparam) override
    {
        if (tooltip_ && message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) {
            MSG relayed{handle(), message, wparam, lparam, static_cast<DWORD>(::GetMessageTime()), {}};
            ::SendMessageA(tooltip_.get(), TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
        }
        switch (message) {
        case WM_MOUSEMOVE:
            run_mouse_handler(label_.on_mouse_move, wparam, lparam);
            return 0;
        case WM_LBUTTONDOWN:
            pressed_ = true;
            break;
        case WM_LBUTTONUP:
            if (pressed_ && label_.on_click) {
                pressed_ = false;
                label_.on_click();
                return 0;
            }
            pressed_ = false;
            break;
        default:
            break;
        }
        return ChildView::message(message, wparam, lparam);
    }

private:
    // One tooltip window per label that has a tooltip, owned by the form.
    void show_tooltip()
    {
        if (label_.tooltip() == shown_tooltip_)
            return;
        shown_tooltip_ = label_.tooltip();
        TOOLINFOA tool{};
        tool.cbSize = sizeof tool;
        tool.uFlags = TTF_IDISHWND;
        tool.hwnd = ::GetParent(handle());
        tool.uId = reinterpret_cast<UINT_PTR>(handle());
        tool.lpszText = shown_tooltip_.data();
        if (!tooltip_) {
            tooltip_.reset(::CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr,
                                             WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                                             CW_USEDEFAULT, CW_USEDEFAULT, ::GetAncestor(handle(), GA_ROOT), nullptr,
                                             instance_, nullptr));
            ::SendMessageA(tooltip_.get(), TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
        } else {
            ::SendMessageA(tooltip_.get(), TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
        }
    }

    HINSTANCE instance_;
    Label& label_;
    const FormFonts& fonts_;
    Colour shown_fore_ = 0xFFFFFFFF; // no colour yet
    Colour shown_back_ = 0xFFFFFFFF;
    HBRUSH back_brush_ = nullptr;
    UniqueBrush owned_brush_;
    std::string shown_tooltip_;
    UniqueWindow tooltip_;
    bool pressed_ = false;
};

class ButtonView : public ChildView {
public:
    ButtonView(HINSTANCE instance, HWND parent, int id, Button& button, FormWindow& owner)
        : ChildView(button, owner), button_(button), fonts_(owner.fonts())
    {
        const DWORD kind = button.is_default() ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
        create(instance, parent, id, "BUTTON", kind | WS_TABSTOP);
        subclass();
    }

    void refresh() override
    {
        set_window_text(handle(), button_.caption());
        show_common(fonts_, FontWeight::regular);
    }

    void command(WORD code) override
    {
        if (code == BN_CLICKED)
            button_.click();
    }

private:
    Button& button_;
    const FormFonts& fonts_;
};

// A single-line field. The characters typed into it go through the form's
// key rule (Form::type_character); the edit control takes those the rule lets
// through, at its caret and within its limit.
class TextBoxView : public ChildView, public FieldEditor {
public:
    TextBoxView(HINSTANCE instance, HWND parent, int id, TextBox& box, FormWindow& owner)
        : ChildView(box, owner), box_(box), fonts_(owner.fonts())
    {
        const TextBox::Style& style = box.style();
        create(instance, parent, id, "EDIT",
               WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL | (style.password_char ? ES_PASSWORD : 0));
        if (style.password_char)
            ::SendMessageA(handle(), EM_SETPASSWORDCHAR, static_cast<unsigned char>(style.password_char), 0);
        if (style.max_length > 0)
            ::SendMessageA(handle(), EM_LIMITTEXT, static_cast<WPARAM>(style.max_length), 0);
        subclass();
        box.attach_editor(this);
    }

    void refresh() override
    {
        set_window_text(handle(), box_.text());
        show_common(fonts_, box_.style().weight);
    }

    // The field keeps its control's text up to date as the user types.
    void command(WORD code) override
    {
        if (code == EN_CHANGE)
            box_.set_text(window_text(handle()));
    }

    void retire() override
    {
        box_.attach_editor(nullptr);
        ChildView::retire();
    }

    void take_character(char character) override
    {
        call_original(WM_CHAR, static_cast<unsigned char>(character), typed_key_);
    }

protected:
    LRESULT message(UINT message, WPARAM wparam, LPARAM lparam) override
    {
        if (message == WM_GETDLGCODE) {
            // Enter is the field's (or the default button's, see WM_CHAR),
            // not the dialog manager's.
            const auto* key = reinterpret_cast<const MSG*>(lparam);
            const bool enter = key && key->message == WM_KEYDOWN && key->wParam == VK_RETURN;
            return call_original(message, wparam, lparam) | (enter ? DLGC_WANTMESSAGE : 0);
        }
        if (message == WM_CHAR) {
            typed_key_ = lparam;
            form_.type_character(box_, static_cast<char>(wparam));
            return 0;
        }
        // The Enter it stands for comes as WM_CHAR; a field left alone with it
        // would look for a default button itself and press it a second time.
        if (message == WM_KEYDOWN && wparam == VK_RETURN)
            return 0;
        return ChildView::message(message, wparam, lparam);
    }

private:
    TextBox& box_;
    const FormFonts& fonts_;
    LPARAM typed_key_ = 0; // repeat count and scan code of the WM_CHAR being typed
};

} // namespace

FormFonts::FormFonts() : regular(make_font(FW_NORMAL)), bold(make_font(FW_BOLD)) {}

ChildView* ChildView::of(HWND child)
{
    return reinterpret_cast<ChildView*>(::GetWindowLongPtrA(child, GWLP_USERDATA));
}

HBRUSH child_colours(HWND child, HDC dc)
{
    ChildView* view = ChildView::of(child);
    return view ? view->colours(dc) : nullptr;
}

ChildView::ChildView(Control& control, FormWindow& owner) : control_(control), owner_(owner), form_(owner.form()) {}

// Its form's window retires it first: the control is no longer touched here.
ChildView::~ChildView()
{
    // The window goes before this object: its last messages must not reach it.
    if (original_ && handle())
        ::SetWindowLongPtrA(handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_));
    window_.reset();
}

void ChildView::create(HINSTANCE instance, HWND parent, int id, const char* window_class, DWORD style)
{
    const TwipsRect& r = control_.rect();
    const ScreenResolution screen = ScreenResolution::of_screen();
    window_.reset(::CreateWindowExA(0, window_class, "", WS_CHILD | WS_CLIPSIBLINGS | style, screen.across(r.left),
                                    screen.down(r.top), screen.across(r.width), screen.down(r.height), parent,
                                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr));
    control_.attach(this);
    refresh();
}

void ChildView::subclass()
{
    ::SetWindowLongPtrA(handle(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    original_ = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(subclass_procedure)));
}

void ChildView::retire()
{
    control_.attach(nullptr);
    retired_ = true;
}

LRESULT CALLBACK ChildView::subclass_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    auto* self = reinterpret_cast<ChildView*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    const FormWindow::Handling handling(self->owner_);
    if (message == WM_NCDESTROY) {
        // Destroyed with its parent, by the system: nothing is left to destroy.
        const LRESULT result = self->call_original(message, wparam, lparam);
        self->window_.release();
        return result;
    }
    if (self->retired_)
        return self->call_original(message, wparam, lparam);
    return self->message(message, wparam, lparam);
}

LRESULT ChildView::message(UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_SETFOCUS)
        form_.focus_moved_to(control_);
    return call_original(message, wparam, lparam);
}

LRESULT ChildView::call_original(UINT message, WPARAM wparam, LPARAM lparam)
{
    return ::CallWindowProcA(original_, handle(), message, wparam, lparam);
}

void ChildView::show_common(const FormFonts& fonts, FontWeight weight)
{
    const HWND hwnd = handle();
    if (!hwnd)
        return;
    const auto font = reinterpret_cast<WPARAM>(fonts.get(weight));
    if (::SendMessageA(hwnd, WM_GETFONT, 0, 0) != static_cast<LRESULT>(font))
        ::SendMessageA(hwnd, WM_SETFONT, font, TRUE);
    ::EnableWindow(hwnd, control_.enabled());
    ::ShowWindow(hwnd, control_.visible() ? SW_SHOWNA : SW_HIDE);
}

std::unique_ptr<ChildView> make_child_view(HINSTANCE instance, HWND parent, int id, Control& control,
                                           FormWindow& owner)
{
    if (auto* label = dynamic_cast<Label*>(&control))
        return std::make_unique<LabelView>(instance, parent, id, *label, owner);
    if (auto* button = dynamic_cast<Button*>(&control))
        return std::make_unique<ButtonView>(instance, parent, id, *button, owner);
    if (auto* box = dynamic_cast<TextBox*>(&control))
        return std::make_unique<TextBoxView>(instance, parent, id, *box, owner);
    if (auto* frame = dynamic_cast<Frame*>(&control))
        return std::make_unique<FrameView>(instance, parent, id, *frame, owner);
    if (auto* picture = dynamic_cast<PictureBox*>(&control))
        return std::make_unique<PictureBoxView>(instance, parent, id, *picture, owner);
    return nullptr;
}

} // namespace platform::win32
