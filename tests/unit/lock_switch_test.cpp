#include "main_window_fixture.h"

namespace {

class LockSwitch : public fakes::MainWindowFixture {
protected:
    // The user's part in the password window: accept or give up.
    void accept_password()
    {
        flags.Password_OK = 1;
        password.window.set_visible(false);
    }
    void cancel() { password.window.set_visible(false); }

    // Registry, flag, caption and the one tray icon all tell the same state.
    void expect_state(bool locked)
    {
        EXPECT_EQ(stored_start(), locked ? 4 : 3);
        EXPECT_EQ(flags.USB_Locked, locked ? 1 : 0);
        EXPECT_EQ(form.MNU_USBLocked.caption(), locked ? "Verrou USB - OUI" : "Verrou USB - NON");
        ASSERT_EQ(p.tray.icons.size(), 1u);
        EXPECT_EQ(p.tray.icons.begin()->second.hWnd, (locked ? form.Picture2 : form.Picture1).window_handle);
    }
    void expect_locked() { expect_state(true); }
    void expect_unlocked() { expect_state(false); }
};

TEST_F(LockSwitch, LocksAtOnceWithoutAskingTheRefreshRemovingFirst)
{
    start_with(3);
    const auto before = form.notify_record();
    const auto calls = p.tray.calls.size();
    choose("MNU_USBLocked");
    expect_locked();
    EXPECT_FALSE(password.window.visible());
    EXPECT_EQ(p.pump.rounds, 0);
    ASSERT_EQ(p.tray.calls.size(), calls + 2);
    EXPECT_EQ(p.tray.calls[calls].action, platform::NIM_DELETE_ACTION);
    EXPECT_EQ(p.tray.calls[calls].record, before);
    EXPECT_EQ(p.tray.calls[calls + 1].action, platform::NIM_ADD_ACTION);
}

TEST_F(LockSwitch, UnlocksAfterTheWindowAcceptsThePassword)
{
    start_with(4);
    p.pump.script = {[&] {
                         // The verify layout, as the user sees it while asked.
                         EXPECT_TRUE(password.window.visible());
                         EXPECT_EQ(password.window.height_twips(), 1350);
                         EXPECT_EQ(password.Label1.caption(), "Mot de Passe");
                         EXPECT_EQ(password.Text1.text(), "");
                         EXPECT_FALSE(password.Label3.visible());
                         EXPECT_TRUE(password.CMD_OK.visible());
                         EXPECT_TRUE(password.CMD_Cancel1.visible());
                     },
                     [&] { accept_password(); }};
    choose("MNU_USBLocked");
    expect_unlocked();
    EXPECT_EQ(flags.Password_OK, 0);
    EXPECT_EQ(p.pump.rounds, 2);

    choose("MNU_USBLocked"); // the next click locks at once
    expect_locked();
    EXPECT_EQ(p.pump.rounds, 2);
}

TEST_F(LockSwitch, GivingUpOrClosingTheWindowLeavesTheLockOn)
{
    start_with(4);
    p.pump.script = {[&] { cancel(); }};
    choose("MNU_USBLocked");
    expect_locked();

    p.pump.script = {[&] { forms.unload(password.window); }};
    choose("MNU_USBLocked");
    expect_locked();
    EXPECT_TRUE(form.window.loaded());
    EXPECT_TRUE(p.boxes.shown.empty());
}

TEST_F(LockSwitch, WithoutAPasswordWindowTheLockStaysOn)
{
    seed_start(4);
    forms.load(form.window);
    choose("MNU_USBLocked");
    expect_locked();
    EXPECT_EQ(p.pump.rounds, 0);
}

struct RegistryFailure {
    const char* what;
    long open, set, close;
    std::uint32_t start;
    const char* message;
    long long stored_after;
};

class LockSwitchFailure : public LockSwitch, public testing::WithParamInterface<RegistryFailure> {};

TEST_P(LockSwitchFailure, ShowsItsMessageAndEndsWithNothingElseChanged)
{
    const auto& c = GetParam();
    start_with(c.start);
    const auto icons = p.tray.icons;
    const auto caption = form.MNU_USBLocked.caption();
    const auto locked = flags.USB_Locked;
    p.pump.script = {[&] { accept_password(); }};
    p.registry.open_status = c.open;
    p.registry.set_status = c.set;
    p.registry.close_status = c.close;

    choose("MNU_USBLocked");

    ASSERT_EQ(p.boxes.shown.size(), 1u) << c.what;
    EXPECT_EQ(p.boxes.shown[0].text, c.message);
    EXPECT_EQ(p.boxes.shown[0].buttons, platform::Buttons::ok);
    EXPECT_EQ(p.boxes.shown[0].icon, platform::BoxIcon::none);
    EXPECT_EQ(stored_start(), c.stored_after);
    EXPECT_EQ(flags.USB_Locked, locked);
    EXPECT_EQ(form.MNU_USBLocked.caption(), caption);
    EXPECT_EQ(p.tray.icons, icons); // the icon is not removed either
    if (c.start == 4) {
        EXPECT_EQ(flags.Password_OK, 1);
    }
    EXPECT_EQ(p.windows.destroyed, (std::vector<std::string>{"ChangePassword", "Form1"}));
    EXPECT_TRUE(p.windows.loop_ended);

    // The loop has ended; the final release leaves no dead icon behind.
    form.Form_Terminate();
    EXPECT_TRUE(p.tray.icons.empty());
    EXPECT_EQ(p.windows.destroyed, (std::vector<std::string>{"ChangePassword", "Form1"}));
    EXPECT_EQ(stored_start(), c.stored_after);
}

const char* const read_error = "Erreur en r\xE9""cup\xE9rant l'information. Impossible de continuer!";
const char* const save_error = "Erreur en enregistrant l'information. Impossible de continuer!";

INSTANTIATE_TEST_SUITE_P(Cases, LockSwitchFailure,
                         testing::Values(RegistryFailure{"lock, open", 5, 0, 0, 3, read_error, 3},
                                         RegistryFailure{"lock, set", 0, 5, 0, 3, read_error, 3},
                                         RegistryFailure{"lock, close", 0, 0, 6, 3, save_error, 4},
                                         RegistryFailure{"unlock, open", 5, 0, 0, 4, read_error, 4},
                                         RegistryFailure{"unlock, set", 0, 5, 0, 4, read_error, 4},
                                         RegistryFailure{"unlock, close", 0, 0, 6, 4, save_error, 3}));

TEST_F(LockSwitch, MenuStaysUsableDuringTheWaitAndAReenteredSwitchActsOnTheFlags)
{
    start_with(4);
    // While asked, the user picks the switch again and unlocks through it;
    // the first entry then finds the lock off and no password pending.
    p.pump.script = {[&] { choose("MNU_USBLocked"); }, [&] { accept_password(); }};
    choose("MNU_USBLocked");
    expect_locked();
    EXPECT_EQ(p.registry.calls.size(), 3u + 3u + 3u); // read, unlock, lock
}

TEST_F(LockSwitch, QuittingDuringTheWaitLeavesTheRegistryAlone)
{
    start_with(4);
    // The nested switch unlocks; quitting while unlocked asks nothing.
    p.pump.script = {[&] {
        choose("MNU_USBLocked");
        choose("MNU_Quitter");
    }, [&] { accept_password(); }};
    choose("MNU_USBLocked");
    EXPECT_EQ(stored_start(), 3);
    EXPECT_TRUE(p.tray.icons.empty());
    EXPECT_FALSE(form.window.loaded());
    EXPECT_TRUE(p.windows.loop_ended);
}

TEST_F(LockSwitch, QuittingWhileLockedDuringTheWait)
{
    start_with(4);
    p.boxes.answers = {platform::ANSWER_YES};
    p.pump.script = {[&] { choose("MNU_Quitter"); }};
    choose("MNU_USBLocked");
    EXPECT_EQ(stored_start(), 4);
    EXPECT_TRUE(p.tray.icons.empty());
    EXPECT_FALSE(password.window.loaded());
    EXPECT_FALSE(form.window.loaded());
}

TEST_F(LockSwitch, AQuitMessageDuringTheWaitEndsItAndKeepsTheLock)
{
    start_with(4);
    p.pump.script = {[&] { p.pump.quit = true; }};
    choose("MNU_USBLocked");
    EXPECT_EQ(p.pump.rounds, 1); // no second round, no spinning
    expect_locked();
    EXPECT_EQ(flags.Password_OK, 0);
    EXPECT_EQ(p.registry.calls.size(), 3u); // only the start-up read
    EXPECT_TRUE(p.boxes.shown.empty());

    // The outer loop then ends on the same message.
    form.Form_Terminate();
    EXPECT_TRUE(p.tray.icons.empty());
    EXPECT_EQ(p.windows.destroyed, (std::vector<std::string>{"ChangePassword", "Form1"}));
    EXPECT_EQ(stored_start(), 4);
}

} // namespace
