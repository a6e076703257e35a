#include "password/password_file.h"

#include <vector>

#include "password/new_password.h"
#include "password/passwd.h"

namespace password {

namespace {

constexpr std::uint32_t WINDOWS_DIRECTORY_BUFFER = 4096;

// Numbers are shown with a leading blank when not negative.
std::string signed_number(long number)
{
    return (number >= 0 ? " " : "") + std::to_string(number);
}

} // namespace

std::string WinDir(platform::SystemInfo& system)
{
    std::vector<char> buffer(WINDOWS_DIRECTORY_BUFFER, '\0');
    const std::uint32_t length = system.get_windows_directory(buffer.data(), WINDOWS_DIRECTORY_BUFFER - 1);
    if (length == 0 || length >= WINDOWS_DIRECTORY_BUFFER)
        return {};
    return std::string(buffer.data(), length);
}

std::string PasswordFile::Lecture_Fichier(const std::string& path, const std::string& name)
{
    state_ = State::unreadable;
    const std::string file = path + name;
    if (file.empty())
        return {};

    std::string bytes;
    if (const auto error = files_.read_start(file, RECORD_SIZE, bytes)) {
        if (error->missing) {
            state_ = State::missing;
            record_ = PasswordRecord();
            return record_.Passwd_Code;
        }
        show_error(READ_ERROR_PREFIX, file, *error);
        return UNREADABLE_PASSWORD;
    }
    state_ = State::present;
    bytes.resize(RECORD_SIZE, '\0'); // a short or empty file: the rest reads as NUL
    record_.Passwd_Code = bytes.substr(0, FIELD_SIZE);
    record_.Reserve = bytes.substr(FIELD_SIZE, FIELD_SIZE);
    return record_.Passwd_Code;
}

std::optional<std::string> PasswordFile::stored_password(const std::string& path, const std::string& name)
{
    const std::string code = Lecture_Fichier(path, name);
    if (state_ == State::missing)
        return std::string();
    if (state_ == State::unreadable)
        return std::nullopt;
    std::string password = Decodage_Passwd(code);
    if (password.size() < NEW_PASSWORD_MIN_LENGTH || password.size() > NEW_PASSWORD_MAX_LENGTH) {
        show_error(READ_ERROR_PREFIX, path + name, platform::FileError{INVALID_DATA_CODE, INVALID_DATA_TEXT});
        return std::nullopt;
    }
    return password;
}

std::int16_t PasswordFile::Ecriture_Fichier(const std::string& text, const std::string& path, const std::string& name)
{
    const std::string file = path + name;
    if (file.empty())
        return 0;

    std::string code = text.substr(0, FIELD_SIZE);
    code.resize(FIELD_SIZE, ' ');
    record_.Passwd_Code = code;
    if (const auto error = files_.write_start(file, record_.Passwd_Code + record_.Reserve)) {
        show_error(WRITE_ERROR_PREFIX, file, *error);
        return 1;
    }
    return 0;
}

void PasswordFile::show_error(const char* prefix, const std::string& file, const platform::FileError& error)
{
    const std::string text = prefix + file + "\r\nErreur " + signed_number(error.code) + " - " + error.description;
    boxes_.show(text, platform::Buttons::ok, platform::BoxIcon::none);
}

} // namespace password
