// The registry watch and the outer loop's wait, run under Wine: a change to a
// watched key runs the handler from the loop, the watch is re-armed after
// every change, and a deleted key (Wine does not report it; Windows signals
// the event once) never keeps waking the loop.

#include <windows.h>

#include <cstdio>
#include <string>

#include "checks.h"
#include "platform/win32/event_waits.h"
#include "platform/win32/win32_registry_watch.h"

namespace {

using checks::check;

const char* const KEY = "SOFTWARE\\Varnhollow-watch-test";
constexpr UINT DONE = WM_APP + 1;

void set_value(DWORD number)
{
    HKEY key = nullptr;
    ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, KEY, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    ::RegSetValueExA(key, "Start", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
    ::RegCloseKey(key);
}

// Runs the outer loop's wait until the next posted message; true when it
// was the one the handler posts.
bool loop_until_posted(platform::win32::EventWaits& waits)
{
    MSG message;
    return waits.next_message(message) && message.message == DONE;
}

} // namespace

int main()
{
    ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, KEY);
    set_value(3);

    platform::win32::EventWaits waits;
    platform::win32::Win32RegistryWatch watch(waits);
    int changes = 0;
    const DWORD thread = ::GetCurrentThreadId();
    check(!watch.watch("SOFTWARE\\Varnhollow-no-such-key", [] {}), "a missing key cannot be watched");
    check(watch.watch(KEY, [&] {
        ++changes;
        ::PostThreadMessageA(thread, DONE, 0, 0);
    }), "the key is watched");

    set_value(4);
    check(loop_until_posted(waits) && changes == 1, "a change runs the handler from the loop");
    set_value(3);
    check(loop_until_posted(waits) && changes == 2, "re-armed: the next change too");

    // Nothing changed: the loop sleeps until a message comes, the handler stays quiet.
    ::PostThreadMessageA(thread, WM_APP + 2, 0, 0);
    MSG message;
    check(waits.next_message(message) && message.message == WM_APP + 2 && changes == 2, "no change, no call");

    ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, KEY);
    const DWORD began = ::GetTickCount();
    ::PostThreadMessageA(thread, WM_APP + 3, 0, 0);
    int rounds = 0;
    while (waits.next_message(message) && message.message != WM_APP + 3 && ++rounds < 1000) {
    }
    check(changes <= 3 && rounds < 1000, "a deleted key never makes the loop spin (" + std::to_string(changes) + " calls)");
    // The loop still works afterwards and the handler is not called again.
    set_value(4);
    ::Sleep(100);
    ::PostThreadMessageA(thread, WM_APP + 4, 0, 0);
    check(waits.next_message(message) && message.message == WM_APP + 4, "the loop goes on after the key went");
    std::printf("deleted key: %d calls, %lu ms\n", changes, static_cast<unsigned long>(::GetTickCount() - began));

    ::PostQuitMessage(0);
    check(!waits.next_message(message), "WM_QUIT ends the loop");

    ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, KEY);
    return checks::report();
}
