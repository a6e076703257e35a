#pragma once

#include "platform/record_file.h"

namespace platform {

// Record files on a POSIX file system. Windows paths are mapped by turning
// every backslash into a slash; error codes are errno values. A file the write
// creates may be opened by its owner only.
class PosixRecordFiles : public RecordFiles {
public:
    program::Result<std::string, FileError> read_start(const std::string& path, std::size_t size) override;
    program::Result<void, FileError> write_start(const std::string& path, const std::string& bytes) override;
};

} // namespace platform
