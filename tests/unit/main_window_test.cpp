#include <algorithm>
#include <functional>

#include "main_window_fixture.h"
#include "program/product.h"
#include "row_names.h"

namespace {

constexpr long KEY_DELETED = 1018; // the key was deleted meanwhile

using fakes::MainWindowFixture;

class StartUp : public MainWindowFixture {};

TEST_F(StartUp, UnlockedPutsUpThePlainIconWithTheFullRecord)
{
    start_with(3);

    EXPECT_FALSE(form.locked());
    EXPECT_FALSE(form.lock_switch().password_accepted());
    EXPECT_EQ(form.lock_item.caption(), "Verrou USB - NON");
    EXPECT_TRUE(p.boxes.shown.empty());

    ASSERT_EQ(p.tray.calls.size(), 1u);
    EXPECT_EQ(p.tray.shown, (fakes::FakeTray::Icon{IDI_DEVICE, std::string("Varnhollow v") + program::VERSION_TEXT}));

    EXPECT_TRUE(form.window.loaded());
    EXPECT_TRUE(dialog.window.loaded());
    EXPECT_FALSE(dialog.window.visible());
    EXPECT_FALSE(form.window.visible());
    EXPECT_FALSE(p.windows.loop_ended);
}

TEST_F(StartUp, LockedPutsUpTheCrossedIcon)
{
    start_with(4);
    EXPECT_TRUE(form.locked());
    EXPECT_EQ(form.lock_item.caption(), "Verrou USB - OUI");
    EXPECT_TRUE(shows_icon(true));
}

struct Refusal {
    const char* what;
    platform::SystemVersion version;
    bool version_fails;
    bool other_instance;
    const char* message;
};

class StartUpRefusal : public MainWindowFixture, public testing::WithParamInterface<Refusal> {};

TEST_P(StartUpRefusal, ShowsItsMessageAndEndsBeforeAnyIcon)
{
    const Refusal& r = GetParam();
    p.system.system_version = r.version;
    p.system.version_fails = r.version_fails;
    p.runtime.other_instance = r.other_instance;
    start_with(4);

    ASSERT_EQ(p.boxes.shown.size(), 1u) << r.what;
    EXPECT_EQ(p.boxes.shown[0].text, r.message);
    EXPECT_EQ(p.boxes.shown[0].buttons, platform::Buttons::ok);
    EXPECT_EQ(p.boxes.shown[0].icon, platform::BoxIcon::none);
    EXPECT_TRUE(p.tray.calls.empty());
    EXPECT_TRUE(p.registry.calls.empty());
    EXPECT_FALSE(dialog.window.loaded());
    EXPECT_FALSE(form.window.loaded());
    EXPECT_TRUE(p.windows.loop_ended);
}

const platform::SystemVersion win98{platform::SystemFamily::windows_9x, 4, 10, 1998};
const platform::SystemVersion vista{platform::SystemFamily::windows_nt, 6, 0, 6000};
const platform::SystemVersion xp{platform::SystemFamily::windows_nt, 5, 1, 2600};
const char* const unsupported = "Varnhollow fonctionne uniquement sur Windows 2000, 2003 et XP";
const char* const running = "Varnhollow est d\xE9j\xE0 charg\xE9 en m\xE9moire";

INSTANTIATE_TEST_SUITE_P(Cases, StartUpRefusal,
                         testing::Values(Refusal{"98", win98, false, false, unsupported},
                                         Refusal{"Vista", vista, false, false, unsupported},
                                         Refusal{"no version", xp, true, false, unsupported},
                                         Refusal{"second instance", xp, false, true, running},
                                         Refusal{"system first", win98, false, true, unsupported}),
                         testing_support::RowName{});

TEST_F(StartUp, AcceptsServer2003And2000)
{
    for (const platform::SystemVersion& v : {platform::SystemVersion{platform::SystemFamily::windows_nt, 5, 2, 3790},
                                            platform::SystemVersion{platform::SystemFamily::windows_nt, 5, 0, 2195}}) {
        fakes::FakePlatform other;
        platform::Forms other_forms{other.windows};
        shell::MainWindow other_form{other.services, other_forms};
        other.system.system_version = v;
        other.registry.set_dword(lock::USBSTOR_KEY, "Start", 3);
        other_forms.load(other_form.window);
        EXPECT_TRUE(other.boxes.shown.empty());
        EXPECT_TRUE(other.tray.shown.has_value());
    }
}

// Only a missing key is no failure (see SetupFiles): a key that cannot be
// opened is.
TEST_F(StartUp, UnreadableRegistryEndsWithoutAnIcon)
{
    seed_start(3);
    p.registry.open_status = 5;
    forms.load(form.window);
    ASSERT_EQ(p.boxes.shown.size(), 1u);
    EXPECT_EQ(p.boxes.shown[0].text, "Erreur en r\xE9""cup\xE9rant l'information. Impossible de continuer!");
    EXPECT_TRUE(p.tray.calls.empty());
    EXPECT_EQ(p.windows.destroyed, (std::vector<std::string>{"ChangePassword", "Form1"}));
    EXPECT_TRUE(p.windows.loop_ended);
}

TEST_F(StartUp, AStartValueLargerThanTheBufferRefusesAndWritesNothing)
{
    p.registry.keys[lock::USBSTOR_KEY]["Start"] = {platform::ValueType::dword, std::vector<std::uint8_t>(2000, 4)};
    forms.load(form.window);
    ASSERT_EQ(p.boxes.shown.size(), 1u);
    EXPECT_EQ(p.boxes.shown[0].text, "Erreur en r\xE9""cup\xE9rant l'information. Impossible de continuer!");
    EXPECT_EQ(p.registry.calls.size(), 1u); // the read alone: no write
    EXPECT_EQ(p.registry.keys[lock::USBSTOR_KEY]["Start"].bytes, std::vector<std::uint8_t>(2000, 4));
    EXPECT_TRUE(p.tray.calls.empty());
    EXPECT_EQ(p.windows.destroyed, (std::vector<std::string>{"ChangePassword", "Form1"}));
}

class TrayClick : public MainWindowFixture {};

// A request is a right-click or a right double-click on the icon (the
// window system tells them apart from the other mouse actions).
TEST_F(TrayClick, EveryRequestOpensTheTrayMenuWhateverTheLock)
{
    for (const std::uint32_t start : {3u, 4u}) {
        fakes::FakePlatform other;
        platform::Forms other_forms{other.windows};
        shell::MainWindow other_form{other.services, other_forms};
        other.registry.set_dword(lock::USBSTOR_KEY, "Start", start);
        other_forms.load(other_form.window);
        std::vector<const platform::MenuItem*> menus;
        other.windows.on_popup = [&menus](platform::MenuItem& menu) { menus.push_back(&menu); };
        other.tray.user_asks_for_menu();
        other.tray.user_asks_for_menu();
        EXPECT_EQ(menus, (std::vector<const platform::MenuItem*>{&other_form.tray_menu, &other_form.tray_menu}))
            << start;
    }
}

TEST_F(TrayClick, MenuHasTheItemsInOrder)
{
    auto names = [](const platform::MenuItem& menu) {
        std::vector<std::string> list;
        for (const auto* item : menu.items)
            list.push_back(item->name() + "=" + item->caption());
        return list;
    };
    EXPECT_EQ(names(form.tray_menu),
              (std::vector<std::string>{"MNU_USBLocked=Verrou USB", "MNU_Separator=-", "MNU_Outils=Outils",
                                        "MNU_Separator1=-", "MNU_APropos=A Propos", "MNU_Quitter=Quitter"}));
    EXPECT_EQ(names(form.tools_menu), (std::vector<std::string>{"MNU_Update=Mise \xE0 Jour",
                                                                "MNU_Password=Mot de Passe", "MNU_Email=Email"}));
    EXPECT_TRUE(form.separator_after_lock.is_separator());
}


class Quit : public MainWindowFixture {};

TEST_F(Quit, WhileUnlockedAsksNothing)
{
    start_with(3);
    choose("MNU_Quitter");
    EXPECT_TRUE(p.boxes.shown.empty());
    EXPECT_EQ(p.tray.calls.back(), std::nullopt);
    EXPECT_FALSE(p.tray.shown);
    EXPECT_EQ(p.windows.destroyed, (std::vector<std::string>{"ChangePassword", "Form1"}));
    EXPECT_TRUE(p.windows.loop_ended);
    EXPECT_EQ(stored_start(), 3);
}

TEST_F(Quit, WhileLockedNoStays)
{
    start_with(4);
    const auto calls = p.tray.calls.size();
    p.boxes.answers = {platform::ANSWER_NO};
    choose("MNU_Quitter");
    ASSERT_EQ(p.boxes.shown.size(), 1u);
    EXPECT_EQ(p.boxes.shown[0].text,
              "Varnhollow est activ\xE9 et le restera !\r\n   Voulez vous vraiment quitter ?");
    EXPECT_EQ(p.boxes.shown[0].buttons, platform::Buttons::yes_no);
    EXPECT_EQ(p.boxes.shown[0].icon, platform::BoxIcon::none);
    EXPECT_EQ(p.tray.calls.size(), calls);
    EXPECT_TRUE(form.window.loaded());
    EXPECT_EQ(form.lock_item.caption(), "Verrou USB - OUI");
    EXPECT_EQ(stored_start(), 4);
}

TEST_F(Quit, WhileLockedYesEndsAndKeepsTheLock)
{
    start_with(4);
    p.boxes.answers = {platform::ANSWER_YES};
    choose("MNU_Quitter");
    EXPECT_FALSE(p.tray.shown);
    EXPECT_FALSE(form.window.loaded());
    EXPECT_TRUE(p.windows.loop_ended);
    EXPECT_EQ(stored_start(), 4);
    EXPECT_EQ(lock_registry_calls().size(), 1u); // only the start-up read
}

// The event loop ended on a quit message posted from outside, the program
// still resident.
class OutsideQuit : public MainWindowFixture, public testing::WithParamInterface<std::uint32_t> {};

TEST_P(OutsideQuit, TakesTheIconDownAndUnloadsTheWindowsInOrder)
{
    start_with(GetParam());
    form.final_release();
    EXPECT_TRUE(p.boxes.shown.empty()); // no question, even while locked
    EXPECT_EQ(p.tray.calls.back(), std::nullopt);
    EXPECT_FALSE(p.tray.shown);
    EXPECT_EQ(p.windows.destroyed, (std::vector<std::string>{"ChangePassword", "Form1"}));
    EXPECT_FALSE(form.window.loaded());
    EXPECT_FALSE(dialog.window.loaded());
    EXPECT_EQ(stored_start(), GetParam());
    EXPECT_EQ(lock_registry_calls().size(), 1u); // only the start-up read
}

INSTANTIATE_TEST_SUITE_P(States, OutsideQuit, testing::Values(3u, 4u),
                         [](const testing::TestParamInfo<std::uint32_t>& info) {
                             return info.param == 4 ? std::string("Locked") : std::string("Unlocked");
                         });

TEST_F(Quit, FinalReleaseAfterAQuitAddsNothing)
{
    start_with(3);
    choose("MNU_Quitter");
    const auto calls = p.tray.calls.size();
    form.final_release();
    EXPECT_EQ(p.tray.calls.size(), calls);
    EXPECT_EQ(p.windows.destroyed, (std::vector<std::string>{"ChangePassword", "Form1"}));
}

TEST_F(StartUp, FinalReleaseAfterARefusalTouchesNoTray)
{
    p.runtime.other_instance = true;
    start_with(3);
    form.final_release();
    EXPECT_TRUE(p.tray.calls.empty());
    EXPECT_EQ(p.windows.destroyed, (std::vector<std::string>{"Form1"}));
}

// The icon follows the Start value when it changes outside the program.
class FollowStartValue : public MainWindowFixture {
protected:
    // Another administrator, a policy or a script changes the value.
    void change_from_outside(std::uint32_t start)
    {
        seed_start(start);
        p.watch.notify();
    }

    void expect_shown(bool locked)
    {
        EXPECT_EQ(form.locked(), locked);
        EXPECT_EQ(form.lock_item.caption(), locked ? "Verrou USB - OUI" : "Verrou USB - NON");
        EXPECT_TRUE(shows_icon(locked));
    }

    std::size_t sets() const
    {
        return static_cast<std::size_t>(std::count_if(p.registry.calls.begin(), p.registry.calls.end(),
                                                      [](const std::string& c) { return c.rfind("set", 0) == 0; }));
    }
};

TEST_F(FollowStartValue, WatchesTheUsbstorKeyFromStartUp)
{
    start_with(3);
    EXPECT_EQ(p.watch.watched, std::vector<std::string>{lock::USBSTOR_KEY});
}

TEST_F(FollowStartValue, AnOutsideChangeToFourAndBackToThree)
{
    start_with(3);
    change_from_outside(4);
    expect_shown(true);
    EXPECT_EQ(p.tray.calls.size(), 2u); // start-up, then one refresh
    change_from_outside(3);
    expect_shown(false);
    EXPECT_EQ(p.tray.calls.size(), 3u);
    change_from_outside(0); // read with the start-up rule: not 4, unlocked
    expect_shown(false);
    EXPECT_EQ(p.tray.calls.size(), 3u);
    EXPECT_EQ(sets(), 0u); // following never writes
    EXPECT_TRUE(p.boxes.shown.empty());
}

TEST_F(FollowStartValue, TheProgramsOwnWritesCauseNoSecondRefresh)
{
    start_with(3);
    choose("MNU_USBLocked");
    const auto calls = p.tray.calls.size();
    p.watch.notify(); // the notification of the program's own write
    EXPECT_EQ(p.tray.calls.size(), calls);
    expect_shown(true);

    p.pump.script = {[&] { dialog.ok_button.on_click(); }}; // no password file: empty password
    choose("MNU_USBLocked");
    const auto after_unlock = p.tray.calls.size();
    p.watch.notify();
    EXPECT_EQ(p.tray.calls.size(), after_unlock);
    expect_shown(false);
}

TEST_F(FollowStartValue, AChangeDuringTheWaitIsFollowedOnlyAfterTheSwitch)
{
    start_with(4);
    // Unlocked from outside while the window asks; the user then gives up.
    p.pump.script = {[&] {
                         change_from_outside(3);
                         expect_shown(true); // not yet: the switch still acts on what the user saw
                     },
                     [&] { dialog.abandon_verify_button.on_click(); }};
    choose("MNU_USBLocked");
    // Had the change been followed during the wait, the switch would have
    // found the lock off and written 4.
    EXPECT_EQ(sets(), 0u);
    EXPECT_EQ(stored_start(), 3);
    expect_shown(false);
}

TEST_F(FollowStartValue, AChangeDuringTheWaitThenAnAcceptedPasswordRefreshesOnce)
{
    start_with(4);
    // Unlocked from outside while the window asks, then the password
    // accepted: the switch unlocks as the user asked, and the value it leaves
    // is the one followed.
    p.pump.script = {[&] { change_from_outside(3); }, [&] { dialog.ok_button.on_click(); }};
    choose("MNU_USBLocked");
    EXPECT_EQ(stored_start(), 3);
    expect_shown(false);
    EXPECT_EQ(p.tray.calls.size(), 2u); // start-up, the unlock: no extra refresh
}

struct Vanishing {
    const char* name;
    std::function<void(fakes::FakeRegistry&)> change;
};

class FollowStartValueUnreadable : public FollowStartValue, public testing::WithParamInterface<Vanishing> {};

TEST_P(FollowStartValueUnreadable, LeavesTheStateAsItIs)
{
    start_with(4);
    const auto calls = p.tray.calls.size();
    GetParam().change(p.registry);
    p.watch.notify();
    expect_shown(true);
    EXPECT_EQ(p.tray.calls.size(), calls);
    EXPECT_TRUE(p.boxes.shown.empty());
    EXPECT_EQ(sets(), 0u);
    EXPECT_TRUE(form.window.loaded());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FollowStartValueUnreadable,
    testing::Values(Vanishing{"ValueDeleted", [](fakes::FakeRegistry& r) { r.keys[lock::USBSTOR_KEY].erase("Start"); }},
                    Vanishing{"KeyDeleted", [](fakes::FakeRegistry& r) { r.keys.erase(lock::USBSTOR_KEY); }},
                    Vanishing{"KeyCannotBeOpened", [](fakes::FakeRegistry& r) { r.open_status = 5; }},
                    Vanishing{"ValueCannotBeRead", [](fakes::FakeRegistry& r) { r.query_status = 5; }},
                    Vanishing{"ValueTooLarge",
                              [](fakes::FakeRegistry& r) {
                                  r.keys[lock::USBSTOR_KEY]["Start"] = {platform::ValueType::dword,
                                                                        std::vector<std::uint8_t>(2000, 3)};
                              }}),
    [](const testing::TestParamInfo<Vanishing>& info) { return info.param.name; });

TEST_F(FollowStartValue, NothingIsFollowedAfterQuitting)
{
    start_with(3);
    choose("MNU_Quitter");
    const auto calls = p.tray.calls.size();
    change_from_outside(4);
    EXPECT_EQ(p.tray.calls.size(), calls);
    EXPECT_FALSE(p.tray.shown);
}

TEST_F(FollowStartValue, NothingIsFollowedAfterARegistryFailureEndedTheProgram)
{
    start_with(3);
    p.registry.set_status = KEY_DELETED;
    choose("MNU_USBLocked"); // the write fails: message, windows unloaded
    p.registry.set_status = 0;
    const auto calls = p.tray.calls.size();
    change_from_outside(4);
    EXPECT_EQ(p.tray.calls.size(), calls);
    EXPECT_EQ(p.boxes.shown.size(), 1u);
}

TEST_F(FollowStartValue, WithoutAWatchTheProgramRunsAsBefore)
{
    p.watch.fails = true;
    start_with(4);
    expect_shown(true);
    EXPECT_TRUE(p.boxes.shown.empty());
}

} // namespace
