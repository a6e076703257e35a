#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/lock_service_link.h"
#include "platform/win32/pipe_io.h"

namespace platform::win32 {

// How long the link waits, and how much it takes.
struct LinkLimits {
    DWORD busy_wait_ms = 5000;    // for a free instance when every one is serving
    DWORD answer_wait_ms = 10000; // to send the request and to get the answer
    std::size_t answer_size_limit = LOCK_SERVICE_MESSAGE_LIMIT;
};

// True when `owner` is SYSTEM (S-1-5-18) or BUILTIN\Administrators
// (S-1-5-32-544): the only owners the service's pipe can have.
bool owned_by_the_system(PSID owner);

// The lock service over its named pipe, one connection per request. The
// client lets the service identify it, never act as it (SECURITY_IDENTIFICATION).
class Win32LockServiceLink : public LockServiceLink {
public:
    explicit Win32LockServiceLink(std::string pipe_name = LOCK_SERVICE_PIPE_NAME, LinkLimits limits = {})
        : pipe_name_(std::move(pipe_name)), limits_(limits)
    {
    }

    program::Result<std::vector<std::uint8_t>, LinkFailure>
    exchange(const std::vector<std::uint8_t>& request) override;

private:
    program::Result<UniquePipe, LinkFailure> open_pipe();

    std::string pipe_name_;
    LinkLimits limits_;
};

} // namespace platform::win32
