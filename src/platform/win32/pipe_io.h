#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "platform/lock_service_link.h"
#include "platform/win32/unique_handle.h"

namespace platform::win32 {

// The lock service's pipe.
inline constexpr char LOCK_SERVICE_PIPE_NAME[] = "\\\\.\\pipe\\Varnhollow";

using UniquePipe = UniqueFileHandle;

// How one bounded read or write on a pipe opened for overlapped I/O ended.
enum class PipeIo {
    done,
    too_long,  // the message is longer than the room given (ERROR_MORE_DATA)
    timed_out, // nothing within the time limit: the operation was cancelled
    stopped,   // the stop event was set first: the operation was cancelled
    failed,    // the other end went away, or the system refused
};

// Reads one message of at most `limit` bytes into `message`, waiting at most
// `time_limit_ms` and no longer than `stop` (which may be null) stays unset.
PipeIo read_message(HANDLE pipe, std::size_t limit, DWORD time_limit_ms, HANDLE stop,
                    std::vector<std::uint8_t>& message);
// Writes one whole message under the same bounds.
PipeIo write_message(HANDLE pipe, const std::vector<std::uint8_t>& message, DWORD time_limit_ms, HANDLE stop);

} // namespace platform::win32
