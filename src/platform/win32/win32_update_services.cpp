#include "platform/win32/win32_update_services.h"

#include <windows.h>
#include <objbase.h>
#include <urlmon.h>
#include <wininet.h>

#include <atomic>
#include <memory>

#include "platform/win32/boundary.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/win32_error.h"

namespace platform::win32 {

namespace {

// The library, loaded the first time it is needed.
HMODULE loaded(HMODULE& library, const char* name)
{
    if (!library)
        library = ::LoadLibraryA(name);
    return library;
}

template <typename Function>
Function function_of(HMODULE library, const char* name)
{
    if (!library)
        return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(library, name)));
}

} // namespace

// What a download's thread and the window thread share; each holds a
// reference, so it lives as long as the side that lets go last. The thread
// writes the result before it moves the state from running to ended, then
// sets `ended_event`; the window thread reads the result only after it has
// seen ended, and moves the state from running to abandoned when it gives up.
struct DownloadJob {
    enum State : int { running, ended, abandoned };

    decltype(&::CoInitialize) co_initialize = nullptr;
    decltype(&::CoUninitialize) co_uninitialize = nullptr;
    decltype(&::URLDownloadToFileA) download = nullptr;
    std::string url;
    std::string path;
    UniqueKernelHandle ended_event;
    DWORD started_at = 0;
    long result = E_FAIL;
    DWORD took_ms = 0;
    std::atomic<int> state{running};
};

namespace {

DWORD WINAPI run_download(void* parameter)
{
    const std::unique_ptr<std::shared_ptr<DownloadJob>> reference(static_cast<std::shared_ptr<DownloadJob>*>(parameter));
    DownloadJob& job = **reference;
    // urlmon is a COM library: the calling thread must be in an apartment.
    const HRESULT apartment = job.co_initialize(nullptr);
    job.result = job.download(nullptr, job.url.c_str(), job.path.c_str(), BINDF_GETNEWESTVERSION, nullptr);
    if (SUCCEEDED(apartment))
        job.co_uninitialize();
    job.took_ms = ::GetTickCount() - job.started_at;

    int expected = DownloadJob::running;
    if (job.state.compare_exchange_strong(expected, DownloadJob::ended))
        ::SetEvent(job.ended_event.get()); // the outer loop tells the end
    else
        ::DeleteFileA(job.path.c_str()); // abandoned: nobody reads it
    return 0;
}

class Win32RunningDownload : public RunningDownload {
public:
    Win32RunningDownload(std::shared_ptr<DownloadJob> job, EventWaits& waits, Internet::EndHandler on_end)
        : job_(std::move(job)), waits_(waits), on_end_(std::move(on_end))
    {
        waits_.add(job_->ended_event.get(), [this] { tell_end(); });
    }
    // Given up before its end was told: the thread deletes the file when it
    // ends. If it has ended meanwhile, no thread writes the file any more, and
    // it goes here.
    ~Win32RunningDownload() override
    {
        waits_.remove(job_->ended_event.get());
        if (end_told_)
            return;
        int expected = DownloadJob::running;
        if (!job_->state.compare_exchange_strong(expected, DownloadJob::abandoned))
            ::DeleteFileA(job_->path.c_str());
    }
    Win32RunningDownload(const Win32RunningDownload&) = delete;
    Win32RunningDownload& operator=(const Win32RunningDownload&) = delete;

    std::optional<Outcome> outcome() override
    {
        if (job_->state.load() != DownloadJob::ended)
            return std::nullopt;
        end_told_ = true;
        return Outcome{job_->result, job_->took_ms};
    }

private:
    // From the outer loop, once: the handler may let go of this download.
    void tell_end()
    {
        waits_.remove(job_->ended_event.get());
        const auto ended = outcome();
        if (!ended)
            return; // the event is set only after the state
        const Internet::EndHandler on_end = std::move(on_end_);
        on_end(*ended);
    }

    std::shared_ptr<DownloadJob> job_;
    EventWaits& waits_;
    Internet::EndHandler on_end_;
    bool end_told_ = false;
};

} // namespace

bool Win32Internet::connected()
{
    const auto connected_state = function_of<decltype(&::InternetGetConnectedState)>(
        loaded(wininet_, "wininet.dll"), "InternetGetConnectedState");
    if (!connected_state)
        return false;
    DWORD flags = 0;
    return connected_state(&flags, 0) != FALSE;
}

std::unique_ptr<RunningDownload> Win32Internet::start_download(const std::string& address, const std::string& path,
                                                              EndHandler on_end)
{
    const HMODULE ole32 = loaded(ole32_, "ole32.dll");
    auto job = std::make_shared<DownloadJob>();
    job->co_initialize = function_of<decltype(&::CoInitialize)>(ole32, "CoInitialize");
    job->co_uninitialize = function_of<decltype(&::CoUninitialize)>(ole32, "CoUninitialize");
    job->download = function_of<decltype(&::URLDownloadToFileA)>(loaded(urlmon_, "urlmon.dll"), "URLDownloadToFileA");
    job->ended_event.reset(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!job->co_initialize || !job->co_uninitialize || !job->download || !job->ended_event)
        return nullptr;
    job->url = address;
    job->path = path;
    job->started_at = ::GetTickCount();

    auto reference = std::make_unique<std::shared_ptr<DownloadJob>>(job);
    DWORD thread_id = 0;
    UniqueKernelHandle thread(::CreateThread(nullptr, 0, run_download, reference.get(), 0, &thread_id));
    if (!thread)
        return nullptr;
    reference.release(); // the thread's now
    forget_ended_threads();
    threads_.push_back({std::move(thread), job});
    return std::make_unique<Win32RunningDownload>(std::move(job), waits_, std::move(on_end));
}

bool Win32Internet::download_running()
{
    forget_ended_threads();
    return !threads_.empty();
}

// A handle that deletes the file when it closes, sharing everything, so the
// thread may still delete the file itself. While it is open no one can open
// the file without sharing deletion, which a download writing its file does
// not do.
void Win32Internet::delete_files_when_the_process_ends()
{
    forget_ended_threads();
    for (const DownloadThread& running : threads_) {
        UniqueFileHandle file(::CreateFileA(running.job->path.c_str(), DELETE,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                            OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE, nullptr));
        if (file)
            deleted_at_the_end_.push_back(std::move(file));
    }
}

void Win32Internet::forget_ended_threads()
{
    std::erase_if(threads_, [](const DownloadThread& download) {
        return ::WaitForSingleObject(download.thread.get(), 0) == WAIT_OBJECT_0;
    });
}

std::string Win32IniFiles::value(const std::string& path, const std::string& section, const std::string& key)
{
    ProfileBuffer buffer{};
    const DWORD copied = ::GetPrivateProfileStringA(section.c_str(), key.c_str(), "", buffer.data(),
                                                    static_cast<DWORD>(buffer.size()), path.c_str());
    return profile_value(buffer, copied);
}

std::optional<std::string> Win32FileSystem::new_temporary_file(const std::string& prefix)
{
    char folder[MAX_PATH + 1] = {};
    const DWORD length = ::GetTempPathA(sizeof folder, folder);
    if (length == 0 || length >= sizeof folder)
        return std::nullopt;
    char path[MAX_PATH] = {};
    if (::GetTempFileNameA(folder, prefix.c_str(), 0, path) == 0)
        return std::nullopt;
    return std::string(path);
}

program::Result<void, FileError> Win32FileSystem::delete_file(const std::string& path)
{
    if (!::DeleteFileA(path.c_str()))
        return last_error();
    return {};
}

} // namespace platform::win32
