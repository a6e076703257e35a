// What the re-lock asks of the system, run under Wine: the date against the
// C runtime's, the local time of day, and the user's own settings created,
// kept, read and removed under HKEY_CURRENT_USER\Software\Varnhollow.

#include <windows.h>

#include <cstdio>
#include <ctime>
#include <string>

#include "checks.h"
#include "platform/win32/win32_user_settings.h"
#include "platform/win32/win32_wall_clock.h"

namespace {

using checks::check;

void wall_clock()
{
    platform::win32::Win32WallClock clock;
    const std::int64_t now = clock.now_seconds();
    const std::int64_t runtime_now = static_cast<std::int64_t>(std::time(nullptr));
    check(now - runtime_now <= 2 && runtime_now - now <= 2, "the date is the C runtime's, in seconds since 1970");

    // The local time of day, as the C runtime tells it for the same moment.
    const std::time_t moment = static_cast<std::time_t>(now);
    const std::tm* local = std::localtime(&moment);
    char expected[6];
    std::snprintf(expected, sizeof expected, "%02d:%02d", local->tm_hour, local->tm_min);
    const std::string shown = clock.local_hour_minute(now);
    check(shown == expected, "the local time of day is " + std::string(expected) + ", not " + shown);
    check(clock.local_hour_minute(now + 3600) != shown, "an hour later shows another time");
}

void user_settings()
{
    platform::win32::Win32UserSettings settings;
    const char* name = "RelockDueTest";
    settings.remove(name);
    check(!settings.read_number(name), "a value that is not there reads as nothing");
    check(settings.write_number(name, 0xFEDCBA98u), "the user's key is created and written");
    check(settings.read_number(name) == 0xFEDCBA98u, "the number reads back");
    settings.remove(name);
    check(!settings.read_number(name), "a removed value reads as nothing");
    settings.remove(name); // none: no failure

    HKEY key = nullptr;
    check(::RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Varnhollow", 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                            nullptr) == ERROR_SUCCESS,
          "the key is there");
    ::RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>("1234"), 5);
    check(!settings.read_number(name), "a string is no number");
    const unsigned char eight[8] = {1, 0, 0, 0, 0, 0, 0, 0};
    ::RegSetValueExA(key, name, 0, REG_DWORD, eight, sizeof eight);
    check(!settings.read_number(name), "a DWORD of 8 bytes is no number");
    ::RegDeleteValueA(key, name);
    ::RegCloseKey(key);
}

} // namespace

int main()
{
    wall_clock();
    user_settings();
    return checks::report();
}
