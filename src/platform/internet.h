#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace platform {

// A download that runs while the program goes on handling its events.
// Destroying it abandons it: its end is never told, and the download keeps
// its file, which no one else may delete meanwhile, and deletes it once it
// has ended (at once, when it had ended untold).
class RunningDownload {
public:
    struct Outcome {
        long result = 0;            // the HRESULT, 0 when the file was written
        std::uint32_t took_ms = 0;  // from the start to the end of the download
    };
    virtual ~RunningDownload() = default;
    // Empty while the download runs; once it has ended, its outcome, even
    // before the end has been told.
    virtual std::optional<Outcome> outcome() = 0;
};

// The connection test and the download. Exists so that the update check can
// run against a web server in memory.
class Internet {
public:
    using EndHandler = std::function<void(const RunningDownload::Outcome&)>;

    virtual ~Internet() = default;
    // What the system says: false when the machine is offline.
    virtual bool connected() = 0;
    // Starts downloading the newest copy of `address`, never a cached one,
    // into the existing file `path`, off the window thread. `on_end` runs
    // once, on the window thread from its outer event loop, after the
    // download has ended, unless the download was abandoned first. Null when
    // the download cannot be started.
    virtual std::unique_ptr<RunningDownload> start_download(const std::string& address, const std::string& path,
                                                            EndHandler on_end) = 0;
};

} // namespace platform
