#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/event_log.h"

namespace audit {

// The events' message identifiers: facility 0, the severity in the top two
// bits (informational 01, success 00, warning 10, error 11), the number Event
// Viewer shows in the low word. resources/varnhollow_events.mc gives each its
// text.
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

inline constexpr char LOCK_ON[] = "activé";
inline constexpr char LOCK_OFF[] = "désactivé";

// Who did what to the lock and the password, for the administrators who read
// the machine's event log. Reporting never changes what the user sees: an
// event that cannot be written is left out. Names and texts from outside the
// program go in as data: no control character, no '%' a viewer could expand.
class AuditTrail {
public:
    explicit AuditTrail(platform::EventLog& log) : log_(log) {}

    // Start-up has shown the icon.
    void started(const std::string& version, bool locked);
    void stopped(bool locked);
    void locked();
    // Unlocked after the password window accepted the password.
    void unlocked();
    void wrong_password();
    void password_changed();
    // The Start value changed from outside and the icon followed it.
    void changed_outside(bool locked, const std::string& start_value);
    // Writing the Start value failed with this status.
    void write_failed(long status);
    // USB drives ejected after a lock, by the names the user knows them by.
    void drives_ejected(const std::vector<std::string>& names);
    // The password file could not be read, with the system's code and text
    // (or the program's own for a file that holds no readable password): no
    // entry could be checked, which is not a wrong password.
    void password_file_unreadable(const std::string& file, long code, const std::string& text);

private:
    void report(platform::EventType type, std::uint32_t event_id, const std::vector<std::string>& inserts);

    platform::EventLog& log_;
};

} // namespace audit
