#pragma once

#include <cstdint>
#include <string>

namespace platform {

// Fetch the newest copy instead of a cached one (BINDF_GETNEWESTVERSION).
inline constexpr std::uint32_t BIND_GET_NEWEST_VERSION = 0x10;

// The wininet connection test and the urlmon download. Exists so that the
// update check can run against a web server in memory.
class Internet {
public:
    virtual ~Internet() = default;
    // InternetGetConnectedState: non-zero when connected; fills flags.
    virtual int get_connected_state(std::uint32_t& flags, std::uint32_t reserved) = 0;
    // URLDownloadToFileA with no caller object and no progress callback.
    // Returns the HRESULT (0 when the file was written).
    virtual long download_to_file(const std::string& url, const std::string& path, std::uint32_t reserved) = 0;
};

} // namespace platform
