#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "program/result.h"

namespace platform {

// The kind of data a registry value holds.
enum class ValueType { dword, string, expandable_string, other };

// A value as the registry holds it: its type and its data bytes.
struct RegistryValue {
    ValueType type = ValueType::other;
    std::vector<std::uint8_t> bytes;
};

// The step of a registry operation that failed.
enum class RegistryStep { open, read, write, close };

// Why a registry operation failed: the step, and the system's status code.
struct RegistryFailure {
    RegistryStep step = RegistryStep::open;
    long status = 0;
    // The user's rights do not allow the operation.
    bool access_denied = false;
    // The key (at the open step) or the value (at the read step) is not there.
    bool missing = false;
};

// The most bytes a read takes: a larger value is not read.
inline constexpr std::size_t REGISTRY_VALUE_ROOM = 1024;

// Values of existing keys under HKEY_LOCAL_MACHINE. Each operation opens the
// key, does its work and closes the key again. Exists so that the lock logic
// can be exercised against a registry in memory.
class Registry {
public:
    virtual ~Registry() = default;
    // The value `name` of the key at `path`, which is opened for reading
    // only. A value larger than REGISTRY_VALUE_ROOM fails at the read step.
    virtual program::Result<RegistryValue, RegistryFailure> read_value(const std::string& path,
                                                                       const std::string& name) = 0;
    // Sets the value `name` of the key at `path` to a DWORD; the key is
    // opened with full access and never created. A failed close is reported
    // too, though the value may have been set.
    virtual program::Result<void, RegistryFailure> write_dword(const std::string& path, const std::string& name,
                                                               std::uint32_t number) = 0;
};

} // namespace platform
