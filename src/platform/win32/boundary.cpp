#include "platform/win32/boundary.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "platform/win32/win32_error.h"

namespace platform::win32 {

namespace {

constexpr std::size_t FIRST_VERSION_TIP = 64;

} // namespace

std::string directory_reported(const std::vector<char>& buffer, UINT length)
{
    if (length == 0 || length >= buffer.size())
        return {};
    return std::string(buffer.data(), length);
}

NOTIFYICONDATAA notify_icon_data(const NotifyIconData& record)
{
    NOTIFYICONDATAA data;
    std::memset(&data, 0, sizeof data);
    static_assert(sizeof data.szTip >= FIRST_VERSION_TIP);
    data.cbSize = std::min<DWORD>(record.cbSize, sizeof data);
    data.hWnd = reinterpret_cast<HWND>(record.hWnd);
    data.uID = record.uID;
    data.uFlags = record.uFlags;
    data.uCallbackMessage = record.uCallbackMessage;
    data.hIcon = reinterpret_cast<HICON>(record.hIcon);
    const std::size_t tip = std::min(record.szTip.size(), FIRST_VERSION_TIP - 1);
    std::memcpy(data.szTip, record.szTip.data(), tip);
    data.szTip[tip] = '\0';
    return data;
}

program::Result<void, FileError> write_outcome(BOOL succeeded, DWORD written, std::size_t wanted)
{
    if (!succeeded)
        return file_error(::GetLastError());
    if (written != wanted)
        return file_error(ERROR_WRITE_FAULT);
    return {};
}

SystemFamily system_family(DWORD platform_id)
{
    switch (platform_id) {
    case VER_PLATFORM_WIN32_WINDOWS: return SystemFamily::windows_9x;
    case VER_PLATFORM_WIN32_NT: return SystemFamily::windows_nt;
    default: return SystemFamily::other;
    }
}

ValueType value_type(DWORD type)
{
    switch (type) {
    case REG_DWORD: return ValueType::dword;
    case REG_SZ: return ValueType::string;
    case REG_EXPAND_SZ: return ValueType::expandable_string;
    default: return ValueType::other;
    }
}

program::Result<RegistryValue, long> query_value(HKEY key, const std::string& name, std::size_t room)
{
    std::vector<std::uint8_t> data(room, 0);
    DWORD type = 0;
    DWORD size = static_cast<DWORD>(data.size());
    const LONG status = ::RegQueryValueExA(key, name.c_str(), nullptr, &type, data.data(), &size);
    if (status != ERROR_SUCCESS)
        return static_cast<long>(status);
    data.resize(std::min<std::size_t>(size, data.size()));
    return RegistryValue{value_type(type), std::move(data)};
}

} // namespace platform::win32
