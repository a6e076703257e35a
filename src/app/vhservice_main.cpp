// vhservice: the lock service. Runs as LocalSystem, started with Windows; it
// holds the USB lock and the password for every user of the machine, and
// answers the tray programs of every session over the pipe
// \\.\pipe\Varnhollow. It sleeps on the pipe and on its stop event: nothing
// polls.

#include "audit/audit_trail.h"
#include "platform/win32/pipe_io.h"
#include "platform/win32/win32_event_log.h"
#include "platform/win32/win32_clock.h"
#include "platform/win32/win32_file_access.h"
#include "platform/win32/win32_pipe_server.h"
#include "platform/win32/win32_service_status.h"
#include "platform/win32/win32_services.h"
#include "program/product.h"
#include "service/lock_service.h"
#include "service/startup_relock.h"

namespace {

constexpr char SERVICE_NAME[] = "Varnhollow";

void serve_the_lock(platform::win32::ServiceStatus& status)
{
    status.report_starting();
    platform::win32::Win32Registry registry;
    platform::win32::Win32FileAccess file_access;
    platform::win32::Win32RecordFiles files;
    platform::win32::Win32SystemInfo system;
    platform::win32::Win32Clock clock;
    lock::DriverSetupFiles setup_files(file_access, system);
    {
        // Before any tray is answered; the events are the service's own (SYSTEM).
        platform::win32::Win32EventLog own_log(program::PRODUCT_NAME);
        audit::AuditTrail own_audit(own_log);
        service::relock_at_service_start(registry, setup_files, own_audit);
    }
    service::LockService lock_service(registry, file_access, files, system, clock);
    platform::win32::PipeServer server(
        platform::win32::LOCK_SERVICE_PIPE_NAME, program::PRODUCT_NAME,
        [&lock_service](const std::vector<std::uint8_t>& request, platform::EventLog& client_log) {
            return lock_service.answer(request, client_log);
        });
    platform::win32::serve_until_stopped(status, server);
}

} // namespace

int main()
{
    return static_cast<int>(platform::win32::run_own_process_service<serve_the_lock>(SERVICE_NAME));
}
