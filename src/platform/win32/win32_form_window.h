#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "platform/controls.h"
#include "platform/win32/win32_control_views.h"
#include "platform/win32/win32_user_control_window.h"

namespace platform::win32 {

// A form's top-level window with a child window for each of its controls.
// Its size comes from the form's client width and whole height in twips; it
// is centred on the screen each time it is shown.
class FormWindow : public ControlView {
public:
    FormWindow(HINSTANCE instance, Form& form);
    ~FormWindow() override;
    FormWindow(const FormWindow&) = delete;
    FormWindow& operator=(const FormWindow&) = delete;

    HWND handle() const { return window_.get(); }
    // Forms with fields or buttons take Tab, Enter and Escape as dialogs do.
    bool wants_dialog_keys() const { return wants_dialog_keys_; }

    void refresh() override;
    void bring_to_front();

    static void register_class(HINSTANCE instance);

private:
    static LRESULT CALLBACK procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT message(UINT message, WPARAM wparam, LPARAM lparam);
    void resize();
    void centre();
    void apply_focus();
    void enter_pressed();
    ChildView* view_of(const Control* control) const;

    void show_pointer();
    HCURSOR pointer() const;

    Form& form_;
    DWORD style_;
    DWORD ex_style_;
    HCURSOR custom_pointer_ = nullptr; // a shared resource, never destroyed
    Picture shown_mouse_icon_;
    MousePointer shown_pointer_ = MousePointer::default_pointer;
    FormFonts fonts_; // outlives the windows that use them
    UniqueWindow window_;
    std::vector<std::unique_ptr<PictureWindow>> pictures_;
    std::vector<std::unique_ptr<UserControlWindow>> user_controls_;
    std::vector<std::unique_ptr<ChildView>> children_;
    bool wants_dialog_keys_ = false;
    bool shown_ = false;
};

} // namespace platform::win32
