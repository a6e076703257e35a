#pragma once

#include <windows.h>

#include <functional>
#include <vector>

namespace platform::win32 {

// Kernel events the program's outer message loop waits for together with
// window messages, so that it still sleeps while nothing happens.
class EventWaits {
public:
    // Runs on_signal from the outer loop each time the event is signalled.
    void add(HANDLE event, std::function<void()> on_signal);
    void remove(HANDLE event);

    // Sleeps until a window message is posted, running the handler of every
    // event signalled meanwhile (sent messages are handled on the way), then
    // takes the message: false for WM_QUIT.
    bool next_message(MSG& message);

private:
    std::vector<HANDLE> events_;
    std::vector<std::function<void()>> handlers_;
};

} // namespace platform::win32
