#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/message_box.h"
#include "platform/record_file.h"
#include "platform/system_info.h"

namespace password {

inline constexpr char SYSTEM32_SUFFIX[] = "\\system32\\";
inline constexpr char PASSWORD_FILE_NAME[] = "PSTACK.DRV";

inline constexpr char READ_ERROR_PREFIX[] = "Erreur d'ouverture ou de lecture du fichier ";
inline constexpr char WRITE_ERROR_PREFIX[] = "Erreur d'ouverture ou d'écriture du fichier ";

inline constexpr std::size_t FIELD_SIZE = 16;
inline constexpr std::size_t RECORD_SIZE = 32;

// What a read that failed gives as the stored password: it decodes to the
// decoding error, which no typed password can equal, so a lock whose password
// cannot be read stays on.
inline constexpr char UNREADABLE_PASSWORD[] = "~~~~~~~~~~~~~~~~";

// A present password file that holds no password of 2 to 8 characters is
// reported as an unreadable one, with the system's code and text for invalid
// data.
inline constexpr long INVALID_DATA_CODE = 13;
inline constexpr char INVALID_DATA_TEXT[] = "Données non valides.";

// The Windows directory as the system reports it; empty when it cannot tell.
std::string WinDir(platform::SystemInfo& system);

// Record 1 of the password file: the encoded password, then 16 bytes the
// program never sets but writes back as it read them.
struct PasswordRecord {
    std::string Passwd_Code = std::string(FIELD_SIZE, '\0');
    std::string Reserve = std::string(FIELD_SIZE, '\0');
};

// Reads and writes record 1 of the password file, showing the file errors.
class PasswordFile {
public:
    PasswordFile(platform::RecordFiles& files, platform::MessageBoxes& boxes) : files_(files), boxes_(boxes) {}

    // The 16 stored characters as they stand. A missing file reads as 16 NULs
    // (and is not created); a file that cannot be read gives
    // UNREADABLE_PASSWORD after its message.
    std::string Lecture_Fichier(const std::string& path, const std::string& name);
    // The password a check compares an entry with: the stored one, the empty
    // one when there is no password file, or nothing, which no entry matches,
    // when no password could be read: the file cannot be read, or it does not
    // decode to 2 to 8 characters. The read message has been shown then.
    std::optional<std::string> stored_password(const std::string& path, const std::string& name);
    // The latest read found the file.
    bool found() const { return state_ == State::present; }
    // Stores text (blank-filled or cut to 16) with the reserve last read.
    // Returns 0, or 1 when the file could not be written.
    std::int16_t Ecriture_Fichier(const std::string& text, const std::string& path, const std::string& name);

    const PasswordRecord& Enreg_Passwd() const { return record_; }

private:
    enum class State { present, missing, unreadable };
    void show_error(const char* prefix, const std::string& file, const platform::FileError& error);

    platform::RecordFiles& files_;
    platform::MessageBoxes& boxes_;
    PasswordRecord record_;
    State state_ = State::unreadable;
};

} // namespace password
