#include <gtest/gtest.h>

#include "fake_platform.h"
#include "lock/usb_storage_value.h"
#include "password/passwd.h"
#include "row_names.h"
#include "service/lock_service.h"
#include "service/protocol.h"
#include "service/service_keepers.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using lock::KeeperRefusal;
using password::PasswordRefusal;
using platform::LinkFailure;
using service::Answer;
using service::AnswerKind;
using service::RequestKind;

// The direct keepers record what they were asked and answer with a failure
// of their own, which the tests recognise.
constexpr long DIRECT_STATUS = 4321;

class RecordingLockKeeper : public lock::LockKeeper {
public:
    std::vector<std::string> calls;
    program::Result<void, lock::KeeperFailure> lock() override
    {
        calls.push_back("lock");
        return own_failure();
    }
    program::Result<void, lock::KeeperFailure> unlock(const std::string& password) override
    {
        calls.push_back("unlock " + password);
        return own_failure();
    }

private:
    static lock::KeeperFailure own_failure()
    {
        return {KeeperRefusal::write_failed, {platform::RegistryStep::write, DIRECT_STATUS, false}};
    }
};

class RecordingPasswordKeeper : public password::PasswordKeeper {
public:
    std::vector<std::string> calls;
    program::Result<void, password::PasswordFailure> check(const std::string& typed, password::PasswordUse use) override
    {
        calls.push_back(std::string(use == password::PasswordUse::unlock ? "check for unlock " : "check for change ") +
                        typed);
        return own_failure();
    }
    program::Result<void, password::PasswordFailure> change(const std::string& current,
                                                            const std::string& new_password) override
    {
        calls.push_back("change " + current + " " + new_password);
        return own_failure();
    }

private:
    static password::PasswordFailure own_failure()
    {
        return {PasswordRefusal::file_failure, {password::FileAccess::write, "direct", DIRECT_STATUS, ""}};
    }
};

Bytes answer_bytes(AnswerKind kind)
{
    return service::encode_answer(Answer{kind, {}, {}});
}

Bytes registry_failure(bool denied)
{
    Answer answer{AnswerKind::registry_failure, {}, {}};
    answer.registry = {platform::RegistryStep::write, denied ? 5 : 1, denied};
    return service::encode_answer(answer);
}

Bytes file_failure()
{
    Answer answer{AnswerKind::file_failure, {}, {}};
    answer.file = {password::FileAccess::read, "C:\\WINDOWS\\system32\\PSTACK.DRV", 32, "En cours d'utilisation."};
    return service::encode_answer(answer);
}

const Bytes UNDECODABLE = {1, 0x81, 0}; // done with a field
const std::optional<LinkFailure> ANSWERS;

// --- the lock keeper --------------------------------------------------------------

struct LockRow {
    const char* name;
    bool unlocking;
    std::optional<LinkFailure> failure;
    Bytes answer;
    std::optional<KeeperRefusal> refusal; // none: done
    bool direct;                          // the direct keeper did the work
    long status = 0;                      // of the registry failure handed on
};

class ServiceLockKeeperMapping : public testing::TestWithParam<LockRow> {};

TEST_P(ServiceLockKeeperMapping, AsksOnceAndTellsWhatHappened)
{
    const LockRow& row = GetParam();
    fakes::FakeLockServiceLink link;
    link.failure = row.failure;
    link.answer = [&row](const Bytes&) { return row.answer; };
    RecordingLockKeeper direct;
    service::ServiceLockKeeper keeper(link, direct);

    const auto result = row.unlocking ? keeper.unlock("secret") : keeper.lock();

    ASSERT_EQ(link.requests.size(), 1u);
    const auto sent = service::decode_request(link.requests[0]);
    ASSERT_TRUE(sent);
    EXPECT_EQ(*sent, (row.unlocking ? service::Request{RequestKind::unlock, "secret", ""}
                                    : service::Request{RequestKind::lock, "", ""}));
    EXPECT_EQ(direct.calls, row.direct ? std::vector<std::string>{row.unlocking ? "unlock secret" : "lock"}
                                       : std::vector<std::string>{});
    if (row.direct) {
        ASSERT_FALSE(result.succeeded());
        EXPECT_EQ(result.error().registry.status, DIRECT_STATUS);
        return;
    }
    ASSERT_EQ(result.succeeded(), !row.refusal);
    if (row.refusal) {
        EXPECT_EQ(result.error().refusal, *row.refusal);
        EXPECT_EQ(result.error().registry.status, row.status);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Answers, ServiceLockKeeperMapping,
    testing::Values(
        LockRow{"lock, done", false, ANSWERS, answer_bytes(AnswerKind::done), {}, false},
        LockRow{"lock, denied write", false, ANSWERS, registry_failure(true), KeeperRefusal::not_allowed, false, 5},
        LockRow{"lock, failed write", false, ANSWERS, registry_failure(false), KeeperRefusal::write_failed, false, 1},
        LockRow{"lock, wrong password does not fit", false, ANSWERS, answer_bytes(AnswerKind::wrong_password),
                KeeperRefusal::no_answer, false},
        LockRow{"lock, too many tries does not fit", false, ANSWERS, answer_bytes(AnswerKind::too_many_tries),
                KeeperRefusal::no_answer, false},
        LockRow{"lock, a state does not fit", false, ANSWERS, answer_bytes(AnswerKind::locked),
                KeeperRefusal::no_answer, false},
        LockRow{"lock, bad request", false, ANSWERS, answer_bytes(AnswerKind::bad_request), KeeperRefusal::no_answer,
                false},
        LockRow{"lock, undecodable", false, ANSWERS, UNDECODABLE, KeeperRefusal::no_answer, false},
        LockRow{"lock, empty answer", false, ANSWERS, {}, KeeperRefusal::no_answer, false},
        LockRow{"lock, no service", false, LinkFailure::absent, {}, {}, true},
        LockRow{"lock, untrusted pipe", false, LinkFailure::untrusted, {}, {}, true},
        LockRow{"lock, denied", false, LinkFailure::denied, {}, KeeperRefusal::not_allowed, false},
        LockRow{"lock, broken", false, LinkFailure::broken, {}, KeeperRefusal::no_answer, false},
        LockRow{"unlock, done", true, ANSWERS, answer_bytes(AnswerKind::done), {}, false},
        LockRow{"unlock, wrong password", true, ANSWERS, answer_bytes(AnswerKind::wrong_password),
                KeeperRefusal::wrong_password, false},
        LockRow{"unlock, too many tries", true, ANSWERS, answer_bytes(AnswerKind::too_many_tries),
                KeeperRefusal::too_many_tries, false},
        LockRow{"unlock, denied write", true, ANSWERS, registry_failure(true), KeeperRefusal::not_allowed, false, 5},
        LockRow{"unlock, failed write", true, ANSWERS, registry_failure(false), KeeperRefusal::write_failed, false, 1},
        LockRow{"unlock, file failure", true, ANSWERS, file_failure(), KeeperRefusal::no_answer, false},
        LockRow{"unlock, a state does not fit", true, ANSWERS, answer_bytes(AnswerKind::unlocked),
                KeeperRefusal::no_answer, false},
        LockRow{"unlock, undecodable", true, ANSWERS, UNDECODABLE, KeeperRefusal::no_answer, false},
        LockRow{"unlock, no service", true, LinkFailure::absent, {}, {}, true},
        LockRow{"unlock, untrusted pipe", true, LinkFailure::untrusted, {}, {}, true},
        LockRow{"unlock, denied", true, LinkFailure::denied, {}, KeeperRefusal::not_allowed, false},
        LockRow{"unlock, broken", true, LinkFailure::broken, {}, KeeperRefusal::no_answer, false}),
    testing_support::RowName{});

// --- the password keeper ----------------------------------------------------------

enum class PasswordCall { check_for_unlock, check_for_change, change };

struct PasswordRow {
    const char* name;
    PasswordCall call;
    std::optional<LinkFailure> failure;
    Bytes answer;
    std::optional<PasswordRefusal> refusal; // none: done
    bool direct;
};

class ServicePasswordKeeperMapping : public testing::TestWithParam<PasswordRow> {};

TEST_P(ServicePasswordKeeperMapping, AsksOnceAndTellsWhatHappened)
{
    const PasswordRow& row = GetParam();
    fakes::FakeLockServiceLink link;
    link.failure = row.failure;
    link.answer = [&row](const Bytes&) { return row.answer; };
    RecordingPasswordKeeper direct;
    service::ServicePasswordKeeper keeper(link, direct);

    service::Request expected;
    std::string direct_call;
    program::Result<void, password::PasswordFailure> result;
    switch (row.call) {
    case PasswordCall::check_for_unlock:
        result = keeper.check("secret", password::PasswordUse::unlock);
        expected = {RequestKind::check_for_unlock, "secret", ""};
        direct_call = "check for unlock secret";
        break;
    case PasswordCall::check_for_change:
        result = keeper.check("secret", password::PasswordUse::change);
        expected = {RequestKind::check_for_change, "secret", ""};
        direct_call = "check for change secret";
        break;
    case PasswordCall::change:
        result = keeper.change("secret", "Neuf42");
        expected = {RequestKind::change, "secret", "Neuf42"};
        direct_call = "change secret Neuf42";
        break;
    }

    ASSERT_EQ(link.requests.size(), 1u);
    EXPECT_EQ(service::decode_request(link.requests[0]), expected);
    EXPECT_EQ(direct.calls, row.direct ? std::vector<std::string>{direct_call} : std::vector<std::string>{});
    if (row.direct) {
        ASSERT_FALSE(result.succeeded());
        EXPECT_EQ(result.error().file.code, DIRECT_STATUS);
        return;
    }
    ASSERT_EQ(result.succeeded(), !row.refusal);
    if (row.refusal) {
        EXPECT_EQ(result.error().refusal, *row.refusal);
    }
    if (row.refusal == PasswordRefusal::file_failure) {
        EXPECT_EQ(result.error().file.file, "C:\\WINDOWS\\system32\\PSTACK.DRV");
        EXPECT_EQ(result.error().file.code, 32);
        EXPECT_EQ(result.error().file.text, "En cours d'utilisation.");
    }
}

constexpr auto FOR_UNLOCK = PasswordCall::check_for_unlock;
constexpr auto CHANGE = PasswordCall::change;

INSTANTIATE_TEST_SUITE_P(
    Answers, ServicePasswordKeeperMapping,
    testing::Values(
        PasswordRow{"check, done", FOR_UNLOCK, ANSWERS, answer_bytes(AnswerKind::done), {}, false},
        PasswordRow{"check for change, done", PasswordCall::check_for_change, ANSWERS,
                    answer_bytes(AnswerKind::done), {}, false},
        PasswordRow{"check, wrong", FOR_UNLOCK, ANSWERS, answer_bytes(AnswerKind::wrong_password),
                    PasswordRefusal::wrong, false},
        PasswordRow{"check, too many tries", FOR_UNLOCK, ANSWERS, answer_bytes(AnswerKind::too_many_tries),
                    PasswordRefusal::too_many_tries, false},
        PasswordRow{"check, file failure", FOR_UNLOCK, ANSWERS, file_failure(), PasswordRefusal::file_failure, false},
        PasswordRow{"check, registry failure does not fit", FOR_UNLOCK, ANSWERS, registry_failure(true),
                    PasswordRefusal::no_answer, false},
        PasswordRow{"check, a state does not fit", FOR_UNLOCK, ANSWERS, answer_bytes(AnswerKind::locked),
                    PasswordRefusal::no_answer, false},
        PasswordRow{"check, bad request", FOR_UNLOCK, ANSWERS, answer_bytes(AnswerKind::bad_request),
                    PasswordRefusal::no_answer, false},
        PasswordRow{"check, undecodable", FOR_UNLOCK, ANSWERS, UNDECODABLE, PasswordRefusal::no_answer, false},
        PasswordRow{"check, no service", FOR_UNLOCK, LinkFailure::absent, {}, {}, true},
        PasswordRow{"check, untrusted pipe", FOR_UNLOCK, LinkFailure::untrusted, {}, {}, true},
        PasswordRow{"check, denied", FOR_UNLOCK, LinkFailure::denied, {}, PasswordRefusal::no_answer, false},
        PasswordRow{"check, broken", FOR_UNLOCK, LinkFailure::broken, {}, PasswordRefusal::no_answer, false},
        PasswordRow{"change, done", CHANGE, ANSWERS, answer_bytes(AnswerKind::done), {}, false},
        PasswordRow{"change, wrong", CHANGE, ANSWERS, answer_bytes(AnswerKind::wrong_password),
                    PasswordRefusal::wrong, false},
        PasswordRow{"change, too many tries", CHANGE, ANSWERS, answer_bytes(AnswerKind::too_many_tries),
                    PasswordRefusal::too_many_tries, false},
        PasswordRow{"change, file failure", CHANGE, ANSWERS, file_failure(), PasswordRefusal::file_failure, false},
        PasswordRow{"change, bad request", CHANGE, ANSWERS, answer_bytes(AnswerKind::bad_request),
                    PasswordRefusal::no_answer, false},
        PasswordRow{"change, no service", CHANGE, LinkFailure::absent, {}, {}, true},
        PasswordRow{"change, untrusted pipe", CHANGE, LinkFailure::untrusted, {}, {}, true},
        PasswordRow{"change, denied", CHANGE, LinkFailure::denied, {}, PasswordRefusal::no_answer, false},
        PasswordRow{"change, broken", CHANGE, LinkFailure::broken, {}, PasswordRefusal::no_answer, false}),
    testing_support::RowName{});

TEST(ServicePasswordKeeper, AnUnacceptableNewPasswordIsRefusedWithoutAsking)
{
    fakes::FakeLockServiceLink link;
    link.answer = [](const Bytes&) { return answer_bytes(AnswerKind::done); };
    RecordingPasswordKeeper direct;
    service::ServicePasswordKeeper keeper(link, direct);
    const auto result = keeper.change("secret", "N");
    ASSERT_FALSE(result.succeeded());
    EXPECT_EQ(result.error().refusal, PasswordRefusal::unacceptable);
    EXPECT_TRUE(link.requests.empty());
    EXPECT_TRUE(direct.calls.empty());
}

TEST(ServiceKeepers, APasswordLongerThanAFieldIsNoAnswerAndNothingIsSent)
{
    fakes::FakeLockServiceLink link;
    RecordingLockKeeper direct_lock;
    RecordingPasswordKeeper direct_password;
    const std::string long_password(service::MAX_FIELD_SIZE + 1, 'p');
    EXPECT_EQ(service::ServiceLockKeeper(link, direct_lock).unlock(long_password).error().refusal,
              KeeperRefusal::no_answer);
    EXPECT_EQ(service::ServicePasswordKeeper(link, direct_password)
                  .check(long_password, password::PasswordUse::unlock)
                  .error()
                  .refusal,
              PasswordRefusal::no_answer);
    EXPECT_TRUE(link.requests.empty());
    EXPECT_TRUE(direct_lock.calls.empty());
    EXPECT_TRUE(direct_password.calls.empty());
}

// --- the tray's keepers against a service in memory --------------------------------

TEST(ServiceKeepers, UnlockAndChangeThroughTheServiceWhichWritesTheAuditTrail)
{
    const std::string file = "C:\\WINDOWS\\system32\\PSTACK.DRV";
    fakes::FakeRegistry registry;
    fakes::FakeFileAccess file_access;
    fakes::FakeRecordFiles files;
    fakes::FakeSystemInfo system;
    fakes::FakeClock clock;
    registry.set_dword(lock::USBSTOR_KEY, lock::START_VALUE, lock::START_LOCKED);
    files.files[file] = password::encode_password("SECRET") + std::string(16, '\0');
    service::LockService lock_service(registry, file_access, files, system, clock);
    fakes::FakeEventLog client;
    fakes::FakeLockServiceLink link;
    link.answer = [&](const Bytes& request) { return lock_service.answer(request, client); };
    RecordingLockKeeper direct_lock;
    RecordingPasswordKeeper direct_password;
    service::ServiceLockKeeper locks(link, direct_lock);
    service::ServicePasswordKeeper passwords(link, direct_password);

    EXPECT_EQ(locks.unlock("guess").error().refusal, KeeperRefusal::wrong_password);
    EXPECT_EQ(registry.dword(lock::USBSTOR_KEY, lock::START_VALUE), 4);
    EXPECT_TRUE(locks.unlock("secret").succeeded());
    EXPECT_EQ(registry.dword(lock::USBSTOR_KEY, lock::START_VALUE), 3);
    EXPECT_TRUE(passwords.change("secret", "Neuf42").succeeded());
    EXPECT_EQ(password::decode_password(files.files[file].substr(0, 16)), "NEUF42");
    EXPECT_TRUE(locks.lock().succeeded());
    EXPECT_EQ(registry.dword(lock::USBSTOR_KEY, lock::START_VALUE), 4);

    std::vector<std::uint32_t> ids;
    for (const auto& event : client.events)
        ids.push_back(event.id);
    EXPECT_EQ(ids, (std::vector<std::uint32_t>{program::EVENT_WRONG_PASSWORD, program::EVENT_UNLOCKED,
                                               program::EVENT_PASSWORD_CHANGED, program::EVENT_LOCKED}));
    EXPECT_TRUE(direct_lock.calls.empty());
    EXPECT_TRUE(direct_password.calls.empty());
}

} // namespace
