#pragma once

#include <cstdint>
#include <string>

namespace platform {

// The date and the time of day, for what is due at a time that outlives the
// program (a re-lock after a restart) and for telling the user that time.
// Exists so that tests set the time instead of waiting for it.
class WallClock {
public:
    virtual ~WallClock() = default;
    // Seconds since 1 January 1970, UTC.
    virtual std::int64_t now_seconds() = 0;
    // The local time of day at `seconds` (counted as now_seconds counts),
    // "HH:MM" on 24 hours.
    virtual std::string local_hour_minute(std::int64_t seconds) = 0;
};

} // namespace platform
