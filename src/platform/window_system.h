#pragma once

#include "platform/controls.h"

namespace platform {

// Real windows for the program's forms, and the popup menu.
class WindowSystem {
public:
    virtual ~WindowSystem() = default;
    // Creates the form's window and its controls, hidden, and attaches views.
    virtual void create_window(Form& form) = 0;
    // Destroys them and detaches the views.
    virtual void destroy_window(Form& form) = 0;
    // Brings a shown window to the front, where the user can type into it.
    virtual void bring_to_front(Form& form) = 0;
    // Shows the menu's items at the mouse position; runs the chosen item's
    // click handler after the menu has closed.
    virtual void show_popup_menu(Form& owner, MenuItem& menu) = 0;
    // No window is loaded any more: the process may end.
    virtual void end_event_loop() = 0;
};

} // namespace platform
