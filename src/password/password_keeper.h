#pragma once

#include <string>

#include "audit/audit_trail.h"
#include "password/password_file.h"
#include "platform/record_file.h"
#include "platform/system_info.h"
#include "program/result.h"

namespace password {


// What a typed password is checked for: the audit trail tells them apart.
enum class PasswordUse { unlock, change };

// Why a password was not accepted, or a change not made.
enum class PasswordRefusal {
    wrong,          // not the stored password
    too_many_tries, // passwords are refused for a while after wrong ones
    file_failure,   // the password file could not be read or written: see `file`
    unacceptable,   // the new password breaks the rule of new_password_problem
    no_answer,      // the lock service did not answer as it should
};

struct PasswordFailure {
    PasswordRefusal refusal = PasswordRefusal::no_answer;
    FileFailure file; // for file_failure
};

// Whoever holds the password: the lock service when it answers, the password
// file directly otherwise. Wrong passwords, an unreadable file and a change
// are written to the audit trail by the one who checked or changed.
class PasswordKeeper {
public:
    virtual ~PasswordKeeper() = default;
    virtual program::Result<void, PasswordFailure> check(const std::string& typed, PasswordUse use) = 0;
    // Stores `new_password` (already found acceptable by new_password_problem)
    // once `current` has been checked again.
    virtual program::Result<void, PasswordFailure> change(const std::string& current,
                                                          const std::string& new_password) = 0;
};

// The password file in the Windows directory's system32, read at each check.
class FilePasswordKeeper : public PasswordKeeper {
public:
    FilePasswordKeeper(platform::RecordFiles& files, platform::SystemInfo& system, audit::AuditTrail& audit)
        : file_(files), system_(system), audit_(audit)
    {
    }

    program::Result<void, PasswordFailure> check(const std::string& typed, PasswordUse use) override;
    program::Result<void, PasswordFailure> change(const std::string& current, const std::string& new_password) override;

private:
    PasswordFile file_;
    platform::SystemInfo& system_;
    audit::AuditTrail& audit_;
};

} // namespace password
