#pragma once

#include <array>
#include <cstdint>
#include <string>

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
    // The Windows directory as the system reports it, without a closing
    // backslash; empty when the system cannot tell.
    virtual std::string windows_directory() = 0;
};

} // namespace platform
