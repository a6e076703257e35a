// vhservice: the lock service. Runs as LocalSystem, started with Windows; it
// holds the USB lock and the password for every user of the machine, and
// answers the tray programs of every session over the pipe
// \\.\pipe\Varnhollow. It sleeps on the pipe and on its stop event: nothing
// polls.

#include <windows.h>

#include "platform/win32/pipe_io.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/win32_clock.h"
#include "platform/win32/win32_pipe_server.h"
#include "platform/win32/win32_services.h"
#include "program/product.h"
#include "service/lock_service.h"

namespace {

using platform::win32::UniqueKernelHandle;

constexpr char SERVICE_NAME[] = "Varnhollow";
// What the service tells the service control manager to wait while it
// starts or stops.
constexpr DWORD START_WAIT_HINT_MS = 5000;
constexpr DWORD STOP_WAIT_HINT_MS = 15000;

// The service's side of the service control manager while it runs: its
// status, and the event a stop or the system's shutdown sets.
class ServiceStatus {
public:
    ServiceStatus() : stop_requested_(::CreateEventA(nullptr, TRUE, FALSE, nullptr))
    {
        status_.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    }
    ServiceStatus(const ServiceStatus&) = delete;
    ServiceStatus& operator=(const ServiceStatus&) = delete;

    bool register_handler()
    {
        handle_ = ::RegisterServiceCtrlHandlerExA(SERVICE_NAME, control, this);
        return handle_ != nullptr && stop_requested_;
    }

    void report(DWORD state, DWORD wait_hint_ms = 0, DWORD exit_code = NO_ERROR)
    {
        status_.dwCurrentState = state;
        status_.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN : 0;
        status_.dwWin32ExitCode = exit_code;
        status_.dwWaitHint = wait_hint_ms;
        const bool pending = state == SERVICE_START_PENDING || state == SERVICE_STOP_PENDING;
        status_.dwCheckPoint = pending ? ++check_point_ : 0;
        ::SetServiceStatus(handle_, &status_);
    }

    void wait_for_stop() { ::WaitForSingleObject(stop_requested_.get(), INFINITE); }

private:
    static DWORD WINAPI control(DWORD code, DWORD, void*, void* context)
    {
        auto& service = *static_cast<ServiceStatus*>(context);
        switch (code) {
        case SERVICE_CONTROL_STOP:
        case SERVICE_CONTROL_SHUTDOWN:
            ::SetEvent(service.stop_requested_.get());
            return NO_ERROR;
        case SERVICE_CONTROL_INTERROGATE:
            return NO_ERROR;
        default:
            return ERROR_CALL_NOT_IMPLEMENTED;
        }
    }

    SERVICE_STATUS_HANDLE handle_ = nullptr;
    SERVICE_STATUS status_{};
    DWORD check_point_ = 0;
    UniqueKernelHandle stop_requested_;
};

void WINAPI run_service(DWORD, LPSTR*)
{
    ServiceStatus status;
    if (!status.register_handler())
        return;
    status.report(SERVICE_START_PENDING, START_WAIT_HINT_MS);

    platform::win32::Win32Registry registry;
    platform::win32::Win32RecordFiles files;
    platform::win32::Win32SystemInfo system;
    platform::win32::Win32Clock clock;
    service::LockService lock_service(registry, files, system, clock);
    platform::win32::PipeServer server(
        platform::win32::LOCK_SERVICE_PIPE_NAME, program::PRODUCT_NAME,
        [&lock_service](const std::vector<std::uint8_t>& request, platform::EventLog& client_log) {
            return lock_service.answer(request, client_log);
        });
    const DWORD started = server.start();
    if (started != ERROR_SUCCESS) {
        // Another service, or someone who took the pipe's name first.
        status.report(SERVICE_STOPPED, 0, started);
        return;
    }
    status.report(SERVICE_RUNNING);
    status.wait_for_stop();
    status.report(SERVICE_STOP_PENDING, STOP_WAIT_HINT_MS);
    server.stop();
    status.report(SERVICE_STOPPED);
}

} // namespace

int main()
{
    char name[sizeof SERVICE_NAME];
    lstrcpyA(name, SERVICE_NAME);
    const SERVICE_TABLE_ENTRYA services[] = {{name, run_service}, {nullptr, nullptr}};
    // Returns once the service has stopped; fails when not started by the
    // service control manager.
    return ::StartServiceCtrlDispatcherA(services) ? 0 : static_cast<int>(::GetLastError());
}
