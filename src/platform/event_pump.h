#pragma once

#include <functional>

namespace platform {

// The program's thread's queue of events.
class EventPump {
public:
    virtual ~EventPump() = default;
    // Runs `task` on the program's thread once the events pending now have
    // been handled; never once the thread has been told to end (a quit
    // message, from this program or from outside).
    virtual void post(std::function<void()> task) = 0;
};

} // namespace platform
