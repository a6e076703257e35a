#include "service/protocol.h"

#include <algorithm>

namespace service {

namespace {

using Bytes = std::vector<std::uint8_t>;
using Fields = std::vector<Bytes>;

// --- writing ------------------------------------------------------------------

Bytes text_field(const std::string& text)
{
    const std::size_t size = std::min(text.size(), MAX_FIELD_SIZE);
    return Bytes(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(size));
}

Bytes number_field(long number)
{
    const auto value = static_cast<std::uint32_t>(number);
    return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

Bytes byte_field(std::uint8_t byte)
{
    return {byte};
}

Bytes message(std::uint8_t kind, const Fields& fields)
{
    Bytes bytes{PROTOCOL_VERSION, kind};
    for (const Bytes& field : fields) {
        bytes.push_back(static_cast<std::uint8_t>(field.size()));
        bytes.insert(bytes.end(), field.begin(), field.end());
    }
    return bytes;
}

// --- reading ------------------------------------------------------------------

struct Message {
    std::uint8_t kind = 0;
    Fields fields;
};

// The kind and the fields of a message whose framing holds: the version,
// lengths that end exactly at its end, none over the limits.
std::optional<Message> framed(const Bytes& bytes)
{
    if (bytes.size() < 2 || bytes.size() > MAX_MESSAGE_SIZE || bytes[0] != PROTOCOL_VERSION)
        return std::nullopt;
    Message read{bytes[1], {}};
    std::size_t at = 2;
    while (at < bytes.size()) {
        const std::size_t size = bytes[at++];
        if (size > MAX_FIELD_SIZE || size > bytes.size() - at)
            return std::nullopt;
        read.fields.emplace_back(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                                 bytes.begin() + static_cast<std::ptrdiff_t>(at + size));
        at += size;
    }
    return read;
}

std::string text_of(const Bytes& field)
{
    return std::string(field.begin(), field.end());
}

std::optional<long> number_of(const Bytes& field)
{
    if (field.size() != 4)
        return std::nullopt;
    const std::uint32_t value = field[0] | (field[1] << 8) | (field[2] << 16) | (std::uint32_t{field[3]} << 24);
    return static_cast<long>(static_cast<std::int32_t>(value));
}

// A one-byte field no greater than `highest`.
std::optional<std::uint8_t> choice_of(const Bytes& field, std::uint8_t highest)
{
    if (field.size() != 1 || field[0] > highest)
        return std::nullopt;
    return field[0];
}

// --- requests -----------------------------------------------------------------

std::optional<std::size_t> request_field_count(std::uint8_t kind)
{
    switch (static_cast<RequestKind>(kind)) {
    case RequestKind::state:
    case RequestKind::lock: return 0;
    case RequestKind::unlock:
    case RequestKind::check_for_unlock:
    case RequestKind::check_for_change: return 1;
    case RequestKind::change: return 2;
    }
    return std::nullopt;
}

// --- answers ------------------------------------------------------------------

std::optional<Answer> file_failure_of(const Fields& fields)
{
    const auto access = choice_of(fields[0], static_cast<std::uint8_t>(password::FileAccess::write));
    const auto code = number_of(fields[2]);
    if (!access || !code)
        return std::nullopt;
    Answer answer{AnswerKind::file_failure, {}, {}};
    answer.file = {static_cast<password::FileAccess>(*access), text_of(fields[1]), *code, text_of(fields[3])};
    return answer;
}

std::optional<Answer> registry_failure_of(const Fields& fields)
{
    const auto step = choice_of(fields[0], static_cast<std::uint8_t>(platform::RegistryStep::close));
    const auto status = number_of(fields[1]);
    const auto denied = choice_of(fields[2], 1);
    if (!step || !status || !denied)
        return std::nullopt;
    Answer answer{AnswerKind::registry_failure, {}, {}};
    answer.registry = {static_cast<platform::RegistryStep>(*step), *status, *denied == 1};
    return answer;
}

std::optional<Answer> setup_file_failure_of(const Fields& fields)
{
    const auto step = choice_of(fields[0], static_cast<std::uint8_t>(lock::SetupFileStep::open));
    const auto lock_on = choice_of(fields[1], 1);
    const auto code = number_of(fields[3]);
    if (!step || !lock_on || !code)
        return std::nullopt;
    Answer answer{AnswerKind::setup_file_failure, {}, {}};
    answer.setup_file = {static_cast<lock::SetupFileStep>(*step), text_of(fields[2]), *code, text_of(fields[4])};
    answer.lock_on = *lock_on == 1;
    return answer;
}

std::optional<std::size_t> answer_field_count(std::uint8_t kind)
{
    switch (static_cast<AnswerKind>(kind)) {
    case AnswerKind::done:
    case AnswerKind::locked:
    case AnswerKind::unlocked:
    case AnswerKind::wrong_password:
    case AnswerKind::too_many_tries:
    case AnswerKind::bad_request: return 0;
    case AnswerKind::file_failure: return 4;
    case AnswerKind::registry_failure: return 3;
    case AnswerKind::setup_file_failure: return 5;
    }
    return std::nullopt;
}

} // namespace

bool operator==(const Answer& left, const Answer& right)
{
    if (left.kind != right.kind)
        return false;
    if (left.kind == AnswerKind::file_failure)
        return left.file.access == right.file.access && left.file.file == right.file.file &&
               left.file.code == right.file.code && left.file.text == right.file.text;
    if (left.kind == AnswerKind::registry_failure)
        return left.registry.step == right.registry.step && left.registry.status == right.registry.status &&
               left.registry.access_denied == right.registry.access_denied;
    if (left.kind == AnswerKind::setup_file_failure)
        return left.setup_file == right.setup_file && left.lock_on == right.lock_on;
    return true;
}

std::optional<std::vector<std::uint8_t>> encode_request(const Request& request)
{
    if (request.password.size() > MAX_FIELD_SIZE || request.new_password.size() > MAX_FIELD_SIZE)
        return std::nullopt;
    const auto kind = static_cast<std::uint8_t>(request.kind);
    switch (request_field_count(kind).value_or(0)) {
    case 1: return message(kind, {text_field(request.password)});
    case 2: return message(kind, {text_field(request.password), text_field(request.new_password)});
    default: return message(kind, {});
    }
}

std::optional<Request> decode_request(const std::vector<std::uint8_t>& bytes)
{
    const auto read = framed(bytes);
    if (!read)
        return std::nullopt;
    const auto count = request_field_count(read->kind);
    if (!count || read->fields.size() != *count)
        return std::nullopt;
    Request request{static_cast<RequestKind>(read->kind), {}, {}};
    if (*count >= 1)
        request.password = text_of(read->fields[0]);
    if (*count == 2)
        request.new_password = text_of(read->fields[1]);
    return request;
}

std::vector<std::uint8_t> encode_answer(const Answer& answer)
{
    const auto kind = static_cast<std::uint8_t>(answer.kind);
    switch (answer.kind) {
    case AnswerKind::file_failure:
        return message(kind, {byte_field(static_cast<std::uint8_t>(answer.file.access)), text_field(answer.file.file),
                              number_field(answer.file.code), text_field(answer.file.text)});
    case AnswerKind::registry_failure:
        return message(kind, {byte_field(static_cast<std::uint8_t>(answer.registry.step)),
                              number_field(answer.registry.status), byte_field(answer.registry.access_denied ? 1 : 0)});
    case AnswerKind::setup_file_failure:
        return message(kind, {byte_field(static_cast<std::uint8_t>(answer.setup_file.step)),
                              byte_field(answer.lock_on ? 1 : 0), text_field(answer.setup_file.file),
                              number_field(answer.setup_file.code), text_field(answer.setup_file.text)});
    default: return message(kind, {});
    }
}

std::optional<Answer> decode_answer(const std::vector<std::uint8_t>& bytes)
{
    const auto read = framed(bytes);
    if (!read)
        return std::nullopt;
    const auto count = answer_field_count(read->kind);
    if (!count || read->fields.size() != *count)
        return std::nullopt;
    const auto kind = static_cast<AnswerKind>(read->kind);
    if (kind == AnswerKind::file_failure)
        return file_failure_of(read->fields);
    if (kind == AnswerKind::registry_failure)
        return registry_failure_of(read->fields);
    if (kind == AnswerKind::setup_file_failure)
        return setup_file_failure_of(read->fields);
    return Answer{kind, {}, {}};
}

} // namespace service
