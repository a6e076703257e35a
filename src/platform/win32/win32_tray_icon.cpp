#include "platform/win32/win32_tray_icon.h"

#include <cstring>
#include <utility>

#include "platform/win32/boundary.h"

namespace platform::win32 {

namespace {

constexpr char TRAY_CLASS[] = "VarnhollowTray";

} // namespace

Win32TrayIcon::Win32TrayIcon(HINSTANCE instance, NotifyFunction notify)
    : instance_(instance), notify_(notify), taskbar_created_(::RegisterWindowMessageA("TaskbarCreated"))
{
    std::memset(&record_, 0, sizeof record_);
}

Win32TrayIcon::~Win32TrayIcon()
{
    remove();
}

// Each showing takes the shown icon down and puts the new one up.
void Win32TrayIcon::show(int icon_resource, const std::string& tip)
{
    remove();
    record_ = tray_icon_record(made_window(), CALLBACK_MESSAGE, loaded_icon(icon_resource), tip);
    add_icon();
    shown_ = true;
}

// A shell that knows no version 3 refuses it and goes on with the mouse.
void Win32TrayIcon::add_icon()
{
    notify_(NIM_ADD, &record_);
    NOTIFYICONDATAA version = tray_icon_version_record(record_);
    notify_(NIM_SETVERSION, &version);
}

void Win32TrayIcon::change_tip(const std::string& tip)
{
    if (!shown_)
        return;
    record_ = tray_icon_record(record_.hWnd, CALLBACK_MESSAGE, record_.hIcon, tip);
    NOTIFYICONDATAA change = record_;
    change.uFlags = NIF_TIP;
    notify_(NIM_MODIFY, &change);
}

void Win32TrayIcon::remove()
{
    if (!shown_)
        return;
    notify_(NIM_DELETE, &record_);
    shown_ = false;
}

HWND Win32TrayIcon::made_window()
{
    if (!window_) {
        register_window_class(instance_, {.name = TRAY_CLASS, .procedure = window_procedure<Win32TrayIcon>});
        window_.reset(
            ::CreateWindowExA(0, TRAY_CLASS, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance_, this));
    }
    return window_.get();
}

// The small icon's size, as the notification area shows it.
HICON Win32TrayIcon::loaded_icon(int resource)
{
    UniqueIcon& icon = icons_[resource];
    if (!icon) {
        const int size = ::GetSystemMetrics(SM_CXSMICON);
        icon.reset(static_cast<HICON>(
            ::LoadImageA(instance_, MAKEINTRESOURCEA(resource), IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
    }
    return icon.get();
}

LRESULT Win32TrayIcon::window_message(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == CALLBACK_MESSAGE) {
        on_icon_action(static_cast<UINT>(lparam));
        return 0;
    }
    if (message == taskbar_created_) {
        if (shown_)
            add_icon(); // the new taskbar knows no icon
        return 0;
    }
    return ::DefWindowProcA(hwnd, message, wparam, lparam);
}

// A right-button press opens the menu; a second press soon after the first
// comes as a double-click, which to the user is one more right-click. The
// context-menu notification that follows a release is the mouse's, whose
// press has already opened the menu; without a release before it, it is the
// keyboard's.
void Win32TrayIcon::on_icon_action(UINT action)
{
    const UINT previous = std::exchange(last_action_, action);
    const bool requested = action == WM_RBUTTONDOWN || action == WM_RBUTTONDBLCLK || action == NIN_KEYSELECT ||
                           (action == WM_CONTEXTMENU && previous != WM_RBUTTONUP);
    if (requested && menu_requested_)
        menu_requested_();
}

} // namespace platform::win32
