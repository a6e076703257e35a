#include "platform/win32/win32_service_status.h"

namespace platform::win32 {

namespace {

// What the service control manager is told to wait while the service starts
// or stops.
constexpr DWORD START_WAIT_HINT_MS = 5000;
constexpr DWORD STOP_WAIT_HINT_MS = 15000;

} // namespace

ServiceStatus::ServiceStatus(std::string name)
    : name_(std::move(name)), stop_requested_(::CreateEventA(nullptr, TRUE, FALSE, nullptr))
{
    status_.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
}

bool ServiceStatus::register_handler()
{
    handle_ = ::RegisterServiceCtrlHandlerExA(name_.c_str(), control, this);
    return handle_ != nullptr && stop_requested_;
}

void ServiceStatus::report_starting()
{
    report(SERVICE_START_PENDING, START_WAIT_HINT_MS, NO_ERROR);
}

void ServiceStatus::report_running()
{
    report(SERVICE_RUNNING, 0, NO_ERROR);
}

void ServiceStatus::report_stopping()
{
    report(SERVICE_STOP_PENDING, STOP_WAIT_HINT_MS, NO_ERROR);
}

void ServiceStatus::report_stopped(DWORD exit_code)
{
    report(SERVICE_STOPPED, 0, exit_code);
}

void ServiceStatus::wait_for_stop()
{
    ::WaitForSingleObject(stop_requested_.get(), INFINITE);
}

void ServiceStatus::report(DWORD state, DWORD wait_hint_ms, DWORD exit_code)
{
    status_.dwCurrentState = state;
    status_.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN : 0;
    status_.dwWin32ExitCode = exit_code;
    status_.dwWaitHint = wait_hint_ms;
    const bool pending = state == SERVICE_START_PENDING || state == SERVICE_STOP_PENDING;
    status_.dwCheckPoint = pending ? ++check_point_ : 0;
    ::SetServiceStatus(handle_, &status_);
}

// On the dispatcher's thread: only sets the event; the service's own thread
// reports the states.
DWORD WINAPI ServiceStatus::control(DWORD code, DWORD, void*, void* context)
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

} // namespace platform::win32
