#pragma once

#include <cstdint>

namespace program {

// The message identifiers of the events the program writes to the
// Application log: facility 0, the severity in the top two bits
// (informational 01, success 00, warning 10, error 11), the number Event
// Viewer shows in the low word. resources/varnhollow_events.mc gives each its
// text; the Win32 backend checks these against the message table it builds.
inline constexpr std::uint32_t EVENT_STARTED = 0x40000064;                  // 100
inline constexpr std::uint32_t EVENT_STOPPED = 0x40000065;                  // 101
inline constexpr std::uint32_t EVENT_LOCKED = 0x0000006E;                   // 110
inline constexpr std::uint32_t EVENT_UNLOCKED = 0x0000006F;                 // 111
inline constexpr std::uint32_t EVENT_WRONG_PASSWORD = 0x80000070;           // 112
inline constexpr std::uint32_t EVENT_PASSWORD_CHANGED = 0x00000071;         // 113
inline constexpr std::uint32_t EVENT_CHANGED_OUTSIDE = 0x80000072;          // 114
inline constexpr std::uint32_t EVENT_WRITE_FAILED = 0xC0000073;             // 115
inline constexpr std::uint32_t EVENT_DRIVES_EJECTED = 0x40000074;           // 116
inline constexpr std::uint32_t EVENT_PASSWORD_FILE_UNREADABLE = 0xC0000075; // 117
inline constexpr std::uint32_t EVENT_PASSWORD_SET = 0x00000076;             // 118
inline constexpr std::uint32_t EVENT_WRONG_CURRENT_PASSWORD = 0x80000077;   // 119
inline constexpr std::uint32_t EVENT_TOO_MANY_TRIES = 0x80000078;           // 120
inline constexpr std::uint32_t EVENT_SETUP_FILE_FAILED = 0xC0000079;        // 121
inline constexpr std::uint32_t EVENT_RELOCKED = 0x0000007A;                 // 122

} // namespace program
