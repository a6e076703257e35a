#pragma once

#include <windows.h>

#include <string>

#include "platform/win32/unique_handle.h"

namespace platform::win32 {

// A service's side of the service control manager while it runs: the states
// it reports, and the event that a stop or the system's shutdown sets.
class ServiceStatus {
public:
    explicit ServiceStatus(std::string name);
    ServiceStatus(const ServiceStatus&) = delete;
    ServiceStatus& operator=(const ServiceStatus&) = delete;

    const std::string& name() const { return name_; }
    // False when the service control manager did not take the handler.
    bool register_handler();

    void report_starting();
    void report_running(); // accepting stop and shutdown
    void report_stopping();
    void report_stopped(DWORD exit_code = NO_ERROR);
    // Returns once a stop or shutdown was asked for.
    void wait_for_stop();

private:
    static DWORD WINAPI control(DWORD code, DWORD, void*, void* context);
    void report(DWORD state, DWORD wait_hint_ms, DWORD exit_code);

    std::string name_;
    SERVICE_STATUS_HANDLE handle_ = nullptr;
    SERVICE_STATUS status_{};
    DWORD check_point_ = 0;
    UniqueKernelHandle stop_requested_;
};

namespace service_detail {

template <void (*Serve)(ServiceStatus&)>
void WINAPI service_main(DWORD count, LPSTR* arguments)
{
    ServiceStatus status(count > 0 && arguments[0] ? arguments[0] : "");
    if (status.register_handler())
        Serve(status);
}

} // namespace service_detail

// Runs the service of its own process: Serve is its body, from the start
// pending to the stopped state. The service control manager hands the body
// nothing else, so the body is a plain function. Returns once the service has
// stopped; the system's error when the process was not started as a service.
// The system passes the name the service was installed under to the body.
template <void (*Serve)(ServiceStatus&)>
DWORD run_own_process_service(const std::string& name)
{
    std::string table_name = name;
    const SERVICE_TABLE_ENTRYA services[] = {{table_name.data(), service_detail::service_main<Serve>},
                                             {nullptr, nullptr}};
    return ::StartServiceCtrlDispatcherA(services) ? ERROR_SUCCESS : ::GetLastError();
}

} // namespace platform::win32
