#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/user_settings.h"

namespace platform::win32 {

// The program's values under HKEY_CURRENT_USER\Software\Varnhollow.
class Win32UserSettings : public UserSettings {
public:
    std::optional<std::uint32_t> read_number(const std::string& name) override;
    bool write_number(const std::string& name, std::uint32_t number) override;
    void remove(const std::string& name) override;
};

} // namespace platform::win32
