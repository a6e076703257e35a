#pragma once

#include "audit/audit_trail.h"
#include "lock/driver_setup_files.h"
#include "platform/lock_service_link.h"
#include "platform/registry.h"

namespace service {

// RelockAtStartup for the service: at its start, before it answers anyone,
// an unlocked machine is locked, and the audit trail (the service's own, in
// SYSTEM's name) says it was automatic. True when it locked. Kept apart from
// the service's answers: it runs once, on no one's request.
bool relock_at_service_start(platform::Registry& registry, lock::DriverSetupFiles& setup_files,
                             audit::AuditTrail& audit);

// True when no lock service listens at all (not when one turns the user away
// or does not answer in time): the tray program then applies RelockAtStartup
// itself.
bool no_service_listens(platform::LockServiceLink& link);

} // namespace service
