#pragma once

#include <string>

#include "audit/audit_trail.h"
#include "lock/driver_setup_files.h"
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
    // A driver's setup file could not be closed or opened again: see
    // `setup_file`. `lock_on` tells whether the lock is on all the same.
    setup_file_failed,
};

struct KeeperFailure {
    KeeperRefusal refusal = KeeperRefusal::no_answer;
    platform::RegistryFailure registry; // for write_failed
    SetupFileFailure setup_file{};      // for setup_file_failed
    bool lock_on = false;               // for setup_file_failed
};

// What the user is told of a setup file that failed (a printf format: the
// file, the system's code and text), by the step and whether the lock is on.
inline constexpr char SETUP_FILE_NOT_CLOSED[] =
    "Le verrou USB est activé, mais le fichier d'installation du pilote %s n'a pas pu être fermé : erreur %ld - %s";
inline constexpr char SETUP_FILE_NOT_CLOSED_LOCK_OFF[] =
    "Le verrou USB n'est pas activé : le fichier d'installation du pilote %s n'a pas pu être fermé : erreur %ld - %s";
inline constexpr char SETUP_FILE_NOT_OPENED[] =
    "Le verrou USB reste activé : le fichier d'installation du pilote %s n'a pas pu être rouvert : erreur %ld - %s";

// The text of a setup file's failure for the user.
std::string setup_file_failure_text(const SetupFileFailure& failure, bool lock_on);

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

// The Start value and the driver's setup files themselves, for a process
// allowed to change them. It trusts its caller to have checked the password:
// the tray's password window, or the lock service. A write refused for want
// of rights is not_allowed.
//
// Locking writes Start first, then closes the setup files; unlocking opens
// the files first, and writes Start only when they are open. So a setup file
// that fails never leaves Start unlocked: the lock stays on, and the failure
// is told. A machine without the USBSTOR key has no Start to write: the setup
// files alone hold its lock.
class RegistryLockKeeper : public LockKeeper {
public:
    RegistryLockKeeper(platform::Registry& registry, DriverSetupFiles& setup_files, audit::AuditTrail& audit)
        : registry_(registry), setup_files_(setup_files), audit_(audit)
    {
    }

    program::Result<void, KeeperFailure> lock() override;
    program::Result<void, KeeperFailure> unlock(const std::string& password) override;

private:
    // Writes Start; a machine without the key succeeds, with `no_key` set.
    program::Result<void, KeeperFailure> write(std::uint32_t value, bool& no_key);
    KeeperFailure setup_file_failed(const SetupFileFailure& failure, bool lock_on);

    platform::Registry& registry_;
    DriverSetupFiles& setup_files_;
    audit::AuditTrail& audit_;
};

} // namespace lock
