#include "platform/win32/win32_wall_clock.h"

#include <windows.h>

namespace platform::win32 {

namespace {

// FILETIME counts 100-nanosecond steps from 1 January 1601.
constexpr std::int64_t STEPS_PER_SECOND = 10'000'000;
constexpr std::int64_t SECONDS_1601_TO_1970 = 11'644'473'600;

std::int64_t steps_of(const FILETIME& time)
{
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
}

FILETIME file_time_of(std::int64_t steps)
{
    const auto bits = static_cast<std::uint64_t>(steps);
    return FILETIME{static_cast<DWORD>(bits & 0xFFFFFFFFu), static_cast<DWORD>(bits >> 32)};
}

char digit(unsigned number)
{
    return static_cast<char>('0' + number % 10);
}

} // namespace

std::int64_t Win32WallClock::now_seconds()
{
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    return steps_of(now) / STEPS_PER_SECOND - SECONDS_1601_TO_1970;
}

std::string Win32WallClock::local_hour_minute(std::int64_t seconds)
{
    const FILETIME utc = file_time_of((seconds + SECONDS_1601_TO_1970) * STEPS_PER_SECOND);
    FILETIME local{};
    SYSTEMTIME parts{};
    if (!::FileTimeToLocalFileTime(&utc, &local) || !::FileTimeToSystemTime(&local, &parts))
        return "--:--";
    return {digit(parts.wHour / 10), digit(parts.wHour), ':', digit(parts.wMinute / 10), digit(parts.wMinute)};
}

} // namespace platform::win32
