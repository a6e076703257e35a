#include <gtest/gtest.h>

#include "fake_platform.h"
#include "lock/usb_storage_value.h"
#include "password/passwd.h"
#include "row_names.h"
#include "service/lock_service.h"
#include "service/protocol.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using service::AnswerKind;
using service::Request;
using service::RequestKind;

const std::string PASSWORD_FILE = "C:\\WINDOWS\\system32\\PSTACK.DRV";
const std::string CLIENT = "POSTE-017\\jmartin";
constexpr std::uint32_t PAUSE = service::PAUSE_AFTER_WRONG_TRIES_MS;

Request request(RequestKind kind, std::string password = "", std::string new_password = "")
{
    return Request{kind, std::move(password), std::move(new_password)};
}

enum class Start { locked, unlocked, none };
enum class File { holds_secret, missing, unreadable, cut_short };

// A lock service on the fakes; the password file holds "SECRET" unless told.
struct ServiceBench {
    fakes::FakeRegistry registry;
    fakes::FakeFileAccess file_access;
    fakes::FakeRecordFiles files;
    fakes::FakeSystemInfo system;
    fakes::FakeClock clock;
    service::LockService service{registry, file_access, files, system, clock};
    fakes::FakeEventLog client; // the log in the name of the user who asks

    explicit ServiceBench(Start start = Start::locked, File file = File::holds_secret)
    {
        client.user = CLIENT;
        registry.keys[lock::USBSTOR_KEY] = {};
        if (start != Start::none)
            registry.set_dword(lock::USBSTOR_KEY, lock::START_VALUE,
                               start == Start::locked ? lock::START_LOCKED : lock::START_UNLOCKED);
        switch (file) {
        case File::holds_secret: files.files[PASSWORD_FILE] = password::encode_password("SECRET") + std::string(16, '\0'); break;
        case File::missing: break;
        case File::unreadable: files.fail_with = platform::FileError{5, "Acc\xE8s refus\xE9.", false}; break;
        case File::cut_short: files.files[PASSWORD_FILE] = password::encode_password("SECRET").substr(0, 10); break;
        }
    }

    AnswerKind send(const Bytes& message, fakes::FakeEventLog& log)
    {
        const auto answer = service::decode_answer(service.answer(message, log));
        EXPECT_TRUE(answer) << "the service's answer decodes";
        return answer ? answer->kind : AnswerKind::bad_request;
    }
    AnswerKind ask(const Request& request) { return send(*service::encode_request(request), client); }
    AnswerKind unlock(const std::string& typed) { return ask({RequestKind::unlock, typed, ""}); }

    long long start() const { return registry.dword(lock::USBSTOR_KEY, lock::START_VALUE); }
    std::string stored_password() { return password::decode_password(files.files[PASSWORD_FILE].substr(0, 16)); }
    std::vector<std::uint32_t> event_ids() const
    {
        std::vector<std::uint32_t> ids;
        for (const auto& event : client.events)
            ids.push_back(event.id);
        return ids;
    }
    void wrong_tries(int count)
    {
        for (int i = 0; i < count; ++i)
            ASSERT_EQ(unlock("guess"), AnswerKind::wrong_password) << "try " << i + 1;
    }
};

// --- every request against the lock, the password file and the counts -------------

struct ServiceRow {
    const char* name;
    Start start;
    File file;
    Request request;
    AnswerKind answer;
    long long start_after; // -1: no value
    std::optional<std::string> new_password; // none: the file is left as it was
    std::vector<std::uint32_t> events;
};

class LockServiceRequest : public testing::TestWithParam<ServiceRow> {};

TEST_P(LockServiceRequest, AnswersChangesAndLogsInTheClientsName)
{
    const ServiceRow& row = GetParam();
    ServiceBench bench(row.start, row.file);
    const std::map<std::string, std::string> files_before = bench.files.files;

    EXPECT_EQ(bench.ask(row.request), row.answer);
    EXPECT_EQ(bench.start(), row.start_after);
    if (row.new_password) {
        EXPECT_EQ(bench.stored_password(), *row.new_password);
    } else {
        EXPECT_EQ(bench.files.files, files_before);
    }
    EXPECT_EQ(bench.event_ids(), row.events);
    for (const auto& event : bench.client.events)
        EXPECT_EQ(event.inserts.at(0), CLIENT);
}

using namespace program;
constexpr auto LOCKED = Start::locked;
constexpr auto UNLOCKED = Start::unlocked;
constexpr auto SECRET = File::holds_secret;

INSTANTIATE_TEST_SUITE_P(
    Requests, LockServiceRequest,
    testing::Values(
        ServiceRow{"state, locked", LOCKED, SECRET, request(RequestKind::state), AnswerKind::locked, 4, {}, {}},
        ServiceRow{"state, unlocked", UNLOCKED, SECRET, request(RequestKind::state), AnswerKind::unlocked, 3, {}, {}},
        ServiceRow{"state, no value", Start::none, SECRET, request(RequestKind::state), AnswerKind::registry_failure, -1,
                   {}, {}},
        ServiceRow{"lock, unlocked", UNLOCKED, SECRET, request(RequestKind::lock), AnswerKind::done, 4, {}, {EVENT_LOCKED}},
        ServiceRow{"lock, locked", LOCKED, SECRET, request(RequestKind::lock), AnswerKind::done, 4, {}, {EVENT_LOCKED}},
        ServiceRow{"lock, no value", Start::none, SECRET, request(RequestKind::lock), AnswerKind::done, 4, {},
                   {EVENT_LOCKED}},
        ServiceRow{"lock needs no readable file", UNLOCKED, File::unreadable, request(RequestKind::lock), AnswerKind::done,
                   4, {}, {EVENT_LOCKED}},
        ServiceRow{"unlock, the password", LOCKED, SECRET, request(RequestKind::unlock, "secret"), AnswerKind::done, 3, {},
                   {EVENT_UNLOCKED}},
        ServiceRow{"unlock, no value", Start::none, SECRET, request(RequestKind::unlock, "SECRET"), AnswerKind::done, 3, {},
                   {EVENT_UNLOCKED}},
        ServiceRow{"unlock, unlocked", UNLOCKED, SECRET, request(RequestKind::unlock, "SECRET"), AnswerKind::done, 3, {},
                   {EVENT_UNLOCKED}},
        ServiceRow{"unlock, wrong password", LOCKED, SECRET, request(RequestKind::unlock, "secrets"),
                   AnswerKind::wrong_password, 4, {}, {EVENT_WRONG_PASSWORD}},
        ServiceRow{"unlock, empty password", LOCKED, SECRET, request(RequestKind::unlock, ""), AnswerKind::wrong_password,
                   4, {}, {EVENT_WRONG_PASSWORD}},
        ServiceRow{"unlock, no file, empty password", LOCKED, File::missing, request(RequestKind::unlock, ""),
                   AnswerKind::done, 3, {}, {EVENT_UNLOCKED}},
        ServiceRow{"unlock, no file, a password", LOCKED, File::missing, request(RequestKind::unlock, "secret"),
                   AnswerKind::wrong_password, 4, {}, {EVENT_WRONG_PASSWORD}},
        ServiceRow{"unlock, unreadable file", LOCKED, File::unreadable, request(RequestKind::unlock, "secret"),
                   AnswerKind::file_failure, 4, {}, {EVENT_PASSWORD_FILE_UNREADABLE}},
        ServiceRow{"unlock, file cut short", LOCKED, File::cut_short, request(RequestKind::unlock, "secret"),
                   AnswerKind::file_failure, 4, {}, {EVENT_PASSWORD_FILE_UNREADABLE}},
        ServiceRow{"check for unlock, the password", LOCKED, SECRET, request(RequestKind::check_for_unlock, "secret"),
                   AnswerKind::done, 4, {}, {}},
        ServiceRow{"check for unlock, wrong password", LOCKED, SECRET, request(RequestKind::check_for_unlock, "x"),
                   AnswerKind::wrong_password, 4, {}, {EVENT_WRONG_PASSWORD}},
        ServiceRow{"check for unlock, unreadable file", LOCKED, File::unreadable,
                   request(RequestKind::check_for_unlock, "secret"), AnswerKind::file_failure, 4, {},
                   {EVENT_PASSWORD_FILE_UNREADABLE}},
        ServiceRow{"check for change, the password", UNLOCKED, SECRET, request(RequestKind::check_for_change, "SECRET"),
                   AnswerKind::done, 3, {}, {}},
        ServiceRow{"check for change, wrong password", UNLOCKED, SECRET, request(RequestKind::check_for_change, "SECRE"),
                   AnswerKind::wrong_password, 3, {}, {EVENT_WRONG_CURRENT_PASSWORD}},
        ServiceRow{"check for change, file cut short", UNLOCKED, File::cut_short,
                   request(RequestKind::check_for_change, "SECRET"), AnswerKind::file_failure, 3, {},
                   {EVENT_PASSWORD_FILE_UNREADABLE}},
        ServiceRow{"change, the password", LOCKED, SECRET, request(RequestKind::change, "secret", "Neuf42"),
                   AnswerKind::done, 4, "NEUF42", {EVENT_PASSWORD_CHANGED}},
        ServiceRow{"change, wrong current password", LOCKED, SECRET, request(RequestKind::change, "neuf42", "Neuf42"),
                   AnswerKind::wrong_password, 4, {}, {EVENT_WRONG_CURRENT_PASSWORD}},
        ServiceRow{"change, no file, empty current password", LOCKED, File::missing, request(RequestKind::change, "", "Neuf42"),
                   AnswerKind::done, 4, "NEUF42", {EVENT_PASSWORD_CHANGED}},
        ServiceRow{"change, unreadable file", LOCKED, File::unreadable, request(RequestKind::change, "secret", "Neuf42"),
                   AnswerKind::file_failure, 4, {}, {EVENT_PASSWORD_FILE_UNREADABLE}},
        ServiceRow{"change, file cut short", LOCKED, File::cut_short, request(RequestKind::change, "secret", "Neuf42"),
                   AnswerKind::file_failure, 4, {}, {EVENT_PASSWORD_FILE_UNREADABLE}},
        ServiceRow{"change to a password too short", LOCKED, SECRET, request(RequestKind::change, "secret", "N"),
                   AnswerKind::bad_request, 4, {}, {}},
        ServiceRow{"change to a password too short, wrong current one", LOCKED, SECRET,
                   request(RequestKind::change, "guess", "N"), AnswerKind::bad_request, 4, {}, {}},
        ServiceRow{"change to a password with a quote", LOCKED, SECRET, request(RequestKind::change, "secret", "ab\"cd"),
                   AnswerKind::bad_request, 4, {}, {}}),
    testing_support::RowName{});

TEST(LockService, AnUnwritableStartValueIsARegistryFailureThatSaysWhetherRightsWereMissing)
{
    for (const long status : {5L, 1L}) {
        ServiceBench bench(Start::locked);
        bench.registry.set_status = status;
        const auto answer =
            service::decode_answer(bench.service.answer(*service::encode_request(request(RequestKind::unlock, "secret")),
                                                        bench.client));
        ASSERT_TRUE(answer);
        EXPECT_EQ(answer->kind, AnswerKind::registry_failure);
        EXPECT_EQ(answer->registry.step, platform::RegistryStep::write);
        EXPECT_EQ(answer->registry.status, status);
        EXPECT_EQ(answer->registry.access_denied, status == 5);
        EXPECT_EQ(bench.start(), 4);
    }
}

TEST(LockService, AnUnreadableFileIsAFileFailureWithTheSystemsCodeAndText)
{
    ServiceBench bench(Start::locked, File::unreadable);
    const auto answer = service::decode_answer(
        bench.service.answer(*service::encode_request(request(RequestKind::check_for_unlock, "secret")), bench.client));
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->kind, AnswerKind::file_failure);
    EXPECT_EQ(answer->file.access, password::FileAccess::read);
    EXPECT_EQ(answer->file.file, PASSWORD_FILE);
    EXPECT_EQ(answer->file.code, 5);
    EXPECT_EQ(answer->file.text, "Acc\xE8s refus\xE9.");
}

// --- malformed requests ----------------------------------------------------------

TEST(LockService, AMalformedRequestIsABadRequestAndChangesNothing)
{
    Bytes unlock = *service::encode_request(request(RequestKind::unlock, "secret"));
    Bytes trailing = unlock;
    trailing.push_back(0);
    Bytes version_2 = unlock;
    version_2[0] = 2;
    Bytes cut = unlock;
    cut.pop_back();
    Bytes change = *service::encode_request(request(RequestKind::change, "secret", "Neuf42"));
    change.push_back(0);
    for (const Bytes& message : {trailing, version_2, cut, change, Bytes{}, Bytes(300, 1)}) {
        ServiceBench bench;
        const auto files_before = bench.files.files;
        EXPECT_EQ(bench.send(message, bench.client), AnswerKind::bad_request);
        EXPECT_EQ(bench.start(), 4);
        EXPECT_EQ(bench.files.files, files_before);
        EXPECT_TRUE(bench.registry.calls.empty());
        EXPECT_TRUE(bench.client.events.empty());
    }
}

// --- the pause after wrong passwords ----------------------------------------------

struct ThrottleRow {
    const char* name;
    int wrong_tries;           // in a row, just before
    std::uint32_t ms_after;    // since the last of them
    std::string typed;         // to unlock
    AnswerKind answer;
    long long start_after;
    bool pause_starts;         // the event, and the right password refused next
};

class LockServiceThrottle : public testing::TestWithParam<ThrottleRow> {};

TEST_P(LockServiceThrottle, RefusesEveryPasswordDuringAPause)
{
    const ThrottleRow& row = GetParam();
    ServiceBench bench;
    bench.clock.now_ms = 1'000'000;
    bench.wrong_tries(row.wrong_tries);
    bench.clock.advance(row.ms_after);
    bench.client.events.clear();

    EXPECT_EQ(bench.unlock(row.typed), row.answer);
    EXPECT_EQ(bench.start(), row.start_after);
    const bool event = !bench.client.events.empty() && bench.client.events.back().id == program::EVENT_TOO_MANY_TRIES;
    EXPECT_EQ(event, row.pause_starts);
    if (row.pause_starts) {
        EXPECT_EQ(bench.client.events.back().type, platform::EventType::warning);
        EXPECT_EQ(bench.unlock("SECRET"), AnswerKind::too_many_tries);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Counts, LockServiceThrottle,
    testing::Values(
        ThrottleRow{"4 wrong, then right", 4, 0, "SECRET", AnswerKind::done, 3, false},
        ThrottleRow{"4 wrong, then wrong", 4, 0, "guess", AnswerKind::wrong_password, 4, true},
        ThrottleRow{"5 wrong, right at once", 5, 0, "SECRET", AnswerKind::too_many_tries, 4, false},
        ThrottleRow{"5 wrong, wrong at once", 5, 0, "guess", AnswerKind::too_many_tries, 4, false},
        ThrottleRow{"5 wrong, right at the pause's last millisecond", 5, PAUSE - 1, "SECRET",
                    AnswerKind::too_many_tries, 4, false},
        ThrottleRow{"5 wrong, right after the pause", 5, PAUSE, "SECRET", AnswerKind::done, 3, false},
        ThrottleRow{"5 wrong, wrong after the pause", 5, PAUSE, "guess", AnswerKind::wrong_password, 4, true},
        ThrottleRow{"5 wrong, wrong a day later", 5, 86'400'000, "guess", AnswerKind::wrong_password, 4, true}),
    testing_support::RowName{});

TEST(LockServiceThrottle, RefusalsDuringThePauseNeitherCountNorExtendIt)
{
    ServiceBench bench;
    bench.wrong_tries(5);
    bench.client.events.clear();
    for (int i = 0; i < 10; ++i) {
        bench.clock.advance(PAUSE / 20);
        EXPECT_EQ(bench.unlock("guess"), AnswerKind::too_many_tries);
    }
    EXPECT_TRUE(bench.client.events.empty()) << "a refusal is no wrong password";
    bench.clock.advance(PAUSE / 2);
    EXPECT_EQ(bench.unlock("secret"), AnswerKind::done);
}

TEST(LockServiceThrottle, ARightPasswordAfterThePauseStartsTheCountAgain)
{
    ServiceBench bench;
    bench.wrong_tries(5);
    bench.clock.advance(PAUSE);
    EXPECT_EQ(bench.ask(request(RequestKind::check_for_unlock, "secret")), AnswerKind::done);
    bench.wrong_tries(4);
    EXPECT_EQ(bench.unlock("secret"), AnswerKind::done);
}

TEST(LockServiceThrottle, WrongPasswordsOfEveryRequestCountTogether)
{
    ServiceBench bench;
    EXPECT_EQ(bench.unlock("guess"), AnswerKind::wrong_password);
    EXPECT_EQ(bench.ask(request(RequestKind::check_for_unlock, "guess")), AnswerKind::wrong_password);
    EXPECT_EQ(bench.ask(request(RequestKind::check_for_change, "guess")), AnswerKind::wrong_password);
    EXPECT_EQ(bench.ask(request(RequestKind::change, "guess", "Neuf42")), AnswerKind::wrong_password);
    EXPECT_EQ(bench.ask(request(RequestKind::check_for_change, "guess")), AnswerKind::wrong_password);
    EXPECT_EQ(bench.ask(request(RequestKind::change, "secret", "Neuf42")), AnswerKind::too_many_tries);
    EXPECT_EQ(bench.stored_password(), "SECRET");
    EXPECT_EQ(bench.ask(request(RequestKind::check_for_change, "secret")), AnswerKind::too_many_tries);
    EXPECT_EQ(bench.ask(request(RequestKind::check_for_unlock, "secret")), AnswerKind::too_many_tries);
}

TEST(LockServiceThrottle, LockAndStateAreAnsweredDuringThePause)
{
    ServiceBench bench(Start::unlocked);
    bench.wrong_tries(5);
    EXPECT_EQ(bench.ask(request(RequestKind::lock)), AnswerKind::done);
    EXPECT_EQ(bench.ask(request(RequestKind::state)), AnswerKind::locked);
}

TEST(LockServiceThrottle, AnUnreadableFileNeitherCountsNorStartsTheCountAgain)
{
    ServiceBench bench;
    bench.wrong_tries(4);
    bench.files.fail_with = platform::FileError{32, "Fichier en cours d'utilisation.", false};
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(bench.unlock("secret"), AnswerKind::file_failure);
    bench.files.fail_with.reset();
    EXPECT_EQ(bench.unlock("guess"), AnswerKind::wrong_password);
    EXPECT_EQ(bench.unlock("secret"), AnswerKind::too_many_tries);
}

TEST(LockServiceThrottle, ThePauseLastsAcrossTheClocksWrap)
{
    ServiceBench bench;
    bench.clock.now_ms = 0xFFFFFFFFu - PAUSE / 2;
    bench.wrong_tries(5);
    bench.clock.advance(1000); // before 2^32
    EXPECT_EQ(bench.unlock("secret"), AnswerKind::too_many_tries);
    bench.clock.advance(PAUSE - 1001); // past 2^32
    EXPECT_EQ(bench.unlock("secret"), AnswerKind::too_many_tries);
    bench.clock.advance(1);
    EXPECT_EQ(bench.unlock("secret"), AnswerKind::done);
}

TEST(LockServiceThrottle, TheCountIsTheMachinesAndThePauseEventNamesTheLastUser)
{
    ServiceBench bench;
    bench.wrong_tries(4);
    fakes::FakeEventLog other;
    other.user = "POSTE-017\\lbernard";
    EXPECT_EQ(bench.send(*service::encode_request(request(RequestKind::unlock, "guess")), other),
              AnswerKind::wrong_password);
    ASSERT_EQ(other.events.size(), 2u);
    EXPECT_EQ(other.events[1], (fakes::FakeEventLog::Event{platform::EventType::warning,
                                                           program::EVENT_TOO_MANY_TRIES, {other.user}}));
    EXPECT_EQ(bench.unlock("secret"), AnswerKind::too_many_tries);
}

// --- no unlock and no new password without the password ---------------------------

// Every sequence of four steps from requests that do not carry the password
// (some carry it where it does not count), with the time passing: the lock
// stays on and the password as it was.
TEST(LockServiceInvariant, NoSequenceUnlocksOrChangesThePasswordWithoutIt)
{
    Bytes unlock_with_trailing_byte = *service::encode_request(request(RequestKind::unlock, "SECRET"));
    unlock_with_trailing_byte.push_back(0);
    const std::vector<std::optional<Bytes>> steps = {
        service::encode_request(request(RequestKind::state)),
        service::encode_request(request(RequestKind::lock)),
        service::encode_request(request(RequestKind::unlock, "guess")),
        service::encode_request(request(RequestKind::unlock, "")),
        service::encode_request(request(RequestKind::check_for_unlock, "SECRET")),
        service::encode_request(request(RequestKind::check_for_change, "secret")),
        service::encode_request(request(RequestKind::change, "guess", "Neuf42")),
        service::encode_request(request(RequestKind::change, "", "SECRET")),
        unlock_with_trailing_byte,
        std::nullopt, // a pause's worth of time passes
    };
    const std::size_t n = steps.size();
    for (std::size_t sequence = 0; sequence < n * n * n * n; ++sequence) {
        ServiceBench bench;
        const auto file_before = bench.files.files;
        for (std::size_t at = sequence, i = 0; i < 4; ++i, at /= n) {
            const auto& step = steps[at % n];
            if (step)
                bench.send(*step, bench.client);
            else
                bench.clock.advance(PAUSE);
        }
        ASSERT_EQ(bench.start(), 4) << "sequence " << sequence;
        ASSERT_EQ(bench.files.files, file_before) << "sequence " << sequence;
    }
}

} // namespace
