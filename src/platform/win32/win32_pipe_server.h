#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/event_log.h"
#include "platform/win32/critical_section.h"
#include "platform/win32/pipe_io.h"
#include "platform/win32/win32_service_status.h"
#include "platform/win32/unique_handle.h"

namespace platform::win32 {

// What the server allows one client.
struct PipeServerLimits {
    DWORD request_time_limit_ms = 5000; // to send the request, and to take the answer
    std::size_t request_size_limit = LOCK_SERVICE_MESSAGE_LIMIT;
    DWORD instances = 16; // pipe instances: one listening, the others each serving a client
};

// A named pipe in message mode that answers one request per connection, for
// several clients at once (one per user session on a terminal server): one
// instance always listens, each connected client is served by a thread of
// its own, and the handler runs for one request at a time. The pipe belongs
// to SYSTEM, and only SYSTEM and Administrators may create instances of it:
// the server runs as LocalSystem.
class PipeServer {
public:
    // The answer to one request; the log reports in the client's name.
    using Handler = std::function<std::vector<std::uint8_t>(const std::vector<std::uint8_t>&, platform::EventLog&)>;

    PipeServer(std::string pipe_name, std::string event_source, Handler handler, PipeServerLimits limits = {});
    // Stops, if still serving.
    ~PipeServer();
    PipeServer(const PipeServer&) = delete;
    PipeServer& operator=(const PipeServer&) = delete;

    // Creates the pipe's first instance and starts listening. Fails with the
    // system's error code, ERROR_ACCESS_DENIED when something else holds the
    // name (Wine ignores the first-instance flag and does not fail).
    DWORD start();
    // Ends the listener and every client's thread, and waits for them.
    void stop();

private:
    struct Connection;
    static DWORD WINAPI listen_thread(void* server);
    static DWORD WINAPI serve_thread(void* connection);

    void listen();
    void serve(HANDLE pipe);
    void hand_over(UniquePipe pipe);
    void reap_ended_threads();
    UniquePipe create_instance(bool first);

    std::string pipe_name_;
    std::string event_source_;
    Handler handler_;
    PipeServerLimits limits_;
    std::vector<BYTE> security_descriptor_;
    UniqueKernelHandle stop_event_;
    UniqueKernelHandle free_threads_; // semaphore: clients that may be served at once
    UniqueKernelHandle listener_;
    UniquePipe first_instance_;
    CriticalSection handler_lock_; // the handler is not thread-safe
    CriticalSection threads_lock_; // guards serving_threads_
    std::vector<UniqueKernelHandle> serving_threads_;
};

// The life of a service that serves a pipe: running once the pipe listens,
// until a stop or shutdown is asked for; a pipe that cannot be made (another
// service, or someone who took the name first) stops it with the error.
void serve_until_stopped(ServiceStatus& status, PipeServer& server);

} // namespace platform::win32
