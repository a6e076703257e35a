#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// The line of Windows a version belongs to.
enum class SystemFamily {
    windows_9x, // Windows 95, 98 and Me
    windows_nt, // NT, 2000, XP and later
    other,      // Win32s, Windows CE
};

// The system's version number as the system reports it (on Windows 9x the
// build number carries the version in its high word).
struct SystemVersion {
    SystemFamily family = SystemFamily::other;
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::uint32_t build = 0;
};

class SystemInfo {
public:
    virtual ~SystemInfo() = default;
    // The running system's version; nothing when the system cannot tell.
    virtual std::optional<SystemVersion> version() = 0;
    // The Windows directory as the system reports it, without a closing
    // backslash; empty when the system cannot tell.
    virtual std::string windows_directory() = 0;
};

} // namespace platform
