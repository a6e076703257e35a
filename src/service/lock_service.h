#pragma once

#include <cstdint>
#include <vector>

#include "platform/clock.h"
#include "platform/event_log.h"
#include "platform/record_file.h"
#include "platform/registry.h"
#include "platform/system_info.h"

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
    LockService(platform::Registry& registry, platform::RecordFiles& files, platform::SystemInfo& system,
                platform::Clock& clock);

    // The answer to one request, as bytes. `client_log` writes the audit
    // trail in the name of the user who asked.
    std::vector<std::uint8_t> answer(const std::vector<std::uint8_t>& request, platform::EventLog& client_log);
};

} // namespace service
