#pragma once

#include <array>
#include <cstdint>

namespace platform {

// OSVERSIONINFOA as GetVersionExA fills it.
struct VersionRecord {
    std::uint32_t size = 0;
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::uint32_t build = 0;
    std::uint32_t platform_id = 0;
    std::array<char, 128> service_pack{};
};

class SystemInfo {
public:
    virtual ~SystemInfo() = default;
    // GetVersionExA: fills the record whose size field the caller has set;
    // leaves it untouched when the call fails.
    virtual void get_version(VersionRecord& record) = 0;
    // GetWindowsDirectoryA: copies the directory into buffer (at most
    // stated_size characters plus a NUL) and returns its length, 0 on failure.
    virtual std::uint32_t get_windows_directory(char* buffer, std::uint32_t stated_size) = 0;
};

} // namespace platform
