#pragma once

#include <functional>
#include <string>

namespace platform {

// The program's icon in the taskbar's notification area. The window system
// decides which of the user's actions ask for the icon's menu, and shows the
// icon again when a restarted taskbar has forgotten it.
class TrayIcon {
public:
    virtual ~TrayIcon() = default;
    // Shows one of the program's icons, by resource number, with its tip (cut
    // to the 63 characters a tip holds), in place of the one shown.
    virtual void show(int icon_resource, const std::string& tip) = 0;
    // Changes the tip of the icon shown; nothing when none is shown.
    virtual void change_tip(const std::string& tip) = 0;
    // Takes the icon down; nothing when none is shown.
    virtual void remove() = 0;
    // `requested` runs each time the user asks for the icon's menu.
    virtual void on_menu_requested(std::function<void()> requested) = 0;
};

} // namespace platform
