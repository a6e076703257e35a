#pragma once

#include <optional>
#include <string>

#include "platform/record_file.h"

namespace platform {

// Whole-file services of the language runtime.
class FileSystem {
public:
    virtual ~FileSystem() = default;
    // The directory holding the running executable, without a trailing
    // backslash (a drive's root is "C:").
    virtual std::string program_directory() = 0;
    // Deletes the file; a missing file or one that cannot be deleted is an error.
    virtual std::optional<FileError> delete_file(const std::string& path) = 0;
};

} // namespace platform
