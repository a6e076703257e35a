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

RecordRead PasswordFile::read_record(const std::string& path, const std::string& name)
{
    const std::string file = path + name;
    if (file.empty())
        return {};
    if (path.empty())
        return {false, false, PasswordRecord(), no_windows_directory(FileAccess::read, name)};

    std::string bytes;
    if (const auto error = files_.read_start(file, RECORD_SIZE, bytes)) {
        if (error->missing) {
            record_ = PasswordRecord();
            return {false, false, record_, std::nullopt};
        }
        return {false, false, PasswordRecord(), failure_of(FileAccess::read, file, *error)};
    }
    const bool complete = bytes.size() >= RECORD_SIZE;
    bytes.resize(RECORD_SIZE, '\0'); // a short or empty file: the rest reads as NUL
    record_.encoded_password = bytes.substr(0, FIELD_SIZE);
    record_.reserve = bytes.substr(FIELD_SIZE, FIELD_SIZE);
    return {true, complete, record_, std::nullopt};
}

StoredPassword PasswordFile::stored_password(const std::string& path, const std::string& name)
{
    if ((path + name).empty())
        return {};
    const RecordRead read = read_record(path, name);
    if (read.failure)
        return {std::nullopt, read.failure};
    if (!read.found)
        return {std::string(), std::nullopt};
    // A cut-short file or a spoiled pair would otherwise lose characters of
    // the password and let a shorter entry match.
    const std::optional<std::string> password =
        read.complete ? decode_stored_password(read.record.encoded_password) : std::nullopt;
    if (!password || password->size() < NEW_PASSWORD_MIN_LENGTH || password->size() > NEW_PASSWORD_MAX_LENGTH)
        return {std::nullopt, FileFailure{FileAccess::read, path + name, INVALID_DATA_CODE, INVALID_DATA_TEXT}};
    return {*password, std::nullopt};
}

std::optional<FileFailure> PasswordFile::write_password(const std::string& encoded, const std::string& path,
                                                        const std::string& name)
{
    const std::string file = path + name;
    if (file.empty())
        return std::nullopt;
    if (path.empty())
        return no_windows_directory(FileAccess::write, name);

    std::string field = encoded.substr(0, FIELD_SIZE);
    field.resize(FIELD_SIZE, ' ');
    record_.encoded_password = field;
    if (const auto error = files_.write_start(file, record_.encoded_password + record_.reserve))
        return failure_of(FileAccess::write, file, *error);
    return std::nullopt;
}

} // namespace password
