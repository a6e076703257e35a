#include "main_window_fixture.h"
#include "password/passwd.h"
#include "row_names.h"
#include "service/lock_service.h"

namespace {

using Event = fakes::FakeEventLog::Event;

const std::string PASSWORD_FILE = "C:\\WINDOWS\\system32\\PSTACK.DRV";
const char* const TOO_MANY_TRIES = "Trop d'essais erron\xE9s. R\xE9-essayer dans une minute.";
const char* const WRONG_PASSWORD = "Votre mot de passe actuel est erron\xE9! Recommencer.";
const char* const NO_ANSWER = "Le service Varnhollow ne r\xE9pond pas. Le verrou USB reste inchang\xE9.";
const char* const NOT_ALLOWED = "Modification du verrou USB refus\xE9""e : droits d'administrateur n\xE9""cessaires.";

// The tray with the lock service of the same machine, in memory: the service
// writes the same registry and password file, and its own log names the user
// who asked.
class TrayThroughService : public fakes::MainWindowFixture {
protected:
    fakes::FakeClock clock;
    fakes::FakeEventLog service_log;
    service::LockService service{p.registry, p.file_access, p.files, p.system, clock};

    void SetUp() override
    {
        p.files.files[PASSWORD_FILE] = password::encode_password("SECRET") + std::string(16, '\0');
        p.lock_service.failure.reset();
        p.lock_service.answer = [this](const std::vector<std::uint8_t>& request) {
            return service.answer(request, service_log);
        };
    }

    void press_ok_with(const std::string& typed)
    {
        dialog.current_field.set_text(typed);
        dialog.ok_button.on_click();
    }
    std::vector<std::string> box_texts() const
    {
        std::vector<std::string> texts;
        for (const auto& box : p.boxes.shown)
            texts.push_back(box.text);
        return texts;
    }
    // The events the tray wrote itself beyond its start.
    std::size_t tray_events_after_start() const { return p.events.events.size() - 1; }
};

TEST_F(TrayThroughService, TheServiceLocksUnlocksAndLogsWhileTheTrayWritesNothingItself)
{
    start_with(3);
    choose("MNU_USBLocked");
    EXPECT_EQ(stored_start(), 4);
    EXPECT_TRUE(shows_icon(true));
    p.pump.script = {[&] { press_ok_with("secret"); }};
    choose("MNU_USBLocked");
    EXPECT_EQ(stored_start(), 3);
    EXPECT_TRUE(shows_icon(false));
    EXPECT_EQ(p.lock_service.requests.size(), 3u); // lock, the password's check, unlock
    EXPECT_EQ(service_log.events.size(), 2u);      // locked, unlocked: in the service's log
    EXPECT_EQ(tray_events_after_start(), 0u);
    EXPECT_TRUE(p.boxes.shown.empty());
}

TEST_F(TrayThroughService, AfterFiveWrongPasswordsTheWindowSaysToWaitAMinuteThenTheRightOneUnlocks)
{
    start_with(4);
    p.pump.script = {[&] {
        for (const char* wrong : {"a1", "a2", "a3", "a4", "a5", "a6"})
            press_ok_with(wrong);
        press_ok_with("secret"); // refused too, within the minute
    }};
    choose("MNU_USBLocked");
    std::vector<std::string> expected(5, WRONG_PASSWORD);
    expected.insert(expected.end(), 2, TOO_MANY_TRIES);
    EXPECT_EQ(box_texts(), expected);
    const auto& pause_box = p.boxes.shown.back();
    EXPECT_EQ(pause_box.icon, platform::BoxIcon::error);
    EXPECT_EQ(pause_box.buttons, platform::Buttons::ok);
    EXPECT_EQ(pause_box.owner, dialog.window.window_handle); // above the password window
    EXPECT_TRUE(dialog.window.visible());
    EXPECT_EQ(stored_start(), 4);

    clock.advance(service::PAUSE_AFTER_WRONG_TRIES_MS);
    p.pump.script = {[&] { press_ok_with("secret"); }};
    choose("MNU_USBLocked"); // brings the window forward; OK then unlocks
    EXPECT_EQ(stored_start(), 3);
    EXPECT_TRUE(shows_icon(false));
    EXPECT_EQ(tray_events_after_start(), 0u);
}

TEST_F(TrayThroughService, TheChangeLayoutMeetsThePauseToo)
{
    start_with(3);
    choose("MNU_Password");
    for (const char* wrong : {"b1", "b2", "b3", "b4", "b5"})
        fakes::type_keys(dialog.window, dialog.current_field, std::string(wrong) + "\r");
    fakes::type_keys(dialog.window, dialog.current_field, "secret\r");
    EXPECT_EQ(p.boxes.shown.back().text, TOO_MANY_TRIES);
    EXPECT_FALSE(dialog.current_password_verified());
    EXPECT_FALSE(dialog.new_field.enabled());
    EXPECT_EQ(password::decode_password(p.files.files[PASSWORD_FILE].substr(0, 16)), "SECRET");
}

struct LinkCase {
    const char* name;
    platform::LinkFailure failure;
    bool locking;
    std::vector<std::string> boxes;
    long long start_after;
};

class TrayWhenTheServiceCannotBeAsked : public TrayThroughService, public testing::WithParamInterface<LinkCase> {};

// Denied or broken: the lock stays and the user is told why; absent or an
// impostor's pipe: the program works on its own, as an administrator's would.
TEST_P(TrayWhenTheServiceCannotBeAsked, SaysWhyOrWorksOnItsOwn)
{
    const auto& c = GetParam();
    start_with(c.locking ? 3 : 4);
    p.lock_service.failure = c.failure;
    p.pump.script = {[&] { press_ok_with("secret"); }};
    choose("MNU_USBLocked");
    ASSERT_EQ(box_texts(), c.boxes);
    if (!c.boxes.empty()) {
        EXPECT_NE(p.boxes.shown.back().icon, platform::BoxIcon::none);
    }
    EXPECT_EQ(stored_start(), c.start_after);
    EXPECT_TRUE(form.window.loaded());
    EXPECT_TRUE(service_log.events.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TrayWhenTheServiceCannotBeAsked,
    testing::Values(LinkCase{"LockDenied", platform::LinkFailure::denied, true, {NOT_ALLOWED}, 3},
                    LinkCase{"UnlockDenied", platform::LinkFailure::denied, false, {NO_ANSWER}, 4},
                    LinkCase{"LockBroken", platform::LinkFailure::broken, true, {NO_ANSWER}, 3},
                    LinkCase{"UnlockBroken", platform::LinkFailure::broken, false, {NO_ANSWER}, 4},
                    LinkCase{"LockAbsent", platform::LinkFailure::absent, true, {}, 4},
                    LinkCase{"UnlockAbsent", platform::LinkFailure::absent, false, {}, 3},
                    LinkCase{"LockUntrusted", platform::LinkFailure::untrusted, true, {}, 4},
                    LinkCase{"UnlockUntrusted", platform::LinkFailure::untrusted, false, {}, 3}),
    testing_support::RowName{});

} // namespace
