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
        // Never a blocking GetMessageA: it handles sent messages (the tray's
        // notifications among them) inside its own wait, and a command run
        // there, a wait for the password window for one, would leave the
        // thread in that wait, deaf to the events, until a message is posted.
        if (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            return message.message != WM_QUIT;
        const auto count = static_cast<DWORD>(events_.size());
        const DWORD result = ::MsgWaitForMultipleObjects(count, events_.data(), FALSE, INFINITE, QS_ALLINPUT);
        if (result < count) {
            auto handler = handlers_[result]; // it may remove its event
            handler();
        }
    }
}

} // namespace platform::win32
