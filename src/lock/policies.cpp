#include "lock/policies.h"

#include <optional>

namespace lock {

namespace {

// The DWORD `name` of the policies key when it lies in [0, highest].
std::optional<std::uint32_t> policy_number(platform::Registry& registry, const char* name, std::uint32_t highest)
{
    const auto read = registry.read_value(POLICIES_KEY, name);
    if (!read.succeeded())
        return std::nullopt;
    const platform::RegistryValue& value = read.value();
    if (value.type != platform::ValueType::dword || value.bytes.size() != 4)
        return std::nullopt;
    const std::uint32_t number = std::uint32_t{value.bytes[0]} | std::uint32_t{value.bytes[1]} << 8 |
                                 std::uint32_t{value.bytes[2]} << 16 | std::uint32_t{value.bytes[3]} << 24;
    if (number > highest)
        return std::nullopt;
    return number;
}

// A switch: on with 1; off with 0, or counted as absent.
bool policy_on(platform::Registry& registry, const char* name)
{
    return policy_number(registry, name, 1).value_or(0) == 1;
}

} // namespace

Policies read_policies(platform::Registry& registry)
{
    return Policies{
        .relock_minutes = policy_number(registry, RELOCK_MINUTES_VALUE, LONGEST_RELOCK_MINUTES).value_or(0),
        .relock_at_startup = policy_on(registry, RELOCK_AT_STARTUP_VALUE),
        .no_update_check = policy_on(registry, NO_UPDATE_CHECK_VALUE),
        .no_email = policy_on(registry, NO_EMAIL_VALUE),
    };
}

} // namespace lock
