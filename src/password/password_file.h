#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "platform/record_file.h"
#include "platform/system_info.h"
#include "program/result.h"

namespace password {

inline constexpr char SYSTEM32_SUFFIX[] = "\\system32\\";
inline constexpr char PASSWORD_FILE_NAME[] = "PSTACK.DRV";

inline constexpr char READ_ERROR_PREFIX[] = "Erreur d'ouverture ou de lecture du fichier ";
inline constexpr char WRITE_ERROR_PREFIX[] = "Erreur d'ouverture ou d'écriture du fichier ";

inline constexpr std::size_t FIELD_SIZE = 16;
inline constexpr std::size_t RECORD_SIZE = 32;

// A present password file that holds no password of 2 to 8 characters is
// reported as an unreadable one, with the system's code and text for invalid
// data.
inline constexpr long INVALID_DATA_CODE = 13;
inline constexpr char INVALID_DATA_TEXT[] = "Données non valides.";

// Without the Windows directory there is no password file: a bare name would
// be looked for in whatever folder is current. Reads and writes then fail
// with the system's code for a path not found and this text.
inline constexpr long NO_WINDOWS_DIRECTORY_CODE = 3;
inline constexpr char NO_WINDOWS_DIRECTORY_TEXT[] = "Le dossier Windows est introuvable.";

// The folder of the password file: the Windows directory's system32 with its
// closing backslash, or empty when the Windows directory is unknown.
std::string password_file_folder(platform::SystemInfo& system);

// Record 1 of the password file: the encoded password, then 16 bytes the
// program never sets but writes back as it read them.
struct PasswordRecord {
    std::string encoded_password = std::string(FIELD_SIZE, '\0');
    std::string reserve = std::string(FIELD_SIZE, '\0');
};

// Which of the two messages a failure gets.
enum class FileAccess { read, write };

// Why the password file could not be read or written: the file, and the
// system's error code and text.
struct FileFailure {
    FileAccess access = FileAccess::read;
    std::string file;
    long code = 0;
    std::string text;
};

// The message the program shows for a failure, as one text: the read or
// write prefix, the file, then "Erreur", the number (a blank in place of the
// sign when not negative) and the system's text on a second line.
std::string failure_message(const FileFailure& failure);

// What a read of record 1 found. Not found: there is no password file (a
// read never creates one), or no file was named.
struct RecordRead {
    bool found = false;
    bool complete = false; // the file holds the whole record
    PasswordRecord record; // as stored, NUL-padded; all NULs when missing
};

// Reads and writes record 1 of the password file, and says what happened:
// each operation's failure is why the file could not be read or written, for
// a reason other than its absence. Showing a failure is the caller's choice.
class PasswordFile {
public:
    explicit PasswordFile(platform::RecordFiles& files) : files_(files) {}

    // The record as it stands. The reserve is kept for the next write.
    program::Result<RecordRead, FileFailure> read_record(const std::string& path, const std::string& name);
    // The password a check compares an entry with, decoded: the empty one
    // when there is no password file; none, which no entry matches, when no
    // file was named. Fails with INVALID_DATA_CODE when the file is shorter
    // than a record or does not decode to 2 to 8 characters.
    program::Result<std::optional<std::string>, FileFailure> stored_password(const std::string& path,
                                                                             const std::string& name);
    // Stores the encoded password (blank-filled or cut to 16) with the reserve
    // last read; nothing is touched when no file is named.
    program::Result<void, FileFailure> write_password(const std::string& encoded, const std::string& path,
                                                      const std::string& name);

private:
    platform::RecordFiles& files_;
    PasswordRecord record_;
};

} // namespace password
