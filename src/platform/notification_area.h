#pragma once

#include <array>
#include <cstdint>

namespace platform {

inline constexpr std::uint32_t NIM_ADD_ACTION = 0;
inline constexpr std::uint32_t NIM_DELETE_ACTION = 2;

// The ANSI notification record, field for field; the Win32 layer copies it
// into a NOTIFYICONDATAA of the size given in cbSize.
struct NotifyIconData {
    std::uint32_t cbSize = 0;
    std::uintptr_t hWnd = 0;
    std::uint32_t uID = 0;
    std::uint32_t uFlags = 0;
    std::uint32_t uCallbackMessage = 0;
    std::uintptr_t hIcon = 0;
    std::array<char, 64> szTip{};

    bool operator==(const NotifyIconData&) const = default;
};

// Shell_NotifyIconA. Its result is never examined, so it returns nothing.
class NotificationArea {
public:
    virtual ~NotificationArea() = default;
    virtual void notify_icon(std::uint32_t action, const NotifyIconData& record) = 0;
};

} // namespace platform
