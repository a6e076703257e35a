#pragma once

#include "platform/timers.h"
#include "platform/win32/event_waits.h"

namespace platform::win32 {

// Each timer is a waitable timer that the outer message loop waits for
// (EventWaits), so it runs from that loop only: never inside a box's or a
// menu's own loop, or a wait for the password window.
class Win32Timers : public Timers {
public:
    explicit Win32Timers(EventWaits& waits) : waits_(waits) {}

    std::unique_ptr<PendingTimer> start_timer(std::uint32_t ms, std::function<void()> on_elapsed) override;

private:
    EventWaits& waits_;
};

} // namespace platform::win32
