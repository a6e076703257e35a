#pragma once

#include <windows.h>

#include <memory>

#include "platform/controls.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/win32_window_class.h"

namespace platform::win32 {

// The two faces of "MS Sans Serif" 8.25 pt that a form's controls use.
struct FormFonts {
    UniqueFont regular;
    UniqueFont bold;

    FormFonts();
    HFONT get(FontWeight weight) const { return weight == FontWeight::bold ? bold.get() : regular.get(); }
};

class FormWindow;

// The real child window behind one control of a form. It shows the
// control's properties on refresh() and hands the user's actions back to it.
// Its form's window owns it and keeps it while any of its messages is being
// handled, whatever the handlers do (see FormWindow::Handling).
class ChildView : public ControlView {
public:
    ChildView(Control& control, FormWindow& owner);
    ~ChildView() override;
    ChildView(const ChildView&) = delete;
    ChildView& operator=(const ChildView&) = delete;

    HWND handle() const { return window_.get(); }
    Control& control() const { return control_; }

    // WM_COMMAND from this control to its form (a click, a change of text).
    virtual void command(WORD) {}
    // WM_CTLCOLORSTATIC: sets the text colours on dc and returns the
    // background brush, or nullptr for the system's colours.
    virtual HBRUSH colours(HDC) { return nullptr; }

    // The form was unloaded: the view lets go of its control and hands back
    // no more of the user's actions. Its window goes later, with the form's.
    virtual void retire();
    bool retired() const { return retired_; }

    // The view of a subclassed child window, or nullptr.
    static ChildView* of(HWND child);

protected:
    // Creates the window, attaches the view and shows the properties.
    void create(HINSTANCE instance, HWND parent, int id, const char* window_class, DWORD style);
    // Routes the control's own messages through message() first.
    void subclass();
    virtual LRESULT message(UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT call_original(UINT message, WPARAM wparam, LPARAM lparam);
    void show_common(const FormFonts& fonts, FontWeight weight);

    Control& control_;
    FormWindow& owner_;
    Form& form_;
    UniqueWindow window_;

private:
    static LRESULT CALLBACK subclass_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    WNDPROC original_ = nullptr;
    bool retired_ = false;
};

// WM_CTLCOLORSTATIC from `child`: its view's brush, or nullptr.
HBRUSH child_colours(HWND child, HDC dc);

// Creates the child window for a control of one of the kinds a form may hold;
// nullptr for the kinds that have no child window of their own.
std::unique_ptr<ChildView> make_child_view(HINSTANCE instance, HWND parent, int id, Control& control,
                                           FormWindow& owner);

} // namespace platform::win32
