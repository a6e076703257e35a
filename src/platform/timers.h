#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace platform {

// A timer that has not run yet; destroying it cancels it.
class PendingTimer {
public:
    virtual ~PendingTimer() = default;
};

// Tells the program when a time has passed. Exists so that tests play the
// time instead of waiting for it.
class Timers {
public:
    virtual ~Timers() = default;
    // `on_elapsed` runs once, on the window thread from its outer event loop,
    // `ms` milliseconds from now or later (the loop may be held up by a box
    // or a window of its own), unless the timer was cancelled first.
    virtual std::unique_ptr<PendingTimer> start_timer(std::uint32_t ms, std::function<void()> on_elapsed) = 0;
};

} // namespace platform
