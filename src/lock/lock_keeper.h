#pragma once

#include <string>

#include "audit/audit_trail.h"
#include "platform/registry.h"
#include "program/result.h"

namespace lock {

// What the user is told when a keeper refuses a password, or does not answer.
inline constexpr char WRONG_PASSWORD[] = "Votre mot de passe actuel est erroné! Recommencer.";
inline constexpr char TOO_MANY_TRIES[] = "Trop d'essais erronés. Ré-essayer dans une minute.";
inline constexpr char SERVICE_NO_ANSWER[] = "Le service Varnhollow ne répond pas. Le verrou USB reste inchangé.";

// Why the lock was not changed.
enum class KeeperRefusal {
    not_allowed,    // the user may not change the lock
    wrong_password, // the unlock's password was not the stored one
    too_many_tries, // passwords are refused for a while after wrong ones
    no_answer,      // the lock service did not answer as it should
    write_failed,   // writing the Start value failed: see `registry`
};

struct KeeperFailure {
    KeeperRefusal refusal = KeeperRefusal::no_answer;
    platform::RegistryFailure registry; // for write_failed
};

// Whoever writes the lock: the lock service when it answers, the registry
// directly otherwise. Each change that is made is written to the audit trail
// by the one who made it.
class LockKeeper {
public:
    virtual ~LockKeeper() = default;
    virtual program::Result<void, KeeperFailure> lock() = 0;
    // The password is checked by a keeper that does not trust its caller.
    virtual program::Result<void, KeeperFailure> unlock(const std::string& password) = 0;
};

// The Start value itself, for a process allowed to write it. It trusts its
// caller to have checked the password: the tray's password window, or the
// lock service. A write refused for want of rights is not_allowed.
class RegistryLockKeeper : public LockKeeper {
public:
    RegistryLockKeeper(platform::Registry& registry, audit::AuditTrail& audit) : registry_(registry), audit_(audit) {}

    program::Result<void, KeeperFailure> lock() override;
    program::Result<void, KeeperFailure> unlock(const std::string& password) override;

private:
    program::Result<void, KeeperFailure> write(std::uint32_t value);

    platform::Registry& registry_;
    audit::AuditTrail& audit_;
};

} // namespace lock
