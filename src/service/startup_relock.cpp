#include "service/startup_relock.h"

#include "lock/lock_keeper.h"
#include "lock/policies.h"
#include "lock/usb_storage_value.h"
#include "service/protocol.h"

namespace service {

bool relock_at_service_start(platform::Registry& registry, lock::DriverSetupFiles& setup_files,
                             audit::AuditTrail& audit)
{
    if (!lock::read_policies(registry).relock_at_startup)
        return false;
    // Unreadable: nothing is written on a guess; the service starts all the same.
    const auto state = lock::read_machine_lock_state(registry, setup_files);
    if (!state.succeeded() || state.value() != lock::LockState::unlocked)
        return false;
    lock::RegistryLockKeeper keeper(registry, setup_files, audit);
    const auto locked = keeper.lock();
    // A setup file left open is logged by the keeper; the lock is on all the same.
    if (!locked.succeeded() && !(locked.error().refusal == lock::KeeperRefusal::setup_file_failed && locked.error().lock_on))
        return false; // the keeper has logged the failed write
    audit.relocked(audit::RelockCause::startup);
    return true;
}

bool no_service_listens(platform::LockServiceLink& link)
{
    const auto request = encode_request(Request{RequestKind::state, {}, {}});
    if (!request)
        return false;
    const auto answered = link.exchange(*request);
    return !answered.succeeded() && answered.error() == platform::LinkFailure::absent;
}

} // namespace service
