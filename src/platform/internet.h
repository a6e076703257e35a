#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace platform {

// Fetch the newest copy instead of a cached one (BINDF_GETNEWESTVERSION).
inline constexpr std::uint32_t BIND_GET_NEWEST_VERSION = 0x10;

// A download that runs while the program goes on handling its events.
// Destroying it before outcome() has told its end abandons it: the download
// keeps its file, which no one else may delete meanwhile, and deletes it once
// it has ended; nothing else of it reaches the program.
class RunningDownload {
public:
    struct Outcome {
        long result = 0;            // the HRESULT, 0 when the file was written
        std::uint32_t took_ms = 0;  // from the start to the end of the download
    };
    virtual ~RunningDownload() = default;
    // Milliseconds since the download started.
    virtual std::uint32_t elapsed_ms() = 0;
    // Empty while the download runs.
    virtual std::optional<Outcome> outcome() = 0;
};

// The wininet connection test and the urlmon download. Exists so that the
// update check can run against a web server in memory.
class Internet {
public:
    virtual ~Internet() = default;
    // InternetGetConnectedState: non-zero when connected; fills flags.
    virtual int get_connected_state(std::uint32_t& flags, std::uint32_t reserved) = 0;
    // Starts URLDownloadToFileA (no caller object, no progress callback) off
    // the calling thread. Null when it cannot be started.
    virtual std::unique_ptr<RunningDownload> start_download(const std::string& url, const std::string& path,
                                                            std::uint32_t reserved) = 0;
};

} // namespace platform
