#pragma once

#include <cstdint>
#include <string>

#include "platform/wall_clock.h"

namespace platform::win32 {

// The system's date and time (GetSystemTimeAsFileTime), and the local time of
// day by the machine's time zone (FileTimeToLocalFileTime, which takes the
// zone's present offset).
class Win32WallClock : public WallClock {
public:
    std::int64_t now_seconds() override;
    std::string local_hour_minute(std::int64_t seconds) override;
};

} // namespace platform::win32
