#pragma once

#include <string>

#include "platform/controls.h"
#include "platform/forms.h"
#include "platform/runtime.h"

namespace about {

inline constexpr char TOOLTIP_BASE[] = "Cliquez pour visiter le site Web";
// The path is quoted: unquoted, Windows would first try C:\Program.exe and
// C:\Program Files\Internet.exe, which any user may have planted.
inline constexpr char BROWSER_COMMAND[] = "\"C:\\Program Files\\Internet Explorer\\iexplore.exe\" ";
inline constexpr platform::Colour LINK_BLUE = 0xFF0000;

// The About window: who made the program, and a link to the maker's web site.
// Loaded on demand; a click on the picture unloads it.
class About {
public:
    About(platform::Forms& forms, platform::Runtime& runtime);

    platform::Form window{"About", "A Propos"};
    platform::Frame frame;
    platform::PictureBox product_picture; // a click on it closes the window
    platform::PictureBox hand_pointer;    // hidden; holds the pointer shown over the link
    platform::Label product_label;
    platform::Label author_label;
    platform::Label email_label;
    platform::Label web_link;

    // The two texts the link uses, kept while the window is loaded.
    const std::string& browser_command() const { return browser_command_; }
    const std::string& address() const { return address_; }

private:
    void on_load();
    void on_mouse_over_link();
    void on_mouse_over_frame();
    void on_link_clicked();
    void on_picture_pressed();
    void on_picture_released();
    void on_picture_clicked();
    void open_web_site();

    platform::Forms& forms_;
    platform::Runtime& runtime_;
    std::string browser_command_;
    std::string address_;
};

} // namespace about
