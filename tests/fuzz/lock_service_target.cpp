// A script of requests to one lock service, as any client of its pipe may
// send them, with the time passing and the password file failing between
// them. The first byte sets the scene (the password file, the clock near its
// wrap or not); then each step is an operation byte and its operands:
//   0  a message of the next byte's length, the bytes that follow
//   1-6 a request of that kind; the next byte picks the password typed and
//      the new one from a few that matter
//   7  the next byte, in seconds, passes
//   8  the password file becomes unreadable, or readable again
// The service must never unlock nor write the password file unless the
// request carried the stored password outside a pause, and must answer
// every message.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "fake_platform.h"
#include "invariant.h"
#include "lock/usb_storage_value.h"
#include "password/passwd.h"
#include "password/password_file.h"
#include "password/windows1252.h"
#include "service/lock_service.h"
#include "service/protocol.h"

namespace {

using fuzzing::expect;
using Bytes = std::vector<std::uint8_t>;

const std::string FOLDER = "C:\\WINDOWS\\system32\\"; // the fakes' Windows directory
const std::string PASSWORD_FILE = FOLDER + password::PASSWORD_FILE_NAME;
const char* const TYPED[] = {"secret", "SECRET", "Neuf42", "guess", "", "s\351cret", "SECRET2", "NEUF42"};
const char* const NEW[] = {"Neuf42", "SECRET", "N", "ab\"cd"};

class Script {
public:
    Script(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool ended() const { return at_ >= size_; }
    std::uint8_t next() { return at_ < size_ ? data_[at_++] : 0; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

struct Scene {
    fakes::FakeRegistry registry;
    fakes::FakeFileAccess file_access;
    fakes::FakeRecordFiles files;
    fakes::FakeSystemInfo system;
    fakes::FakeClock clock;
    service::LockService service{registry, file_access, files, system, clock};
    fakes::FakeEventLog client;
    std::optional<std::uint32_t> last_pause_ms; // when the last pause began
    std::optional<platform::FileError> failing;

    // The password a request must carry, as the file holds it now; none when
    // it cannot be read.
    std::optional<std::string> stored_password()
    {
        if (failing)
            return std::nullopt;
        password::PasswordFile file(files);
        const auto stored = file.stored_password(FOLDER, password::PASSWORD_FILE_NAME);
        return stored.succeeded() ? stored.value() : std::nullopt;
    }

    bool paused() const { return last_pause_ms && clock.now_ms - *last_pause_ms < service::PAUSE_AFTER_WRONG_TRIES_MS; }
};

Bytes message_of(Script& script, std::uint8_t operation)
{
    if (operation == 0) {
        Bytes message(script.next());
        for (auto& byte : message)
            byte = script.next();
        return message;
    }
    const std::uint8_t choice = script.next();
    const service::Request request{static_cast<service::RequestKind>(operation), TYPED[choice % 8],
                                   NEW[(choice / 8) % 4]};
    return *service::encode_request(request);
}

void send(Scene& scene, const Bytes& message)
{
    const auto stored = scene.stored_password();
    const auto request = service::decode_request(message);
    const bool carries_password = request && stored && request->password.size() <= 8 &&
                                  password::upper_case_1252(request->password) == *stored;
    const bool may_act = carries_password && !scene.paused();
    const long long start_before = scene.registry.dword(lock::USBSTOR_KEY, lock::START_VALUE);
    const std::string file_before = scene.files.files[PASSWORD_FILE];
    const std::size_t events_before = scene.client.events.size();

    const auto answer = service::decode_answer(scene.service.answer(message, scene.client));

    expect(answer.has_value(), "every message gets an answer that decodes");
    expect(request || answer->kind == service::AnswerKind::bad_request, "a malformed request is a bad request");
    const long long start_after = scene.registry.dword(lock::USBSTOR_KEY, lock::START_VALUE);
    if (start_after == lock::START_UNLOCKED && start_before != lock::START_UNLOCKED)
        expect(may_act && request->kind == service::RequestKind::unlock,
               "only an unlock with the stored password, outside a pause, unlocks");
    if (scene.files.files[PASSWORD_FILE] != file_before)
        expect(may_act && request->kind == service::RequestKind::change,
               "only a change with the stored password, outside a pause, writes the password file");
    for (std::size_t i = events_before; i < scene.client.events.size(); ++i)
        if (scene.client.events[i].id == program::EVENT_TOO_MANY_TRIES)
            scene.last_pause_ms = scene.clock.now_ms;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Script script(data, size);
    Scene scene;
    const std::uint8_t setting = script.next();
    scene.registry.set_dword(lock::USBSTOR_KEY, lock::START_VALUE, lock::START_LOCKED);
    if (setting & 1)
        scene.files.files[PASSWORD_FILE] = password::encode_password("SECRET") + std::string(16, '\0');
    if (setting & 2)
        scene.files.files[PASSWORD_FILE] = password::encode_password("SECRET").substr(0, 9);
    if (setting & 4)
        scene.clock.now_ms = 0xFFFFFFFFu - 90'000;

    for (int steps = 0; !script.ended() && steps < 200; ++steps) {
        const std::uint8_t operation = script.next() % 9;
        if (operation == 7) {
            scene.clock.advance(script.next() * 1000u);
        } else if (operation == 8) {
            scene.failing = scene.failing ? std::nullopt
                                          : std::optional<platform::FileError>{{32, "En cours d'utilisation.", false}};
            scene.files.fail_with = scene.failing;
        } else {
            send(scene, message_of(script, operation));
        }
    }
    return 0;
}
