#pragma once

namespace platform {

// Lets a handler that waits for the user keep the program responsive.
class EventPump {
public:
    virtual ~EventPump() = default;
    // Handles the window events that are pending, then returns. False once the
    // program's thread has been told to end (a quit message, from this program
    // or from outside): the caller stops waiting.
    virtual bool process_pending_events() = 0;
};

} // namespace platform
