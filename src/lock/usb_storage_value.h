#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/registry.h"

namespace lock {

inline constexpr char USBSTOR_KEY[] = "SYSTEM\\CurrentControlSet\\Services\\USBSTOR";
inline constexpr char START_VALUE[] = "Start";
inline constexpr std::uint32_t START_UNLOCKED = 3;
inline constexpr std::uint32_t START_LOCKED = 4;

inline constexpr int STATE_UNLOCKED = 0;
inline constexpr int STATE_LOCKED = 1;

// Reads the service's Start value: STATE_LOCKED or STATE_UNLOCKED, or nothing
// when the key or the value cannot be read.
std::optional<int> read_lock_state(platform::Registry& registry);

// The state told by the bytes the registry returned (type, and the data
// bytes up to the returned size).
int lock_state_from_bytes(std::uint32_t type, std::vector<std::uint8_t> bytes);

enum class WriteResult { written, open_failed, set_failed, close_failed };

// Writes START_LOCKED or START_UNLOCKED as a REG_DWORD.
WriteResult write_start_value(platform::Registry& registry, std::uint32_t value);

} // namespace lock
