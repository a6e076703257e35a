#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "audit/audit_trail.h"
#include "lock/driver_setup_files.h"
#include "password/password_keeper.h"

#include "platform/clock.h"
#include "platform/event_log.h"
#include "platform/file_access.h"
#include "platform/record_file.h"
#include "platform/registry.h"
#include "platform/system_info.h"
#include "service/protocol.h"

namespace service {

// After this many wrong passwords in a row (to unlock or to change it, from
// any user), every password is refused for PAUSE_AFTER_WRONG_TRIES_MS.
inline constexpr int WRONG_TRIES_BEFORE_PAUSE = 5;
inline constexpr std::uint32_t PAUSE_AFTER_WRONG_TRIES_MS = 60'000;

// The lock service's decisions: it holds the lock and the password for every
// user of the machine, and trusts nothing a client sends. Requests arrive one
// at a time; the count of wrong passwords is the machine's.
class LockService {
public:
    LockService(platform::Registry& registry, platform::FileAccess& file_access, platform::RecordFiles& files,
                platform::SystemInfo& system, platform::Clock& clock);

    // The answer to one request, as bytes. `client_log` writes the audit
    // trail in the name of the user who asked.
    std::vector<std::uint8_t> answer(const std::vector<std::uint8_t>& request, platform::EventLog& client_log);

private:
    Answer answer(const Request& request, audit::AuditTrail& audit);
    Answer state();
    Answer lock(audit::AuditTrail& audit);
    Answer unlock(const std::string& password, audit::AuditTrail& audit);
    Answer check(const std::string& typed, password::PasswordUse use, audit::AuditTrail& audit);
    Answer change(const std::string& current, const std::string& new_password, audit::AuditTrail& audit);

    // Whether passwords are refused now; ends a pause that is over.
    bool paused();
    // Counts the outcome of a check of a typed password.
    void count(bool right, audit::AuditTrail& audit);

    platform::Registry& registry_;
    lock::DriverSetupFiles setup_files_;
    platform::RecordFiles& files_;
    platform::SystemInfo& system_;
    platform::Clock& clock_;
    int wrong_tries_ = 0;
    std::optional<std::uint32_t> pause_start_ms_;
};

} // namespace service
