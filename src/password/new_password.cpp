#include "password/new_password.h"

#include <algorithm>

#include "password/passwd.h"

namespace password {

namespace {

// Control codes, and the five codes Windows-1252 leaves undefined.
bool typeable(unsigned char c)
{
    if (c < 0x20 || c == 0x7F)
        return false;
    return c != 0x81 && c != 0x8D && c != 0x8F && c != 0x90 && c != 0x9D;
}

} // namespace

std::optional<std::string> new_password_problem(const std::string& password)
{
    if (password.empty())
        return "Le mot de passe est vide.";
    if (password.size() < NEW_PASSWORD_MIN_LENGTH)
        return "Le mot de passe doit avoir au moins 2 caractères.";
    if (password.size() > NEW_PASSWORD_MAX_LENGTH)
        return "Le mot de passe a plus de 8 caractères.";
    if (password.find('"') != std::string::npos || password.back() == '\\')
        return QUOTE_REFUSED;
    if (!std::all_of(password.begin(), password.end(), [](char c) { return typeable(static_cast<unsigned char>(c)); }))
        return UNTYPEABLE_CHARACTER;
    return std::nullopt;
}

program::Result<void, StoreFailure> store_password(platform::RecordFiles& files, const std::string& path,
                                                   const std::string& name, const std::string& password,
                                                   const std::function<bool()>& before_write)
{
    PasswordFile file(files);
    const auto read = file.read_record(path, name);
    if (!read.succeeded())
        return StoreFailure{read.error()};
    if (read.value().found && before_write && !before_write())
        return StoreFailure{};
    if (const auto written = file.write_password(encode_password(password), path, name); !written.succeeded())
        return StoreFailure{written.error()};
    return {};
}

} // namespace password
