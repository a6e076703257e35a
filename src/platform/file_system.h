#pragma once

#include <optional>
#include <string>

#include "platform/record_file.h"
#include "program/result.h"

namespace platform {

// Whole-file services of the system.
class FileSystem {
public:
    virtual ~FileSystem() = default;
    // Creates a new, empty file of a name no other file has in the user's
    // temporary folder (GetTempFileNameA: the prefix's first three
    // characters, four hexadecimal digits, ".tmp"); its full path, or nothing
    // when no file could be created.
    virtual std::optional<std::string> new_temporary_file(const std::string& prefix) = 0;
    // Deletes the file; a missing file or one that cannot be deleted is an error.
    virtual program::Result<void, FileError> delete_file(const std::string& path) = 0;
};

} // namespace platform
