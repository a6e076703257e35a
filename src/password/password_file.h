#pragma once

#include <cstdint>
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

    // The 16 stored characters as they stand. A missing file is created and
    // reads as 16 NULs; a file that cannot be read gives UNREADABLE_PASSWORD.
    std::string Lecture_Fichier(const std::string& path, const std::string& name);
    // Stores text (blank-filled or cut to 16) with the reserve last read.
    // Returns 0, or 1 when the file could not be written.
    std::int16_t Ecriture_Fichier(const std::string& text, const std::string& path, const std::string& name);

    const PasswordRecord& Enreg_Passwd() const { return record_; }

private:
    void show_error(const char* prefix, const std::string& file, const platform::FileError& error);

    platform::RecordFiles& files_;
    platform::MessageBoxes& boxes_;
    PasswordRecord record_;
};

} // namespace password
