#pragma once

#include <windows.h>

#include <memory>
#include <vector>

// The Win32 services of the update check: the connection test and the
// download, the INI reader, and whole files.

#include "platform/file_system.h"
#include "platform/ini_file.h"
#include "platform/internet.h"
#include "platform/win32/event_waits.h"
#include "platform/win32/unique_handle.h"

namespace platform::win32 {

struct DownloadJob; // what a download's thread and the window thread share

// wininet, urlmon and ole32 serve the update check alone: they are loaded at
// its first use, so the resident program does not start with them. Once
// loaded they stay until the process ends, as a download's thread, or
// urlmon's own threads, may still run after the check.
//
// Each download runs on a thread of its own, made for it, which calls
// URLDownloadToFileA (the newest copy, never a cached one) in a COM apartment
// of its own, records the result and sets an event that the outer message
// loop waits for (EventWaits), which then tells the end; it touches nothing
// else of the program. A download abandoned before it ends deletes its file
// when it ends. The thread never keeps the process alive: at the program's
// end, Win32Platform::end_program ends the process at once while one runs.
class Win32Internet : public Internet {
public:
    explicit Win32Internet(EventWaits& waits) : waits_(waits) {}

    bool connected() override;
    std::unique_ptr<RunningDownload> start_download(const std::string& address, const std::string& path,
                                                    EndHandler on_end) override;

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

    EventWaits& waits_;
    HMODULE wininet_ = nullptr;
    HMODULE urlmon_ = nullptr;
    HMODULE ole32_ = nullptr;
    std::vector<DownloadThread> threads_;
    std::vector<UniqueFileHandle> deleted_at_the_end_;
};

// GetPrivateProfileStringA, through a buffer of PROFILE_STRING_BUFFER bytes
// (boundary.h).
class Win32IniFiles : public IniFiles {
public:
    std::string value(const std::string& path, const std::string& section, const std::string& key) override;
};

class Win32FileSystem : public FileSystem {
public:
    std::optional<std::string> new_temporary_file(const std::string& prefix) override;
    program::Result<void, FileError> delete_file(const std::string& path) override;
};

} // namespace platform::win32
