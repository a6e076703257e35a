#include "platform/win32/event_waits.h"

#include <algorithm>
#include <iterator>

namespace platform::win32 {

void EventWaits::add(HANDLE event, std::function<void()> on_signal)
{
    events_.push_back(event);
    handlers_.push_back(std::move(on_signal));
}

void EventWaits::remove(HANDLE event)
{
    const auto found = std::find(events_.begin(), events_.end(), event);
    if (found == events_.end())
        return;
    handlers_.erase(handlers_.begin() + std::distance(events_.begin(), found));
    events_.erase(found);
}

bool EventWaits::next_message(MSG& message)
{
    for (;;) {
        // A message already in the queue does not wake the wait again: only
        // look at the events then, without sleeping.
        const bool pending = ::PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE) != FALSE;
        const auto count = static_cast<DWORD>(events_.size());
        const DWORD result =
            ::MsgWaitForMultipleObjects(count, events_.data(), FALSE, pending ? 0 : INFINITE, QS_ALLINPUT);
        if (result >= count) // a message, or none of the events
            break;
        auto handler = handlers_[result]; // it may remove its event
        handler();
    }
    return ::GetMessageA(&message, nullptr, 0, 0) > 0;
}

} // namespace platform::win32
