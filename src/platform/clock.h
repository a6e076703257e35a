#pragma once

#include <cstdint>

namespace platform {

// The time that has passed, for pauses measured in seconds. Exists so that
// tests move the time instead of waiting for it.
class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds from an arbitrary start; the count wraps at 2^32, so only
    // differences of less than 49 days mean anything.
    virtual std::uint32_t milliseconds() = 0;
};

} // namespace platform
