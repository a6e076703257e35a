#pragma once

#include "platform/controls.h"
#include "platform/window_system.h"

namespace platform {

// Loads and unloads the program's windows. The process ends when the last
// loaded window is unloaded.
class Forms {
public:
    explicit Forms(WindowSystem& windows) : windows_(windows) {}

    // Creates the window, hidden, and runs its load handler; nothing when it
    // is already loaded.
    void load(Form& form);
    // Loads the window if needed, then makes it visible, in front.
    void show(Form& form);
    void unload(Form& form);
    int loaded_count() const { return loaded_count_; }

private:
    WindowSystem& windows_;
    int loaded_count_ = 0;
};

} // namespace platform
