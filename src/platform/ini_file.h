#pragma once

#include <cstdint>
#include <string>

namespace platform {

// GetPrivateProfileStringA on an INI-style file.
class IniFiles {
public:
    virtual ~IniFiles() = default;
    // Copies the value of `key` in `section` (or `fallback` when the file,
    // section or key is missing) into buffer, cut to size - 1 characters and
    // ended by a NUL; returns the number of characters copied, NUL excluded.
    virtual std::uint32_t get_private_profile_string(const std::string& section, const std::string& key,
                                                     const std::string& fallback, char* buffer, std::uint32_t size,
                                                     const std::string& path) = 0;
};

} // namespace platform
