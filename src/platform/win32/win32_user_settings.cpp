#include "platform/win32/win32_user_settings.h"

#include <windows.h>

#include "platform/win32/unique_handle.h"

namespace platform::win32 {

namespace {

constexpr char SETTINGS_KEY[] = "Software\\Varnhollow";

UniqueKey opened_settings(REGSAM access)
{
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, SETTINGS_KEY, 0, access, &key) != ERROR_SUCCESS)
        return UniqueKey();
    return UniqueKey(key);
}

} // namespace

std::optional<std::uint32_t> Win32UserSettings::read_number(const std::string& name)
{
    const UniqueKey key = opened_settings(KEY_QUERY_VALUE);
    if (!key)
        return std::nullopt;
    DWORD type = 0;
    DWORD number = 0;
    DWORD size = sizeof number;
    if (::RegQueryValueExA(key.get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&number), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof number)
        return std::nullopt;
    return number;
}

bool Win32UserSettings::write_number(const std::string& name, std::uint32_t number)
{
    HKEY created = nullptr;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, SETTINGS_KEY, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                          nullptr, &created, nullptr) != ERROR_SUCCESS)
        return false;
    const UniqueKey key(created);
    const DWORD data = number;
    return ::RegSetValueExA(key.get(), name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                            sizeof data) == ERROR_SUCCESS;
}

void Win32UserSettings::remove(const std::string& name)
{
    const UniqueKey key = opened_settings(KEY_SET_VALUE);
    if (key)
        ::RegDeleteValueA(key.get(), name.c_str());
}

} // namespace platform::win32
