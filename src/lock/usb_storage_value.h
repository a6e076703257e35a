#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "program/result.h"

namespace lock {

inline constexpr char USBSTOR_KEY[] = "SYSTEM\\CurrentControlSet\\Services\\USBSTOR";
inline constexpr char START_VALUE[] = "Start";
inline constexpr std::uint32_t START_UNLOCKED = 3;
inline constexpr std::uint32_t START_LOCKED = 4;

enum class LockState { unlocked, locked };

// Reads the service's Start value: the state it tells, or nothing when the
// key or the value cannot be read.
std::optional<LockState> read_lock_state(platform::Registry& registry);

// Reads the Start value as read_lock_state does: its type and data bytes, or
// nothing when the key or the value cannot be read.
std::optional<platform::RegistryValue> read_start_value(platform::Registry& registry);

// The state a stored value tells.
LockState lock_state_of(const platform::RegistryValue& stored);

// The value as regedit shows it: a REG_DWORD in decimal, a string as it is;
// empty for any other type.
std::string start_value_text(const platform::RegistryValue& stored);

// The state told by a value of this type and these data bytes.
LockState lock_state_from_bytes(platform::ValueType type, std::vector<std::uint8_t> bytes);

// Writes START_LOCKED or START_UNLOCKED as a REG_DWORD: nothing, or the step
// that failed with the system's status code.
program::Result<void, platform::RegistryFailure> write_start_value(platform::Registry& registry, std::uint32_t value);

} // namespace lock
