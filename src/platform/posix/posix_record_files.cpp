#include "platform/posix/posix_record_files.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

std::string host_path(std::string path)
{
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

FileError last_error()
{
    return {errno, std::strerror(errno)};
}

// Owns one open file descriptor.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return fd_; }
    bool close()
    {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

// The file is missing, not its folder.
bool in_existing_folder(const std::string& file)
{
    const auto slash = file.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : file.substr(0, slash);
    struct stat status {};
    return ::stat(folder.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

program::Result<int, FileError> open_file(const std::string& path, int flags)
{
    const std::string file = host_path(path);
    const int fd = ::open(file.c_str(), flags, 0600);
    if (fd >= 0)
        return fd;
    FileError error = last_error();
    error.missing = error.code == ENOENT && in_existing_folder(file);
    return error;
}

} // namespace

program::Result<std::string, FileError> PosixRecordFiles::read_start(const std::string& path, std::size_t size)
{
    const auto opened = open_file(path, O_RDONLY);
    if (!opened.succeeded())
        return opened.error();
    FileDescriptor file(opened.value());

    std::string buffer(size, '\0');
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = ::pread(file.get(), buffer.data() + got, size - got, static_cast<off_t>(got));
        if (n < 0)
            return last_error();
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    if (!file.close())
        return last_error();
    buffer.resize(got);
    return buffer;
}

program::Result<void, FileError> PosixRecordFiles::write_start(const std::string& path, const std::string& bytes)
{
    const auto opened = open_file(path, O_WRONLY | O_CREAT);
    if (!opened.succeeded())
        return opened.error();
    FileDescriptor file(opened.value());

    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pwrite(file.get(), bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
        if (n < 0)
            return last_error();
        done += static_cast<std::size_t>(n);
    }
    if (!file.close())
        return last_error();
    return {};
}

} // namespace platform
