#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <vector>

#include "platform/event_pump.h"
#include "platform/win32/event_waits.h"
#include "platform/window_system.h"
#include "platform/win32/win32_form_window.h"
#include "platform/win32/win32_posted_tasks.h"

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
    void post(std::function<void()> task) override { tasks_.post(std::move(task)); }

    // Runs until the last form is unloaded; returns the exit code.
    int run_event_loop();

    // Events the outer loop waits for besides messages; a wait for the
    // password window leaves them for after it.
    EventWaits waits;

private:
    // Tab, Enter and Escape in a form with fields, as in a dialog box.
    bool dialog_message(MSG& message);
    void dispatch(MSG& message);
    void destroy_retired(FormWindow& window);

    HINSTANCE instance_;
    PostedTasks tasks_;
    bool menu_open_ = false;
    std::map<Form*, std::unique_ptr<FormWindow>> windows_;
    // Windows of unloaded forms whose messages are still being handled.
    std::vector<std::unique_ptr<FormWindow>> retired_;
};

} // namespace platform::win32
