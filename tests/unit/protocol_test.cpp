#include <gtest/gtest.h>

#include "row_names.h"
#include "service/protocol.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using service::Answer;
using service::AnswerKind;
using service::Request;
using service::RequestKind;

const std::string LONGEST_FIELD(service::MAX_FIELD_SIZE, 'x');

// --- round trips ------------------------------------------------------------------

struct RequestRow {
    const char* name;
    Request request;
};

class RequestRoundTrip : public testing::TestWithParam<RequestRow> {};

TEST_P(RequestRoundTrip, DecodesToWhatWasEncoded)
{
    const auto message = service::encode_request(GetParam().request);
    ASSERT_TRUE(message);
    EXPECT_LE(message->size(), service::MAX_MESSAGE_SIZE);
    EXPECT_EQ(service::decode_request(*message), GetParam().request);
    EXPECT_FALSE(service::decode_answer(*message)) << "a request is no answer";
}

INSTANTIATE_TEST_SUITE_P(
    Requests, RequestRoundTrip,
    testing::Values(RequestRow{"state", {RequestKind::state, "", ""}},
                    RequestRow{"lock", {RequestKind::lock, "", ""}},
                    RequestRow{"unlock", {RequestKind::unlock, "secret", ""}},
                    RequestRow{"unlock with an empty password", {RequestKind::unlock, "", ""}},
                    RequestRow{"unlock with NUL and accented bytes", {RequestKind::unlock, std::string("a\0\xE9", 3), ""}},
                    RequestRow{"check for unlock", {RequestKind::check_for_unlock, "secret", ""}},
                    RequestRow{"check for change", {RequestKind::check_for_change, "secret", ""}},
                    RequestRow{"change", {RequestKind::change, "old", "new"}},
                    RequestRow{"change with longest fields", {RequestKind::change, LONGEST_FIELD, LONGEST_FIELD}}),
    testing_support::RowName{});

struct AnswerRow {
    const char* name;
    Answer answer;
};

class AnswerRoundTrip : public testing::TestWithParam<AnswerRow> {};

TEST_P(AnswerRoundTrip, DecodesToWhatWasEncoded)
{
    const Bytes message = service::encode_answer(GetParam().answer);
    EXPECT_LE(message.size(), service::MAX_MESSAGE_SIZE);
    EXPECT_EQ(service::decode_answer(message), GetParam().answer);
    EXPECT_FALSE(service::decode_request(message)) << "an answer is no request";
}

Answer file_failure(password::FileAccess access, std::string file, long code, std::string text)
{
    Answer answer{AnswerKind::file_failure, {}, {}};
    answer.file = {access, std::move(file), code, std::move(text)};
    return answer;
}

Answer registry_failure(platform::RegistryStep step, long status, bool denied)
{
    Answer answer{AnswerKind::registry_failure, {}, {}};
    answer.registry = {step, status, denied};
    return answer;
}

Answer setup_file_failure(lock::SetupFileStep step, bool lock_on, std::string file, long code, std::string text)
{
    Answer answer{AnswerKind::setup_file_failure, {}, {}};
    answer.setup_file = {step, std::move(file), code, std::move(text)};
    answer.lock_on = lock_on;
    return answer;
}

INSTANTIATE_TEST_SUITE_P(
    Answers, AnswerRoundTrip,
    testing::Values(
        AnswerRow{"done", {AnswerKind::done, {}, {}}}, AnswerRow{"locked", {AnswerKind::locked, {}, {}}},
        AnswerRow{"unlocked", {AnswerKind::unlocked, {}, {}}},
        AnswerRow{"wrong password", {AnswerKind::wrong_password, {}, {}}},
        AnswerRow{"too many tries", {AnswerKind::too_many_tries, {}, {}}},
        AnswerRow{"bad request", {AnswerKind::bad_request, {}, {}}},
        AnswerRow{"file failure on read",
                  file_failure(password::FileAccess::read, "C:\\WINDOWS\\system32\\PSTACK.DRV", 5, "Acc\xE8s refus\xE9.")},
        AnswerRow{"file failure on write with a negative code",
                  file_failure(password::FileAccess::write, "PSTACK.DRV", -2147024891L, "")},
        AnswerRow{"file failure with longest texts",
                  file_failure(password::FileAccess::write, LONGEST_FIELD, 2147483647L, LONGEST_FIELD)},
        AnswerRow{"registry failure denied", registry_failure(platform::RegistryStep::write, 5, true)},
        AnswerRow{"registry failure on close", registry_failure(platform::RegistryStep::close, -1, false)},
        AnswerRow{"registry failure on open", registry_failure(platform::RegistryStep::open, 2, false)},
        AnswerRow{"setup file not closed, lock on",
                  setup_file_failure(lock::SetupFileStep::close, true, "C:\\WINDOWS\\Inf\\Usbstor.pnf", 5,
                                     "Acc\xE8s refus\xE9.")},
        AnswerRow{"setup file not closed, lock off",
                  setup_file_failure(lock::SetupFileStep::close, false, "C:\\WINDOWS\\Inf\\Usbstor.inf", 32, "")},
        AnswerRow{"setup file not opened", setup_file_failure(lock::SetupFileStep::open, true, "Usbstor.inf", -1, "x")},
        AnswerRow{"setup file failure with longest texts",
                  setup_file_failure(lock::SetupFileStep::open, true, LONGEST_FIELD, 2147483647L, LONGEST_FIELD)}),
    testing_support::RowName{});

TEST(Protocol, AnswerTextsLongerThanAFieldAreCut)
{
    const std::string long_text(service::MAX_FIELD_SIZE + 30, 'y');
    const auto decoded = service::decode_answer(
        service::encode_answer(file_failure(password::FileAccess::read, long_text, 32, long_text)));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->file.file, std::string(service::MAX_FIELD_SIZE, 'y'));
    EXPECT_EQ(decoded->file.text, std::string(service::MAX_FIELD_SIZE, 'y'));
}

TEST(Protocol, APasswordLongerThanAFieldIsNotSent)
{
    const std::string long_password(service::MAX_FIELD_SIZE + 1, 'p');
    EXPECT_FALSE(service::encode_request({RequestKind::unlock, long_password, ""}));
    EXPECT_FALSE(service::encode_request({RequestKind::change, "old", long_password}));
}

TEST(Protocol, MessagesAreLaidOutByteByByte)
{
    EXPECT_EQ(service::encode_request({RequestKind::change, "ab", "xyz"}),
              (Bytes{1, 0x06, 2, 'a', 'b', 3, 'x', 'y', 'z'}));
    EXPECT_EQ(service::encode_answer(registry_failure(platform::RegistryStep::write, 0x01020304, true)),
              (Bytes{1, 0x87, 1, 2, 4, 0x04, 0x03, 0x02, 0x01, 1, 1}));
    EXPECT_EQ(service::encode_answer(setup_file_failure(lock::SetupFileStep::open, true, "f", 0x01020304, "t")),
              (Bytes{1, 0x89, 1, 1, 1, 1, 1, 'f', 4, 0x04, 0x03, 0x02, 0x01, 1, 't'}));
}

// --- malformed messages -----------------------------------------------------------

Bytes with_field(Bytes message, std::size_t size, std::uint8_t filler = 'a')
{
    message.push_back(static_cast<std::uint8_t>(size));
    message.insert(message.end(), size, filler);
    return message;
}

struct MalformedRow {
    const char* name;
    Bytes message;
};

class MalformedRequest : public testing::TestWithParam<MalformedRow> {};

TEST_P(MalformedRequest, DecodesToNothing)
{
    EXPECT_FALSE(service::decode_request(GetParam().message));
}

INSTANTIATE_TEST_SUITE_P(
    Requests, MalformedRequest,
    testing::Values(
        MalformedRow{"empty", {}}, MalformedRow{"version only", {1}},
        MalformedRow{"version 0", {0, 0x01}}, MalformedRow{"version 2", {2, 0x01}},
        MalformedRow{"kind 0", {1, 0x00}}, MalformedRow{"kind 7", {1, 0x07}},
        MalformedRow{"an answer's kind", {1, 0x81}},
        MalformedRow{"state with a field", {1, 0x01, 0}},
        MalformedRow{"lock with a field", {1, 0x02, 1, 'a'}},
        MalformedRow{"unlock without its field", {1, 0x03}},
        MalformedRow{"unlock with two fields", {1, 0x03, 1, 'a', 1, 'b'}},
        MalformedRow{"check for change without its field", {1, 0x05}},
        MalformedRow{"change with one field", {1, 0x06, 1, 'a'}},
        MalformedRow{"change with three fields", {1, 0x06, 1, 'a', 1, 'b', 0}},
        MalformedRow{"length past the end", {1, 0x03, 4, 'a', 'b', 'c'}},
        MalformedRow{"length byte without its field", {1, 0x03, 3, 'a', 'b', 'c', 2}},
        MalformedRow{"trailing byte", {1, 0x03, 3, 'a', 'b', 'c', 'd'}},
        MalformedRow{"field one byte too long", with_field({1, 0x03}, service::MAX_FIELD_SIZE + 1)},
        MalformedRow{"field of 255 bytes", with_field({1, 0x03}, 255)},
        // No request of the right fields is that long; the size is checked first.
        MalformedRow{"longer than a message", with_field(with_field(with_field({1, 0x06}, 120), 120), 120)}),
    testing_support::RowName{});

class MalformedAnswer : public testing::TestWithParam<MalformedRow> {};

TEST_P(MalformedAnswer, DecodesToNothing)
{
    EXPECT_FALSE(service::decode_answer(GetParam().message));
}

INSTANTIATE_TEST_SUITE_P(
    Answers, MalformedAnswer,
    testing::Values(
        MalformedRow{"empty", {}}, MalformedRow{"version 2", {2, 0x81}}, MalformedRow{"kind 0x89", {1, 0x89}},
        MalformedRow{"a request's kind", {1, 0x01}}, MalformedRow{"done with a field", {1, 0x81, 0}},
        MalformedRow{"trailing byte", {1, 0x84, 0x00}},
        MalformedRow{"registry failure with two fields", {1, 0x87, 1, 2, 4, 5, 0, 0, 0}},
        MalformedRow{"registry step 4", {1, 0x87, 1, 4, 4, 5, 0, 0, 0, 1, 1}},
        MalformedRow{"registry status of 3 bytes", {1, 0x87, 1, 2, 3, 5, 0, 0, 1, 1}},
        MalformedRow{"access denied 2", {1, 0x87, 1, 2, 4, 5, 0, 0, 0, 1, 2}},
        MalformedRow{"access denied of 2 bytes", {1, 0x87, 1, 2, 4, 5, 0, 0, 0, 2, 1, 0}},
        MalformedRow{"file access 2", {1, 0x86, 1, 2, 1, 'f', 4, 5, 0, 0, 0, 1, 't'}},
        MalformedRow{"file code of 5 bytes", {1, 0x86, 1, 0, 1, 'f', 5, 5, 0, 0, 0, 0, 1, 't'}},
        MalformedRow{"file failure without its text", {1, 0x86, 1, 0, 1, 'f', 4, 5, 0, 0, 0}},
        MalformedRow{"kind 0x8A", {1, 0x8A}},
        MalformedRow{"setup file step 2", {1, 0x89, 1, 2, 1, 1, 1, 'f', 4, 5, 0, 0, 0, 1, 't'}},
        MalformedRow{"setup file lock on 2", {1, 0x89, 1, 0, 1, 2, 1, 'f', 4, 5, 0, 0, 0, 1, 't'}},
        MalformedRow{"setup file lock on of 2 bytes", {1, 0x89, 1, 0, 2, 1, 0, 1, 'f', 4, 5, 0, 0, 0, 1, 't'}},
        MalformedRow{"setup file code of 3 bytes", {1, 0x89, 1, 0, 1, 1, 1, 'f', 3, 5, 0, 0, 1, 't'}},
        MalformedRow{"setup file failure without its text", {1, 0x89, 1, 0, 1, 1, 1, 'f', 4, 5, 0, 0, 0}},
        MalformedRow{"setup file failure with a sixth field", {1, 0x89, 1, 0, 1, 1, 1, 'f', 4, 5, 0, 0, 0, 1, 't', 0}}),
    testing_support::RowName{});

} // namespace
