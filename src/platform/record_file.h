#pragma once

#include <cstddef>
#include <string>

#include "program/result.h"

namespace platform {

// A failed file operation: the system's error code and its text. `missing`:
// the file does not exist, in a folder that does.
struct FileError {
    long code = 0;
    std::string description;
    bool missing = false;
};

// Fixed-size reads and writes at the start of a file, which is closed again
// before they return.
class RecordFiles {
public:
    virtual ~RecordFiles() = default;
    // Up to `size` bytes from offset 0 of an existing file (fewer when the
    // file is shorter). Never creates the file: a missing one gives an error
    // marked `missing`.
    virtual program::Result<std::string, FileError> read_start(const std::string& path, std::size_t size) = 0;
    // Writes `bytes` at offset 0, leaving any further bytes of the file alone.
    // A missing file is created with the password file's protection: on
    // Windows, owned by Administrators, who with SYSTEM alone may open it.
    virtual program::Result<void, FileError> write_start(const std::string& path, const std::string& bytes) = 0;
};

} // namespace platform
