// The tray icon on the real window system, run under Wine: what goes to
// Shell_NotifyIconA (seen through a recorder), which of the icon's mouse
// actions ask for the menu, and the icon's return to a restarted taskbar.

#include <windows.h>

#include <string>
#include <vector>

#include "checks.h"
#include "platform/win32/win32_tray_icon.h"
#include "program/resource_ids.h"

namespace {

using checks::check;
using platform::win32::Win32TrayIcon;

struct Notification {
    DWORD action;
    NOTIFYICONDATAA record;
};

// Shell_NotifyIconA takes no context: the recorder's calls go here.
std::vector<Notification>& notifications()
{
    static std::vector<Notification> recorded;
    return recorded;
}

BOOL WINAPI record_notification(DWORD action, NOTIFYICONDATAA* record)
{
    notifications().push_back({action, *record});
    return TRUE;
}

// The shell reporting a mouse action on the icon.
void icon_action(const Win32TrayIcon& tray, UINT action)
{
    ::SendMessageA(tray.window(), Win32TrayIcon::CALLBACK_MESSAGE, 1, action);
}

void showing_and_removing()
{
    notifications().clear();
    {
        Win32TrayIcon tray(::GetModuleHandleA(nullptr), record_notification);
        check(!tray.window() && notifications().empty(), "nothing is made or shown before the first showing");

        tray.show(IDI_DEVICE, "Varnhollow v1.4");
        check(notifications().size() == 1 && notifications()[0].action == NIM_ADD, "the first showing adds the icon");
        const NOTIFYICONDATAA first = notifications()[0].record;
        check(first.hWnd == tray.window() && ::IsWindow(first.hWnd) && !::IsWindowVisible(first.hWnd),
              "the icon reports to the tray's own hidden window");
        check(first.uCallbackMessage == Win32TrayIcon::CALLBACK_MESSAGE && first.hIcon,
              "with the tray's callback message and the loaded icon");
        check(std::string(first.szTip) == "Varnhollow v1.4", "and its tip");

        tray.show(IDI_DEVICE_LOCKED, "Varnhollow v1.4");
        check(notifications().size() == 3 && notifications()[1].action == NIM_DELETE &&
                  notifications()[1].record.hIcon == first.hIcon && notifications()[2].action == NIM_ADD,
              "a new showing takes the shown icon down, then puts the new one up");
        check(notifications()[2].record.hIcon && notifications()[2].record.hIcon != first.hIcon,
              "the locked icon is another picture");

        tray.remove();
        tray.remove();
        check(notifications().size() == 4 && notifications()[3].action == NIM_DELETE,
              "removing takes the icon down once");
        tray.show(IDI_DEVICE, "Varnhollow v1.4");
    }
    check(notifications().size() == 6 && notifications()[5].action == NIM_DELETE,
          "an icon still up goes with the tray");
}

void actions_that_open_the_menu()
{
    Win32TrayIcon tray(::GetModuleHandleA(nullptr), record_notification);
    int requests = 0;
    tray.on_menu_requested([&requests] { ++requests; });
    tray.show(IDI_DEVICE, "Varnhollow v1.4");

    struct Row {
        const char* action_name;
        UINT action;
        bool opens_menu;
    };
    // A quick second right-click comes as a double-click; to the user it is
    // one more right-click.
    for (const Row row : {Row{"right press", WM_RBUTTONDOWN, true}, Row{"right double-click", WM_RBUTTONDBLCLK, true},
                          Row{"right release", WM_RBUTTONUP, false}, Row{"left press", WM_LBUTTONDOWN, false},
                          Row{"left double-click", WM_LBUTTONDBLCLK, false}, Row{"middle press", WM_MBUTTONDOWN, false},
                          Row{"move", WM_MOUSEMOVE, false}}) {
        requests = 0;
        icon_action(tray, row.action);
        check(requests == (row.opens_menu ? 1 : 0),
              std::string(row.action_name) + (row.opens_menu ? " opens the menu" : " opens nothing"));
    }
    tray.remove();
}

void restarted_taskbar()
{
    notifications().clear();
    Win32TrayIcon tray(::GetModuleHandleA(nullptr), record_notification);
    tray.show(IDI_DEVICE_LOCKED, "Varnhollow v1.4");
    const UINT taskbar_created = ::RegisterWindowMessageA("TaskbarCreated");

    ::SendMessageA(tray.window(), taskbar_created, 0, 0);
    check(notifications().size() == 2 && notifications()[1].action == NIM_ADD &&
              notifications()[1].record.hIcon == notifications()[0].record.hIcon,
          "a restarted taskbar gets the shown icon back");

    tray.remove();
    ::SendMessageA(tray.window(), taskbar_created, 0, 0);
    check(notifications().size() == 3, "a removed icon stays removed");
}

} // namespace

int main()
{
    showing_and_removing();
    actions_that_open_the_menu();
    restarted_taskbar();
    return checks::report();
}
