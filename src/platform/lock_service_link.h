#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "program/result.h"

namespace platform {

// The most bytes a request or an answer holds; both ends read no more.
inline constexpr std::size_t LOCK_SERVICE_MESSAGE_LIMIT = 256;

// Why the lock service could not be asked.
enum class LinkFailure {
    absent,    // no service listens: the program works without it
    untrusted, // something else holds the service's pipe: it is told nothing
    denied,    // the service does not let this user connect
    broken,    // the service went away, or did not answer in time
};

// The tray program's line to the lock service, which holds the lock and the
// password for every user of the machine. Exists so that the program can be
// checked against a service in memory.
class LockServiceLink {
public:
    virtual ~LockServiceLink() = default;
    // Sends one request and waits, for a bounded time, for its answer, handed
    // back as it came. Nothing is sent before the pipe is known to belong to
    // the service.
    virtual program::Result<std::vector<std::uint8_t>, LinkFailure>
    exchange(const std::vector<std::uint8_t>& request) = 0;
};

} // namespace platform
