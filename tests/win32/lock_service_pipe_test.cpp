// The lock service's named pipe under Wine: the server's pipe, its DACL and
// owner, its limits and its clients' accounts; the client's refusal of a pipe
// that someone else created. Every process is the same user under Wine.

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "checks.h"
#include "platform/win32/pipe_io.h"
#include "platform/win32/win32_event_log.h"
#include "platform/win32/win32_lock_service_link.h"
#include "platform/win32/win32_pipe_server.h"

namespace {

using checks::check;
using platform::LinkFailure;
using platform::win32::PipeIo;
using platform::win32::PipeServer;
using platform::win32::PipeServerLimits;
using platform::win32::UniqueKernelHandle;
using platform::win32::UniquePipe;
using platform::win32::Win32LockServiceLink;

constexpr char EVENT_SOURCE[] = "Varnhollow test";
// A limit for waiting on states this program expects, never reached when
// things go right.
constexpr DWORD STATE_WAIT_MS = 30000;

// A pipe name of this run's own, so that no other run's pipe is met.
std::string pipe_name(const std::string& role)
{
    return "\\\\.\\pipe\\VarnhollowTest-" + role + "-" + std::to_string(::GetCurrentProcessId());
}

// The handler the tests serve: "ok:" and the request, and what it saw.
struct Recorder {
    std::atomic<int> calls{0};
    std::string client_name;
    std::vector<BYTE> client_sid;

    PipeServer::Handler handler()
    {
        return [this](const std::vector<std::uint8_t>& request, platform::EventLog& log) {
            ++calls;
            client_name = log.user_name();
            const PSID sid = dynamic_cast<platform::win32::Win32EventLog&>(log).user_sid();
            client_sid = platform::win32::account_of(sid).sid;
            std::vector<std::uint8_t> answer{'o', 'k', ':'};
            answer.insert(answer.end(), request.begin(), request.end());
            return answer;
        };
    }
};

std::vector<std::uint8_t> bytes(const std::string& text)
{
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

bool answered(const program::Result<std::vector<std::uint8_t>, LinkFailure>& exchanged, const std::string& request)
{
    return exchanged.succeeded() && exchanged.value() == bytes("ok:" + request);
}

struct LocalSid {
    PSID sid = nullptr;
    explicit LocalSid(const char* text) { ::ConvertStringSidToSidA(text, &sid); }
    ~LocalSid() { ::LocalFree(sid); }
    LocalSid(const LocalSid&) = delete;
    LocalSid& operator=(const LocalSid&) = delete;
};

std::vector<BYTE> process_user_sid()
{
    HANDLE opened = nullptr;
    ::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &opened);
    const UniqueKernelHandle token(opened);
    BYTE buffer[256];
    DWORD size = 0;
    if (!::GetTokenInformation(token.get(), TokenUser, buffer, sizeof buffer, &size))
        return {};
    return platform::win32::account_of(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid).sid;
}

std::string sid_text(PSID sid)
{
    char* text = nullptr;
    if (!sid || !::ConvertSidToStringSidA(sid, &text))
        return "(none)";
    std::string copy = text;
    ::LocalFree(text);
    return copy;
}

// Whether this system refuses a second "first instance" of a pipe. Measured:
// Wine 8 ignores FILE_FLAG_FIRST_PIPE_INSTANCE and adds the instance; Windows
// refuses it (where it knows the flag).
bool system_refuses_a_second_first_instance()
{
    const std::string name = pipe_name("first-instance");
    const auto create = [&] {
        return UniquePipe(::CreateNamedPipeA(name.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_FIRST_PIPE_INSTANCE,
                                             PIPE_TYPE_MESSAGE, 4, 512, 512, 0, nullptr));
    };
    const UniquePipe first = create();
    const UniquePipe second = create();
    return first && !second;
}

// Opens the server's pipe as a client that sends nothing.
UniquePipe silent_client(const std::string& name)
{
    return UniquePipe(::CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE | READ_CONTROL, 0, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr));
}

// The DACL a client reads back: Authenticated Users read and write without
// creating instances, SYSTEM and Administrators full control, nothing else,
// nothing inherited; SYSTEM the owner.
void pipe_security_read_back()
{
    const std::string name = pipe_name("dacl");
    Recorder recorder;
    PipeServer server(name, EVENT_SOURCE, recorder.handler());
    check(server.start() == ERROR_SUCCESS, "the server starts");
    const UniquePipe client = silent_client(name);
    PSID owner = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const DWORD read = ::GetSecurityInfo(client.get(), SE_KERNEL_OBJECT,
                                         OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner, nullptr,
                                         &dacl, nullptr, &descriptor);
    check(read == ERROR_SUCCESS && dacl, "the pipe's DACL reads back");
    if (read != ERROR_SUCCESS || !dacl)
        return;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ::GetSecurityDescriptorControl(descriptor, &control, &revision);
    check((control & SE_DACL_PROTECTED) != 0, "the DACL is protected from inheritance");
    const LocalSid system("S-1-5-18");
    check(owner && ::EqualSid(owner, system.sid), "the pipe belongs to SYSTEM, not " + sid_text(owner));

    const LocalSid users("S-1-5-11");
    const LocalSid administrators("S-1-5-32-544");
    const DWORD users_rights = (FILE_GENERIC_READ | FILE_GENERIC_WRITE) & ~FILE_CREATE_PIPE_INSTANCE;
    struct Expected {
        const char* who;
        PSID sid;
        DWORD rights;
        bool seen = false;
    } expected[] = {{"Authenticated Users", users.sid, users_rights},
                    {"SYSTEM", system.sid, FILE_ALL_ACCESS},
                    {"Administrators", administrators.sid, FILE_ALL_ACCESS}};
    check(dacl->AceCount == 3, "three entries, not " + std::to_string(dacl->AceCount));
    for (WORD index = 0; index < dacl->AceCount; ++index) {
        void* entry = nullptr;
        ::GetAce(dacl, index, &entry);
        const auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(entry);
        const PSID sid = const_cast<DWORD*>(&allowed->SidStart);
        check(allowed->Header.AceType == ACCESS_ALLOWED_ACE_TYPE && allowed->Header.AceFlags == 0,
              "entry " + std::to_string(index) + " allows, and is not inherited nor inheritable");
        bool known = false;
        for (Expected& row : expected)
            if (::EqualSid(sid, row.sid)) {
                known = row.seen = true;
                char mask[16];
                std::snprintf(mask, sizeof mask, "%#lx", static_cast<unsigned long>(allowed->Mask));
                check(allowed->Mask == row.rights, std::string(row.who) + " has the rights " + mask);
            }
        check(known, "entry " + std::to_string(index) + " is for " + sid_text(sid));
    }
    for (const Expected& row : expected)
        check(row.seen, std::string(row.who) + " has an entry");
    check((users_rights & FILE_CREATE_PIPE_INSTANCE) == 0 && (users_rights & FILE_WRITE_DATA) != 0,
          "users may write requests but not create instances");
    ::LocalFree(descriptor);
}

// Only SYSTEM and Administrators are owners the service's pipe can have.
void system_owners()
{
    const struct {
        const char* sid;
        bool trusted;
    } rows[] = {
        {"S-1-5-18", true},                  // SYSTEM
        {"S-1-5-32-544", true},              // Administrators
        {"S-1-5-21-0-0-0-1000", false},      // a user
        {"S-1-5-21-0-0-0-513", false},       // a user's primary group, Wine's default owner
        {"S-1-5-32-545", false},             // Users
        {"S-1-5-11", false},                 // Authenticated Users
        {"S-1-5-18-1", false},               // SYSTEM's prefix only
        {"S-1-1-0", false},                  // Everyone
    };
    for (const auto& row : rows) {
        const LocalSid sid(row.sid);
        check(platform::win32::owned_by_the_system(sid.sid) == row.trusted,
              std::string(row.sid) + (row.trusted ? " is" : " is not") + " a trusted owner");
    }
    check(!platform::win32::owned_by_the_system(nullptr), "no owner is not a trusted owner");
}

// A user who created the pipe's name first: the service cannot start on it,
// and the client tells it nothing.
void squatting_pipe_refused(bool first_instance_refused)
{
    const std::string user = sid_text(process_user_sid().data());
    const struct {
        const char* name;
        std::string descriptor;
    } rows[] = {
        {"owned by the user who made it", "O:" + user + "D:(A;;GA;;;WD)"},
        {"owned by the token's default owner", "D:(A;;GA;;;WD)"},
    };
    int number = 0;
    for (const auto& row : rows) {
        const std::string name = pipe_name("squat" + std::to_string(++number));
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        ::ConvertStringSecurityDescriptorToSecurityDescriptorA(row.descriptor.c_str(), SDDL_REVISION_1,
                                                               &descriptor, nullptr);
        SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
        const UniquePipe squatter(::CreateNamedPipeA(
            name.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_FIRST_PIPE_INSTANCE | FILE_FLAG_OVERLAPPED,
            PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE, 4, 4096, 4096, 0, &attributes));
        ::LocalFree(descriptor);
        check(static_cast<bool>(squatter), std::string(row.name) + ": the squatting pipe is made");
        const UniqueKernelHandle connected_event(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
        OVERLAPPED connection{};
        connection.hEvent = connected_event.get();
        ::ConnectNamedPipe(squatter.get(), &connection);

        // Where the system ignores the first-instance flag, a service started
        // now would add its instances to the squatter's pipe: the client's
        // check alone is tried there.
        Recorder recorder;
        PipeServer second(name, EVENT_SOURCE, recorder.handler());
        if (first_instance_refused) {
            const DWORD refused = second.start();
            check(refused != ERROR_SUCCESS, std::string(row.name) +
                                                ": the service does not start on a pipe made first (" +
                                                std::to_string(refused) + ")");
        }

        const auto exchanged = Win32LockServiceLink(name).exchange(bytes("password"));
        check(!exchanged.succeeded() && exchanged.error() == LinkFailure::untrusted,
              std::string(row.name) + ": the client refuses the pipe as untrusted");
        // The client has come and gone: whatever it sent is still in the pipe.
        check(::WaitForSingleObject(connected_event.get(), STATE_WAIT_MS) == WAIT_OBJECT_0,
              std::string(row.name) + ": the client had connected");
        std::vector<std::uint8_t> received;
        const PipeIo read = platform::win32::read_message(squatter.get(), 4096, STATE_WAIT_MS, nullptr, received);
        check(read == PipeIo::failed && received.empty(),
              std::string(row.name) + ": the squatter received " + std::to_string(received.size()) + " bytes");
        check(recorder.calls == 0, std::string(row.name) + ": no request was handled");
    }
}

// The service already running: a second one is refused, the first answers.
// Only where the system refuses a second first instance.
void second_server_refused()
{
    const std::string name = pipe_name("second");
    Recorder first_recorder;
    Recorder second_recorder;
    PipeServer first(name, EVENT_SOURCE, first_recorder.handler());
    PipeServer second(name, EVENT_SOURCE, second_recorder.handler());
    check(first.start() == ERROR_SUCCESS, "the first server starts");
    check(second.start() != ERROR_SUCCESS, "a second server on the same pipe does not");
    check(answered(Win32LockServiceLink(name).exchange(bytes("state")), "state"), "the first server answers");
    check(first_recorder.calls == 1 && second_recorder.calls == 0, "the first server handled the request");
}

// A client that connects and sends nothing does not hold up another user's
// request, and is disconnected after the time limit.
void silent_client_does_not_block()
{
    const std::string name = pipe_name("silent");
    Recorder recorder;
    PipeServerLimits limits;
    limits.request_time_limit_ms = 15000;
    PipeServer server(name, EVENT_SOURCE, recorder.handler(), limits);
    check(server.start() == ERROR_SUCCESS, "the server starts");
    const UniquePipe silent = silent_client(name);
    check(static_cast<bool>(silent), "the silent client connects");

    check(answered(Win32LockServiceLink(name).exchange(bytes("lock")), "lock"),
          "another client is answered while the silent one is connected");
    DWORD waiting = 0;
    check(::PeekNamedPipe(silent.get(), nullptr, 0, nullptr, &waiting, nullptr) != FALSE,
          "the silent client was still connected when the other was answered");

    std::vector<std::uint8_t> received;
    const PipeIo read = platform::win32::read_message(silent.get(), 4096, STATE_WAIT_MS, nullptr, received);
    check(read == PipeIo::failed, "the silent client is disconnected after the time limit");
    check(recorder.calls == 1, "only the other client's request was handled");
}

// A request longer than the limit closes the connection unanswered, and the
// handler never sees it; one of the limit's length is answered.
void request_size_limit()
{
    constexpr std::size_t LIMIT = 64;
    const struct {
        const char* name;
        std::size_t size;
        bool answered;
    } rows[] = {
        {"a request of the limit's length", LIMIT, true},
        {"a request one byte longer", LIMIT + 1, false},
        {"a request far longer", 10 * LIMIT, false},
    };
    int number = 0;
    for (const auto& row : rows) {
        const std::string name = pipe_name("size" + std::to_string(++number));
        Recorder recorder;
        PipeServerLimits limits;
        limits.request_size_limit = LIMIT;
        PipeServer server(name, EVENT_SOURCE, recorder.handler(), limits);
        check(server.start() == ERROR_SUCCESS, std::string(row.name) + ": the server starts");
        const std::string request(row.size, 'x');
        const auto exchanged = Win32LockServiceLink(name).exchange(bytes(request));
        if (row.answered) {
            check(answered(exchanged, request), std::string(row.name) + " is answered");
            check(recorder.calls == 1, std::string(row.name) + " is handled");
        } else {
            check(!exchanged.succeeded() && exchanged.error() == LinkFailure::broken,
                  std::string(row.name) + " gets the connection closed");
            check(recorder.calls == 0, std::string(row.name) + " never reaches the handler");
        }
    }
}

// An answer longer than the client takes is refused as a broken link.
void answer_size_limit()
{
    const std::string name = pipe_name("answer");
    Recorder recorder;
    PipeServer server(name, EVENT_SOURCE, recorder.handler());
    check(server.start() == ERROR_SUCCESS, "the server starts");
    platform::win32::LinkLimits limits;
    limits.answer_size_limit = 8; // "ok:" and five bytes
    check(answered(Win32LockServiceLink(name, limits).exchange(bytes("12345")), "12345"),
          "an answer of the limit's length is taken");
    const auto too_long = Win32LockServiceLink(name, limits).exchange(bytes("123456"));
    check(!too_long.succeeded() && too_long.error() == LinkFailure::broken,
          "an answer one byte longer than the limit is refused");
}

// The handler's log names the client who asked: under Wine, this process's
// own account.
void handler_sees_the_client()
{
    const std::string name = pipe_name("account");
    Recorder recorder;
    PipeServer server(name, EVENT_SOURCE, recorder.handler());
    check(server.start() == ERROR_SUCCESS, "the server starts");
    check(answered(Win32LockServiceLink(name).exchange(bytes("who")), "who"), "the client is answered");
    const std::vector<BYTE> own_sid = process_user_sid();
    const std::string own_name = platform::win32::account_of(const_cast<BYTE*>(own_sid.data())).name;
    check(!own_sid.empty() && recorder.client_sid == own_sid,
          "the log reports with the client's SID " + sid_text(own_sid.empty() ? nullptr : (PSID)own_sid.data()));
    check(!own_name.empty() && recorder.client_name == own_name,
          "the log names the client " + own_name + ", not [" + recorder.client_name + "]");
}

// Stopping ends the server, with a client still connected; its pipe is gone.
void stop_ends_the_server()
{
    const std::string name = pipe_name("stop");
    Recorder recorder;
    PipeServer server(name, EVENT_SOURCE, recorder.handler());
    check(server.start() == ERROR_SUCCESS, "the server starts");
    const UniquePipe silent = silent_client(name);
    server.stop();
    const auto exchanged = Win32LockServiceLink(name).exchange(bytes("late"));
    check(!exchanged.succeeded() && exchanged.error() == LinkFailure::absent, "after the stop no service listens");
    std::vector<std::uint8_t> received;
    check(platform::win32::read_message(silent.get(), 4096, STATE_WAIT_MS, nullptr, received) == PipeIo::failed,
          "the connected client was let go");
}

void no_service()
{
    const auto exchanged = Win32LockServiceLink(pipe_name("nobody")).exchange(bytes("state"));
    check(!exchanged.succeeded() && exchanged.error() == LinkFailure::absent, "no pipe: the service is absent");
}

} // namespace

int main()
{
    pipe_security_read_back();
    system_owners();
    const bool first_instance_refused = system_refuses_a_second_first_instance();
    if (!first_instance_refused)
        std::printf("This system ignores FILE_FLAG_FIRST_PIPE_INSTANCE: a second server is not tried.\n");
    squatting_pipe_refused(first_instance_refused);
    if (first_instance_refused)
        second_server_refused();
    silent_client_does_not_block();
    request_size_limit();
    answer_size_limit();
    handler_sees_the_client();
    stop_ends_the_server();
    no_service();
    return checks::report();
}
