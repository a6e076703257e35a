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
    : frame("Frame1", "", {80, 0, 4095, 2175}, 0),
      product_picture("Picture1", Picture{Picture::Kind::bitmap, IDB_PRODUCT}, {120, 240, 1830, 1740}, 1),
      hand_pointer("Picture2", Picture{Picture::Kind::cursor, IDC_POINTING_HAND}, {2520, 720, 615, 495}, 2),
      product_label("LBL_Progname", "LBL_Progname", {2040, 240, 1935, 375}, 3, Alignment::centre),
      author_label("LBL_author", "LBL_author", {2040, 600, 1935, 375}, 4, Alignment::centre),
      email_label("lbl_email", "lbl_email", {2040, 1320, 1935, 255}, 5, Alignment::centre),
      web_link("lbl_web", "lbl_web", {2040, 1560, 1935, 495}, 6, Alignment::centre), forms_(forms), runtime_(runtime)
{
    window.client_width_twips = CLIENT_WIDTH;
    window.set_height_twips(CLIENT_HEIGHT);
    window.set_border_style(platform::BorderStyle::none);
    window.controls = {&frame};
    frame.controls = {&product_picture, &hand_pointer, &product_label, &author_label, &email_label, &web_link};

    product_picture.set_appearance(platform::Appearance::flat);
    product_picture.set_back_colour(platform::WINDOW_COLOUR);
    product_picture.set_fore_colour(platform::WINDOW_TEXT_COLOUR);
    hand_pointer.set_visible(false);
    web_link.set_fore_colour(platform::BLACK);
    web_link.set_back_colour(platform::MENU_COLOUR);

    window.on_load = [this] { on_load(); };
    web_link.on_mouse_move = [this](int, int, double, double) { on_mouse_over_link(); };
    frame.on_mouse_move = [this](int, int, double, double) { on_mouse_over_frame(); };
    web_link.on_click = [this] { on_link_clicked(); };
    product_picture.on_mouse_down = [this](int, int, double, double) { on_picture_pressed(); };
    product_picture.on_mouse_up = [this](int, int, double, double) { on_picture_released(); };
    product_picture.on_click = [this] { on_picture_clicked(); };
}

// Form_Load
void About::on_load()
{
    product_label.set_caption(std::string(program::PRODUCT_NAME) + " " + program::VERSION_TEXT);
    author_label.set_caption(program::AUTHOR_LINE);
    email_label.set_caption(program::MAKER_EMAIL);
    web_link.set_caption(program::MAKER_HOST);
    web_link.set_tooltip(std::string(" ") + TOOLTIP_BASE + " ");
}

// lbl_web_MouseMove. The pointer belongs to the whole window, so it stays a
// hand until the mouse next crosses the frame's own surface.
void About::on_mouse_over_link()
{
    window.set_mouse_icon(hand_pointer.picture());
    window.set_mouse_pointer(platform::MousePointer::custom);
    web_link.set_weight(platform::FontWeight::bold);
    web_link.set_fore_colour(LINK_BLUE);
}

// Frame1_MouseMove
void About::on_mouse_over_frame()
{
    window.set_mouse_pointer(platform::MousePointer::default_pointer);
    web_link.set_weight(platform::FontWeight::regular);
    web_link.set_fore_colour(platform::BUTTON_TEXT_COLOUR);
}

// lbl_web_Click
void About::on_link_clicked()
{
    web_link.set_fore_colour(LINK_BLUE);
    open_web_site();
}

// Failures are ignored: no browser at that path simply means nothing opens.
void About::open_web_site()
{
    browser_command_ = BROWSER_COMMAND;
    address_ = program::MAKER_HOST;
    runtime_.start_program(browser_command_ + address_);
}

// Picture1_MouseDown
void About::on_picture_pressed()
{
    product_picture.set_appearance(platform::Appearance::three_d);
}

// Picture1_MouseUp
void About::on_picture_released()
{
    product_picture.set_appearance(platform::Appearance::flat);
}

// Picture1_Click
void About::on_picture_clicked()
{
    forms_.unload(window);
}

} // namespace about
