#pragma once

#include <windows.h>

#include <memory>
#include <vector>

// The Win32 services of the update check: the connection test and the
// download, the INI reader, and whole files.

#include "platform/file_system.h"
#include "platform/ini_file.h"
#include "platform/internet.h"
#include "platform/win32/unique_handle.h"

namespace platform::win32 {

struct DownloadJob; // what a download's thread and the window thread share

// wininet, urlmon and ole32 serve the update check alone: they are loaded at
// its first use, so the resident program does not start with them. Once
// loaded they stay until the process ends, as a download's thread, or
// urlmon's own threads, may still run after the check.
//
// Each download runs on a thread of its own, made for it, which calls
// URLDownloadToFileA in a COM apartment of its own, records the result and
// wakes the window thread with a WM_NULL; it touches nothing else of the
// program. A download abandoned before it ends deletes its file when it ends.
// The thread never keeps the process alive: at the program's end,
// Win32Platform::end_program ends the process at once while one runs.
class Win32Internet : public Internet {
public:
    int get_connected_state(std::uint32_t& flags, std::uint32_t reserved) override;
    std::unique_ptr<RunningDownload> start_download(const std::string& url, const std::string& path,
                                                    std::uint32_t reserved) override;

    // True while the thread of a download started here has not ended.
    bool download_running();
    // Has the system delete the files of the downloads still running once
    // the process has ended, when no thread of it can write them any more.
    void delete_files_when_the_process_ends();

private:
    struct DownloadThread {
        UniqueKernelHandle thread;
        std::shared_ptr<DownloadJob> job;
    };
    void forget_ended_threads();

    HMODULE wininet_ = nullptr;
    HMODULE urlmon_ = nullptr;
    HMODULE ole32_ = nullptr;
    std::vector<DownloadThread> threads_;
    std::vector<UniqueFileHandle> deleted_at_the_end_;
};

class Win32IniFiles : public IniFiles {
public:
    std::uint32_t get_private_profile_string(const std::string& section, const std::string& key,
                                             const std::string& fallback, char* buffer, std::uint32_t size,
                                             const std::string& path) override;
};

class Win32FileSystem : public FileSystem {
public:
    std::optional<std::string> new_temporary_file(const std::string& prefix) override;
    std::optional<FileError> delete_file(const std::string& path) override;
};

} // namespace platform::win32
