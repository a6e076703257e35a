#include "shell/relock_timer.h"

#include <algorithm>

namespace shell {

void RelockTimer::start(std::uint32_t minutes)
{
    const std::int64_t due = clock_.now_seconds() + std::int64_t{minutes} * 60;
    // Not kept (the user's key cannot be written): pending all the same, for this run.
    settings_.write_number(RELOCK_DUE_SETTING, static_cast<std::uint32_t>(due));
    arm(due);
}

void RelockTimer::resume(std::uint32_t minutes)
{
    const auto kept = settings_.read_number(RELOCK_DUE_SETTING);
    if (!kept || minutes == 0) {
        cancel();
        return;
    }
    const std::int64_t latest = clock_.now_seconds() + std::int64_t{minutes} * 60;
    arm(std::min<std::int64_t>(*kept, latest));
}

void RelockTimer::cancel()
{
    timer_.reset();
    settings_.remove(RELOCK_DUE_SETTING);
}

std::string RelockTimer::due_hour_minute() const
{
    return clock_.local_hour_minute(due_seconds_);
}

// The delay is at most LONGEST_RELOCK_MINUTES, well within the timer's range;
// a due time already past runs from the loop at once.
void RelockTimer::arm(std::int64_t due_seconds)
{
    due_seconds_ = due_seconds;
    const std::int64_t wait = std::max<std::int64_t>(due_seconds - clock_.now_seconds(), 0);
    timer_ = timers_.start_timer(static_cast<std::uint32_t>(wait * 1000), [this] { elapsed(); });
}

void RelockTimer::elapsed()
{
    cancel();
    on_due_();
}

} // namespace shell
