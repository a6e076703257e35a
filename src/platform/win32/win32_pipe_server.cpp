#include "platform/win32/win32_pipe_server.h"

#include <sddl.h>

#include <string>
#include <memory>

#include "platform/win32/win32_event_log.h"

namespace platform::win32 {

namespace {

// Authenticated Users may read and write the pipe, and so ask the service;
// FILE_CREATE_PIPE_INSTANCE (FILE_APPEND_DATA, part of the generic write)
// stays with SYSTEM and Administrators, so that no user can add an instance
// of the service's pipe and take the requests of other users.
constexpr DWORD CLIENT_RIGHTS = (FILE_GENERIC_READ | FILE_GENERIC_WRITE) & ~FILE_CREATE_PIPE_INSTANCE;

// Owned by SYSTEM, whatever the process token's default owner (a pipe made
// with a DACL alone gets the token's primary group as owner under Wine), so
// that clients can tell the service's pipe from one a user made first.
// Protected: nothing is inherited.
std::vector<BYTE> pipe_security_descriptor()
{
    // In hexadecimal without printf, whose mingw version would pull in
    // functions Windows 2000 lacks.
    std::string rights;
    for (int shift = 28; shift >= 0; shift -= 4)
        rights += "0123456789abcdef"[(CLIENT_RIGHTS >> shift) & 0xF];
    const std::string text = "O:SYD:P(A;;0x" + rights + ";;;AU)(A;;FA;;;SY)(A;;FA;;;BA)";
    PSECURITY_DESCRIPTOR made = nullptr;
    ULONG size = 0;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorA(text.c_str(), SDDL_REVISION_1, &made, &size))
        return {};
    const BYTE* first = static_cast<const BYTE*>(made);
    std::vector<BYTE> descriptor(first, first + size);
    ::LocalFree(made);
    return descriptor;
}

enum class Connected { yes, stopped, failed };

Connected wait_for_client(HANDLE pipe, HANDLE stop)
{
    const UniqueKernelHandle event(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!event)
        return Connected::failed;
    OVERLAPPED overlapped{};
    overlapped.hEvent = event.get();
    if (!::ConnectNamedPipe(pipe, &overlapped)) {
        if (::GetLastError() == ERROR_PIPE_CONNECTED)
            return Connected::yes;
        if (::GetLastError() != ERROR_IO_PENDING)
            return Connected::failed;
    }
    const HANDLE waits[] = {event.get(), stop};
    DWORD ignored = 0;
    if (::WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0) {
        ::CancelIo(pipe);
        ::GetOverlappedResult(pipe, &overlapped, &ignored, TRUE);
        return Connected::stopped;
    }
    return ::GetOverlappedResult(pipe, &overlapped, &ignored, FALSE) ? Connected::yes : Connected::failed;
}

// The account of the client who sent the message just read: the thread takes
// the client's identity only to read its token's user, and gives it back at
// once. The name is looked up afterwards, as the service itself.
bool client_account(HANDLE pipe, Win32Account& account)
{
    if (!::ImpersonateNamedPipeClient(pipe))
        return false;
    std::vector<BYTE> token_user;
    HANDLE opened = nullptr;
    // As self: at the identification level the client allows, the thread's
    // token cannot be opened with the client's own rights.
    if (::OpenThreadToken(::GetCurrentThread(), TOKEN_QUERY, TRUE, &opened)) {
        const UniqueKernelHandle token(opened);
        DWORD size = 0;
        ::GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
        token_user.resize(size);
        if (size == 0 || !::GetTokenInformation(token.get(), TokenUser, token_user.data(), size, &size))
            token_user.clear();
    }
    // A thread that cannot stop acting as the client must not run another
    // line with the client's rights, nor keep them: the process ends here.
    if (!::RevertToSelf())
        ::TerminateProcess(::GetCurrentProcess(), ::GetLastError());
    if (token_user.empty())
        return false;
    account = account_of(reinterpret_cast<TOKEN_USER*>(token_user.data())->User.Sid);
    return !account.sid.empty();
}

} // namespace

struct PipeServer::Connection {
    PipeServer& server;
    UniquePipe pipe;
};

PipeServer::PipeServer(std::string pipe_name, std::string event_source, Handler handler, PipeServerLimits limits)
    : pipe_name_(std::move(pipe_name)), event_source_(std::move(event_source)), handler_(std::move(handler)),
      limits_(limits), security_descriptor_(pipe_security_descriptor())
{
}

PipeServer::~PipeServer()
{
    stop();
}

UniquePipe PipeServer::create_instance(bool first)
{
    SECURITY_ATTRIBUTES attributes{sizeof attributes, security_descriptor_.data(), FALSE};
    const DWORD access = PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED;
    const auto create = [&](DWORD more_access) {
        return UniquePipe(::CreateNamedPipeA(pipe_name_.c_str(), access | more_access,
                                             PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT,
                                             limits_.instances, static_cast<DWORD>(LOCK_SERVICE_MESSAGE_LIMIT),
                                             static_cast<DWORD>(limits_.request_size_limit), 0, &attributes));
    };
    if (!first)
        return create(0);
    // The first instance must be the pipe's first: an instance added to a
    // pipe someone else created would serve under that pipe's owner and DACL.
    UniquePipe instance = create(FILE_FLAG_FIRST_PIPE_INSTANCE);
    // A Windows 2000 that does not know the flag and refuses it as an
    // invalid parameter: there the pipe is created without it, and what keeps
    // the password from a pipe someone made first is the clients' check that
    // the pipe belongs to SYSTEM or Administrators.
    if (!instance && ::GetLastError() == ERROR_INVALID_PARAMETER)
        instance = create(0);
    return instance;
}

DWORD PipeServer::start()
{
    if (listener_)
        return ERROR_ALREADY_EXISTS;
    if (security_descriptor_.empty())
        return ERROR_INVALID_SECURITY_DESCR;
    first_instance_ = create_instance(true);
    if (!first_instance_)
        return ::GetLastError();
    const LONG serving = static_cast<LONG>(limits_.instances > 1 ? limits_.instances - 1 : 1);
    stop_event_.reset(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    free_threads_.reset(::CreateSemaphoreA(nullptr, serving, serving, nullptr));
    DWORD thread_id = 0;
    if (stop_event_ && free_threads_)
        listener_.reset(::CreateThread(nullptr, 0, listen_thread, this, 0, &thread_id));
    if (!listener_) {
        const DWORD error = ::GetLastError();
        first_instance_.reset();
        return error;
    }
    return ERROR_SUCCESS;
}

void PipeServer::stop()
{
    if (!listener_)
        return;
    ::SetEvent(stop_event_.get());
    ::WaitForSingleObject(listener_.get(), INFINITE);
    listener_.reset();
    // No thread is added any more: the listener has ended.
    for (const UniqueKernelHandle& thread : serving_threads_)
        ::WaitForSingleObject(thread.get(), INFINITE);
    serving_threads_.clear();
}

DWORD WINAPI PipeServer::listen_thread(void* server)
{
    static_cast<PipeServer*>(server)->listen();
    return 0;
}

void PipeServer::listen()
{
    UniquePipe instance = std::move(first_instance_);
    const HANDLE stop_or_free_thread[] = {stop_event_.get(), free_threads_.get()};
    while (::WaitForMultipleObjects(2, stop_or_free_thread, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) {
        const Connected connected = wait_for_client(instance.get(), stop_event_.get());
        if (connected == Connected::stopped)
            break;
        reap_ended_threads();
        // The next instance listens before this one is handed over, so the
        // name is never free for someone else's first instance.
        UniquePipe next = connected == Connected::yes ? create_instance(false) : UniquePipe();
        if (connected == Connected::yes && next) {
            hand_over(std::move(instance));
            instance = std::move(next);
            continue;
        }
        // A client who left before being served, or no room for another
        // instance: this one is served here, then listens again.
        if (connected == Connected::yes)
            serve(instance.get());
        ::DisconnectNamedPipe(instance.get());
        ::ReleaseSemaphore(free_threads_.get(), 1, nullptr);
    }
}

void PipeServer::hand_over(UniquePipe pipe)
{
    auto connection = std::make_unique<Connection>(Connection{*this, std::move(pipe)});
    DWORD thread_id = 0;
    UniqueKernelHandle thread(::CreateThread(nullptr, 0, serve_thread, connection.get(), 0, &thread_id));
    if (!thread) {
        connection.reset(); // the client sees its pipe broken
        ::ReleaseSemaphore(free_threads_.get(), 1, nullptr);
        return;
    }
    connection.release(); // the thread owns it now
    const CriticalSection::Hold hold(threads_lock_);
    serving_threads_.push_back(std::move(thread));
}

DWORD WINAPI PipeServer::serve_thread(void* connection)
{
    std::unique_ptr<Connection> served(static_cast<Connection*>(connection));
    PipeServer& server = served->server;
    server.serve(served->pipe.get());
    ::DisconnectNamedPipe(served->pipe.get());
    served.reset(); // the instance is closed before its place is given back
    ::ReleaseSemaphore(server.free_threads_.get(), 1, nullptr);
    return 0;
}

void PipeServer::reap_ended_threads()
{
    const CriticalSection::Hold hold(threads_lock_);
    std::erase_if(serving_threads_, [](const UniqueKernelHandle& thread) {
        return ::WaitForSingleObject(thread.get(), 0) == WAIT_OBJECT_0;
    });
}

// One request and its answer. A request larger than the limit, or not sent
// in time, gets no answer: the connection is closed.
void PipeServer::serve(HANDLE pipe)
{
    std::vector<std::uint8_t> request;
    if (read_message(pipe, limits_.request_size_limit, limits_.request_time_limit_ms, stop_event_.get(), request) !=
        PipeIo::done)
        return;
    Win32Account client;
    if (!client_account(pipe, client))
        return;
    Win32EventLog client_log(event_source_, std::move(client));
    std::vector<std::uint8_t> answer;
    {
        const CriticalSection::Hold hold(handler_lock_);
        answer = handler_(request, client_log);
    }
    if (write_message(pipe, answer, limits_.request_time_limit_ms, stop_event_.get()) != PipeIo::done)
        return;
    // Disconnecting throws away what the client has not read yet: wait until
    // it has read the answer and closed its end (its read then fails), or
    // until the time limit.
    std::vector<std::uint8_t> nothing_more;
    read_message(pipe, 1, limits_.request_time_limit_ms, stop_event_.get(), nothing_more);
}

void serve_until_stopped(ServiceStatus& status, PipeServer& server)
{
    const DWORD started = server.start();
    if (started != ERROR_SUCCESS) {
        status.report_stopped(started);
        return;
    }
    status.report_running();
    status.wait_for_stop();
    status.report_stopping();
    server.stop();
    status.report_stopped();
}

} // namespace platform::win32
