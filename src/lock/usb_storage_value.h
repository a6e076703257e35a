#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace lock {

inline constexpr char USBSTOR_KEY[] = "SYSTEM\\CurrentControlSet\\Services\\USBSTOR";
inline constexpr char START_VALUE[] = "Start";
inline constexpr std::uint32_t START_UNLOCKED = 3;
inline constexpr std::uint32_t START_LOCKED = 4;

enum class LockState { unlocked, locked };

// Reads the service's Start value: the state it tells, or nothing when the
// key or the value cannot be read.
std::optional<LockState> read_lock_state(platform::Registry& registry);

// The Start value as the registry holds it: its type and its data bytes.
struct StoredStart {
    std::uint32_t type = 0;
    std::vector<std::uint8_t> bytes;
};

// Reads the Start value as read_lock_state does; nothing when the key or the
// value cannot be read.
std::optional<StoredStart> read_start_value(platform::Registry& registry);

// The state a stored value tells.
LockState lock_state_of(const StoredStart& stored);

// The value as regedit shows it: a REG_DWORD in decimal, a string as it is;
// empty for any other type.
std::string start_value_text(const StoredStart& stored);

// The state told by the bytes the registry returned (type, and the data
// bytes up to the returned size).
LockState lock_state_from_bytes(std::uint32_t type, std::vector<std::uint8_t> bytes);

enum class WriteResult { written, open_failed, set_failed, close_failed };

// Writes START_LOCKED or START_UNLOCKED as a REG_DWORD.
WriteResult write_start_value(platform::Registry& registry, std::uint32_t value);
// The same, giving the failing call's status code (0 when written).
WriteResult write_start_value(platform::Registry& registry, std::uint32_t value, long& status);

} // namespace lock
