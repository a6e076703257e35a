#include "platform/win32/pipe_io.h"

namespace platform::win32 {

namespace {

// Waits for an overlapped operation the calling thread started; cancels it on
// time-out or stop and waits for the cancellation, so that the system writes
// into `overlapped` and the buffer no more once this returns.
PipeIo finish(HANDLE pipe, OVERLAPPED& overlapped, BOOL started, DWORD time_limit_ms, HANDLE stop, DWORD& bytes)
{
    if (!started && ::GetLastError() != ERROR_IO_PENDING)
        return ::GetLastError() == ERROR_MORE_DATA ? PipeIo::too_long : PipeIo::failed;
    const HANDLE waits[] = {overlapped.hEvent, stop};
    const DWORD woken = ::WaitForMultipleObjects(stop ? 2 : 1, waits, FALSE, time_limit_ms);
    if (woken != WAIT_OBJECT_0) {
        ::CancelIo(pipe); // the calling thread's I/O on this handle, which is only this one
        ::GetOverlappedResult(pipe, &overlapped, &bytes, TRUE);
        return woken == WAIT_OBJECT_0 + 1 ? PipeIo::stopped : PipeIo::timed_out;
    }
    if (::GetOverlappedResult(pipe, &overlapped, &bytes, FALSE))
        return PipeIo::done;
    return ::GetLastError() == ERROR_MORE_DATA ? PipeIo::too_long : PipeIo::failed;
}

} // namespace

PipeIo read_message(HANDLE pipe, std::size_t limit, DWORD time_limit_ms, HANDLE stop,
                    std::vector<std::uint8_t>& message)
{
    const UniqueKernelHandle event(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!event)
        return PipeIo::failed;
    OVERLAPPED overlapped{};
    overlapped.hEvent = event.get();
    message.assign(limit, 0);
    DWORD bytes = 0;
    const BOOL started = ::ReadFile(pipe, message.data(), static_cast<DWORD>(limit), nullptr, &overlapped);
    const PipeIo outcome = finish(pipe, overlapped, started, time_limit_ms, stop, bytes);
    message.resize(outcome == PipeIo::done ? bytes : 0);
    return outcome;
}

PipeIo write_message(HANDLE pipe, const std::vector<std::uint8_t>& message, DWORD time_limit_ms, HANDLE stop)
{
    const UniqueKernelHandle event(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!event)
        return PipeIo::failed;
    OVERLAPPED overlapped{};
    overlapped.hEvent = event.get();
    DWORD bytes = 0;
    const BOOL started =
        ::WriteFile(pipe, message.data(), static_cast<DWORD>(message.size()), nullptr, &overlapped);
    const PipeIo outcome = finish(pipe, overlapped, started, time_limit_ms, stop, bytes);
    return outcome == PipeIo::done && bytes != message.size() ? PipeIo::failed : outcome;
}

} // namespace platform::win32
