#include "password/password_keeper.h"

#include "password/new_password.h"
#include "password/passwd.h"
#include "password/windows1252.h"

namespace password {

// Compared upper-cased, as stored. No password could be read: no entry
// matches. Nor does one longer than any password, which only another program
// can have put in a field.
program::Result<void, PasswordFailure> FilePasswordKeeper::check(const std::string& typed, PasswordUse use)
{
    const auto stored = file_.stored_password(password_file_folder(system_), PASSWORD_FILE_NAME);
    if (!stored.succeeded()) {
        const FileFailure& failure = stored.error();
        audit_.password_file_unreadable(failure.file, failure.code, failure.text);
        return PasswordFailure{PasswordRefusal::file_failure, failure};
    }
    if (stored.value() && typed.size() <= NEW_PASSWORD_MAX_LENGTH && *stored.value() == upper_case_1252(typed))
        return {};
    if (use == PasswordUse::unlock)
        audit_.wrong_password();
    else
        audit_.wrong_current_password();
    return PasswordFailure{PasswordRefusal::wrong, {}};
}

program::Result<void, PasswordFailure> FilePasswordKeeper::change(const std::string& current,
                                                                  const std::string& new_password)
{
    if (auto checked = check(current, PasswordUse::change); !checked.succeeded())
        return checked;
    // The caller may be another program: the rule is checked here too.
    if (new_password_problem(new_password))
        return PasswordFailure{PasswordRefusal::unacceptable, {}};
    const auto written = file_.write_password(encode_password(new_password), password_file_folder(system_),
                                              PASSWORD_FILE_NAME);
    if (!written.succeeded())
        return PasswordFailure{PasswordRefusal::file_failure, written.error()};
    audit_.password_changed();
    return {};
}

} // namespace password
