#include "platform/win32/win32_timers.h"

#include <windows.h>

#include <utility>

#include "platform/win32/unique_handle.h"

namespace platform::win32 {

namespace {

constexpr LONGLONG HUNDRED_NANOSECONDS_PER_MS = 10000;

class WaitableTimer : public PendingTimer {
public:
    WaitableTimer(EventWaits& waits, UniqueKernelHandle timer, std::function<void()> on_elapsed)
        : waits_(waits), timer_(std::move(timer)), on_elapsed_(std::move(on_elapsed))
    {
        waits_.add(timer_.get(), [this] { elapsed(); });
    }
    ~WaitableTimer() override { waits_.remove(timer_.get()); }
    WaitableTimer(const WaitableTimer&) = delete;
    WaitableTimer& operator=(const WaitableTimer&) = delete;

private:
    // Once: the handler may cancel, that is destroy, this timer.
    void elapsed()
    {
        waits_.remove(timer_.get());
        const std::function<void()> on_elapsed = std::move(on_elapsed_);
        on_elapsed();
    }

    EventWaits& waits_;
    UniqueKernelHandle timer_;
    std::function<void()> on_elapsed_;
};

// A timer the system cannot make elapses at once: an event already set.
UniqueKernelHandle waitable_timer(std::uint32_t ms)
{
    UniqueKernelHandle timer(::CreateWaitableTimerA(nullptr, TRUE, nullptr));
    LARGE_INTEGER due{};
    due.QuadPart = -static_cast<LONGLONG>(ms) * HUNDRED_NANOSECONDS_PER_MS; // relative to now
    if (timer && ::SetWaitableTimer(timer.get(), &due, 0, nullptr, nullptr, FALSE))
        return timer;
    return UniqueKernelHandle(::CreateEventA(nullptr, TRUE, TRUE, nullptr));
}

} // namespace

std::unique_ptr<PendingTimer> Win32Timers::start_timer(std::uint32_t ms, std::function<void()> on_elapsed)
{
    return std::make_unique<WaitableTimer>(waits_, waitable_timer(ms), std::move(on_elapsed));
}

} // namespace platform::win32
