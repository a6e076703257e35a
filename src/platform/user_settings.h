#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// Numbers the program keeps for its user from one run to the next, in the
// user's own part of the registry (HKEY_CURRENT_USER\Software\Varnhollow),
// which the user may always write. Exists so that tests see what is kept.
class UserSettings {
public:
    virtual ~UserSettings() = default;
    // The DWORD `name`, or nothing when there is none, or it is not a DWORD.
    virtual std::optional<std::uint32_t> read_number(const std::string& name) = 0;
    // Creates the key when needed; false when the number could not be kept.
    virtual bool write_number(const std::string& name, std::uint32_t number) = 0;
    // No value `name` any more; none is no failure.
    virtual void remove(const std::string& name) = 0;
};

} // namespace platform
