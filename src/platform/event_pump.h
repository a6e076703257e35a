#pragma once

namespace platform {

// Lets a handler that waits for the user keep the program responsive.
class EventPump {
public:
    virtual ~EventPump() = default;
    // Handles the window events that are pending, then returns.
    virtual void process_pending_events() = 0;
};

} // namespace platform
