#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/timers.h"
#include "platform/user_settings.h"
#include "platform/wall_clock.h"

namespace shell {

// The user setting that keeps a pending re-lock's due time, in seconds since
// 1970 (UTC), so that the program started again goes on with it.
inline constexpr char RELOCK_DUE_SETTING[] = "RelockDue";

// The re-lock RelockMinutes asks for after an unlock made through the
// program. One timer of the outer loop, nothing polled; its due time is also
// kept in the user's settings, as a date, so that a restart of the program
// (or of the session) does not forget it. The user may write those settings:
// a kept time is never taken as later than the policy allows from now.
class RelockTimer {
public:
    RelockTimer(platform::Timers& timers, platform::WallClock& clock, platform::UserSettings& settings,
                std::function<void()> on_due)
        : timers_(timers), clock_(clock), settings_(settings), on_due_(std::move(on_due))
    {
    }

    // An unlock through the program: the lock comes back `minutes` from now.
    void start(std::uint32_t minutes);
    // Start-up while unlocked: a re-lock an earlier run kept comes back, at
    // once when its time has passed, at most `minutes` from now; with no
    // policy (`minutes` 0) it is forgotten.
    void resume(std::uint32_t minutes);
    // The lock is on: nothing is pending, nothing kept.
    void cancel();

    bool pending() const { return timer_ != nullptr; }
    // The local time of the pending re-lock, "HH:MM".
    std::string due_hour_minute() const;

private:
    void arm(std::int64_t due_seconds);
    void elapsed();

    platform::Timers& timers_;
    platform::WallClock& clock_;
    platform::UserSettings& settings_;
    std::function<void()> on_due_;
    std::unique_ptr<platform::PendingTimer> timer_;
    std::int64_t due_seconds_ = 0;
};

} // namespace shell
