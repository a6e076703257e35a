#include "main_window_fixture.h"
#include "row_names.h"

namespace {

constexpr long ACCESS_DENIED = 5;
constexpr long KEY_DELETED = 1018; // the key was deleted meanwhile

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
        EXPECT_TRUE(shows_icon(locked));
    }
    void expect_locked() { expect_state(true); }
    void expect_unlocked() { expect_state(false); }
};

TEST_F(LockSwitch, LocksAtOnceWithoutAsking)
{
    start_with(3);
    const auto calls = p.tray.calls.size();
    choose("MNU_USBLocked");
    expect_locked();
    EXPECT_FALSE(dialog.window.visible());
    EXPECT_EQ(p.pump.rounds, 0);
    EXPECT_EQ(p.tray.calls.size(), calls + 1);
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
    const auto registry_calls = lock_registry_calls().size();
    const auto tray_calls = p.tray.calls.size();

    p.pump.script = {[&] { cancel(); }};
    choose("MNU_USBLocked");
    EXPECT_TRUE(dialog.window.loaded());

    p.pump.script = {[&] { dialog.window.on_close(); }}; // the close box
    choose("MNU_USBLocked");
    EXPECT_FALSE(dialog.window.loaded());

    expect_locked();
    EXPECT_EQ(lock_registry_calls().size(), registry_calls);
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
    const auto icon = p.tray.shown;
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
    EXPECT_EQ(p.tray.shown, icon); // the icon is not removed either
    EXPECT_FALSE(form.lock_switch().password_accepted()); // no accepted password is left behind
    EXPECT_EQ(p.windows.destroyed, (std::vector<std::string>{"ChangePassword", "Form1"}));
    EXPECT_TRUE(p.windows.loop_ended);

    // The loop has ended; the final release leaves no dead icon behind.
    form.final_release();
    EXPECT_FALSE(p.tray.shown);
    EXPECT_EQ(p.windows.destroyed, (std::vector<std::string>{"ChangePassword", "Form1"}));
    EXPECT_EQ(stored_start(), c.stored_after);
}

const char* const read_error = "Erreur en r\xE9""cup\xE9rant l'information. Impossible de continuer!";
const char* const save_error = "Erreur en enregistrant l'information. Impossible de continuer!";

INSTANTIATE_TEST_SUITE_P(Cases, LockSwitchFailure,
                         testing::Values(RegistryFailure{"lock, open", KEY_DELETED, 0, 0, 3, read_error, 3},
                                         RegistryFailure{"lock, set", 0, KEY_DELETED, 0, 3, read_error, 3},
                                         RegistryFailure{"lock, close", 0, 0, 6, 3, save_error, 4},
                                         RegistryFailure{"unlock, open", KEY_DELETED, 0, 0, 4, read_error, 4},
                                         RegistryFailure{"unlock, set", 0, KEY_DELETED, 0, 4, read_error, 4},
                                         RegistryFailure{"unlock, close", 0, 0, 6, 4, save_error, 3}),
                         testing_support::RowName{});

struct RefusedWrite {
    const char* what;
    long open, set;
    std::uint32_t start;
};

class LockSwitchRefusal : public LockSwitch, public testing::WithParamInterface<RefusedWrite> {};

// A user who may not write the value is told so; the program, its icon and
// the lock stay as they were, and the switch works again once allowed.
TEST_P(LockSwitchRefusal, SaysRightsAreMissingAndKeepsRunning)
{
    const auto& c = GetParam();
    start_with(c.start);
    const auto icon = p.tray.shown;
    p.pump.script = {[&] { accept_password(); }};
    p.registry.open_status = c.open;
    p.registry.set_status = c.set;

    choose("MNU_USBLocked");

    ASSERT_EQ(p.boxes.shown.size(), 1u) << c.what;
    EXPECT_EQ(p.boxes.shown[0].text, "Modification du verrou USB refus\xE9""e : droits d'administrateur n\xE9""cessaires.");
    EXPECT_EQ(p.boxes.shown[0].buttons, platform::Buttons::ok);
    EXPECT_EQ(p.boxes.shown[0].icon, platform::BoxIcon::warning);
    EXPECT_EQ(stored_start(), c.start);
    EXPECT_EQ(p.tray.shown, icon);
    EXPECT_TRUE(form.window.loaded());
    EXPECT_TRUE(p.windows.destroyed.empty());
    EXPECT_FALSE(p.windows.loop_ended);
    EXPECT_FALSE(form.lock_switch().password_accepted());

    p.registry.open_status = p.registry.set_status = 0;
    p.pump.script = {[&] { accept_password(); }};
    choose("MNU_USBLocked");
    EXPECT_EQ(stored_start(), c.start == 4 ? 3 : 4);
}

INSTANTIATE_TEST_SUITE_P(Cases, LockSwitchRefusal,
                         testing::Values(RefusedWrite{"lock, open", ACCESS_DENIED, 0, 3},
                                         RefusedWrite{"lock, set", 0, ACCESS_DENIED, 3},
                                         RefusedWrite{"unlock, open", ACCESS_DENIED, 0, 4},
                                         RefusedWrite{"unlock, set", 0, ACCESS_DENIED, 4}),
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
    EXPECT_EQ(lock_registry_calls().size(), 1u + 1u); // the start-up read, one unlock
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
    EXPECT_FALSE(p.tray.shown);
    EXPECT_FALSE(form.window.loaded());
    EXPECT_TRUE(p.windows.loop_ended);
}

TEST_F(LockSwitch, APasswordAcceptedInTheRoundOfAQuitMessageFromOutsideUnlocksNothing)
{
    start_with(4);
    p.pump.script = {[&] {
        accept_password();
        p.pump.quit = true; // posted by another program, before the switch finishes
    }};
    choose("MNU_USBLocked");
    expect_locked();
    EXPECT_EQ(lock_registry_calls().size(), 1u); // only the start-up read

    form.final_release();
    EXPECT_EQ(stored_start(), 4);
    EXPECT_FALSE(p.tray.shown);
}

TEST_F(LockSwitch, QuittingWhileLockedDuringTheWait)
{
    start_with(4);
    p.boxes.answers = {platform::ANSWER_YES};
    p.pump.script = {[&] { choose("MNU_Quitter"); }};
    choose("MNU_USBLocked");
    EXPECT_EQ(stored_start(), 4);
    EXPECT_FALSE(p.tray.shown);
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
    EXPECT_EQ(lock_registry_calls().size(), 1u); // only the start-up read
    EXPECT_TRUE(p.boxes.shown.empty());

    // The outer loop then ends on the same message.
    form.final_release();
    EXPECT_FALSE(p.tray.shown);
    EXPECT_EQ(p.windows.destroyed, (std::vector<std::string>{"ChangePassword", "Form1"}));
    EXPECT_EQ(stored_start(), 4);
}

// The switch on its own, with the password window replaced by any prompt:
// it needs nothing from the password folder.
class SwitchAlone : public testing::Test, public lock::PasswordPrompt, public lock::LockHost {
protected:
    using Outcome = lock::PromptOutcome;

    fakes::FakePlatform p;
    audit::AuditTrail audit{p.events};
    lock::DriverSetupFiles setup_files{p.file_access, p.system};
    lock::RegistryLockKeeper keeper{p.registry, setup_files, audit};
    lock::LockSwitch lock_switch{keeper, p.pump, p.devices, *this, *this, audit};

    // PasswordPrompt: the rounds play the user's presses of OK.
    std::function<void(Outcome, const std::string&)> reporter;
    bool prompt_asking = false;
    bool accepted_when_asked = true;
    void ask_to_unlock(std::function<void(Outcome, const std::string&)> outcome) override
    {
        accepted_when_asked = lock_switch.password_accepted();
        reporter = std::move(outcome);
        prompt_asking = true;
    }
    void report(Outcome outcome) { reporter(outcome, outcome == Outcome::accepted ? "secret" : ""); }
    void bring_forward() override {}
    bool asking() const override { return prompt_asking; }
    // The user leaves the window: it hides and says so.
    void close_prompt()
    {
        prompt_asking = false;
        report(Outcome::closed);
    }

    // LockHost
    bool is_locked = true;
    bool is_resident = true;
    int questions_finished = 0;
    bool locked() const override { return is_locked; }
    void show_unlocked_icon() override { is_locked = false; }
    void show_locked_icon() override { is_locked = true; }
    void end_with_message(const char*) override { is_resident = false; }
    void show_refusal(const char*, platform::BoxIcon) override {}
    bool wants_drives_ejected(const std::vector<lock::UsbDrive>&) override { return false; }
    void show_ejection_outcome(const lock::EjectionResult&) override {}
    bool resident() const override { return is_resident; }
    void question_finished() override { ++questions_finished; }

    void SetUp() override { p.registry.set_dword(lock::USBSTOR_KEY, "Start", 4); }
    long long stored_start() const { return p.registry.dword(lock::USBSTOR_KEY, "Start"); }
    // The switch is chosen; the program goes back to its event loop.
    void toggle()
    {
        lock_switch.toggle();
        p.pump.play();
    }
};

TEST_F(SwitchAlone, TheLastOutcomeOfOkCountsAndOnlyWithinItsQuestion)
{
    // Accepted, then refused, in one round of events: no unlock.
    p.pump.script = {[&] {
        report(Outcome::accepted);
        report(Outcome::refused);
        close_prompt();
    }};
    toggle();
    EXPECT_FALSE(accepted_when_asked);
    EXPECT_EQ(stored_start(), 4);

    // Accepted, then the program ended before the question finished: nothing
    // written, and the next question starts with no accepted password.
    p.pump.script = {[&] {
        report(Outcome::accepted);
        close_prompt();
        is_resident = false;
    }};
    toggle();
    EXPECT_EQ(stored_start(), 4);
    EXPECT_TRUE(lock_switch.password_accepted());
    is_resident = true;
    p.pump.script = {[&] { close_prompt(); }};
    toggle();
    EXPECT_FALSE(accepted_when_asked);
    EXPECT_EQ(stored_start(), 4);
    EXPECT_TRUE(is_locked);

    p.pump.script = {[&] {
        report(Outcome::accepted);
        close_prompt();
    }};
    toggle();
    EXPECT_EQ(stored_start(), 3);
    EXPECT_FALSE(is_locked);
    EXPECT_FALSE(lock_switch.password_accepted());
    EXPECT_EQ(questions_finished, 4);
}

// The question finishes after the round in which the window stopped asking,
// not before: a refusal later in that round still counts, and a window shown
// again keeps the question open.
TEST_F(SwitchAlone, TheQuestionFinishesAfterTheRoundAndOnlyOnceTheWindowNoLongerAsks)
{
    p.pump.script = {[&] {
                         report(Outcome::accepted);
                         close_prompt();
                         EXPECT_TRUE(lock_switch.asking());
                         EXPECT_EQ(stored_start(), 4); // not before the round has ended
                         prompt_asking = true;         // brought back in the same round
                     },
                     [&] {
                         EXPECT_TRUE(lock_switch.asking());
                         report(Outcome::refused);
                         close_prompt();
                     }};
    toggle();
    EXPECT_FALSE(lock_switch.asking());
    EXPECT_EQ(stored_start(), 4);
    EXPECT_TRUE(is_locked);
}

// Another program can press OK when no one asks: after an unlock, or with
// the window hidden. Such an outcome must not turn the next lock into an
// unlock.
TEST_F(SwitchAlone, AnOutcomeOutsideTheQuestionIsNotHeard)
{
    p.pump.script = {[&] {
        report(Outcome::accepted);
        close_prompt();
    }};
    toggle();
    ASSERT_EQ(stored_start(), 3);

    report(Outcome::accepted); // no question is open
    report(Outcome::closed);
    EXPECT_FALSE(lock_switch.password_accepted());
    EXPECT_TRUE(p.pump.posted.empty());
    toggle();
    EXPECT_EQ(stored_start(), 4);
    EXPECT_TRUE(is_locked);
}

} // namespace
