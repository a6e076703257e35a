#pragma once

#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <map>
#include <string>

#include "platform/tray_icon.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/win32_window_class.h"

namespace platform::win32 {

// The program's icon on Shell_NotifyIconA. A hidden top-level window of its
// own, made with the first showing, hears the icon's notifications and the
// shell's "TaskbarCreated" broadcast, which a message-only window would miss.
// The icon asks for the notifications of Windows 2000 and later (version 3),
// which add the keyboard's: Shift+F10 or the context-menu key (WM_CONTEXTMENU)
// and Enter or the space bar (NIN_KEYSELECT) on the selected icon.
class Win32TrayIcon : public TrayIcon {
public:
    using NotifyFunction = BOOL(WINAPI*)(DWORD action, NOTIFYICONDATAA* record);
    // The message the icon's mouse actions arrive with, the action in LPARAM.
    static constexpr UINT CALLBACK_MESSAGE = WM_APP + 1;

    // `notify` is Shell_NotifyIconA; the Win32 test programs give a recorder.
    explicit Win32TrayIcon(HINSTANCE instance, NotifyFunction notify = ::Shell_NotifyIconA);
    ~Win32TrayIcon() override;
    Win32TrayIcon(const Win32TrayIcon&) = delete;
    Win32TrayIcon& operator=(const Win32TrayIcon&) = delete;

    void show(int icon_resource, const std::string& tip) override;
    void change_tip(const std::string& tip) override;
    void remove() override;
    void on_menu_requested(std::function<void()> requested) override { menu_requested_ = std::move(requested); }

    // The window the icon reports to; none before the first showing.
    HWND window() const { return window_.get(); }

private:
    friend LRESULT CALLBACK window_procedure<Win32TrayIcon>(HWND, UINT, WPARAM, LPARAM);
    LRESULT window_message(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    void window_destroyed() { window_.release(); }
    HWND made_window();
    HICON loaded_icon(int resource);
    void add_icon();
    void on_icon_action(UINT action);

    HINSTANCE instance_;
    NotifyFunction notify_;
    UINT taskbar_created_;
    UniqueWindow window_;
    std::map<int, UniqueIcon> icons_;
    NOTIFYICONDATAA record_;
    bool shown_ = false;
    UINT last_action_ = 0;
    std::function<void()> menu_requested_;
};

} // namespace platform::win32
