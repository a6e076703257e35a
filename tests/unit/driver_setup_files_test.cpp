// The lock and the USB storage driver's setup files: closed on a lock,
// opened again exactly on an unlock, a missing file left alone, a failing
// call told, and a machine without the USBSTOR key.

#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "fake_platform.h"
#include "lock/driver_setup_files.h"
#include "lock/lock_keeper.h"
#include "lock/usb_storage_value.h"
#include "main_window_fixture.h"
#include "password/passwd.h"
#include "row_names.h"
#include "service/lock_service.h"

namespace {

using Event = fakes::FakeEventLog::Event;
using platform::AccessEntry;
using platform::AccessKind;
using platform::AccessRights;
using platform::EventType;
using Entries = std::vector<AccessEntry>;

const std::string USER = "POSTE-042\\mdurand";
const std::string INF = "C:\\WINDOWS\\Inf\\Usbstor.inf";
const std::string PNF = "C:\\WINDOWS\\Inf\\Usbstor.pnf";
const std::string ADMINISTRATORS = "S-1-5-32-544";
const std::string USERS = "S-1-5-32-545";
const std::string A_USER = "S-1-5-21-1004336348-1177238915-682003330-1004";

const AccessEntry DENY_EVERYONE{AccessKind::deny, platform::EVERYONE_SID, AccessRights::reading};
const AccessEntry DENY_SYSTEM{AccessKind::deny, platform::SYSTEM_SID, AccessRights::reading};

// A file's own entries as an administrator may have left them: denials and
// permissions that look like the lock's but are not, in canonical order.
const Entries AS_INSTALLED{
    {AccessKind::deny, A_USER, AccessRights::reading},
    {AccessKind::deny, platform::EVERYONE_SID, AccessRights::other},
    {AccessKind::allow, ADMINISTRATORS, AccessRights::other},
    {AccessKind::allow, platform::SYSTEM_SID, AccessRights::other},
    {AccessKind::allow, platform::EVERYONE_SID, AccessRights::reading},
    {AccessKind::allow, USERS, AccessRights::reading},
    {AccessKind::other, "", AccessRights::other},
};

Entries closed(const Entries& entries)
{
    Entries closed{DENY_EVERYONE, DENY_SYSTEM};
    closed.insert(closed.end(), entries.begin(), entries.end());
    return closed;
}

const platform::FileError DENIED{5, "Acc\xE8s refus\xE9.", false};
const platform::FileError SHARING{32, "Le processus ne peut pas acc\xE9" "der au fichier.", false};

const Event LOCKED{EventType::audit_success, 0x6E, {USER}};
const Event UNLOCKED{EventType::audit_success, 0x6F, {USER}};
Event setup_file_event(const char* done, const std::string& file, const platform::FileError& error)
{
    return {EventType::error, 0xC0000079, {USER, done, file, std::to_string(error.code), error.description}};
}

enum class Failing { nothing, read, write };

struct SetupFilesRow {
    const char* name;
    bool locking;
    std::optional<std::uint32_t> start{}; // none: no USBSTOR key
    std::optional<Entries> inf{}, pnf{};  // none: the file is not there
    Failing failing = Failing::nothing;
    std::string failing_path{}; // empty: both files
    // After:
    long long start_after = -1; // no value
    std::optional<Entries> inf_after{}, pnf_after{};
    long set_status = 0; // the write of Start fails with it
    std::vector<std::string> file_calls{};
    std::optional<lock::KeeperFailure> failure{};
    std::vector<Event> events{};
};

lock::KeeperFailure setup_file_failure(lock::SetupFileStep step, const std::string& file,
                                       const platform::FileError& error, bool lock_on)
{
    return lock::KeeperFailure{lock::KeeperRefusal::setup_file_failed, {}, {step, file, error.code, error.description},
                               lock_on};
}

const std::string DENY_BOTH = " S-1-1-0 S-1-5-18";

class SetupFilesKeeper : public testing::TestWithParam<SetupFilesRow> {
protected:
    fakes::FakePlatform p;
    audit::AuditTrail audit{p.events};
    lock::DriverSetupFiles setup_files{p.file_access, p.system};
    lock::RegistryLockKeeper keeper{p.registry, setup_files, audit};
};

TEST_P(SetupFilesKeeper, ChangesStartAndTheFilesInTheOrderThatKeepsTheLock)
{
    const auto& row = GetParam();
    if (row.start)
        p.registry.set_dword(lock::USBSTOR_KEY, lock::START_VALUE, *row.start);
    if (row.inf)
        p.file_access.files[INF] = *row.inf;
    if (row.pnf)
        p.file_access.files[PNF] = *row.pnf;
    if (row.failing == Failing::read)
        p.file_access.read_fails = DENIED;
    if (row.failing == Failing::write)
        p.file_access.write_fails = SHARING;
    p.file_access.failing_path = row.failing_path;
    p.registry.set_status = row.set_status;

    const auto done = row.locking ? keeper.lock() : keeper.unlock("anything");

    if (row.failure) {
        ASSERT_FALSE(done.succeeded());
        EXPECT_EQ(done.error().refusal, row.failure->refusal);
        EXPECT_EQ(done.error().setup_file, row.failure->setup_file);
        EXPECT_EQ(done.error().lock_on, row.failure->lock_on);
    } else {
        EXPECT_TRUE(done.succeeded());
    }
    EXPECT_EQ(p.registry.dword(lock::USBSTOR_KEY, lock::START_VALUE), row.start_after);
    if (!row.start) {
        EXPECT_EQ(p.registry.keys.count(lock::USBSTOR_KEY), 0u) << "no key is created";
    }
    const auto entries = [this](const std::string& path) -> std::optional<Entries> {
        const auto file = p.file_access.files.find(path);
        return file == p.file_access.files.end() ? std::nullopt : std::optional<Entries>(file->second);
    };
    EXPECT_EQ(entries(INF), row.inf_after);
    EXPECT_EQ(entries(PNF), row.pnf_after);
    EXPECT_EQ(p.file_access.calls, row.file_calls);
    EXPECT_EQ(p.events.events, row.events);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SetupFilesKeeper,
    testing::Values(
        SetupFilesRow{.name = "lock closes both files",
                      .locking = true, .start = 3, .inf = AS_INSTALLED, .pnf = Entries{},
                      .start_after = 4, .inf_after = closed(AS_INSTALLED), .pnf_after = closed({}),
                      .file_calls = {"entries " + INF, "deny " + INF + DENY_BOTH, "entries " + PNF,
                                     "deny " + PNF + DENY_BOTH},
                      .events = {LOCKED}},
        SetupFilesRow{.name = "unlock restores exactly what was there",
                      .locking = false, .start = 4, .inf = closed(AS_INSTALLED), .pnf = closed({}),
                      .start_after = 3, .inf_after = AS_INSTALLED, .pnf_after = Entries{},
                      .file_calls = {"entries " + INF, "remove " + INF + DENY_BOTH, "entries " + PNF,
                                     "remove " + PNF + DENY_BOTH},
                      .events = {UNLOCKED}},
        SetupFilesRow{.name = "lock adds only the entry missing",
                      .locking = true, .start = 3, .inf = Entries{DENY_SYSTEM},
                      .start_after = 4, .inf_after = Entries{DENY_EVERYONE, DENY_SYSTEM},
                      .file_calls = {"entries " + INF, "deny " + INF + " S-1-1-0", "entries " + PNF},
                      .events = {LOCKED}},
        SetupFilesRow{.name = "unlock of open files changes none",
                      .locking = false, .start = 4, .inf = AS_INSTALLED, .pnf = AS_INSTALLED,
                      .start_after = 3, .inf_after = AS_INSTALLED, .pnf_after = AS_INSTALLED,
                      .file_calls = {"entries " + INF, "entries " + PNF},
                      .events = {UNLOCKED}},
        SetupFilesRow{.name = "lock leaves a missing file alone",
                      .locking = true, .start = 3, .pnf = AS_INSTALLED,
                      .start_after = 4, .pnf_after = closed(AS_INSTALLED),
                      .file_calls = {"entries " + INF, "entries " + PNF, "deny " + PNF + DENY_BOTH},
                      .events = {LOCKED}},
        SetupFilesRow{.name = "unlock with no file",
                      .locking = false, .start = 4,
                      .start_after = 3,
                      .file_calls = {"entries " + INF, "entries " + PNF},
                      .events = {UNLOCKED}},
        SetupFilesRow{.name = "lock, a read fails: Start stays locked, the other file closes",
                      .locking = true, .start = 3, .inf = AS_INSTALLED, .pnf = AS_INSTALLED,
                      .failing = Failing::read, .failing_path = INF,
                      .start_after = 4, .inf_after = AS_INSTALLED, .pnf_after = closed(AS_INSTALLED),
                      .file_calls = {"entries " + INF, "entries " + PNF, "deny " + PNF + DENY_BOTH},
                      .failure = setup_file_failure(lock::SetupFileStep::close, INF, DENIED, true),
                      .events = {LOCKED, setup_file_event("ferm\xE9", INF, DENIED)}},
        SetupFilesRow{.name = "lock, a write fails",
                      .locking = true, .start = 3, .inf = AS_INSTALLED, .pnf = AS_INSTALLED,
                      .failing = Failing::write, .failing_path = PNF,
                      .start_after = 4, .inf_after = closed(AS_INSTALLED), .pnf_after = AS_INSTALLED,
                      .file_calls = {"entries " + INF, "deny " + INF + DENY_BOTH, "entries " + PNF,
                                     "deny " + PNF + DENY_BOTH},
                      .failure = setup_file_failure(lock::SetupFileStep::close, PNF, SHARING, true),
                      .events = {LOCKED, setup_file_event("ferm\xE9", PNF, SHARING)}},
        SetupFilesRow{.name = "unlock, a read fails: Start is not written",
                      .locking = false, .start = 4, .inf = closed(AS_INSTALLED), .pnf = closed(AS_INSTALLED),
                      .failing = Failing::read, .failing_path = PNF,
                      .start_after = 4, .inf_after = closed(AS_INSTALLED), .pnf_after = closed(AS_INSTALLED),
                      .file_calls = {"entries " + INF, "remove " + INF + DENY_BOTH, "entries " + PNF,
                                     "entries " + INF, "deny " + INF + DENY_BOTH, "entries " + PNF},
                      .failure = setup_file_failure(lock::SetupFileStep::open, PNF, DENIED, true),
                      .events = {setup_file_event("rouvert", PNF, DENIED)}},
        SetupFilesRow{.name = "unlock, a write fails: Start is not written",
                      .locking = false, .start = 4, .inf = closed(AS_INSTALLED), .pnf = closed({}),
                      .failing = Failing::write,
                      .start_after = 4, .inf_after = closed(AS_INSTALLED), .pnf_after = closed({}),
                      .file_calls = {"entries " + INF, "remove " + INF + DENY_BOTH, "entries " + PNF,
                                     "remove " + PNF + DENY_BOTH, "entries " + INF, "entries " + PNF},
                      .failure = setup_file_failure(lock::SetupFileStep::open, INF, SHARING, true),
                      .events = {setup_file_event("rouvert", INF, SHARING)}},
        SetupFilesRow{.name = "unlock, Start cannot be written: the files are closed again",
                      .locking = false, .start = 4, .inf = closed(AS_INSTALLED), .pnf = closed({}),
                      .start_after = 4, .inf_after = closed(AS_INSTALLED), .pnf_after = closed({}),
                      .set_status = 5,
                      .file_calls = {"entries " + INF, "remove " + INF + DENY_BOTH, "entries " + PNF,
                                     "remove " + PNF + DENY_BOTH, "entries " + INF, "deny " + INF + DENY_BOTH,
                                     "entries " + PNF, "deny " + PNF + DENY_BOTH},
                      .failure = lock::KeeperFailure{lock::KeeperRefusal::not_allowed, {}, {}, false},
                      .events = {{EventType::error, 0xC0000073, {USER, "Acc\xE8s refus\xE9."}}}},
        SetupFilesRow{.name = "no key, lock closes the files alone",
                      .locking = true, .inf = AS_INSTALLED, .pnf = AS_INSTALLED,
                      .inf_after = closed(AS_INSTALLED), .pnf_after = closed(AS_INSTALLED),
                      .file_calls = {"entries " + INF, "deny " + INF + DENY_BOTH, "entries " + PNF,
                                     "deny " + PNF + DENY_BOTH},
                      .events = {LOCKED}},
        SetupFilesRow{.name = "no key, unlock opens the files alone",
                      .locking = false, .inf = closed(AS_INSTALLED), .pnf = closed(AS_INSTALLED),
                      .inf_after = AS_INSTALLED, .pnf_after = AS_INSTALLED,
                      .file_calls = {"entries " + INF, "remove " + INF + DENY_BOTH, "entries " + PNF,
                                     "remove " + PNF + DENY_BOTH},
                      .events = {UNLOCKED}},
        SetupFilesRow{.name = "no key, no file closed: the lock is off",
                      .locking = true, .inf = AS_INSTALLED, .pnf = AS_INSTALLED, .failing = Failing::write,
                      .inf_after = AS_INSTALLED, .pnf_after = AS_INSTALLED,
                      .file_calls = {"entries " + INF, "deny " + INF + DENY_BOTH, "entries " + PNF,
                                     "deny " + PNF + DENY_BOTH, "entries " + INF, "entries " + PNF},
                      .failure = setup_file_failure(lock::SetupFileStep::close, INF, SHARING, false),
                      .events = {setup_file_event("ferm\xE9", INF, SHARING)}},
        SetupFilesRow{.name = "no key, one file closed: the lock is on",
                      .locking = true, .inf = AS_INSTALLED, .pnf = AS_INSTALLED, .failing = Failing::write,
                      .failing_path = PNF,
                      .inf_after = closed(AS_INSTALLED), .pnf_after = AS_INSTALLED,
                      .file_calls = {"entries " + INF, "deny " + INF + DENY_BOTH, "entries " + PNF,
                                     "deny " + PNF + DENY_BOTH, "entries " + INF},
                      .failure = setup_file_failure(lock::SetupFileStep::close, PNF, SHARING, true),
                      .events = {LOCKED, setup_file_event("ferm\xE9", PNF, SHARING)}}),
    testing_support::RowName{});

TEST(SetupFilesWithoutWindowsFolder, AreAFailureToldWithTheFirstFile)
{
    fakes::FakePlatform p;
    p.system.windows_folder.clear();
    p.registry.set_dword(lock::USBSTOR_KEY, lock::START_VALUE, 3);
    audit::AuditTrail audit{p.events};
    lock::DriverSetupFiles setup_files{p.file_access, p.system};
    lock::RegistryLockKeeper keeper{p.registry, setup_files, audit};
    const auto locked = keeper.lock();
    ASSERT_FALSE(locked.succeeded());
    EXPECT_EQ(locked.error().setup_file,
              (lock::SetupFileFailure{lock::SetupFileStep::close, "Usbstor.inf", 3, "Le dossier Windows est introuvable."}));
    EXPECT_EQ(p.registry.dword(lock::USBSTOR_KEY, lock::START_VALUE), 4);
    EXPECT_TRUE(p.file_access.calls.empty());
}

// --- what the user sees ----------------------------------------------------------

const std::string NOT_CLOSED = "Le verrou USB est activ\xE9, mais le fichier d'installation du pilote " + PNF +
                               " n'a pas pu \xEAtre ferm\xE9 : erreur 32 - Le processus ne peut pas acc\xE9" "der au fichier.";
const std::string NOT_OPENED = "Le verrou USB reste activ\xE9 : le fichier d'installation du pilote " + INF +
                               " n'a pas pu \xEAtre rouvert : erreur 5 - Acc\xE8s refus\xE9.";
const std::string NOT_CLOSED_LOCK_OFF = "Le verrou USB n'est pas activ\xE9 : le fichier d'installation du pilote " +
                                        INF + " n'a pas pu \xEAtre ferm\xE9 : erreur 32 - Le processus ne peut pas acc\xE9"
                                        "der au fichier.";

class SetupFilesInTheTray : public fakes::MainWindowFixture {
protected:
    void put_files(const Entries& inf, const Entries& pnf)
    {
        p.file_access.files[INF] = inf;
        p.file_access.files[PNF] = pnf;
    }
    void unlock_with_the_password()
    {
        p.files.files["C:\\WINDOWS\\system32\\PSTACK.DRV"] =
            password::encode_password("SECRET") + std::string(16, '\0');
        choose("MNU_USBLocked");
        fakes::type_keys(dialog.window, dialog.current_field, "secret\r");
        p.pump.play();
    }
    void expect_one_warning(const std::string& text)
    {
        ASSERT_EQ(p.boxes.shown.size(), 1u);
        EXPECT_EQ(p.boxes.shown[0].text, text);
        EXPECT_EQ(p.boxes.shown[0].icon, platform::BoxIcon::warning);
        EXPECT_EQ(p.boxes.shown[0].buttons, platform::Buttons::ok);
    }
};

TEST_F(SetupFilesInTheTray, ALockWithAFileLeftOpenShowsTheLockAndWarnsTheUser)
{
    put_files(AS_INSTALLED, AS_INSTALLED);
    p.file_access.write_fails = SHARING;
    p.file_access.failing_path = PNF;
    start_with(3);
    choose("MNU_USBLocked");
    EXPECT_TRUE(form.locked());
    EXPECT_TRUE(shows_icon(true));
    EXPECT_EQ(stored_start(), 4);
    expect_one_warning(NOT_CLOSED);
    ASSERT_FALSE(p.events.events.empty());
    EXPECT_EQ(p.events.events.back(), setup_file_event("ferm\xE9", PNF, SHARING));
    EXPECT_TRUE(form.window.loaded()) << "the program goes on";
}

TEST_F(SetupFilesInTheTray, AnUnlockWhoseFileStaysClosedKeepsTheLockAndWarnsTheUser)
{
    put_files(closed(AS_INSTALLED), closed(AS_INSTALLED));
    p.file_access.read_fails = DENIED;
    p.file_access.failing_path = INF;
    start_with(4);
    unlock_with_the_password();
    EXPECT_TRUE(form.locked());
    EXPECT_TRUE(shows_icon(true));
    EXPECT_EQ(stored_start(), 4);
    expect_one_warning(NOT_OPENED);
    ASSERT_FALSE(p.events.events.empty());
    EXPECT_EQ(p.events.events.back(), setup_file_event("rouvert", INF, DENIED));
}

// --- a machine without the USBSTOR key -----------------------------------------------

struct NoKeyRow {
    const char* name;
    std::optional<Entries> inf, pnf;
    bool locked;
};

class StartUpWithoutTheKey : public fakes::MainWindowFixture, public testing::WithParamInterface<NoKeyRow> {};

TEST_P(StartUpWithoutTheKey, ShowsTheIconOfTheSetupFiles)
{
    const auto& row = GetParam();
    if (row.inf)
        p.file_access.files[INF] = *row.inf;
    if (row.pnf)
        p.file_access.files[PNF] = *row.pnf;
    forms.load(form.window);
    EXPECT_TRUE(p.boxes.shown.empty());
    EXPECT_TRUE(shows_icon(row.locked));
    EXPECT_EQ(form.locked(), row.locked);
    EXPECT_FALSE(p.windows.loop_ended);
    ASSERT_FALSE(p.events.events.empty());
    EXPECT_EQ(p.events.events.front(),
              (Event{EventType::information, 0x40000064,
                     {program::VERSION_TEXT, USER, row.locked ? "activ\xE9" : "d\xE9sactiv\xE9"}}));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, StartUpWithoutTheKey,
    testing::Values(NoKeyRow{"no setup file", std::nullopt, std::nullopt, false},
                    NoKeyRow{"files as installed", AS_INSTALLED, AS_INSTALLED, false},
                    NoKeyRow{"both files closed", closed(AS_INSTALLED), closed({}), true},
                    NoKeyRow{"only the pnf, closed", std::nullopt, closed(AS_INSTALLED), true},
                    NoKeyRow{"one entry of the two", Entries{DENY_EVERYONE}, Entries{DENY_SYSTEM}, false},
                    NoKeyRow{"a denial of other rights",
                             Entries{DENY_EVERYONE, {AccessKind::deny, platform::SYSTEM_SID, AccessRights::other}},
                             std::nullopt, false}),
    testing_support::RowName{});

TEST_F(SetupFilesInTheTray, WithoutTheKeyLockAndUnlockChangeTheFilesAndWriteNoStart)
{
    put_files(AS_INSTALLED, AS_INSTALLED);
    forms.load(form.window);
    ASSERT_TRUE(shows_icon(false));

    choose("MNU_USBLocked");
    EXPECT_TRUE(shows_icon(true));
    EXPECT_EQ(p.file_access.files[INF], closed(AS_INSTALLED));
    EXPECT_EQ(p.file_access.files[PNF], closed(AS_INSTALLED));

    unlock_with_the_password();
    EXPECT_TRUE(shows_icon(false));
    EXPECT_EQ(p.file_access.files[INF], AS_INSTALLED);
    EXPECT_EQ(p.file_access.files[PNF], AS_INSTALLED);

    EXPECT_TRUE(p.boxes.shown.empty());
    EXPECT_EQ(p.registry.keys.count(lock::USBSTOR_KEY), 0u);
}

TEST_F(SetupFilesInTheTray, WithoutTheKeyALockThatClosesNothingIsNoLock)
{
    put_files(AS_INSTALLED, AS_INSTALLED);
    p.file_access.write_fails = SHARING;
    forms.load(form.window);
    choose("MNU_USBLocked");
    EXPECT_FALSE(form.locked());
    EXPECT_TRUE(shows_icon(false));
    expect_one_warning(NOT_CLOSED_LOCK_OFF);
}

// --- the lock service ------------------------------------------------------------------

struct ServiceOnFiles {
    fakes::FakeRegistry registry;
    fakes::FakeFileAccess file_access;
    fakes::FakeRecordFiles files;
    fakes::FakeSystemInfo system;
    fakes::FakeClock clock;
    service::LockService service{registry, file_access, files, system, clock};
    fakes::FakeEventLog client;

    service::Answer ask(service::RequestKind kind)
    {
        const auto answer =
            service::decode_answer(service.answer(*service::encode_request({kind, "", ""}), client));
        EXPECT_TRUE(answer);
        return answer.value_or(service::Answer{});
    }
};

TEST(SetupFilesThroughTheService, WithoutTheKeyTheStateIsTheFiles)
{
    ServiceOnFiles bench;
    bench.file_access.files[INF] = AS_INSTALLED;
    EXPECT_EQ(bench.ask(service::RequestKind::state).kind, service::AnswerKind::unlocked);
    EXPECT_EQ(bench.ask(service::RequestKind::lock).kind, service::AnswerKind::done);
    EXPECT_EQ(bench.ask(service::RequestKind::state).kind, service::AnswerKind::locked);
    EXPECT_EQ(bench.registry.keys.count(lock::USBSTOR_KEY), 0u);
}

TEST(SetupFilesThroughTheService, AnUnreadableKeyIsStillARegistryFailure)
{
    ServiceOnFiles bench;
    bench.registry.set_dword(lock::USBSTOR_KEY, lock::START_VALUE, 3);
    bench.registry.open_status = 5;
    bench.file_access.files[INF] = closed({});
    EXPECT_EQ(bench.ask(service::RequestKind::state).kind, service::AnswerKind::registry_failure);
}

TEST(SetupFilesThroughTheService, ALockWithAFileLeftOpenAnswersWhichAndWhy)
{
    ServiceOnFiles bench;
    bench.registry.set_dword(lock::USBSTOR_KEY, lock::START_VALUE, 3);
    bench.file_access.files[PNF] = AS_INSTALLED;
    bench.file_access.write_fails = SHARING;
    const service::Answer answer = bench.ask(service::RequestKind::lock);
    EXPECT_EQ(answer.kind, service::AnswerKind::setup_file_failure);
    EXPECT_EQ(answer.setup_file, (lock::SetupFileFailure{lock::SetupFileStep::close, PNF, 32, SHARING.description}));
    EXPECT_TRUE(answer.lock_on);
    EXPECT_EQ(bench.registry.dword(lock::USBSTOR_KEY, lock::START_VALUE), 4);
}

// The tray asks the service, which holds the lock: the tray shows the
// service's outcome as its own.
class SetupFilesTrayThroughService : public SetupFilesInTheTray {
protected:
    fakes::FakeClock clock;
    fakes::FakeEventLog service_log;
    service::LockService service{p.registry, p.file_access, p.files, p.system, clock};

    void SetUp() override
    {
        p.lock_service.failure.reset();
        p.lock_service.answer = [this](const std::vector<std::uint8_t>& request) {
            return service.answer(request, service_log);
        };
    }
};

TEST_F(SetupFilesTrayThroughService, TheWarningOfAFileLeftOpenReachesTheTray)
{
    put_files(AS_INSTALLED, AS_INSTALLED);
    p.file_access.write_fails = SHARING;
    p.file_access.failing_path = PNF;
    start_with(3);
    choose("MNU_USBLocked");
    EXPECT_TRUE(shows_icon(true));
    expect_one_warning(NOT_CLOSED);
    ASSERT_FALSE(service_log.events.empty());
    EXPECT_EQ(service_log.events.back().id, 0xC0000079u);
    EXPECT_EQ(p.events.events.size(), 1u) << "the tray logs its start only: the service logged the rest";
}

TEST_F(SetupFilesTrayThroughService, TheUnlockRefusedByAFileReachesTheTray)
{
    put_files(closed(AS_INSTALLED), closed(AS_INSTALLED));
    p.file_access.read_fails = DENIED;
    p.file_access.failing_path = INF;
    start_with(4);
    unlock_with_the_password();
    EXPECT_TRUE(shows_icon(true));
    expect_one_warning(NOT_OPENED);
    EXPECT_EQ(p.registry.dword(lock::USBSTOR_KEY, lock::START_VALUE), 4);
}

} // namespace
