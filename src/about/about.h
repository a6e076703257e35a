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
    platform::Frame Frame1;
    platform::PictureBox Picture1;
    platform::PictureBox Picture2;
    platform::Label LBL_Progname;
    platform::Label LBL_author;
    platform::Label lbl_email;
    platform::Label lbl_web;

    void Form_Load();
    void lbl_web_MouseMove();
    void Frame1_MouseMove();
    void lbl_web_Click();
    void Picture1_MouseDown();
    void Picture1_MouseUp();
    void Picture1_Click();

    // The two texts the link uses, kept while the window is loaded.
    const std::string& browser_command() const { return browser_command_; }
    const std::string& address() const { return address_; }

private:
    void Ouvrir_Site_Web();

    platform::Forms& forms_;
    platform::Runtime& runtime_;
    std::string browser_command_;
    std::string address_;
};

} // namespace about
