#pragma once

#include <cstdint>

#include "platform/registry.h"

namespace lock {

// Where an administrator (or Group Policy, through varnhollow.adm) sets the
// program's policies. Under the Policies key, which only administrators and
// SYSTEM may write, and which Group Policy clears when a policy goes.
inline constexpr char POLICIES_KEY[] = "SOFTWARE\\Policies\\Varnhollow";
inline constexpr char RELOCK_MINUTES_VALUE[] = "RelockMinutes";
inline constexpr char RELOCK_AT_STARTUP_VALUE[] = "RelockAtStartup";
inline constexpr char NO_UPDATE_CHECK_VALUE[] = "NoUpdateCheck";
inline constexpr char NO_EMAIL_VALUE[] = "NoEmail";

// One day: a longer delay is surely a mistake (minutes taken for seconds),
// and counts as no policy rather than as a re-lock weeks away.
inline constexpr std::uint32_t LONGEST_RELOCK_MINUTES = 1440;

// The policies as they hold now. A value that is absent, not a DWORD, not 4
// bytes long or out of its range counts as absent: the program behaves as
// without it.
struct Policies {
    std::uint32_t relock_minutes = 0; // 0: never re-locks by itself
    bool relock_at_startup = false;
    bool no_update_check = false;
    bool no_email = false;
    bool operator==(const Policies&) const = default;
};

Policies read_policies(platform::Registry& registry);

} // namespace lock
