// The update check's Win32 services, run under Wine: the INI reader and file
// deletion at the edges the fakes model, new temporary files, the download on
// a thread of its own whose end the outer message loop tells, and the timers
// of that loop.

#include <windows.h>
#include <tlhelp32.h>
#include <winsock2.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "checks.h"
#include "platform/win32/boundary.h"
#include "platform/win32/event_waits.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/win32_services.h"
#include "platform/win32/win32_timers.h"
#include "platform/win32/win32_update_services.h"

namespace {

using checks::check;

void write_file(const std::string& path, const std::string& bytes)
{
    if (FILE* out = std::fopen(path.c_str(), "wb")) {
        std::fwrite(bytes.data(), 1, bytes.size(), out);
        std::fclose(out);
    }
}

bool exists(const std::string& path)
{
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string temporary_folder()
{
    char base[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, base);
    std::string folder = std::string(base) + "varnhollow-update-test";
    ::CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

std::pair<std::uint32_t, std::string> read_ini(platform::IniFiles& ini, const std::string& path,
                                               const std::string& section, const std::string& key)
{
    const std::string value = ini.value(path, section, key);
    return {static_cast<std::uint32_t>(value.size()), value};
}

void ini_reader(const std::string& folder)
{
    platform::win32::Win32IniFiles ini;
    const std::string path = folder + "\\Tempo.net";
    write_file(path, "[Autre]\r\nVersion=9.9\r\n[varnhollow]\r\nVERSION = 1.5 \r\nInfos=" + std::string(300, 'x') +
                         "\r\nURL=\"http://www.varnhollow.example/v\xe9.zip\"\r\n");
    check(read_ini(ini, path, "Varnhollow", "Version") == std::pair(3u, std::string("1.5")),
          "section and key in any case, blanks dropped");
    check(read_ini(ini, path, "Varnhollow", "Infos") == std::pair(254u, std::string(254, 'x')),
          "a long value is cut to 254 characters");
    const std::string url = "http://www.varnhollow.example/v\xe9.zip";
    check(read_ini(ini, path, "Varnhollow", "URL") == std::pair(static_cast<std::uint32_t>(url.size()), url),
          "quotes dropped, Windows-1252 kept");
    check(read_ini(ini, path, "Varnhollow", "Missing") == std::pair(0u, std::string()), "missing key");
    check(read_ini(ini, path, "Nothing", "Version") == std::pair(0u, std::string()), "missing section");
    check(read_ini(ini, folder + "\\missing.ini", "Varnhollow", "Version") == std::pair(0u, std::string()),
          "missing file");
    ::DeleteFileA(path.c_str());

    // What the call leaves in its 255-byte buffer: a value cut to 254
    // characters and a NUL.
    platform::win32::ProfileBuffer buffer{};
    buffer.fill('x');
    buffer.back() = '\0';
    check(platform::win32::profile_value(buffer, 254) == std::string(254, 'x'), "a full buffer's value, NUL left out");
    check(platform::win32::profile_value(buffer, 255) == std::string(254, 'x') &&
              platform::win32::profile_value(buffer, 100000) == std::string(254, 'x'),
          "never more than the buffer holds before its NUL");
    check(platform::win32::profile_value(buffer, 3) == "xxx", "the characters copied");
}

std::string read_file(const std::string& path)
{
    std::string bytes;
    if (FILE* in = std::fopen(path.c_str(), "rb")) {
        char buffer[4096];
        for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, in)) > 0;)
            bytes.append(buffer, got);
        std::fclose(in);
    }
    return bytes;
}

// What GetTempFileNameA makes of the prefix "VHt": the system writes the
// unique number in hex without leading zeros (Wine) or as four digits, and
// the extension in either case.
bool is_temporary_file_name(const std::string& name)
{
    if (name.size() < 9 || name.size() > 11 || name.rfind("VHt", 0) != 0)
        return false;
    const std::string digits = name.substr(3, name.size() - 7);
    const std::string extension = name.substr(name.size() - 4);
    return digits.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos &&
           _stricmp(extension.c_str(), ".tmp") == 0;
}

void files(const std::string& folder)
{
    platform::win32::Win32FileSystem system;
    char temporary[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temporary);
    const auto first = system.new_temporary_file("VHtest");
    const auto second = system.new_temporary_file("VHtest");
    check(first && second && *first != *second, "each temporary file is a new one");
    if (first && second) {
        const std::string name = first->substr(first->find_last_of('\\') + 1);
        check(first->rfind(temporary, 0) == 0, "in the user's temporary folder: " + *first);
        check(is_temporary_file_name(name), "named VHt, 1 to 4 hex digits, .tmp: " + name);
        check(exists(*first) && read_file(*first).empty(), "created empty");
        ::DeleteFileA(first->c_str());
        ::DeleteFileA(second->c_str());
    }

    const std::string path = folder + "\\Tempo.net";
    write_file(path, "x");
    check(system.delete_file(path).succeeded() && !exists(path), "an existing file is deleted");
    const auto missing = system.delete_file(path);
    check(!missing.succeeded() && missing.error().code == ERROR_FILE_NOT_FOUND && !missing.error().description.empty(),
          "deleting a missing file is an error with the system's text");
}

// Lets the thread's messages run, as a box's own loop does, until the
// download ends, for at most 20 s.
std::optional<platform::RunningDownload::Outcome> wait_for(platform::RunningDownload& download)
{
    for (int i = 0; i < 400; ++i) {
        if (const auto outcome = download.outcome())
            return outcome;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        MSG message;
        while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            ::DispatchMessageA(&message);
    }
    return std::nullopt;
}

std::string file_url(const std::string& path)
{
    std::string url = "file:///" + path;
    for (char& c : url)
        if (c == '\\')
            c = '/';
    return url;
}

// Runs the program's outer loop, which also runs the handlers of the events it
// waits for, until a state, for at most 20 s. A thread timer keeps messages
// coming, so the loop's wait returns.
template <typename State>
bool run_outer_loop_until(platform::win32::EventWaits& waits, State reached)
{
    const UINT_PTR ticks = ::SetTimer(nullptr, 0, 50, nullptr);
    bool done = reached();
    for (int i = 0; i < 400 && !done; ++i) {
        MSG message;
        if (!waits.next_message(message))
            break;
        ::DispatchMessageA(&message);
        done = reached();
    }
    ::KillTimer(nullptr, ticks);
    return done;
}

using Outcome = platform::RunningDownload::Outcome;

// Keeps what the outer loop tells of the downloads' ends.
struct Ends {
    std::vector<Outcome> told;
    platform::Internet::EndHandler handler()
    {
        return [this](const Outcome& outcome) { told.push_back(outcome); };
    }
};

int thread_count()
{
    int count = 0;
    const platform::win32::UniqueKernelHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Thread32First(snapshot.get(), &entry); more; more = ::Thread32Next(snapshot.get(), &entry))
        count += entry.th32OwnerProcessID == ::GetCurrentProcessId();
    return count;
}

void downloads(const std::string& folder)
{
    platform::win32::EventWaits waits;
    platform::win32::Win32Internet internet{waits};
    platform::win32::Win32FileSystem system;
    Ends ends;
    const std::string source = folder + "\\versions.txt";
    const std::string body = "[Varnhollow]\r\nVersion=1.5\r\n" + std::string(100000, 'x');
    write_file(source, body);

    const auto target = system.new_temporary_file("VHt");
    const auto failing = system.new_temporary_file("VHt");
    const auto abandoned = system.new_temporary_file("VHt");
    if (!target || !failing || !abandoned) {
        check(false, "temporary files for the downloads");
        return;
    }
    const int threads_before = thread_count();
    const DWORD started = ::GetTickCount();
    auto download = internet.start_download(file_url(source), *target, ends.handler());
    check(download != nullptr, "a download starts");
    check(thread_count() > threads_before, "on a thread of its own");
    if (!download)
        return;
    const auto outcome = wait_for(*download);
    const DWORD waited = ::GetTickCount() - started;
    check(outcome && outcome->result == 0, "it ends with success");
    check(outcome && outcome->took_ms <= waited, "after the time it took");
    check(read_file(*target) == body, "into the existing file, replaced");
    check(ends.told.empty(), "its end is told by no loop but the outer one");
    check(run_outer_loop_until(waits, [&] { return !ends.told.empty(); }) && ends.told.size() == 1 &&
              ends.told[0].result == 0 && outcome && ends.told[0].took_ms == outcome->took_ms,
          "the outer loop tells the end with what it took");
    run_outer_loop_until(waits, [] { return false; });
    check(ends.told.size() == 1, "once");
    download.reset();
    check(exists(*target), "a download that ended keeps its file when let go");
    ::DeleteFileA(target->c_str());

    ends.told.clear();
    download = internet.start_download(file_url(folder + "\\missing.txt"), *failing, ends.handler());
    check(download && run_outer_loop_until(waits, [&] { return !ends.told.empty(); }) && ends.told[0].result != 0,
          "a missing source ends with an error");
    ::DeleteFileA(failing->c_str());

    // Let go at once: the thread deletes what it writes after that.
    ends.told.clear();
    download = internet.start_download(file_url(source), *abandoned, ends.handler());
    download.reset();
    bool gone = false;
    for (int i = 0; i < 200 && !gone; ++i) {
        ::Sleep(50);
        gone = !exists(*abandoned);
    }
    check(gone, "an abandoned download deletes its file when it ends");
    run_outer_loop_until(waits, [] { return false; });
    check(ends.told.empty(), "and its end is never told");
    ::DeleteFileA(abandoned->c_str());
    ::DeleteFileA(source.c_str());
}

// The timers run from the outer loop only, once, and never once cancelled.
void timers()
{
    platform::win32::EventWaits waits;
    platform::win32::Win32Timers timers{waits};
    std::vector<std::string> ran;
    const DWORD started = ::GetTickCount();
    DWORD first_ran_after = 0;
    auto first = timers.start_timer(300, [&] {
        first_ran_after = ::GetTickCount() - started;
        ran.push_back("first");
    });
    auto cancelled = timers.start_timer(300, [&] { ran.push_back("cancelled"); });
    std::unique_ptr<platform::PendingTimer> cancelling_itself;
    cancelling_itself = timers.start_timer(100, [&] {
        ran.push_back("cancelling itself");
        cancelling_itself.reset();
    });
    cancelled.reset();
    ::Sleep(600);
    MSG message;
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) // as a box's own loop
        ::DispatchMessageA(&message);
    check(ran.empty(), "no timer runs from a loop other than the outer one");
    run_outer_loop_until(waits, [&] { return ran.size() >= 2; });
    run_outer_loop_until(waits, [] { return false; });
    // Both were due when the loop looked: it gives no order between them.
    std::sort(ran.begin(), ran.end());
    const std::vector<std::string> each_once{"cancelling itself", "first"};
    std::string seen;
    for (const std::string& timer : ran)
        seen += "[" + timer + "]";
    check(ran == each_once, "each timer due runs once, a cancelled one never: " + seen);
    check(first_ran_after >= 290, "not before its time: " + std::to_string(first_ran_after) + " ms");
}

// Waits for a state, letting this thread's messages run, for at most 20 s.
template <typename State>
bool wait_until(State reached)
{
    for (int i = 0; i < 400; ++i) {
        if (reached())
            return true;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        MSG message;
        while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            ::DispatchMessageA(&message);
    }
    return reached();
}

// A web server on the loopback that holds each request, the connection open
// and silent, until the test lets it answer; then every held request, and
// every later one until it holds again, gets the versions file. It answers
// requests made to it and requests made through it as a web proxy alike.
class HeldWebServer {
public:
    HeldWebServer()
    {
        WSADATA data;
        ::WSAStartup(MAKEWORD(2, 2), &data);
        listener_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = ::htonl(INADDR_LOOPBACK);
        int size = sizeof address;
        if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
            ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) == 0 &&
            ::listen(listener_, 8) == 0) {
            port_ = ::ntohs(address.sin_port);
            accepting_.reset(::CreateThread(nullptr, 0, accept_connections, this, 0, nullptr));
        }
    }
    ~HeldWebServer()
    {
        answer();
        ::closesocket(listener_); // ends the accepting thread
        ::WaitForSingleObject(accepting_.get(), 20000);
        for (const auto& connection : connections_)
            ::WaitForSingleObject(connection.get(), 20000);
        ::WSACleanup();
    }
    HeldWebServer(const HeldWebServer&) = delete;
    HeldWebServer& operator=(const HeldWebServer&) = delete;

    bool listening() const { return accepting_ ? true : false; }
    std::string address() const { return "127.0.0.1:" + std::to_string(port_); }
    std::string url() const { return "http://" + address() + "/download/versions.txt"; }
    long requests() { return ::InterlockedCompareExchange(&requests_, 0, 0); }
    // Waits, for at most 20 s, until that many requests have come in in all.
    bool wait_for_requests(long count)
    {
        return wait_until([&] { return requests() >= count; });
    }
    void answer() { ::SetEvent(answering_.get()); }
    void hold() { ::ResetEvent(answering_.get()); }

    static inline const std::string BODY = "[Varnhollow]\r\nVersion=1.5\r\n";

private:
    static DWORD WINAPI accept_connections(void* parameter)
    {
        auto& server = *static_cast<HeldWebServer*>(parameter);
        for (;;) {
            const SOCKET connection = ::accept(server.listener_, nullptr, nullptr);
            if (connection == INVALID_SOCKET)
                return 0;
            auto* held = new Held{&server, connection};
            server.connections_.emplace_back(::CreateThread(nullptr, 0, serve, held, 0, nullptr));
        }
    }
    struct Held {
        HeldWebServer* server;
        SOCKET connection;
    };
    static DWORD WINAPI serve(void* parameter)
    {
        const std::unique_ptr<Held> held(static_cast<Held*>(parameter));
        std::string request;
        char buffer[1024];
        for (int got; request.find("\r\n\r\n") == std::string::npos &&
                      (got = ::recv(held->connection, buffer, sizeof buffer, 0)) > 0;)
            request.append(buffer, got);
        ::InterlockedIncrement(&held->server->requests_);
        ::WaitForSingleObject(held->server->answering_.get(), 60000);
        const std::string response = "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " +
                                     std::to_string(BODY.size()) + "\r\nConnection: close\r\n\r\n" + BODY;
        ::send(held->connection, response.data(), static_cast<int>(response.size()), 0);
        ::shutdown(held->connection, SD_SEND);
        ::closesocket(held->connection);
        return 0;
    }

    SOCKET listener_ = INVALID_SOCKET;
    unsigned short port_ = 0;
    volatile long requests_ = 0;
    platform::win32::UniqueKernelHandle answering_{::CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    platform::win32::UniqueKernelHandle accepting_;
    std::vector<platform::win32::UniqueKernelHandle> connections_; // the accepting thread's until it has ended
};

// The user's web proxy, as the bench's prefix may have left it pointing at a
// server long gone: set to the test's server while the test runs, as urlmon
// reads it once a process, then put back.
class WebProxySetting {
public:
    explicit WebProxySetting(const std::string& server)
    {
        ::RegCreateKeyExA(HKEY_CURRENT_USER, SETTINGS, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr,
                          &key_, nullptr);
        DWORD size = sizeof enabled_;
        had_enabled_ = ::RegQueryValueExA(key_, "ProxyEnable", nullptr, nullptr,
                                          reinterpret_cast<BYTE*>(&enabled_), &size) == ERROR_SUCCESS;
        char buffer[512] = {};
        size = sizeof buffer - 1;
        had_server_ = ::RegQueryValueExA(key_, "ProxyServer", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer),
                                         &size) == ERROR_SUCCESS;
        server_ = buffer;
        set(1, server);
    }
    ~WebProxySetting()
    {
        set(enabled_, server_);
        if (!had_enabled_)
            ::RegDeleteValueA(key_, "ProxyEnable");
        if (!had_server_)
            ::RegDeleteValueA(key_, "ProxyServer");
        ::RegCloseKey(key_);
    }
    WebProxySetting(const WebProxySetting&) = delete;
    WebProxySetting& operator=(const WebProxySetting&) = delete;

private:
    static constexpr char SETTINGS[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
    void set(DWORD enabled, const std::string& server)
    {
        ::RegSetValueExA(key_, "ProxyEnable", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&enabled), sizeof enabled);
        ::RegSetValueExA(key_, "ProxyServer", 0, REG_SZ, reinterpret_cast<const BYTE*>(server.c_str()),
                         static_cast<DWORD>(server.size() + 1));
    }

    HKEY key_ = nullptr;
    bool had_enabled_ = false;
    DWORD enabled_ = 0;
    bool had_server_ = false;
    std::string server_;
};

// A check that gave up on its download leaves the file to it: the file stays,
// so the next temporary file has another name, and the download deletes only
// its own file once it ends.
void abandoned_download(HeldWebServer& server)
{
    server.hold();
    platform::win32::EventWaits waits;
    platform::win32::Win32Internet internet{waits};
    platform::win32::Win32FileSystem system;
    const auto abandoned = system.new_temporary_file("VHt");
    if (!abandoned) {
        check(false, "a temporary file for the download");
        return;
    }
    auto download = internet.start_download(server.url(), *abandoned, [](const Outcome&) {});
    check(download && server.wait_for_requests(server.requests() + 1), "the download has asked the server");
    download.reset();
    check(internet.download_running(), "the abandoned download still runs");
    check(exists(*abandoned), "letting go of a running download leaves its file in place");
    const auto next = system.new_temporary_file("VHt");
    check(next && *next != *abandoned, "the next temporary file has another name");

    server.answer();
    check(wait_until([&] { return !exists(*abandoned); }), "the late download deletes its file once it ends");
    check(wait_until([&] { return !internet.download_running(); }), "and its thread ends");
    check(next && exists(*next) && read_file(*next).empty(), "the next file is left alone");
    if (next)
        ::DeleteFileA(next->c_str());
}

// The end of a download can come between the check's last look and its
// giving up: the file, which no thread writes any more, goes with the handle.
void download_ended_unseen(const std::string& folder)
{
    platform::win32::EventWaits waits;
    platform::win32::Win32Internet internet{waits};
    platform::win32::Win32FileSystem system;
    const std::string source = folder + "\\versions.txt";
    write_file(source, HeldWebServer::BODY);
    const auto target = system.new_temporary_file("VHt");
    if (!target) {
        check(false, "a temporary file for the download");
        return;
    }
    bool told = false;
    auto download = internet.start_download(file_url(source), *target, [&](const Outcome&) { told = true; });
    check(download && wait_until([&] { return !internet.download_running(); }), "the download's thread ends");
    check(exists(*target), "its file is there");
    download.reset();
    check(!exists(*target), "a download let go after an end it never told deletes its file");
    run_outer_loop_until(waits, [] { return false; });
    check(!told, "and tells nothing");
    ::DeleteFileA(target->c_str());
    ::DeleteFileA(source.c_str());
}

constexpr char END_NOW_EVENT[] = "Varnhollow.UpdateServicesTest.EndNow";
constexpr char INSTANCE_MUTEX[] = "Varnhollow.Instance";
constexpr int EXIT_CODE_AT_THE_END = 7;

// Stands in for whatever of a normal process end never returns: a library's
// detach code, or the runtime's exit, waiting for a lock that the download's
// thread held when ExitProcess killed it.
void hang_at_exit()
{
    ::Sleep(INFINITE);
}

// The program's end as WinMain makes it, in a process of its own, while a
// download runs: the instance taken, a download started, then the check
// given up and the program ended when the parent says.
int end_during_download(const std::string& url, const std::string& path)
{
    platform::win32::Win32Platform system(::GetModuleHandleA(nullptr));
    if (system.runtime.previous_instance())
        return 2;
    auto download = system.internet.start_download(url, path, [](const Outcome&) {});
    const platform::win32::UniqueKernelHandle end_now(::OpenEventA(SYNCHRONIZE, FALSE, END_NOW_EVENT));
    if (!download || !end_now || ::WaitForSingleObject(end_now.get(), 30000) != WAIT_OBJECT_0)
        return 3;
    // A quit message ends the outer loop with the download still held: it is
    // let go only when the main window goes, after the end below.
    std::atexit(hang_at_exit);
    system.end_program(EXIT_CODE_AT_THE_END);
    return 0;
}

bool instance_free()
{
    const platform::win32::UniqueKernelHandle instance(::CreateMutexA(nullptr, FALSE, INSTANCE_MUTEX));
    return instance && ::GetLastError() != ERROR_ALREADY_EXISTS;
}

void program_ending_during_a_download(HeldWebServer& server)
{
    server.hold();
    const long asked_before = server.requests();
    platform::win32::Win32FileSystem system;
    const auto target = system.new_temporary_file("VHt");
    const platform::win32::UniqueKernelHandle end_now(::CreateEventA(nullptr, TRUE, FALSE, END_NOW_EVENT));
    if (!target || !end_now) {
        check(false, "a temporary file and an event for the program");
        return;
    }
    char self[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string command_line =
        "\"" + std::string(self) + "\" end-during-download " + server.url() + " \"" + *target + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!::CreateProcessA(nullptr, command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &started)) {
        check(false, "the program starts");
        return;
    }
    const platform::win32::UniqueKernelHandle program(started.hProcess);
    const platform::win32::UniqueKernelHandle program_thread(started.hThread);

    check(server.wait_for_requests(asked_before + 1), "the program's download has asked the server");
    check(!instance_free(), "the program holds the instance");
    ::SetEvent(end_now.get());
    const bool ended = ::WaitForSingleObject(program.get(), 20000) == WAIT_OBJECT_0;
    check(ended, "a program ending during a download ends at once, whatever its exit code would do");
    if (!ended)
        ::TerminateProcess(program.get(), 1);
    DWORD exit_code = 0;
    ::GetExitCodeProcess(program.get(), &exit_code);
    check(exit_code == EXIT_CODE_AT_THE_END, "with the program's exit code: " + std::to_string(exit_code));
    check(instance_free(), "another instance may start");
    check(!exists(*target), "the download's file went with the process");
    ::DeleteFileA(target->c_str());
}

// Without a download running, the end only lets go of the instance and
// returns: the process ends as usual.
void program_ending_without_a_download(HINSTANCE instance)
{
    platform::win32::Win32Platform system(instance);
    check(!system.runtime.previous_instance() && !instance_free(), "the instance is taken");
    system.end_program(0);
    check(instance_free(), "the end of the program lets another instance start");
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::string(argv[1]) == "end-during-download")
        return end_during_download(argv[2], argv[3]);
    HeldWebServer server;
    check(server.listening(), "the loopback web server listens");
    const WebProxySetting proxy(server.address());
    const std::string folder = temporary_folder();
    ini_reader(folder);
    files(folder);
    downloads(folder);
    timers();
    abandoned_download(server);
    download_ended_unseen(folder);
    program_ending_during_a_download(server);
    program_ending_without_a_download(::GetModuleHandleA(nullptr));
    ::RemoveDirectoryA(folder.c_str());
    return checks::report();
}
