#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <vector>

#include "platform/controls.h"
#include "platform/win32/win32_control_views.h"
#include "platform/win32/win32_window_class.h"

namespace platform::win32 {

// A form's top-level window with a child window for each of its controls.
// Its size comes from the form's client width and whole height in twips; it
// is centred on the screen each time it is shown.
//
// A handler run from one of its messages may unload the form. The window and
// its views then retire at once (they let go of the form and its controls and
// hand back nothing more) but are destroyed only when none of their messages
// is being handled any more: no view is destroyed under its own feet, and the
// form may be loaded again meanwhile, into a new window.
class FormWindow : public ControlView {
public:
    FormWindow(HINSTANCE instance, Form& form);
    ~FormWindow() override;
    FormWindow(const FormWindow&) = delete;
    FormWindow& operator=(const FormWindow&) = delete;

    // Held by the window procedures of the form's windows, its own and its
    // controls', while they handle a message (nested ones included).
    class Handling {
    public:
        explicit Handling(FormWindow& window) : window_(window) { ++window_.messages_handled_; }
        ~Handling();
        Handling(const Handling&) = delete;
        Handling& operator=(const Handling&) = delete;

    private:
        FormWindow& window_;
    };

    // The form was unloaded: see above.
    void retire();
    bool handling_messages() const { return messages_handled_ > 0; }
    // Runs `destroy` once the last message being handled has been handled.
    void when_handled(std::function<void()> destroy) { when_handled_ = std::move(destroy); }

    HWND handle() const { return window_.get(); }
    Form& form() const { return form_; }
    const FormFonts& fonts() const { return fonts_; }
    // Forms with fields or buttons take Tab, Enter and Escape as dialogs do.
    bool wants_dialog_keys() const { return wants_dialog_keys_; }

    void refresh() override;
    void bring_to_front();

    static void register_class(HINSTANCE instance);

private:
    friend LRESULT CALLBACK window_procedure<FormWindow>(HWND, UINT, WPARAM, LPARAM);
    LRESULT window_message(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    void window_destroyed() { window_.release(); }
    LRESULT message(UINT message, WPARAM wparam, LPARAM lparam);
    void resize();
    void centre();
    void apply_focus();
    Control* focused_control() const;
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
    std::vector<std::unique_ptr<ChildView>> children_;
    bool wants_dialog_keys_ = false;
    bool shown_ = false;
    bool retired_ = false;
    int messages_handled_ = 0;
    std::function<void()> when_handled_;
};

} // namespace platform::win32
