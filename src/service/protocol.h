#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "lock/driver_setup_files.h"
#include "password/password_file.h"
#include "platform/lock_service_link.h"
#include "platform/registry.h"

namespace service {

// The messages between the tray program and the lock service. Each is one
// pipe message:
//
//   version (1 byte), kind (1 byte), then the kind's fields, each a length
//   byte and that many bytes, and nothing after the last one.
//
// A number is a field of 4 bytes, least significant first; a choice or a
// yes/no, a field of 1 byte. Decoding is strict: a wrong version, an unknown
// kind, a field too many or too few, a length past the end, a field longer
// than MAX_FIELD_SIZE or a number or choice of the wrong size or out of
// range, and a message longer than MAX_MESSAGE_SIZE give nothing.
inline constexpr std::uint8_t PROTOCOL_VERSION = 1;
// The pipe's buffers and the most either side reads of one message.
inline constexpr std::size_t MAX_MESSAGE_SIZE = platform::LOCK_SERVICE_MESSAGE_LIMIT;
// Room for a system's error text in French, the longest field an answer
// carries (a file in use: 95 bytes); a file failure's four fields then fill
// at most 251 bytes of a message, a setup file's failure's five 253.
inline constexpr std::size_t MAX_FIELD_SIZE = 120;

// Requests and answers use kinds of different ranges, so that neither is
// taken for the other.
enum class RequestKind : std::uint8_t {
    state = 0x01,            // no field
    lock = 0x02,             // no field
    unlock = 0x03,           // the password
    check_for_unlock = 0x04, // the password
    check_for_change = 0x05, // the current password
    change = 0x06,           // the current password, the new one
};

struct Request {
    RequestKind kind = RequestKind::state;
    std::string password;     // typed to unlock, or the current one
    std::string new_password; // for change
    bool operator==(const Request&) const = default;
};

enum class AnswerKind : std::uint8_t {
    done = 0x81,             // no field
    locked = 0x82,           // no field: the state
    unlocked = 0x83,         // no field: the state
    wrong_password = 0x84,   // no field
    too_many_tries = 0x85,   // no field
    file_failure = 0x86,     // access, file, code, text
    registry_failure = 0x87, // step, status, access denied
    bad_request = 0x88,      // no field
    // A driver's setup file failed on a lock or an unlock: step, whether the
    // lock is on, file, code, text.
    setup_file_failure = 0x89,
};

struct Answer {
    AnswerKind kind = AnswerKind::bad_request;
    password::FileFailure file;         // for file_failure
    platform::RegistryFailure registry; // for registry_failure
    lock::SetupFileFailure setup_file{}; // for setup_file_failure
    bool lock_on = false;               // for setup_file_failure
};

bool operator==(const Answer& left, const Answer& right);

// The request as a message, or nothing when a password is longer than a
// field (no password the tray takes is).
std::optional<std::vector<std::uint8_t>> encode_request(const Request& request);
std::optional<Request> decode_request(const std::vector<std::uint8_t>& message);

// The answer as a message. Texts longer than a field are cut to
// MAX_FIELD_SIZE; numbers are the system's 32-bit codes.
std::vector<std::uint8_t> encode_answer(const Answer& answer);
std::optional<Answer> decode_answer(const std::vector<std::uint8_t>& message);

} // namespace service
