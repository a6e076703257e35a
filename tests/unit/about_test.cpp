#include <algorithm>
#include <map>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "about/contact.h"
#include "main_window_fixture.h"
#include "program/maker.h"
#include "program/product.h"
#include "program/resource_ids.h"

namespace {

using platform::Appearance;
using platform::MousePointer;
using platform::Picture;

class AboutWindow : public fakes::MainWindowFixture {
protected:
    void SetUp() override { start_with(3); }

    about::About& open_about()
    {
        choose("MNU_APropos");
        about::About* about = form.about_window();
        if (!about)
            throw std::logic_error("no About window");
        return *about;
    }

    // The mouse moves over `control`; only controls with a handler react.
    // Buttons, shift keys and position vary to show they are not looked at.
    static void move_over(platform::Label& label) { label.on_mouse_move(2, 1, 15, 30); }
    static void move_over(platform::Frame& frame) { frame.on_mouse_move(0, 0, 600, 45); }
};

TEST_F(AboutWindow, LoadFillsTheLabelsAndShowsTheDesign)
{
    about::About& a = open_about();
    EXPECT_TRUE(a.window.loaded());
    EXPECT_TRUE(a.window.visible());
    EXPECT_EQ(a.product_label.caption(), std::string("Varnhollow ") + program::VERSION_TEXT);
    EXPECT_EQ(a.author_label.caption(), program::AUTHOR_LINE);
    EXPECT_EQ(a.email_label.caption(), program::MAKER_EMAIL);
    EXPECT_EQ(a.web_link.caption(), program::MAKER_HOST);
    EXPECT_EQ(a.web_link.tooltip(), " Cliquez pour visiter le site Web ");
    EXPECT_EQ(a.product_label.tooltip(), "");

    EXPECT_EQ(a.window.border_style(), platform::BorderStyle::none);
    EXPECT_EQ(a.window.client_width_twips, 4260);
    EXPECT_EQ(a.window.height_twips(), 2280);
    EXPECT_EQ(a.window.mouse_pointer(), MousePointer::default_pointer);
    EXPECT_EQ(a.frame.rect(), (platform::TwipsRect{80, 0, 4095, 2175}));
    EXPECT_EQ(a.frame.caption(), "");
    EXPECT_EQ(a.frame.controls.size(), 6u);

    EXPECT_EQ(a.web_link.fore_colour(), platform::BLACK);
    EXPECT_EQ(a.web_link.back_colour(), platform::system_colour(4));
    EXPECT_EQ(a.web_link.weight(), platform::FontWeight::regular);
    for (const platform::Label* label : {&a.product_label, &a.author_label, &a.email_label, &a.web_link})
        EXPECT_EQ(label->alignment(), platform::Alignment::centre) << label->name();

    EXPECT_EQ(a.product_picture.picture(), (Picture{Picture::Kind::bitmap, IDB_PRODUCT}));
    EXPECT_EQ(a.product_picture.appearance(), Appearance::flat);
    EXPECT_EQ(a.product_picture.back_colour(), platform::system_colour(5));
    EXPECT_EQ(a.product_picture.fore_colour(), platform::system_colour(8));
    EXPECT_TRUE(a.product_picture.visible());
    EXPECT_EQ(a.hand_pointer.picture(), (Picture{Picture::Kind::cursor, IDC_POINTING_HAND}));
    EXPECT_FALSE(a.hand_pointer.visible());

    EXPECT_TRUE(p.runtime.started.empty());
    EXPECT_TRUE(p.shell.calls.empty());
    EXPECT_TRUE(p.boxes.shown.empty());
}

// A path of mouse moves and the link's look after it.
struct Hover {
    const char* name;
    std::vector<std::string> moves; // "web", "frame", "email", "author", "progname"
    MousePointer pointer;
    bool bold;
    platform::Colour colour;
};

void PrintTo(const Hover& hover, std::ostream* out)
{
    *out << hover.name;
}

class LinkHighlight : public AboutWindow, public testing::WithParamInterface<Hover> {};

TEST_P(LinkHighlight, FollowsTheLastMoveOverTheLinkOrTheFrame)
{
    about::About& a = open_about();
    const std::map<std::string, platform::Label*> others{
        {"email", &a.email_label}, {"author", &a.author_label}, {"progname", &a.product_label}};
    for (const std::string& move : GetParam().moves) {
        if (move == "web") {
            move_over(a.web_link);
        } else if (move == "frame") {
            move_over(a.frame);
        } else {
            platform::Label* label = others.at(move);
            if (label->on_mouse_move)
                move_over(*label);
        }
    }
    const Hover& h = GetParam();
    EXPECT_EQ(a.window.mouse_pointer(), h.pointer);
    if (h.pointer == MousePointer::custom) {
        EXPECT_EQ(a.window.mouse_icon(), a.hand_pointer.picture());
    }
    EXPECT_EQ(a.web_link.weight() == platform::FontWeight::bold, h.bold);
    EXPECT_EQ(a.web_link.fore_colour(), h.colour);
}

constexpr platform::Colour BLUE = 0xFF0000;
constexpr platform::Colour BUTTON_TEXT = platform::system_colour(18);
constexpr auto CUSTOM = MousePointer::custom;
constexpr auto DEFAULT = MousePointer::default_pointer;

INSTANTIATE_TEST_SUITE_P(
    Moves, LinkHighlight,
    testing::Values(Hover{"AtLoad", {}, DEFAULT, false, platform::BLACK},
                    Hover{"OverTheLink", {"web"}, CUSTOM, true, BLUE},
                    Hover{"OverTheLinkAgain", {"web", "web"}, CUSTOM, true, BLUE},
                    Hover{"FrameFirstGivesButtonText", {"frame"}, DEFAULT, false, BUTTON_TEXT},
                    Hover{"LinkThenFrame", {"web", "frame"}, DEFAULT, false, BUTTON_TEXT},
                    Hover{"LinkThenOtherLabels", {"web", "email", "author", "progname"}, CUSTOM, true, BLUE},
                    Hover{"FrameThenLink", {"frame", "web"}, CUSTOM, true, BLUE}),
    [](const testing::TestParamInfo<Hover>& info) { return std::string(info.param.name); });

TEST_F(AboutWindow, LinkStartsTheBrowserWithTheQuotedPath)
{
    about::About& a = open_about();
    move_over(a.frame);
    a.web_link.on_click();

    const std::string expected =
        std::string("\"C:\\Program Files\\Internet Explorer\\iexplore.exe\" ") + program::MAKER_HOST;
    EXPECT_EQ(p.runtime.started, std::vector<std::string>{expected});
    EXPECT_EQ(std::string(program::MAKER_HOST).find("://"), std::string::npos);
    EXPECT_EQ(a.browser_command(), "\"C:\\Program Files\\Internet Explorer\\iexplore.exe\" ");
    EXPECT_EQ(a.address(), a.web_link.caption());
    EXPECT_EQ(a.web_link.fore_colour(), BLUE);
    EXPECT_TRUE(p.shell.calls.empty());
}

TEST_F(AboutWindow, MissingBrowserLeavesNothingVisible)
{
    about::About& a = open_about();
    p.runtime.start_fails = true;
    a.web_link.on_click();
    a.web_link.on_click();
    EXPECT_EQ(p.runtime.started.size(), 2u); // no other browser, no second try per click
    EXPECT_TRUE(p.boxes.shown.empty());
    EXPECT_EQ(a.web_link.fore_colour(), BLUE);
    EXPECT_TRUE(a.window.loaded());
}

TEST_F(AboutWindow, PictureLooksPressedWhileHeldAndAnyButtonCloses)
{
    for (int button : {1, 2}) {
        about::About& a = open_about();
        a.product_picture.on_mouse_down(button, 0, 30, 30);
        EXPECT_EQ(a.product_picture.appearance(), Appearance::three_d);
        EXPECT_TRUE(a.window.loaded());
        a.product_picture.on_mouse_up(button, 0, 30, 30);
        EXPECT_EQ(a.product_picture.appearance(), Appearance::flat);
        a.product_picture.on_click();
        EXPECT_FALSE(a.window.loaded()) << button;
        EXPECT_EQ(p.windows.open_windows.count("About"), 0u);
    }
    EXPECT_EQ(p.windows.destroyed, (std::vector<std::string>{"About", "About"}));
    EXPECT_FALSE(p.windows.loop_ended);
}

TEST_F(AboutWindow, ReopeningStartsFromTheDesign)
{
    about::About& first = open_about();
    move_over(first.web_link);
    first.product_picture.on_mouse_down(1, 0, 0, 0);
    first.product_label.set_caption("changed");
    first.product_picture.on_click();

    about::About& a = open_about();
    EXPECT_TRUE(a.window.visible());
    EXPECT_EQ(a.product_label.caption(), std::string("Varnhollow ") + program::VERSION_TEXT);
    EXPECT_EQ(a.web_link.tooltip(), " Cliquez pour visiter le site Web ");
    EXPECT_EQ(a.web_link.fore_colour(), platform::BLACK);
    EXPECT_EQ(a.web_link.weight(), platform::FontWeight::regular);
    EXPECT_EQ(a.window.mouse_pointer(), DEFAULT);
    EXPECT_EQ(a.window.mouse_icon(), Picture{});
    EXPECT_EQ(a.product_picture.appearance(), Appearance::flat);
    EXPECT_EQ(std::count(p.windows.created.begin(), p.windows.created.end(), "About"), 2);
}

TEST_F(AboutWindow, SecondCommandShowsTheSameWindowWithoutRefilling)
{
    about::About& a = open_about();
    a.product_label.set_caption("kept");
    move_over(a.web_link);
    about::About& again = open_about();
    EXPECT_EQ(&again, &a);
    EXPECT_EQ(again.product_label.caption(), "kept");
    EXPECT_EQ(again.web_link.weight(), platform::FontWeight::bold);
    EXPECT_TRUE(again.window.visible());
    EXPECT_EQ(std::count(p.windows.created.begin(), p.windows.created.end(), "About"), 1);
}

TEST_F(AboutWindow, TrayMenuStaysUsable)
{
    about::About& a = open_about();
    choose("MNU_USBLocked");
    EXPECT_EQ(stored_start(), 4);
    EXPECT_TRUE(form.locked());
    EXPECT_TRUE(a.window.visible());
}

TEST_F(AboutWindow, QuitLeavesItOpenAndTheProcessEndsWhenItCloses)
{
    about::About& a = open_about();
    choose("MNU_Quitter");
    EXPECT_FALSE(p.tray.shown);
    EXPECT_FALSE(form.window.loaded());
    EXPECT_FALSE(dialog.window.loaded());
    EXPECT_TRUE(a.window.loaded());
    EXPECT_TRUE(a.window.visible());
    EXPECT_FALSE(p.windows.loop_ended);

    a.product_picture.on_click();
    EXPECT_TRUE(p.windows.loop_ended);
    EXPECT_EQ(forms.loaded_count(), 0);
}

TEST_F(AboutWindow, QuitWithTheLockOnAndNoKeepsItToo)
{
    about::About& a = open_about();
    choose("MNU_USBLocked");
    p.boxes.answers = {platform::ANSWER_NO};
    choose("MNU_Quitter");
    EXPECT_TRUE(form.window.loaded());
    EXPECT_TRUE(a.window.loaded());
    p.boxes.answers = {platform::ANSWER_YES};
    choose("MNU_Quitter");
    EXPECT_TRUE(a.window.loaded());
    EXPECT_FALSE(p.windows.loop_ended);
    a.product_picture.on_click();
    EXPECT_TRUE(p.windows.loop_ended);
}

class Email : public fakes::MainWindowFixture {};

TEST_F(Email, HandsTheMailtoAddressToTheMailProgramOwnedByTheMainWindow)
{
    start_with(3);
    choose("MNU_Email");
    ASSERT_EQ(p.shell.calls.size(), 1u);
    const fakes::FakeShell::Call& call = p.shell.calls[0];
    EXPECT_EQ(call.kind, fakes::FakeShell::Kind::mail);
    EXPECT_NE(call.owner, 0u);
    EXPECT_EQ(call.owner, form.window.window_handle);
    EXPECT_EQ(call.address,
              std::string("mailto:") + program::MAKER_EMAIL + "?subject=Varnhollow : Demande d'informations");
    EXPECT_EQ(call.folder, "C:\\WINDOWS\\system32"); // where users may not write
    EXPECT_TRUE(p.boxes.shown.empty());
    EXPECT_TRUE(p.runtime.started.empty());
    EXPECT_EQ(form.about_window(), nullptr);
}

TEST_F(Email, StartsTheMailProgramInTheSystemFolderOfThisWindowsOrInNoneWhenItIsUnknown)
{
    start_with(3);
    p.system.windows_folder = "D:\\WINNT";
    choose("MNU_Email");
    p.system.windows_folder = "";
    choose("MNU_Email");
    ASSERT_EQ(p.shell.calls.size(), 2u);
    EXPECT_EQ(p.shell.calls[0].folder, "D:\\WINNT\\system32");
    EXPECT_EQ(p.shell.calls[1].folder, ""); // none given, never the root of C:
}

// No program for mailto: (the shell's SE_ERR_NOASSOC). The address is shown
// instead, to be copied.
TEST_F(Email, WithoutAMailProgramTheAddressIsShown)
{
    start_with(3);
    p.shell.refuses = true;
    choose("MNU_Email");
    ASSERT_EQ(p.boxes.shown.size(), 1u);
    EXPECT_EQ(p.boxes.shown[0].text,
              std::string("Aucun programme de messagerie n'est configur\xE9. \xC9""crivez \xE0 : ") + program::MAKER_EMAIL);
    EXPECT_EQ(p.boxes.shown[0].icon, platform::BoxIcon::information);
    EXPECT_EQ(p.boxes.shown[0].buttons, platform::Buttons::ok);
    EXPECT_TRUE(form.window.loaded());
}

TEST(ContactAddress, DefaultMakerTextsGiveTheFullAddress)
{
    if (std::string(program::MAKER_EMAIL) != "info@varnhollow.example")
        GTEST_SKIP() << "built with another maker's e-mail";
    EXPECT_EQ(about::contact_address(), "mailto:info@varnhollow.example?subject=Varnhollow : Demande d'informations");
}

} // namespace
