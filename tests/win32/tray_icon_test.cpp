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

// The additions and removals, without the requests for version 3.
std::vector<Notification> icon_changes()
{
    std::vector<Notification> changes;
    for (const Notification& n : notifications())
        if (n.action != NIM_SETVERSION)
            changes.push_back(n);
    return changes;
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
        check(icon_changes().size() == 1 && icon_changes()[0].action == NIM_ADD, "the first showing adds the icon");
        const NOTIFYICONDATAA first = icon_changes()[0].record;
        check(first.hWnd == tray.window() && ::IsWindow(first.hWnd) && !::IsWindowVisible(first.hWnd),
              "the icon reports to the tray's own hidden window");
        check(first.uCallbackMessage == Win32TrayIcon::CALLBACK_MESSAGE && first.hIcon,
              "with the tray's callback message and the loaded icon");
        check(std::string(first.szTip) == "Varnhollow v1.4", "and its tip");
        check(notifications().size() == 2 && notifications()[1].action == NIM_SETVERSION &&
                  notifications()[1].record.uVersion == NOTIFYICON_VERSION &&
                  notifications()[1].record.cbSize == NOTIFYICONDATAA_V2_SIZE &&
                  notifications()[1].record.hWnd == first.hWnd && notifications()[1].record.uID == first.uID,
              "then asks for the notifications of version 3, which bring the keyboard's");

        tray.show(IDI_DEVICE_LOCKED, "Varnhollow v1.4");
        check(icon_changes().size() == 3 && icon_changes()[1].action == NIM_DELETE &&
                  icon_changes()[1].record.hIcon == first.hIcon && icon_changes()[2].action == NIM_ADD,
              "a new showing takes the shown icon down, then puts the new one up");
        check(icon_changes()[2].record.hIcon && icon_changes()[2].record.hIcon != first.hIcon,
              "the locked icon is another picture");

        const std::size_t before_tip = notifications().size();
        tray.change_tip("Varnhollow v1.4 - recherche de mise \xE0 jour...");
        check(notifications().size() == before_tip + 1 && notifications().back().action == NIM_MODIFY &&
                  notifications().back().record.uFlags == NIF_TIP &&
                  std::string(notifications().back().record.szTip) == "Varnhollow v1.4 - recherche de mise \xE0 jour...",
              "a new tip modifies the icon shown, in place");
        tray.change_tip("Varnhollow v1.4");

        tray.remove();
        tray.change_tip("Varnhollow v1.4");
        check(notifications().back().action == NIM_DELETE, "no icon shown, no tip to change");
        tray.remove();
        check(icon_changes().size() == 6 && icon_changes()[5].action == NIM_DELETE,
              "removing takes the icon down once");
        tray.show(IDI_DEVICE, "Varnhollow v1.4");
    }
    check(icon_changes().size() == 8 && icon_changes()[7].action == NIM_DELETE, "an icon still up goes with the tray");
}

void actions_that_open_the_menu()
{
    Win32TrayIcon tray(::GetModuleHandleA(nullptr), record_notification);
    int requests = 0;
    tray.on_menu_requested([&requests] { ++requests; });
    tray.show(IDI_DEVICE, "Varnhollow v1.4");

    struct Row {
        const char* actions_name;
        std::vector<UINT> actions; // as the shell sends them, in order
        int menus;
    };
    // A quick second right-click comes as a double-click; to the user it is
    // one more right-click. With version 3 a release of the right button is
    // followed by WM_CONTEXTMENU: the press has opened the menu already.
    const Row rows[] = {
        {"right press", {WM_RBUTTONDOWN}, 1},
        {"right double-click", {WM_RBUTTONDBLCLK}, 1},
        {"right click with its context menu", {WM_RBUTTONDOWN, WM_RBUTTONUP, WM_CONTEXTMENU}, 1},
        {"Shift+F10 or the context-menu key", {WM_CONTEXTMENU}, 1},
        {"Enter or the space bar", {NIN_KEYSELECT}, 1},
        {"the keyboard after a move", {WM_MOUSEMOVE, WM_CONTEXTMENU}, 1},
        {"left click", {WM_LBUTTONDOWN, WM_LBUTTONUP, NIN_SELECT}, 0},
        {"left double-click", {WM_LBUTTONDBLCLK}, 0},
        {"middle press", {WM_MBUTTONDOWN}, 0},
        {"move", {WM_MOUSEMOVE}, 0},
    };
    for (const Row& row : rows) {
        requests = 0;
        for (const UINT action : row.actions)
            icon_action(tray, action);
        check(requests == row.menus,
              std::string(row.actions_name) + (row.menus ? " opens the menu" : " opens nothing"));
        icon_action(tray, WM_MOUSEMOVE); // rows do not lean on each other
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
    check(icon_changes().size() == 2 && icon_changes()[1].action == NIM_ADD &&
              icon_changes()[1].record.hIcon == icon_changes()[0].record.hIcon,
          "a restarted taskbar gets the shown icon back");
    check(notifications().back().action == NIM_SETVERSION, "and is asked for version 3 again");

    tray.remove();
    const std::size_t count = notifications().size();
    ::SendMessageA(tray.window(), taskbar_created, 0, 0);
    check(notifications().size() == count, "a removed icon stays removed");
}

} // namespace

int main()
{
    showing_and_removing();
    actions_that_open_the_menu();
    restarted_taskbar();
    return checks::report();
}
