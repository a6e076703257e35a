#include "platform/win32/boundary.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <utility>

#include "platform/win32/win32_error.h"

namespace platform::win32 {

std::string directory_reported(const std::vector<char>& buffer, UINT length)
{
    if (length == 0 || length >= buffer.size())
        return {};
    return std::string(buffer.data(), length);
}

std::string profile_value(const ProfileBuffer& buffer, DWORD copied)
{
    return std::string(buffer.data(), std::min<std::size_t>(copied, buffer.size() - 1));
}

NOTIFYICONDATAA tray_icon_record(HWND window, UINT callback_message, HICON icon, const std::string& tip)
{
    constexpr std::size_t first_version_tip = 64;
    NOTIFYICONDATAA data;
    std::memset(&data, 0, sizeof data);
    static_assert(sizeof data.szTip >= first_version_tip);
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = window;
    data.uID = 1;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = callback_message;
    data.hIcon = icon;
    const std::size_t length = std::min(tip.size(), first_version_tip - 1);
    std::memcpy(data.szTip, tip.data(), length);
    data.szTip[length] = '\0';
    return data;
}

std::vector<std::string> menu_texts(const std::vector<std::string>& captions)
{
    std::string taken; // in lower case
    std::vector<std::string> texts;
    for (const std::string& caption : captions) {
        std::string text;
        bool marked = false;
        for (const char c : caption) {
            const auto byte = static_cast<unsigned char>(c);
            const auto lower = static_cast<char>(std::tolower(byte));
            if (!marked && byte < 0x80 && std::isalnum(byte) && taken.find(lower) == std::string::npos) {
                text += '&';
                taken += lower;
                marked = true;
            } else if (c == '&') {
                text += '&';
            }
            text += c;
        }
        texts.push_back(text);
    }
    return texts;
}

NOTIFYICONDATAA tray_icon_version_record(const NOTIFYICONDATAA& icon)
{
    NOTIFYICONDATAA data = icon;
    data.cbSize = NOTIFYICONDATAA_V2_SIZE;
    data.uFlags = 0;
    data.uVersion = NOTIFYICON_VERSION;
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

RemovalAnswer removal_answer(CONFIGRET status, PNP_VETO_TYPE veto)
{
    return status == CR_SUCCESS && veto == PNP_VetoTypeUnknown ? RemovalAnswer::ejected : RemovalAnswer::refused;
}

} // namespace platform::win32
