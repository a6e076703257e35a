#pragma once

#include <functional>
#include <optional>
#include <string>

#include "password/password_file.h"
#include "platform/record_file.h"
#include "program/result.h"

namespace password {

// The password a new installation starts with. Administrators are told to
// change it first; it has the 2 characters the change layout asks for.
inline constexpr char DEFAULT_PASSWORD[] = "VERROU";

// Also what a password ending in a backslash becomes on a command line that
// quotes it ("ab\" gives ab"), so the text names both.
inline constexpr char QUOTE_REFUSED[] = "Le mot de passe contient un guillemet (\") ou finit par une barre oblique "
                                        "inverse (\\), que les lignes de commande ne transmettent pas sûrement.";

inline constexpr char UNTYPEABLE_CHARACTER[] =
    "Le mot de passe contient un caractère hors de Windows-1252 ou qui ne se tape pas.";

inline constexpr std::size_t NEW_PASSWORD_MIN_LENGTH = 2;
inline constexpr std::size_t NEW_PASSWORD_MAX_LENGTH = 8;

// Why a password handed to the deployment tools cannot be stored, or nothing
// when it can. The password is Windows-1252 text; it must be one the password
// window can take and change: 2 to 8 characters that a keyboard types, no
// double quote and no backslash at the end, which command lines (msiexec's
// "[PASSWORD]", scripts) mangle: a quoted ab\\ arrives as ab\ and ab\ as ab".
std::optional<std::string> new_password_problem(const std::string& password);

// Why a password was not stored: the file could not be read or written, or,
// with no file failure, before_write refused and has reported why itself.
struct StoreFailure {
    std::optional<FileFailure> file;
};

// Stores a password into record 1 of the password file as the program does:
// reads the record first (which keeps the reserve), runs before_write on a
// file that exists, then writes the password's encoding; a missing file is
// created by that write, protected by the platform from its first moment.
// When a step fails the password is not written.
program::Result<void, StoreFailure> store_password(platform::RecordFiles& files, const std::string& path,
                                                   const std::string& name, const std::string& password,
                                                   const std::function<bool()>& before_write = {});

} // namespace password
