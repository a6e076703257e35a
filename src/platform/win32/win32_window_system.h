#pragma once

#include <windows.h>

#include <map>
#include <memory>

#include "platform/event_pump.h"
#include "platform/window_system.h"
#include "platform/win32/win32_form_window.h"

namespace platform::win32 {

// Shows the program's forms as real windows and runs the message loop, all
// on the thread that created it.
class Win32WindowSystem : public WindowSystem, public EventPump {
public:
    explicit Win32WindowSystem(HINSTANCE instance);
    ~Win32WindowSystem() override;

    void create_window(Form& form) override;
    void destroy_window(Form& form) override;
    void bring_to_front(Form& form) override;
    void show_popup_menu(Form& owner, MenuItem& menu) override;
    void end_event_loop() override;
    void process_pending_events() override;

    // Runs until the last form is unloaded; returns the exit code.
    int run_event_loop();

private:
    // Tab, Enter and Escape in a form with fields, as in a dialog box.
    bool dialog_message(MSG& message);
    void dispatch(MSG& message);

    HINSTANCE instance_;
    std::map<Form*, std::unique_ptr<FormWindow>> windows_;
};

} // namespace platform::win32
