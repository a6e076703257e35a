#include "main_window_fixture.h"
#include "row_names.h"
#include "service/protocol.h"
#include "service/startup_relock.h"

namespace {

using Event = fakes::FakeEventLog::Event;
using platform::EventType;

const std::string USER = "POSTE-042\\mdurand";
const std::string AFTER_THE_DELAY = "d\xE9lai de la strat\xE9gie RelockMinutes \xE9" "coul\xE9";
const std::string AT_STARTUP = "d\xE9marrage avec la strat\xE9gie RelockAtStartup";
const std::string USUAL_TIP = "Varnhollow v1.4";
const Event LOCKED{EventType::audit_success, 0x0000006E, {USER}};

// The fake's wall clock starts at 21:20:00 UTC, 22:20 local time.
constexpr std::int64_t START = 1'200'000'000;

class Relock : public fakes::MainWindowFixture {
protected:
    void set_policy(const char* name, std::uint32_t number) { p.registry.set_dword(lock::POLICIES_KEY, name, number); }
    void remove_policy(const char* name) { p.registry.keys[lock::POLICIES_KEY].erase(name); }

    // Unlocks from the menu; without a password file the empty entry is the password.
    void unlock_through_menu()
    {
        p.pump.script = {[&] { dialog.ok_button.on_click(); }};
        choose("MNU_USBLocked");
        ASSERT_FALSE(form.locked());
    }
    // Both clocks move: the wall clock and the loop's, whose due timers then run.
    void minutes_pass(std::uint32_t minutes)
    {
        p.wall_clock.now += std::int64_t{minutes} * 60;
        p.loop.time_passes(minutes * 60'000);
        p.run_event_loop();
    }
    void change_start_from_outside(std::uint32_t start)
    {
        seed_start(start);
        p.watch.notify();
    }
    std::string tip() const { return p.tray.shown ? p.tray.shown->tip : "no icon"; }
    std::optional<std::uint32_t> kept_due() { return p.user_settings.read_number("RelockDue"); }
    bool wrote_event(std::uint32_t id) const
    {
        return std::any_of(p.events.events.begin(), p.events.events.end(),
                           [id](const Event& e) { return e.id == id; });
    }
    // A USB key still plugged in when the lock comes back.
    void plug_key()
    {
        const auto usb = p.devices.add(p.devices.root_node, "USB\\VID_0781&PID_5567\\AA01", std::nullopt,
                                       "P\xE9riph\xE9rique de stockage de masse USB");
        p.devices.add(usb, "USBSTOR\\DISK&VEN_SANDISK&PROD_CRUZER&REV_1.00\\AA01&0", "SanDisk Cruzer USB Device",
                      "Lecteur de disque");
    }
};

// --- RelockMinutes -----------------------------------------------------------

TEST_F(Relock, AtItsTimeLocksAsTheMenuDoesAndSaysItWasAutomatic)
{
    set_policy("RelockMinutes", 30);
    start_with(4);
    unlock_through_menu();
    EXPECT_TRUE(form.relock_pending());
    EXPECT_EQ(tip(), USUAL_TIP + " - reverrouillage \xE0 22:50");
    EXPECT_EQ(kept_due(), START + 30 * 60);

    minutes_pass(29);
    EXPECT_FALSE(form.locked());
    EXPECT_EQ(stored_start(), 3);

    plug_key();
    p.boxes.answers = {platform::ANSWER_NO};
    const auto events_before = p.events.events.size();
    minutes_pass(1);
    EXPECT_TRUE(form.locked());
    EXPECT_EQ(stored_start(), 4);
    EXPECT_TRUE(shows_icon(true)); // the locked icon, the usual tip
    EXPECT_EQ(form.lock_item.caption(), "Verrou USB - OUI");
    ASSERT_EQ(p.boxes.shown.size(), 1u); // the drives still plugged in are offered for ejection
    EXPECT_EQ(p.boxes.shown[0].buttons, platform::Buttons::yes_no);
    EXPECT_EQ(std::vector<Event>(p.events.events.begin() + static_cast<long>(events_before), p.events.events.end()),
              (std::vector<Event>{LOCKED, {EventType::audit_success, 0x0000007A, {USER, AFTER_THE_DELAY}}}));
    EXPECT_FALSE(form.relock_pending());
    EXPECT_FALSE(kept_due());
}

TEST_F(Relock, ThroughTheServiceWhenOneListens)
{
    set_policy("RelockMinutes", 5);
    std::vector<service::RequestKind> asked;
    p.lock_service.failure.reset();
    p.lock_service.answer = [&](const fakes::FakeLockServiceLink::Bytes& bytes) {
        const auto request = service::decode_request(bytes);
        asked.push_back(request->kind);
        if (request->kind != service::RequestKind::check_for_unlock && request->kind != service::RequestKind::state)
            seed_start(request->kind == service::RequestKind::lock ? 4 : 3);
        return service::encode_answer({service::AnswerKind::done, {}, {}});
    };
    start_with(4);
    unlock_through_menu();
    asked.clear();
    minutes_pass(5);
    EXPECT_TRUE(form.locked());
    EXPECT_EQ(asked, std::vector<service::RequestKind>{service::RequestKind::lock});
    EXPECT_EQ(p.events.events.back(), (Event{EventType::audit_success, 0x0000007A, {USER, AFTER_THE_DELAY}}));
}

struct LockMeanwhile {
    const char* name;
    bool from_outside;
};

class RelockCancelled : public Relock, public testing::WithParamInterface<LockMeanwhile> {};

// A lock made before the time leaves nothing pending: unlocked again from
// outside later, the machine stays unlocked.
TEST_P(RelockCancelled, ByALockMadeMeanwhile)
{
    set_policy("RelockMinutes", 10);
    start_with(4);
    unlock_through_menu();
    minutes_pass(3);
    if (GetParam().from_outside)
        change_start_from_outside(4);
    else
        choose("MNU_USBLocked");
    EXPECT_TRUE(form.locked());
    EXPECT_FALSE(form.relock_pending());
    EXPECT_EQ(tip(), USUAL_TIP);
    EXPECT_FALSE(kept_due());

    change_start_from_outside(3);
    ASSERT_FALSE(form.locked());
    minutes_pass(60);
    EXPECT_FALSE(form.locked());
    EXPECT_EQ(stored_start(), 3);
    EXPECT_FALSE(wrote_event(0x0000007A));
}

INSTANTIATE_TEST_SUITE_P(
    Locks, RelockCancelled,
    testing::Values(LockMeanwhile{"by the menu", false}, LockMeanwhile{"from outside", true}),
    testing_support::RowName{});

TEST_F(Relock, NotAfterAnUnlockMadeFromOutside)
{
    set_policy("RelockMinutes", 10);
    start_with(4);
    change_start_from_outside(3);
    EXPECT_FALSE(form.relock_pending());
    minutes_pass(60);
    EXPECT_FALSE(form.locked());
    EXPECT_EQ(tip(), USUAL_TIP);
}

struct AbsentPolicy {
    const char* name;
    std::optional<std::uint32_t> minutes;
};

class NoRelock : public Relock, public testing::WithParamInterface<AbsentPolicy> {};

TEST_P(NoRelock, WithoutAPolicyOfItsRange)
{
    if (GetParam().minutes)
        set_policy("RelockMinutes", *GetParam().minutes);
    start_with(4);
    unlock_through_menu();
    EXPECT_FALSE(form.relock_pending());
    EXPECT_EQ(tip(), USUAL_TIP);
    EXPECT_FALSE(kept_due());
    minutes_pass(2000);
    EXPECT_FALSE(form.locked());
    EXPECT_EQ(stored_start(), 3);
}

INSTANTIATE_TEST_SUITE_P(
    Policies, NoRelock,
    testing::Values(AbsentPolicy{"no policy", std::nullopt}, AbsentPolicy{"zero", 0},
                    AbsentPolicy{"longer than a day", 1441}),
    testing_support::RowName{});

// The policy as it holds at the unlock counts: one set after start-up is followed.
TEST_F(Relock, FollowsAPolicySetAfterStartUp)
{
    start_with(4);
    set_policy("RelockMinutes", 1);
    unlock_through_menu();
    minutes_pass(1);
    EXPECT_TRUE(form.locked());
}

// The due time is kept for this run even when the user's settings cannot be written.
TEST_F(Relock, StillComesWhenItsTimeCannotBeKept)
{
    set_policy("RelockMinutes", 2);
    p.user_settings.writes_fail = true;
    start_with(4);
    unlock_through_menu();
    EXPECT_TRUE(form.relock_pending());
    minutes_pass(2);
    EXPECT_TRUE(form.locked());
}

// While the update check runs, its suffix is the tip's; the re-lock's time
// comes back once it has ended.
TEST_F(Relock, TheUpdateChecksTipWhileItRunsThenTheRelocksTime)
{
    set_policy("RelockMinutes", 30);
    start_with(4);
    unlock_through_menu();
    p.internet.answers_at_once = false;
    choose("MNU_Update");
    EXPECT_EQ(tip(), USUAL_TIP + " - recherche de mise \xE0 jour...");
    p.internet.finish_download();
    p.run_event_loop();
    EXPECT_EQ(tip(), USUAL_TIP + " - reverrouillage \xE0 22:50");
}

TEST_F(Relock, TheTipShowsTheLocalTimeOnTwentyFourHours)
{
    set_policy("RelockMinutes", 45);
    p.wall_clock.now = 1'199'145'600 + 23 * 3600 + 30 * 60; // 31 December 2007, 23:30 UTC
    p.wall_clock.local_offset_seconds = 0;
    start_with(4);
    unlock_through_menu();
    EXPECT_EQ(tip(), USUAL_TIP + " - reverrouillage \xE0 00:15");
}

// --- after a restart of the program -----------------------------------------

struct Restart {
    const char* name;
    std::int64_t kept_due_from_now; // seconds
    std::uint32_t policy_minutes;
    std::optional<std::string> tip_time; // nothing: locks at once
    std::uint32_t minutes_to_relock;
};

class RelockAfterRestart : public Relock, public testing::WithParamInterface<Restart> {};

TEST_P(RelockAfterRestart, ComesAtTheKeptTime)
{
    const Restart& row = GetParam();
    set_policy("RelockMinutes", row.policy_minutes);
    p.user_settings.numbers["RelockDue"] = static_cast<std::uint32_t>(START + row.kept_due_from_now);
    start_with(3);
    if (row.tip_time) {
        EXPECT_EQ(tip(), USUAL_TIP + " - reverrouillage \xE0 " + *row.tip_time);
        minutes_pass(row.minutes_to_relock - 1);
        EXPECT_FALSE(form.locked());
        minutes_pass(1);
    } else {
        EXPECT_FALSE(form.locked()); // from the loop, once start-up is done
        p.loop.time_passes(0);
        p.run_event_loop();
    }
    EXPECT_TRUE(form.locked());
    EXPECT_EQ(stored_start(), 4);
    EXPECT_EQ(p.events.events.back(), (Event{EventType::audit_success, 0x0000007A, {USER, AFTER_THE_DELAY}}));
    EXPECT_FALSE(kept_due());
}

INSTANTIATE_TEST_SUITE_P(
    KeptTimes, RelockAfterRestart,
    testing::Values(Restart{"due in ten minutes", 10 * 60, 30, "22:30", 10},
                    Restart{"due a minute ago", -60, 30, std::nullopt, 0},
                    Restart{"due a day ago", -24 * 3600, 30, std::nullopt, 0},
                    // The user may write their own settings: never later than the policy allows.
                    Restart{"kept later than the policy allows", 30 * 24 * 3600, 30, "22:50", 30}),
    testing_support::RowName{});

TEST_F(Relock, AKeptTimeIsForgottenWithoutThePolicy)
{
    p.user_settings.numbers["RelockDue"] = static_cast<std::uint32_t>(START + 600);
    start_with(3);
    EXPECT_FALSE(form.relock_pending());
    EXPECT_FALSE(kept_due());
    minutes_pass(60);
    EXPECT_FALSE(form.locked());
}

TEST_F(Relock, AKeptTimeIsForgottenWhenStartedLocked)
{
    set_policy("RelockMinutes", 30);
    p.user_settings.numbers["RelockDue"] = static_cast<std::uint32_t>(START + 600);
    start_with(4);
    EXPECT_FALSE(form.relock_pending());
    EXPECT_FALSE(kept_due());
    EXPECT_EQ(tip(), USUAL_TIP);
}

// --- RelockAtStartup in the tray --------------------------------------------

struct ServiceAtStartup {
    const char* name;
    std::optional<platform::LinkFailure> failure; // nothing: a service answers
    bool tray_locks;
};

class RelockAtTrayStartup : public Relock, public testing::WithParamInterface<ServiceAtStartup> {};

TEST_P(RelockAtTrayStartup, OnlyWhereNoServiceListens)
{
    set_policy("RelockAtStartup", 1);
    p.lock_service.failure = GetParam().failure;
    p.lock_service.answer = [](const fakes::FakeLockServiceLink::Bytes&) {
        return service::encode_answer({service::AnswerKind::unlocked, {}, {}});
    };
    p.boxes.answers = {platform::ANSWER_NO};
    plug_key();
    start_with(3);
    const Event started{EventType::information, 0x40000064, {"1.4", USER, "d\xE9sactiv\xE9"}};
    if (GetParam().tray_locks) {
        EXPECT_TRUE(form.locked());
        EXPECT_EQ(stored_start(), 4);
        EXPECT_EQ(p.boxes.shown.size(), 1u); // the ejection's question
        EXPECT_EQ(p.events.events,
                  (std::vector<Event>{started, LOCKED, {EventType::audit_success, 0x0000007A, {USER, AT_STARTUP}}}));
    } else {
        EXPECT_FALSE(form.locked());
        EXPECT_EQ(stored_start(), 3);
        EXPECT_EQ(p.events.events, std::vector<Event>{started});
        EXPECT_TRUE(p.boxes.shown.empty());
        ASSERT_EQ(p.lock_service.requests.size(), 1u); // whether a service listens, and nothing more
        EXPECT_EQ(service::decode_request(p.lock_service.requests[0])->kind, service::RequestKind::state);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Services, RelockAtTrayStartup,
    testing::Values(ServiceAtStartup{"no service", platform::LinkFailure::absent, true},
                    ServiceAtStartup{"a service answers", std::nullopt, false},
                    ServiceAtStartup{"a service turns the user away", platform::LinkFailure::denied, false},
                    ServiceAtStartup{"a service that does not answer", platform::LinkFailure::broken, false}),
    testing_support::RowName{});

TEST_F(Relock, AtTrayStartupNothingWhenLocked)
{
    set_policy("RelockAtStartup", 1);
    start_with(4);
    EXPECT_EQ(lock_registry_calls().size(), 1u); // the start-up read
    EXPECT_FALSE(wrote_event(0x0000007A));
}

// --- RelockAtStartup in the service -----------------------------------------

struct ServiceStart {
    const char* name;
    std::optional<std::uint32_t> policy;
    std::optional<std::uint32_t> start;
    long set_status;
    bool relocks;
    long query_status = 0; // the read of Start fails with it
};

class RelockAtServiceStart : public testing::TestWithParam<ServiceStart> {};

TEST_P(RelockAtServiceStart, LocksAnUnlockedMachineOnly)
{
    const ServiceStart& row = GetParam();
    fakes::FakeRegistry registry;
    fakes::FakePlatform p;
    lock::DriverSetupFiles setup_files(p.file_access, p.system);
    fakes::FakeEventLog log;
    log.user = "AUTORITE NT\\SYSTEM";
    audit::AuditTrail audit(log);
    if (row.policy)
        registry.set_dword(lock::POLICIES_KEY, "RelockAtStartup", *row.policy);
    if (row.start)
        registry.set_dword(lock::USBSTOR_KEY, "Start", *row.start);
    registry.set_status = row.set_status;
    registry.query_status = row.query_status;

    EXPECT_EQ(service::relock_at_service_start(registry, setup_files, audit), row.relocks);
    const Event locked{EventType::audit_success, 0x0000006E, {log.user}};
    if (row.relocks) {
        EXPECT_EQ(registry.dword(lock::USBSTOR_KEY, "Start"), 4);
        EXPECT_EQ(log.events, (std::vector<Event>{locked, {EventType::audit_success, 0x0000007A, {log.user, AT_STARTUP}}}));
    } else {
        EXPECT_EQ(registry.dword(lock::USBSTOR_KEY, "Start"), row.start ? static_cast<long long>(*row.start) : -1);
        EXPECT_FALSE(std::any_of(log.events.begin(), log.events.end(), [](const Event& e) { return e.id == 0x7A; }));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Machines, RelockAtServiceStart,
    testing::Values(ServiceStart{"unlocked with the policy", 1, 3, 0, true},
                    ServiceStart{"locked with the policy", 1, 4, 0, false},
                    ServiceStart{"unlocked without the policy", std::nullopt, 3, 0, false},
                    ServiceStart{"unlocked with the policy at 0", 0, 3, 0, false},
                    ServiceStart{"unlocked with the policy out of range", 2, 3, 0, false},
                    ServiceStart{"no Start value to read", 1, 3, 0, false, 1018},
                    ServiceStart{"the write fails", 1, 3, 5, false}),
    testing_support::RowName{});

TEST(RelockAtServiceStartFailure, AFailedWriteIsLoggedAsSuch)
{
    fakes::FakeRegistry registry;
    fakes::FakeEventLog log;
    audit::AuditTrail audit(log);
    registry.set_dword(lock::POLICIES_KEY, "RelockAtStartup", 1);
    registry.set_dword(lock::USBSTOR_KEY, "Start", 3);
    registry.set_status = 5;
    fakes::FakePlatform p;
    lock::DriverSetupFiles setup_files(p.file_access, p.system);
    EXPECT_FALSE(service::relock_at_service_start(registry, setup_files, audit));
    ASSERT_EQ(log.events.size(), 1u);
    EXPECT_EQ(log.events[0].id, 0xC0000073u);
}

// --- NoUpdateCheck and NoEmail ------------------------------------------------

struct GreyedRow {
    const char* name;
    std::vector<std::pair<const char*, std::uint32_t>> policies;
    bool update_enabled;
    bool email_enabled;
};

class GreyedItems : public Relock, public testing::WithParamInterface<GreyedRow> {
protected:
    // The items' states as the open menu shows them.
    std::pair<bool, bool> shown_states()
    {
        std::pair<bool, bool> states{};
        p.windows.on_popup = [&](platform::MenuItem& menu) {
            states = {fakes::find_item(menu, "MNU_Update")->enabled(), fakes::find_item(menu, "MNU_Email")->enabled()};
        };
        p.tray.user_asks_for_menu();
        p.windows.on_popup = nullptr;
        return states;
    }
};

// Chosen all the same (a command sent from outside), a greyed item does nothing.
TEST_P(GreyedItems, AreShownGreyedAndDoNothing)
{
    const GreyedRow& row = GetParam();
    for (const auto& [name, number] : row.policies)
        set_policy(name, number);
    start_with(3);
    EXPECT_EQ(shown_states(), std::make_pair(row.update_enabled, row.email_enabled));

    p.internet.online = false; // a check that runs ends at once with its box
    choose("MNU_Update");
    EXPECT_EQ(p.internet.connection_tests, row.update_enabled ? 1 : 0);
    choose("MNU_Email");
    EXPECT_EQ(p.shell.calls.size(), row.email_enabled ? 1u : 0u);
    EXPECT_EQ(p.boxes.shown.size(), row.update_enabled ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Policies, GreyedItems,
    testing::Values(GreyedRow{"none", {}, true, true},
                    GreyedRow{"no update check", {{"NoUpdateCheck", 1}}, false, true},
                    GreyedRow{"no email", {{"NoEmail", 1}}, true, false},
                    GreyedRow{"both", {{"NoUpdateCheck", 1}, {"NoEmail", 1}}, false, false},
                    GreyedRow{"both at 0", {{"NoUpdateCheck", 0}, {"NoEmail", 0}}, true, true},
                    GreyedRow{"both out of range", {{"NoUpdateCheck", 2}, {"NoEmail", 0xFFFFFFFF}}, true, true}),
    testing_support::RowName{});

// Group Policy applies a policy while the program runs: the next menu follows it.
TEST_F(GreyedItems, FollowAPolicyAppliedWhileTheProgramRuns)
{
    start_with(3);
    EXPECT_EQ(shown_states(), std::make_pair(true, true));
    set_policy("NoUpdateCheck", 1);
    set_policy("NoEmail", 1);
    EXPECT_EQ(shown_states(), std::make_pair(false, false));
    remove_policy("NoUpdateCheck");
    remove_policy("NoEmail");
    EXPECT_EQ(shown_states(), std::make_pair(true, true));
}

// Applied after the menu opened, before the item is chosen: still nothing.
TEST_F(GreyedItems, DoNothingWhenThePolicyCameAfterTheMenuOpened)
{
    start_with(3);
    p.windows.on_popup = [&](platform::MenuItem& menu) {
        set_policy("NoUpdateCheck", 1);
        fakes::find_item(menu, "MNU_Update")->on_click();
    };
    p.tray.user_asks_for_menu();
    p.windows.on_popup = nullptr;
    EXPECT_EQ(p.internet.connection_tests, 0);
    EXPECT_TRUE(p.boxes.shown.empty());
}

// A machine without the USBSTOR key is locked by its setup files alone.
TEST(RelockAtServiceStartWithoutTheKey, ClosesTheSetupFiles)
{
    fakes::FakePlatform p;
    lock::DriverSetupFiles setup_files(p.file_access, p.system);
    audit::AuditTrail audit(p.events);
    p.registry.set_dword(lock::POLICIES_KEY, "RelockAtStartup", 1);
    p.file_access.files["C:\\WINDOWS\\Inf\\Usbstor.inf"] = {};
    EXPECT_TRUE(service::relock_at_service_start(p.registry, setup_files, audit));
    EXPECT_TRUE(setup_files.closed());
    EXPECT_EQ(p.registry.keys.count(lock::USBSTOR_KEY), 0u);
}

} // namespace
