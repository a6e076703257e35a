// The password file as any writer may have left it: the input is the whole
// file, of any length. The record is its first 32 bytes; the bytes after it,
// which no read looks at, serve as an entry typed into the password window.

#include <cstdint>
#include <optional>
#include <string>

#include "fake_platform.h"
#include "invariant.h"
#include "password/change_password.h"
#include "password/passwd.h"
#include "password/password_file.h"
#include "password/windows1252.h"

namespace {

using fuzzing::expect;

const std::string FOLDER = "C:\\WINDOWS\\system32\\"; // the fakes' Windows directory

void check_field(const std::string& file)
{
    const auto field = password::decode_stored_password(file);
    expect(!field || file.size() == password::FIELD_SIZE, "only a field of 16 characters decodes");
    if (field) {
        expect(field->size() <= 8 && field->find('\0') == std::string::npos,
               "a field holds at most 8 bytes, none of them NUL");
        expect(password::decode_stored_password(password::encode_password(*field)) ==
                   password::upper_case_1252(*field),
               "a decoded field re-encodes to one that decodes back to it, in capitals");
    }
    const std::string lenient = password::decode_password(file);
    expect(lenient == password::DECODING_ERROR || lenient.size() <= 8, "the lenient decoder gives 8 bytes at most");
}

// The verify layout's OK, with `entry` in the field.
bool accepted_by_window(fakes::FakePlatform& p, const std::string& entry)
{
    platform::Forms forms{p.windows};
    audit::AuditTrail audit{p.events};
    password::FilePasswordKeeper keeper{p.files, p.system, audit};
    password::PasswordWindow window{p.services, forms, keeper};
    bool accepted = false;
    window.ask_to_unlock([&accepted](lock::PromptOutcome outcome, const std::string&) {
        if (outcome != lock::PromptOutcome::closed)
            accepted = outcome == lock::PromptOutcome::accepted;
    });
    window.current_field.set_text(entry);
    window.ok_button.click();
    return accepted;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string file(reinterpret_cast<const char*>(data), size);
    check_field(file);

    fakes::FakePlatform p;
    p.files.files[FOLDER + password::PASSWORD_FILE_NAME] = file;
    password::PasswordFile password_file{p.files};
    const auto stored = password_file.stored_password(FOLDER, password::PASSWORD_FILE_NAME);
    expect(!stored.succeeded() || stored.value().has_value(), "with a file named, a password or a failure");
    const std::optional<std::string> found = stored.succeeded() ? stored.value() : std::nullopt;
    if (found) {
        const std::string& password = *found;
        expect(file.size() >= password::RECORD_SIZE, "a file shorter than the record yields no password");
        expect(password.size() >= 2 && password.size() <= 8, "a stored password has 2 to 8 characters");
        expect(password::decode_stored_password(file.substr(0, password::FIELD_SIZE)) == password,
               "the password is what the record's field holds");
        expect(password::decode_stored_password(password::encode_password(password)) ==
                   password::upper_case_1252(password),
               "the password re-encodes to a field that decodes back to it, in capitals");
    } else if (!stored.succeeded()) {
        expect(stored.error().code == password::INVALID_DATA_CODE, "a file without a password is invalid data");
    }

    const std::string after_record = size > password::RECORD_SIZE ? file.substr(password::RECORD_SIZE) : "";
    const std::string as_stored = found.value_or("");
    for (const std::string& entry : {after_record, as_stored, std::string()}) {
        const bool matches = found && password::upper_case_1252(entry) == *found;
        expect(accepted_by_window(p, entry) == matches,
               "the window accepts an entry exactly when, in capitals, it is the stored password");
    }
    return 0;
}
