#include "password/password_file.h"

#include "password/new_password.h"
#include "password/passwd.h"

namespace password {

namespace {

// Numbers are shown with a leading blank when not negative.
std::string signed_number(long number)
{
    return (number >= 0 ? " " : "") + std::to_string(number);
}

FileFailure failure_of(FileAccess access, const std::string& file, const platform::FileError& error)
{
    return FileFailure{access, file, error.code, error.description};
}

FileFailure no_windows_directory(FileAccess access, const std::string& name)
{
    return FileFailure{access, name, NO_WINDOWS_DIRECTORY_CODE, NO_WINDOWS_DIRECTORY_TEXT};
}

} // namespace

std::string password_file_folder(platform::SystemInfo& system)
{
    const std::string directory = system.windows_directory();
    return directory.empty() ? std::string() : directory + SYSTEM32_SUFFIX;
}

std::string failure_message(const FileFailure& failure)
{
    const char* prefix = failure.access == FileAccess::read ? READ_ERROR_PREFIX : WRITE_ERROR_PREFIX;
    return prefix + failure.file + "\r\nErreur " + signed_number(failure.code) + " - " + failure.text;
}

program::Result<RecordRead, FileFailure> PasswordFile::read_record(const std::string& path, const std::string& name)
{
    const std::string file = path + name;
    if (file.empty())
        return RecordRead{};
    if (path.empty())
        return no_windows_directory(FileAccess::read, name);

    auto read = files_.read_start(file, RECORD_SIZE);
    if (!read.succeeded()) {
        if (read.error().missing) {
            record_ = PasswordRecord();
            return RecordRead{false, false, record_};
        }
        return failure_of(FileAccess::read, file, read.error());
    }
    std::string& bytes = read.value();
    const bool complete = bytes.size() >= RECORD_SIZE;
    bytes.resize(RECORD_SIZE, '\0'); // a short or empty file: the rest reads as NUL
    record_.encoded_password = bytes.substr(0, FIELD_SIZE);
    record_.reserve = bytes.substr(FIELD_SIZE, FIELD_SIZE);
    return RecordRead{true, complete, record_};
}

program::Result<std::optional<std::string>, FileFailure> PasswordFile::stored_password(const std::string& path,
                                                                                       const std::string& name)
{
    if ((path + name).empty())
        return std::optional<std::string>();
    const auto read = read_record(path, name);
    if (!read.succeeded())
        return read.error();
    if (!read.value().found)
        return std::optional<std::string>(std::string());
    // A cut-short file or a spoiled pair would otherwise lose characters of
    // the password and let a shorter entry match.
    const RecordRead& found = read.value();
    const std::optional<std::string> password =
        found.complete ? decode_stored_password(found.record.encoded_password) : std::nullopt;
    if (!password || password->size() < NEW_PASSWORD_MIN_LENGTH || password->size() > NEW_PASSWORD_MAX_LENGTH)
        return FileFailure{FileAccess::read, path + name, INVALID_DATA_CODE, INVALID_DATA_TEXT};
    return password;
}

program::Result<void, FileFailure> PasswordFile::write_password(const std::string& encoded, const std::string& path,
                                                                const std::string& name)
{
    const std::string file = path + name;
    if (file.empty())
        return {};
    if (path.empty())
        return no_windows_directory(FileAccess::write, name);

    std::string field = encoded.substr(0, FIELD_SIZE);
    field.resize(FIELD_SIZE, ' ');
    record_.encoded_password = field;
    const auto written = files_.write_start(file, record_.encoded_password + record_.reserve);
    if (!written.succeeded())
        return failure_of(FileAccess::write, file, written.error());
    return {};
}

} // namespace password
