#include "about/about.h"

#include "program/maker.h"
#include "program/product.h"
#include "program/resource_ids.h"

namespace about {

using platform::Alignment;
using platform::Picture;

namespace {
constexpr int CLIENT_WIDTH = 4260;
constexpr int CLIENT_HEIGHT = 2280; // no border: the whole window
} // namespace

// Until the load event fills them, the labels carry their own names.
About::About(platform::Forms& forms, platform::Runtime& runtime)
    : Frame1("Frame1", "", {80, 0, 4095, 2175}, 0),
      Picture1("Picture1", Picture{Picture::Kind::bitmap, IDB_PRODUCT}, {120, 240, 1830, 1740}, 1),
      Picture2("Picture2", Picture{Picture::Kind::cursor, IDC_POINTING_HAND}, {2520, 720, 615, 495}, 2),
      LBL_Progname("LBL_Progname", "LBL_Progname", {2040, 240, 1935, 375}, 3, Alignment::centre),
      LBL_author("LBL_author", "LBL_author", {2040, 600, 1935, 375}, 4, Alignment::centre),
      lbl_email("lbl_email", "lbl_email", {2040, 1320, 1935, 255}, 5, Alignment::centre),
      lbl_web("lbl_web", "lbl_web", {2040, 1560, 1935, 495}, 6, Alignment::centre), forms_(forms),
      runtime_(runtime)
{
    window.client_width_twips = CLIENT_WIDTH;
    window.set_height_twips(CLIENT_HEIGHT);
    window.set_border_style(platform::BorderStyle::none);
    window.controls = {&Frame1};
    Frame1.controls = {&Picture1, &Picture2, &LBL_Progname, &LBL_author, &lbl_email, &lbl_web};

    Picture1.set_appearance(platform::Appearance::flat);
    Picture1.set_back_colour(platform::WINDOW_COLOUR);
    Picture1.set_fore_colour(platform::WINDOW_TEXT_COLOUR);
    Picture2.set_visible(false);
    lbl_web.set_fore_colour(platform::BLACK);
    lbl_web.set_back_colour(platform::MENU_COLOUR);

    window.on_load = [this] { Form_Load(); };
    lbl_web.on_mouse_move = [this](int, int, double, double) { lbl_web_MouseMove(); };
    Frame1.on_mouse_move = [this](int, int, double, double) { Frame1_MouseMove(); };
    lbl_web.on_click = [this] { lbl_web_Click(); };
    Picture1.on_mouse_down = [this](int, int, double, double) { Picture1_MouseDown(); };
    Picture1.on_mouse_up = [this](int, int, double, double) { Picture1_MouseUp(); };
    Picture1.on_click = [this] { Picture1_Click(); };
}

void About::Form_Load()
{
    LBL_Progname.set_caption(std::string(program::PRODUCT_NAME) + " " + program::VERSION_TEXT);
    LBL_author.set_caption(program::AUTHOR_LINE);
    lbl_email.set_caption(program::MAKER_EMAIL);
    lbl_web.set_caption(program::MAKER_HOST);
    lbl_web.set_tooltip(std::string(" ") + TOOLTIP_BASE + " ");
}

// The pointer belongs to the whole window, so it stays a hand until the mouse
// next crosses the frame's own surface.
void About::lbl_web_MouseMove()
{
    window.set_mouse_icon(Picture2.picture());
    window.set_mouse_pointer(platform::MousePointer::custom);
    lbl_web.set_weight(platform::FontWeight::bold);
    lbl_web.set_fore_colour(LINK_BLUE);
}

void About::Frame1_MouseMove()
{
    window.set_mouse_pointer(platform::MousePointer::default_pointer);
    lbl_web.set_weight(platform::FontWeight::regular);
    lbl_web.set_fore_colour(platform::BUTTON_TEXT_COLOUR);
}

void About::lbl_web_Click()
{
    lbl_web.set_fore_colour(LINK_BLUE);
    Ouvrir_Site_Web();
}

// Failures are ignored: no browser at that path simply means nothing opens.
void About::Ouvrir_Site_Web()
{
    browser_command_ = BROWSER_COMMAND;
    address_ = program::MAKER_HOST;
    runtime_.start_program(browser_command_ + address_);
}

void About::Picture1_MouseDown()
{
    Picture1.set_appearance(platform::Appearance::three_d);
}

void About::Picture1_MouseUp()
{
    Picture1.set_appearance(platform::Appearance::flat);
}

void About::Picture1_Click()
{
    forms_.unload(window);
}

} // namespace about
