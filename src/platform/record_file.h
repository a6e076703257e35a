#pragma once

#include <optional>
#include <string>

namespace platform {

// A failed file operation: the system's error code and its text.
struct FileError {
    long code = 0;
    std::string description;
};

// Fixed-size reads and writes at the start of a file. Both open the file for
// reading and writing, creating it empty when it is missing, and close it
// again before returning.
class RecordFiles {
public:
    virtual ~RecordFiles() = default;
    // Reads up to `size` bytes from offset 0 into `bytes` (fewer when the file
    // is shorter).
    virtual std::optional<FileError> read_start(const std::string& path, std::size_t size, std::string& bytes) = 0;
    // Writes `bytes` at offset 0, leaving any further bytes of the file alone.
    virtual std::optional<FileError> write_start(const std::string& path, const std::string& bytes) = 0;
};

} // namespace platform
