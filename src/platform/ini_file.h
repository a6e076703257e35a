#pragma once

#include <cstddef>
#include <string>

namespace platform {

// The longest value the INI reader hands back: a longer one is cut to it.
inline constexpr std::size_t LONGEST_INI_VALUE = 254;

// Reads values of INI-style files (sections of "key=value" lines).
class IniFiles {
public:
    virtual ~IniFiles() = default;
    // The value of `key` in `section`, cut to LONGEST_INI_VALUE characters;
    // empty when the file, the section or the key is missing.
    virtual std::string value(const std::string& path, const std::string& section, const std::string& key) = 0;
};

} // namespace platform
