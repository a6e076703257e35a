#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// The wType of ReportEventA.
enum class EventType : std::uint16_t {
    error = 0x0001,
    warning = 0x0002,
    information = 0x0004,
    audit_success = 0x0008,
    audit_failure = 0x0010,
};

// The system's Application log, under the program's own event source; the
// texts are the message table of the exe, the program hands over only the
// event's number and its insert strings. Exists so that the audit trail can
// be checked against a log in memory.
class EventLog {
public:
    virtual ~EventLog() = default;
    // ReportEventA, with the process user's SID. False when the event was not
    // written (the source cannot be opened, the log refuses it); the caller
    // goes on as if it had been.
    virtual bool report(EventType type, std::uint32_t event_id, const std::vector<std::string>& inserts) = 0;
    // The process's user as DOMAIN\user; empty when it cannot be told.
    virtual std::string user_name() = 0;
    // The system's text for a status code a call returned (no line break at
    // its end), to be shown as an insert.
    virtual std::string error_text(long status) = 0;
};

} // namespace platform
