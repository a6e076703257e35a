#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "fake_platform.h"
#include "lock/lock_keeper.h"
#include "lock/usb_storage_value.h"
#include "password/passwd.h"
#include "password/password_keeper.h"
#include "row_names.h"

namespace {

using Event = fakes::FakeEventLog::Event;
using platform::EventType;
using password::PasswordRefusal;
using password::PasswordUse;

const std::string PASSWORD_FILE = "C:\\WINDOWS\\system32\\PSTACK.DRV";
const std::string USER = "POSTE-042\\mdurand";

constexpr std::uint32_t WRONG_PASSWORD_EVENT = 0x80000070;
constexpr std::uint32_t WRONG_CURRENT_PASSWORD_EVENT = 0x80000077;
constexpr std::uint32_t FILE_UNREADABLE_EVENT = 0xC0000075;
constexpr std::uint32_t PASSWORD_CHANGED_EVENT = 0x00000071;

class FilePasswordKeeper : public testing::Test {
protected:
    fakes::FakePlatform p;
    audit::AuditTrail audit{p.events};
    password::FilePasswordKeeper keeper{p.files, p.system, audit};

    void store(const std::string& plain)
    {
        p.files.files[PASSWORD_FILE] = password::encode_password(plain) + std::string(16, 'R');
    }
    std::string stored() { return password::decode_password(p.files.files[PASSWORD_FILE].substr(0, 16)); }
};

// How the password file stands when a password is checked.
enum class FileState { holds_secret, none, unreadable, no_windows_folder };

struct CheckCase {
    const char* name;
    FileState file;
    const char* typed;
    PasswordUse use;
    std::optional<PasswordRefusal> refusal; // none: accepted
    std::vector<Event> events;
};

class PasswordCheck : public FilePasswordKeeper, public testing::WithParamInterface<CheckCase> {};

TEST_P(PasswordCheck, AcceptsOnlyTheStoredPasswordAndLogsWhatWasRefused)
{
    const auto& c = GetParam();
    switch (c.file) {
    case FileState::holds_secret: store("SECRET"); break;
    case FileState::none: break;
    case FileState::unreadable:
        store("SECRET");
        p.files.fail_with = platform::FileError{5, "Acc\xE8s refus\xE9."};
        break;
    case FileState::no_windows_folder:
        store("SECRET");
        p.system.windows_folder = "";
        break;
    }
    const auto checked = keeper.check(c.typed, c.use);
    if (c.refusal) {
        ASSERT_FALSE(checked.succeeded());
        EXPECT_EQ(checked.error().refusal, *c.refusal);
    } else {
        EXPECT_TRUE(checked.succeeded());
    }
    EXPECT_EQ(p.events.events, c.events);
}

const Event wrong_to_unlock{EventType::audit_failure, WRONG_PASSWORD_EVENT, {USER}};
const Event wrong_to_change{EventType::audit_failure, WRONG_CURRENT_PASSWORD_EVENT, {USER}};
const Event unreadable{EventType::error, FILE_UNREADABLE_EVENT, {USER, PASSWORD_FILE, "5", "Acc\xE8s refus\xE9."}};

INSTANTIATE_TEST_SUITE_P(
    Cases, PasswordCheck,
    testing::Values(
        CheckCase{"RightInAnyCase", FileState::holds_secret, "sEcReT", PasswordUse::unlock, std::nullopt, {}},
        CheckCase{"WrongToUnlock", FileState::holds_secret, "secre", PasswordUse::unlock, PasswordRefusal::wrong,
                  {wrong_to_unlock}},
        CheckCase{"WrongToChange", FileState::holds_secret, "secrets", PasswordUse::change, PasswordRefusal::wrong,
                  {wrong_to_change}},
        CheckCase{"NoFileTheEmptyPassword", FileState::none, "", PasswordUse::unlock, std::nullopt, {}},
        CheckCase{"NoFileAnythingElseIsWrong", FileState::none, "x", PasswordUse::unlock, PasswordRefusal::wrong,
                  {wrong_to_unlock}},
        CheckCase{"UnreadableFile", FileState::unreadable, "secret", PasswordUse::unlock,
                  PasswordRefusal::file_failure, {unreadable}},
        CheckCase{"NoWindowsFolder", FileState::no_windows_folder, "secret", PasswordUse::unlock,
                  PasswordRefusal::file_failure,
                  {{EventType::error, FILE_UNREADABLE_EVENT, {USER, "PSTACK.DRV", "3", "Le dossier Windows est introuvable."}}}}),
    testing_support::RowName{});

TEST_F(FilePasswordKeeper, AChangeChecksTheCurrentPasswordAgainAndKeepsTheReserve)
{
    store("OLD");
    const auto refused = keeper.change("olx", "new");
    ASSERT_FALSE(refused.succeeded());
    EXPECT_EQ(refused.error().refusal, PasswordRefusal::wrong);
    EXPECT_EQ(stored(), "OLD");

    EXPECT_TRUE(keeper.change("old", "new").succeeded());
    EXPECT_EQ(stored(), "NEW");
    EXPECT_EQ(p.files.files[PASSWORD_FILE].substr(16), std::string(16, 'R'));
    EXPECT_EQ(p.events.events, (std::vector<Event>{wrong_to_change, {EventType::audit_success, PASSWORD_CHANGED_EVENT, {USER}}}));
}

TEST_F(FilePasswordKeeper, ANewPasswordBreakingTheRuleIsNotStored)
{
    store("OLD");
    for (const char* bad : {"a\"b", "ab\\", "x", "123456789"}) {
        const auto refused = keeper.change("old", bad);
        ASSERT_FALSE(refused.succeeded()) << bad;
        EXPECT_EQ(refused.error().refusal, PasswordRefusal::unacceptable) << bad;
    }
    EXPECT_EQ(stored(), "OLD");
    EXPECT_TRUE(p.events.events.empty());
}

TEST_F(FilePasswordKeeper, AFailedWriteIsAFileFailureAndNotAChange)
{
    store("OLD");
    p.files.fail_writes_with = platform::FileError{5, "Acc\xE8s refus\xE9."};
    const auto refused = keeper.change("old", "new");
    ASSERT_FALSE(refused.succeeded());
    EXPECT_EQ(refused.error().refusal, PasswordRefusal::file_failure);
    EXPECT_EQ(refused.error().file.access, password::FileAccess::write);
    EXPECT_EQ(stored(), "OLD");
    EXPECT_TRUE(p.events.events.empty());
}

struct RegistryCase {
    const char* name;
    bool locking;
    long open_status, set_status, close_status;
    std::optional<lock::KeeperRefusal> refusal;
    long long start_after;
    std::vector<Event> events;
};

class RegistryLockKeeper : public testing::TestWithParam<RegistryCase> {
protected:
    fakes::FakePlatform p;
    audit::AuditTrail audit{p.events};
    lock::DriverSetupFiles setup_files{p.file_access, p.system};
    lock::RegistryLockKeeper keeper{p.registry, setup_files, audit};
};

// The registry keeper trusts its caller with the password, and logs each
// write it made or could not make.
TEST_P(RegistryLockKeeper, WritesTheValueAndLogsIt)
{
    const auto& c = GetParam();
    p.registry.set_dword(lock::USBSTOR_KEY, "Start", c.locking ? 3 : 4);
    p.registry.open_status = c.open_status;
    p.registry.set_status = c.set_status;
    p.registry.close_status = c.close_status;
    const auto done = c.locking ? keeper.lock() : keeper.unlock("anything");
    if (c.refusal) {
        ASSERT_FALSE(done.succeeded());
        EXPECT_EQ(done.error().refusal, *c.refusal);
    } else {
        EXPECT_TRUE(done.succeeded());
    }
    EXPECT_EQ(p.registry.dword(lock::USBSTOR_KEY, "Start"), c.start_after);
    EXPECT_EQ(p.events.events, c.events);
}

const Event write_denied{EventType::error, 0xC0000073, {USER, "Acc\xE8s refus\xE9."}};

INSTANTIATE_TEST_SUITE_P(
    Cases, RegistryLockKeeper,
    testing::Values(
        RegistryCase{"Lock", true, 0, 0, 0, std::nullopt, 4, {{EventType::audit_success, 0x6E, {USER}}}},
        RegistryCase{"Unlock", false, 0, 0, 0, std::nullopt, 3, {{EventType::audit_success, 0x6F, {USER}}}},
        RegistryCase{"LockOpenDenied", true, 5, 0, 0, lock::KeeperRefusal::not_allowed, 3, {write_denied}},
        RegistryCase{"UnlockSetDenied", false, 0, 5, 0, lock::KeeperRefusal::not_allowed, 4, {write_denied}},
        RegistryCase{"LockSetFailed", true, 0, 1018, 0, lock::KeeperRefusal::write_failed, 3,
                     {{EventType::error, 0xC0000073, {USER, "Erreur 1018."}}}},
        RegistryCase{"UnlockCloseFailed", false, 0, 0, 6, lock::KeeperRefusal::write_failed, 3,
                     {{EventType::error, 0xC0000073, {USER, "Erreur 6."}}}}),
    testing_support::RowName{});

} // namespace
