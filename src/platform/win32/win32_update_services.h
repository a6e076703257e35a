#pragma once

#include <windows.h>

// The Win32 services of the update check: the connection test and the
// download, the INI reader, and whole files.

#include "platform/file_system.h"
#include "platform/ini_file.h"
#include "platform/internet.h"

namespace platform::win32 {

// wininet, urlmon and ole32 serve the update check alone: they are loaded at
// its first use, so the resident program does not start with them. Once
// loaded they stay until the process ends, as urlmon's own threads may still
// run after a download.
class Win32Internet : public Internet {
public:
    int get_connected_state(std::uint32_t& flags, std::uint32_t reserved) override;
    long download_to_file(const std::string& url, const std::string& path, std::uint32_t reserved) override;

private:
    HMODULE wininet_ = nullptr;
    HMODULE urlmon_ = nullptr;
    HMODULE ole32_ = nullptr;
};

class Win32IniFiles : public IniFiles {
public:
    std::uint32_t get_private_profile_string(const std::string& section, const std::string& key,
                                             const std::string& fallback, char* buffer, std::uint32_t size,
                                             const std::string& path) override;
};

class Win32FileSystem : public FileSystem {
public:
    std::string program_directory() override;
    std::optional<FileError> delete_file(const std::string& path) override;
};

} // namespace platform::win32
