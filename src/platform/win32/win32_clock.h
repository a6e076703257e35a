#pragma once

#include <windows.h>

#include <cstdint>

#include "platform/clock.h"

namespace platform::win32 {

// The milliseconds since the system started, wrapping after 49.7 days as the
// interface allows (GetTickCount64 is not on Windows 2000).
class Win32Clock : public Clock {
public:
    std::uint32_t milliseconds() override { return ::GetTickCount(); }
};

} // namespace platform::win32
