// A service on the backend's service status, under Wine's service control
// manager: this program installs itself as a service serving a pipe, starts
// it, asks it, stops it and removes it. Started with --service by the service
// control manager, it is that service.

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "checks.h"
#include "platform/win32/win32_lock_service_link.h"
#include "platform/win32/win32_pipe_server.h"
#include "platform/win32/win32_service_status.h"

namespace {

using checks::check;
using platform::LinkFailure;
using platform::win32::ServiceStatus;

// A limit for waiting on states this program expects, never reached when
// things go right.
constexpr DWORD STATE_WAIT_MS = 30000;

std::string pipe_name_of(const std::string& service_name)
{
    return "\\\\.\\pipe\\" + service_name;
}

// The service: answers "ok:" and the request until stopped.
void serve_echo(ServiceStatus& status)
{
    status.report_starting();
    platform::win32::PipeServer server(
        pipe_name_of(status.name()), "Varnhollow test",
        [](const std::vector<std::uint8_t>& request, platform::EventLog&) {
            std::vector<std::uint8_t> answer{'o', 'k', ':'};
            answer.insert(answer.end(), request.begin(), request.end());
            return answer;
        });
    platform::win32::serve_until_stopped(status, server);
}

using UniqueServiceHandle = platform::win32::UniqueHandle<platform::win32::NullIsEmpty<SC_HANDLE, ::CloseServiceHandle>>;

// Waits until the service is in `state`; the state it was last in.
DWORD wait_for_state(SC_HANDLE service, DWORD state, SERVICE_STATUS& status)
{
    const DWORD began = ::GetTickCount();
    while (::QueryServiceStatus(service, &status) && status.dwCurrentState != state &&
           ::GetTickCount() - began < STATE_WAIT_MS)
        ::Sleep(100);
    return status.dwCurrentState;
}

std::vector<std::uint8_t> bytes(const char* text)
{
    return std::vector<std::uint8_t>(text, text + std::strlen(text));
}

void service_runs_answers_and_stops(const char* program)
{
    const std::string name = "VarnhollowTest" + std::to_string(::GetCurrentProcessId());
    const UniqueServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    check(static_cast<bool>(manager), "the service control manager opens");
    const std::string command = std::string("\"") + program + "\" --service";
    const UniqueServiceHandle service(::CreateServiceA(
        manager.get(), name.c_str(), name.c_str(), SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
        SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, command.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
    check(static_cast<bool>(service), "the test service is installed");
    if (!service)
        return;
    SERVICE_STATUS status{};
    check(::StartServiceA(service.get(), 0, nullptr) != FALSE, "the service starts");
    check(wait_for_state(service.get(), SERVICE_RUNNING, status) == SERVICE_RUNNING,
          "the service reports running, not " + std::to_string(status.dwCurrentState));
    check(status.dwControlsAccepted == (SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN),
          "while running it accepts stop and shutdown");

    platform::win32::Win32LockServiceLink link(pipe_name_of(name));
    const auto answered = link.exchange(bytes("state"));
    check(answered.succeeded() && answered.value() == bytes("ok:state"), "the running service answers");

    check(::ControlService(service.get(), SERVICE_CONTROL_STOP, &status) != FALSE, "the service takes the stop");
    check(wait_for_state(service.get(), SERVICE_STOPPED, status) == SERVICE_STOPPED,
          "the service reports stopped, not " + std::to_string(status.dwCurrentState));
    check(status.dwWin32ExitCode == NO_ERROR, "and ended without an error");
    const auto after = link.exchange(bytes("state"));
    check(!after.succeeded() && after.error() == LinkFailure::absent, "the stopped service's pipe is gone");
    check(::DeleteService(service.get()) != FALSE, "the test service is removed");
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--service") == 0)
        return static_cast<int>(platform::win32::run_own_process_service<serve_echo>(""));
    char program[MAX_PATH];
    const DWORD length = ::GetModuleFileNameA(nullptr, program, sizeof program);
    check(length > 0 && length < sizeof program, "this program's path");
    service_runs_answers_and_stops(program);
    return checks::report();
}
