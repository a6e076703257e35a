#include "main_window_fixture.h"
#include "row_names.h"

namespace {

class LockSwitch : public fakes::MainWindowFixture {
protected:
    // The user's part in the password window. Without a password file the
    // stored password is empty, so OK on the empty field accepts it.
    void accept_password() { dialog.ok_button.on_click(); }
    void cancel() { dialog.abandon_verify_button.on_click(); }

    // Registry, flag, caption and the one tray icon all tell the same state.
    void expect_state(bool locked)
    {
        EXPECT_EQ(stored_start(), locked ? 4 : 3);
        EXPECT_EQ(form.locked(), locked);
        EXPECT_EQ(form.lock_item.caption(), locked ? "Verrou USB - OUI" : "Verrou USB - NON");
        ASSERT_EQ(p.tray.icons.size(), 1u);
        EXPECT_EQ(p.tray.icons.begin()->second.hWnd,
                  (locked ? form.locked_icon_owner : form.unlocked_icon_owner).window_handle);
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
    EXPECT_FALSE(dialog.window.visible());
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
                         EXPECT_TRUE(dialog.window.visible());
                         EXPECT_EQ(dialog.window.height_twips(), 1350);
                         EXPECT_EQ(dialog.current_label.caption(), "Mot de Passe");
                         EXPECT_EQ(dialog.current_field.text(), "");
                         EXPECT_FALSE(dialog.new_label.visible());
                         EXPECT_TRUE(dialog.ok_button.visible());
                         EXPECT_TRUE(dialog.abandon_verify_button.visible());
                     },
                     [&] { accept_password(); }};
    choose("MNU_USBLocked");
    expect_unlocked();
    EXPECT_FALSE(form.lock_switch().password_accepted());
    EXPECT_EQ(p.pump.rounds, 2);

    choose("MNU_USBLocked"); // the next click locks at once
    expect_locked();
    EXPECT_EQ(p.pump.rounds, 2);
}

TEST_F(LockSwitch, GivingUpOrClosingTheWindowWritesNothingAndLeavesTheIconAlone)
{
    start_with(4);
    const auto registry_calls = p.registry.calls.size();
    const auto tray_calls = p.tray.calls.size();

    p.pump.script = {[&] { cancel(); }};
    choose("MNU_USBLocked");
    EXPECT_TRUE(dialog.window.loaded());

    p.pump.script = {[&] { dialog.window.on_close(); }}; // the close box
    choose("MNU_USBLocked");
    EXPECT_FALSE(dialog.window.loaded());

    expect_locked();
    EXPECT_EQ(p.registry.calls.size(), registry_calls);
    EXPECT_EQ(p.tray.calls.size(), tray_calls);
    EXPECT_FALSE(form.lock_switch().password_accepted());
    EXPECT_TRUE(p.boxes.shown.empty());
    // Only the password window went: the program goes on.
    EXPECT_TRUE(form.window.loaded());
    EXPECT_FALSE(p.windows.loop_ended);
}

TEST_F(LockSwitch, AfterTheWindowWasClosedTheNextUnlockLoadsItAfreshInTheVerifyLayout)
{
    start_with(4);
    p.pump.script = {[&] { dialog.window.on_close(); }};
    choose("MNU_USBLocked");

    // The load must not undo the verify layout set up around it.
    p.pump.script = {[&] {
                         EXPECT_TRUE(dialog.window.loaded());
                         EXPECT_EQ(dialog.window.height_twips(), 1350);
                         EXPECT_EQ(dialog.current_label.caption(), "Mot de Passe");
                         EXPECT_FALSE(dialog.new_label.visible());
                     },
                     [&] { accept_password(); }};
    choose("MNU_USBLocked");
    expect_unlocked();
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
    const auto caption = form.lock_item.caption();
    const bool locked = form.locked();
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
    EXPECT_EQ(form.locked(), locked);
    EXPECT_EQ(form.lock_item.caption(), caption);
    EXPECT_EQ(p.tray.icons, icons); // the icon is not removed either
    EXPECT_FALSE(form.lock_switch().password_accepted()); // no accepted password is left behind
    EXPECT_EQ(p.windows.destroyed, (std::vector<std::string>{"ChangePassword", "Form1"}));
    EXPECT_TRUE(p.windows.loop_ended);

    // The loop has ended; the final release leaves no dead icon behind.
    form.final_release();
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
                                         RegistryFailure{"unlock, close", 0, 0, 6, 4, save_error, 3}),
                         testing_support::RowName{});

TEST_F(LockSwitch, AFailedUnlockLeavesNoAcceptedPasswordForAChoiceWhileItsMessageIsUp)
{
    start_with(4);
    p.pump.script = {[&] { accept_password(); }};
    p.registry.set_status = 5;
    // The tray still works while the message is up: unlock chosen again,
    // then given up, with a registry that would take the write now.
    p.boxes.while_shown = [&] {
        p.boxes.while_shown = nullptr;
        p.registry.set_status = 0;
        p.pump.script = {[&] { cancel(); }};
        choose("MNU_USBLocked");
    };
    choose("MNU_USBLocked");
    EXPECT_EQ(stored_start(), 4);
    EXPECT_FALSE(form.lock_switch().password_accepted());
}

TEST_F(LockSwitch, ChoosingTheSwitchAgainDuringTheWaitOnlyBringsTheWindowForward)
{
    start_with(4);
    // A second wait would end after the first one and lock again what the
    // user has just unlocked.
    p.pump.script = {[&] {
                         p.windows.brought_to_front.clear();
                         choose("MNU_USBLocked");
                         EXPECT_EQ(p.windows.brought_to_front, std::vector<std::string>{"ChangePassword"});
                         EXPECT_TRUE(dialog.window.visible());
                     },
                     [&] { accept_password(); }};
    choose("MNU_USBLocked");
    expect_unlocked();
    EXPECT_EQ(p.pump.rounds, 2);
    EXPECT_EQ(p.registry.calls.size(), 1u + 1u); // the start-up read, one unlock
}

TEST_F(LockSwitch, QuittingRightAfterTheAcceptedPasswordLeavesTheRegistryAlone)
{
    start_with(4);
    // In one round of events the password is accepted and "Quitter"
    // confirmed: the switch must not unlock behind the user's back.
    p.boxes.answers = {platform::ANSWER_YES};
    p.pump.script = {[&] {
        accept_password();
        choose("MNU_Quitter");
    }};
    choose("MNU_USBLocked");
    EXPECT_EQ(stored_start(), 4);
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
    EXPECT_FALSE(dialog.window.loaded());
    EXPECT_FALSE(form.window.loaded());
}

TEST_F(LockSwitch, AQuitMessageDuringTheWaitEndsItAndKeepsTheLock)
{
    start_with(4);
    p.pump.script = {[&] { p.pump.quit = true; }};
    choose("MNU_USBLocked");
    EXPECT_EQ(p.pump.rounds, 1); // no second round, no spinning
    expect_locked();
    EXPECT_FALSE(form.lock_switch().password_accepted());
    EXPECT_EQ(p.registry.calls.size(), 1u); // only the start-up read
    EXPECT_TRUE(p.boxes.shown.empty());

    // The outer loop then ends on the same message.
    form.final_release();
    EXPECT_TRUE(p.tray.icons.empty());
    EXPECT_EQ(p.windows.destroyed, (std::vector<std::string>{"ChangePassword", "Form1"}));
    EXPECT_EQ(stored_start(), 4);
}

// The switch on its own, with the password window replaced by any prompt:
// it needs nothing from the password folder.
class SwitchAlone : public testing::Test, public lock::PasswordPrompt, public lock::LockHost {
protected:
    fakes::FakePlatform p;
    audit::AuditTrail audit{p.events};
    lock::LockSwitch lock_switch{p.registry, p.boxes, p.pump, p.devices, *this, *this, audit};

    // PasswordPrompt: the steps play the user's presses of OK.
    std::function<void(bool)> report;
    bool prompt_shown = false;
    bool accepted_when_asked = true;
    void ask_to_unlock(std::function<void(bool)> outcome) override
    {
        accepted_when_asked = lock_switch.password_accepted();
        report = std::move(outcome);
        prompt_shown = true;
    }
    void bring_forward() override {}
    bool shown() const override { return prompt_shown; }

    // LockHost
    bool is_locked = true;
    bool is_resident = true;
    bool locked() const override { return is_locked; }
    void show_unlocked_icon() override { is_locked = false; }
    void show_locked_icon() override { is_locked = true; }
    void end_program() override { is_resident = false; }
    bool resident() const override { return is_resident; }

    void SetUp() override { p.registry.set_dword(lock::USBSTOR_KEY, "Start", 4); }
    long long stored_start() const { return p.registry.dword(lock::USBSTOR_KEY, "Start"); }
};

TEST_F(SwitchAlone, TheLastOutcomeOfOkCountsAndOnlyWithinItsWait)
{
    // Accepted, then refused, in one round of events: no unlock.
    p.pump.script = {[&] {
        report(true);
        report(false);
        prompt_shown = false;
    }};
    lock_switch.toggle();
    EXPECT_FALSE(accepted_when_asked);
    EXPECT_EQ(stored_start(), 4);

    // Accepted, then the program ended during the wait: nothing written, and
    // the next wait starts with no accepted password.
    p.pump.script = {[&] {
        report(true);
        prompt_shown = false;
        is_resident = false;
    }};
    lock_switch.toggle();
    EXPECT_EQ(stored_start(), 4);
    EXPECT_TRUE(lock_switch.password_accepted());
    is_resident = true;
    p.pump.script = {[&] { prompt_shown = false; }};
    lock_switch.toggle();
    EXPECT_FALSE(accepted_when_asked);
    EXPECT_EQ(stored_start(), 4);
    EXPECT_TRUE(is_locked);

    p.pump.script = {[&] {
        report(true);
        prompt_shown = false;
    }};
    lock_switch.toggle();
    EXPECT_EQ(stored_start(), 3);
    EXPECT_FALSE(is_locked);
    EXPECT_FALSE(lock_switch.password_accepted());
}

// Another program can press OK when no one waits for it: after an unlock, or
// with the window hidden. Such an outcome must not turn the next lock into an
// unlock.
TEST_F(SwitchAlone, AnOutcomeOutsideTheWaitIsNotHeard)
{
    p.pump.script = {[&] {
        report(true);
        prompt_shown = false;
    }};
    lock_switch.toggle();
    ASSERT_EQ(stored_start(), 3);

    report(true); // no wait is running
    EXPECT_FALSE(lock_switch.password_accepted());
    lock_switch.toggle();
    EXPECT_EQ(stored_start(), 4);
    EXPECT_TRUE(is_locked);
}

} // namespace
