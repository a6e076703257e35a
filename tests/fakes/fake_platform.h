#pragma once

// In-memory stand-ins for the platform services. They record what the
// program asked for and answer from what the test put in. Not modelled: real
// windows (no painting, no focus, no caret or selection in a field: keys go
// through the forms' own key rule, see type_keys), registry security, and any
// timing but the clock the tests move (FakeEventLoop).

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/lock_service_link.h"
#include "platform/services.h"

namespace fakes {

// A registry of one level of keys. Each operation is logged as a line such as
// "read SYSTEM\...\USBSTOR Start" or "set SYSTEM\...\USBSTOR Start 4" so
// tests can check what was read and written, in order. Like the Win32 layer,
// a read refuses a value larger than platform::REGISTRY_VALUE_ROOM, and
// neither operation creates a key.
class FakeRegistry : public platform::Registry {
public:
    using Value = platform::RegistryValue;

    void set_dword(const std::string& key, const std::string& name, std::uint32_t number);
    // The stored DWORD, or -1 when there is none.
    long long dword(const std::string& key, const std::string& name) const;

    std::map<std::string, std::map<std::string, Value>> keys;
    std::vector<std::string> calls;
    // The status each step fails with, when not 0 (a missing key or value
    // fails with "not found" all the same): the key's opening, the value's
    // read, its write and the key's closing after a write.
    long open_status = 0;
    long query_status = 0;
    long set_status = 0;
    long close_status = 0;

    program::Result<platform::RegistryValue, platform::RegistryFailure> read_value(const std::string& path,
                                                                                   const std::string& name) override;
    program::Result<void, platform::RegistryFailure> write_dword(const std::string& path, const std::string& name,
                                                                 std::uint32_t number) override;
};

class FakeTray : public platform::TrayIcon {
public:
    struct Icon {
        int resource = 0;
        std::string tip;
        bool operator==(const Icon&) const = default;
    };
    // The icon up now, if any.
    std::optional<Icon> shown;
    // Every showing and removal, in order; a removal is an empty entry.
    std::vector<std::optional<Icon>> calls;

    void show(int icon_resource, const std::string& tip) override;
    void change_tip(const std::string& tip) override;
    void remove() override;
    void on_menu_requested(std::function<void()> requested) override { menu_requested_ = std::move(requested); }

    // The user right-clicks the icon (or asks for its menu from the keyboard).
    void user_asks_for_menu();

private:
    std::function<void()> menu_requested_;
};

class FakeSystemInfo : public platform::SystemInfo {
public:
    platform::SystemVersion system_version{platform::SystemFamily::windows_nt, 5, 1, 2600};
    bool version_fails = false;                  // the system cannot tell
    std::string windows_folder = "C:\\WINDOWS"; // empty: the system cannot tell

    std::optional<platform::SystemVersion> version() override;
    std::string windows_directory() override { return windows_folder; }
};

class FakeMessageBox : public platform::MessageBoxes {
public:
    struct Shown {
        std::string text;
        platform::Buttons buttons;
        platform::BoxIcon icon;
        std::uintptr_t owner = 0; // none
    };
    std::vector<Shown> shown;
    std::deque<int> answers; // OK when empty
    std::function<void()> while_shown;

    int show(const std::string& text, platform::Buttons buttons, platform::BoxIcon icon) override;
    int show_owned(std::uintptr_t owner, const std::string& text, platform::Buttons buttons,
                   platform::BoxIcon icon) override;
};

class FakeRuntime : public platform::Runtime {
public:
    bool other_instance = false;
    bool previous_instance() override { return other_instance; }

    // Command lines asked for, started or not.
    std::vector<std::string> started;
    bool start_fails = false; // as when nothing is at the program path
    bool start_program(const std::string& command_line) override;
};

// Records what the program hands to the shell.
class FakeShell : public platform::Shell {
public:
    enum class Kind { web_page, mail };
    struct Call {
        Kind kind;
        std::uintptr_t owner;
        std::string address;
        std::string folder; // empty: none given
    };
    std::vector<Call> calls;
    bool refuses = false; // as when no program is set for the address

    bool open(std::uintptr_t owner, const std::string& address) override;
    bool open_mail(std::uintptr_t owner, const std::string& mailto_address, const std::string& folder) override;
};

class FakeWindowSystem : public platform::WindowSystem {
public:
    // Forms whose window exists now, by name.
    std::set<std::string> open_windows;
    std::vector<std::string> created;
    std::vector<std::string> destroyed;
    int menus_shown = 0;
    bool loop_ended = false;
    std::vector<std::string> brought_to_front;
    // Plays the user's choice while a popup menu is open.
    std::function<void(platform::MenuItem&)> on_popup;

    void create_window(platform::Form& form) override;
    void destroy_window(platform::Form& form) override;
    void bring_to_front(platform::Form& form) override { brought_to_front.push_back(form.name()); }
    void show_popup_menu(platform::Form& owner, platform::MenuItem& menu) override;
    void end_event_loop() override { loop_ended = true; }

private:
    void create_controls(const std::vector<platform::Control*>& controls);
    std::uintptr_t next_handle_ = 0x1000;
};

// The thread's queue. `script` holds the user's actions, one round of events
// each; every round is followed by the tasks posted until then. The rounds
// are played when the program is back in its event loop (play).
class FakeEventPump : public platform::EventPump {
public:
    std::deque<std::function<void()>> script;
    int rounds = 0;
    // The thread was told to end: no round and no posted task runs any more.
    bool quit = false;
    std::deque<std::function<void()>> posted;

    void post(std::function<void()> task) override { posted.push_back(std::move(task)); }
    // The program is back in its event loop: runs the tasks posted, then the
    // script's rounds, until it is played or the thread told to end. Within
    // a round, or within a task, it does nothing: the loop is running.
    void play();
    // The tasks posted, as the event loop runs them when no user action is
    // pending.
    void run_posted();

private:
    void run_round();

    bool playing_ = false;
};

// Files in memory, by path; failures on demand. A read of a missing file
// answers as the real one does: an error marked missing, no file created. A
// write creates a missing file and notes it in `created`.
class FakeRecordFiles : public platform::RecordFiles {
public:
    std::map<std::string, std::string> files;
    // Every read and write fails with this, or only the writes.
    std::optional<platform::FileError> fail_with;
    std::optional<platform::FileError> fail_writes_with;
    std::vector<std::string> created;

    program::Result<std::string, platform::FileError> read_start(const std::string& path, std::size_t size) override;
    program::Result<void, platform::FileError> write_start(const std::string& path, const std::string& bytes) override;
};

// Files by path, for the whole-file services and the fakes that read or
// write files. Paths are compared exactly (Windows would ignore case).
class FakeFileSystem : public platform::FileSystem {
public:
    std::string temporary_directory = "C:\\DOCUME~1\\Marie\\LOCALS~1\\Temp";
    std::map<std::string, std::string> files;
    std::vector<std::string> temporary_files; // every one created, in order
    std::vector<std::string> deletions;       // every path asked for
    bool deletion_denied = false;             // as for a file in use: the file stays
    bool temporary_files_fail = false;        // as for a full or read-only folder

    // An empty file named as GetTempFileNameA names it, never one that exists.
    // Each call tries the same number first, as the real one does when the
    // clock it starts from reads the same: a deleted file's name comes back.
    std::optional<std::string> new_temporary_file(const std::string& prefix) override;
    program::Result<void, platform::FileError> delete_file(const std::string& path) override;

private:
    static constexpr unsigned FIRST_UNIQUE = 0x1A2B;
};

// The window thread's outer event loop and its clock. What the platform
// tells the program from that loop (a download's end, a timer) waits here
// until the test lets the loop run, as the real loop is held up while a
// command runs or a box is open. The real loop gives no order between events
// that are both waiting when it looks; a test may play either. Time passes
// only when the test says.
class FakeEventLoop : public platform::Timers {
public:
    enum class Order { as_they_came, latest_first };

    std::uint32_t now_ms() const { return now_ms_; }
    // Moves the clock; the timers now due wait to run, earliest first.
    void time_passes(std::uint32_t ms);
    // For the fakes: `event` waits to run as long as `alive` says true.
    void post(std::function<void()> event, std::function<bool()> alive);
    // Runs every waiting event, those they make wait included.
    void run(Order order = Order::as_they_came);
    int waiting() const;

    std::unique_ptr<platform::PendingTimer> start_timer(std::uint32_t ms, std::function<void()> on_elapsed) override;

private:
    struct Waiting {
        std::function<void()> event;
        std::function<bool()> alive;
    };
    struct Timer {
        std::uint32_t due_ms;
        std::function<void()> on_elapsed;
        bool cancelled = false;
    };
    class FakePendingTimer;

    std::uint32_t now_ms_ = 0;
    std::deque<Waiting> waiting_;
    std::vector<std::shared_ptr<Timer>> timers_;
};

// A web server in memory; the downloads from it keep the loop's time. A
// download of an address it serves writes the body to the file, one of any
// other address fails as an unreachable server does (an error code, nothing
// written). By default a download ends as soon as it starts; with
// `answers_at_once` false it runs until the test calls finish_download().
// Either way its end waits in the loop to be told. A download the program
// abandoned writes its file when it finishes all the same, then deletes it,
// as the real one does: whatever file then has that name.
// Not modelled: a download that writes part of its file.
class FakeInternet : public platform::Internet {
public:
    FakeInternet(FakeFileSystem& disk, FakeEventLoop& loop) : disk_(disk), loop_(loop) {}

    struct Download {
        std::string url;
        std::string path;
    };
    bool online = true;
    bool answers_at_once = true;
    bool start_fails = false; // as when no thread can be created
    // Set: a download writes what is served all the same, then reports this error.
    std::optional<long> fails_after_writing;
    std::map<std::string, std::string> served;
    std::vector<Download> downloads; // every one started, in order
    int connection_tests = 0;
    int abandoned = 0;    // given up by the program while they ran
    int late_results = 0; // finished after that: thrown away

    // The server answers the oldest download still running.
    void finish_download();
    // Downloads started that have neither ended nor been abandoned.
    int running() const;

    bool connected() override;
    std::unique_ptr<platform::RunningDownload> start_download(const std::string& url, const std::string& path,
                                                              EndHandler on_end) override;

    // One download, shared by the fake and the program's handle on it.
    struct State {
        Download request;
        EndHandler on_end;
        std::uint32_t started_at = 0;
        std::optional<platform::RunningDownload::Outcome> outcome;
        bool told = false;   // the program has heard of its end
        bool let_go = false; // the program's handle is gone
    };

private:
    friend class FakeRunningDownload;
    void end(const std::shared_ptr<State>& download);

    FakeFileSystem& disk_;
    FakeEventLoop& loop_;
    std::vector<std::shared_ptr<State>> states_;
};

// GetPrivateProfileStringA on the fake files: section and key names in any
// letter case, blanks around names and values ignored, one pair of quotes
// around a value removed, lines ended by CR LF or LF, a value cut to
// platform::LONGEST_INI_VALUE characters. The first matching key wins. Not
// modelled: comments, key enumeration (null key), Unicode files.
class FakeIniFiles : public platform::IniFiles {
public:
    explicit FakeIniFiles(FakeFileSystem& disk) : disk_(disk) {}

    std::string value(const std::string& path, const std::string& section, const std::string& key) override;

private:
    FakeFileSystem& disk_;
};

// Keeps the program's handler; the test plays the event loop meeting the
// change notification with notify(), after changing the registry itself. Not
// modelled: when the notification arrives.
class FakeRegistryWatch : public platform::RegistryWatch {
public:
    std::vector<std::string> watched; // paths, in the order asked
    bool fails = false;

    bool watch(const std::string& path, std::function<void()> on_change) override;
    void notify();

private:
    std::function<void()> on_change_;
};

// A Plug and Play device tree in memory: a root ("HTREE\ROOT\0") and the
// nodes a test adds, linked as the real tree is (a first child, a next
// sibling, a parent), which a test may also rewire into a loop. A link or a
// name the node lacks, and a node the tree does not hold, answer nothing.
// Each answer can be made to fail (answer nothing), for every node or for
// one. Records every removal request; a node in `refusing` refuses it. Not
// modelled: the tree changing during a walk, removal taking the ejected
// nodes out of the tree.
class FakeDeviceTree : public platform::DeviceTree {
public:
    struct Node {
        std::string id;
        std::optional<std::string> friendly_name;
        std::optional<std::string> description;
        std::optional<platform::DeviceNode> parent;
        std::optional<platform::DeviceNode> first_child;
        std::optional<platform::DeviceNode> next_sibling;
    };
    enum class Answer { root, first_child, next_sibling, parent, instance_id, friendly_name, description, removal };

    FakeDeviceTree();
    // Adds a node as the last child of `parent`; returns it.
    platform::DeviceNode add(platform::DeviceNode parent, const std::string& id,
                             std::optional<std::string> friendly_name = std::nullopt,
                             std::optional<std::string> description = std::nullopt);
    // Makes `answer` fail, for `node` only when given: a question answers
    // nothing, a removal request is refused.
    void fail(Answer answer, std::optional<platform::DeviceNode> node = std::nullopt);

    platform::DeviceNode root_node = 1;
    std::map<platform::DeviceNode, Node> nodes;
    std::set<platform::DeviceNode> refusing; // a program holds a file open on them
    std::vector<platform::DeviceNode> removal_requests;
    long long calls = 0; // every question and request

    std::optional<platform::DeviceNode> root() override;
    std::optional<platform::DeviceNode> first_child(platform::DeviceNode node) override;
    std::optional<platform::DeviceNode> next_sibling(platform::DeviceNode node) override;
    std::optional<platform::DeviceNode> parent(platform::DeviceNode node) override;
    std::optional<std::string> instance_id(platform::DeviceNode node) override;
    std::optional<std::string> friendly_name(platform::DeviceNode node) override;
    std::optional<std::string> description(platform::DeviceNode node) override;
    platform::RemovalAnswer request_removal(platform::DeviceNode node) override;

private:
    // The node an answer is about, when it answers at all: not when it was
    // made to fail, nor for a node the tree does not hold.
    const Node* answering(Answer answer, platform::DeviceNode node);

    std::map<Answer, std::optional<std::set<platform::DeviceNode>>> failing_;
    platform::DeviceNode next_node_ = 2;
};

// The Application log in memory: the events written, in order. `fails` plays
// a source that cannot be opened: nothing is written, every report answers
// false. Not modelled: the message texts (the exe's message table, checked
// under Wine) and the user's SID.
class FakeEventLog : public platform::EventLog {
public:
    struct Event {
        platform::EventType type;
        std::uint32_t id;
        std::vector<std::string> inserts;
        bool operator==(const Event&) const = default;
    };
    std::vector<Event> events;
    int reports = 0; // written or not
    bool fails = false;
    std::string user = "POSTE-042\\mdurand";
    std::function<void()> while_reporting; // runs inside each report

    bool report(platform::EventType type, std::uint32_t event_id, const std::vector<std::string>& inserts) override;
    std::string user_name() override { return user; }
    // "Accès refusé." for 5 (ERROR_ACCESS_DENIED), "Erreur N." for any other.
    std::string error_text(long status) override;
};

// A clock that moves only when the test says; it wraps at 2^32 as the real
// one does.
class FakeClock : public platform::Clock {
public:
    std::uint32_t now_ms = 0;

    std::uint32_t milliseconds() override { return now_ms; }
    void advance(std::uint32_t ms) { now_ms += ms; }
};

// The line to the lock service: records every request, and hands back what
// `answer` makes of it (a service in memory, or set bytes), or `failure`
// when set, in which case nothing reaches `answer`. Not modelled: the wait
// for an answer and the pipe's size limits.
class FakeLockServiceLink : public platform::LockServiceLink {
public:
    using Bytes = std::vector<std::uint8_t>;
    std::vector<Bytes> requests;
    std::function<Bytes(const Bytes&)> answer;
    std::optional<platform::LinkFailure> failure;

    program::Result<Bytes, platform::LinkFailure> exchange(const Bytes& request) override;

    static FakeLockServiceLink no_service()
    {
        FakeLockServiceLink link;
        link.failure = platform::LinkFailure::absent;
        return link;
    }
};

// The date and time the test sets; local time is UTC moved by
// `local_offset_seconds`. Not modelled: summer time changing the offset.
class FakeWallClock : public platform::WallClock {
public:
    std::int64_t now = 1'200'000'000; // 10 January 2008, 21:20 UTC
    std::int64_t local_offset_seconds = 3600;

    std::int64_t now_seconds() override { return now; }
    std::string local_hour_minute(std::int64_t seconds) override;
};

// The user's own settings in memory. `writes_fail` plays a key the user may
// not write.
class FakeUserSettings : public platform::UserSettings {
public:
    std::map<std::string, std::uint32_t> numbers;
    bool writes_fail = false;

    std::optional<std::uint32_t> read_number(const std::string& name) override;
    bool write_number(const std::string& name, std::uint32_t number) override;
    void remove(const std::string& name) override { numbers.erase(name); }
};

// Shows an event in a test's failure message: "0x0000006E type 8 [POSTE-042\mdurand]".
void PrintTo(const FakeEventLog::Event& event, std::ostream* out);

// Files' own access lists in memory, by path; a path that is not in `files`
// is a missing file. Each call is logged as a line such as
// "entries C:\WINDOWS\Inf\Usbstor.inf", "deny C:\...\Usbstor.inf S-1-1-0 S-1-5-18"
// or "remove C:\...\Usbstor.inf S-1-1-0 S-1-5-18", so tests can check what was
// asked, in order. The reads, or the writes, fail with the error set, for
// every file or only for `failing_path`. Not modelled: the folder's inherited
// entries, and what the entries do to whoever opens the file.
class FakeFileAccess : public platform::FileAccess {
public:
    std::map<std::string, std::vector<platform::AccessEntry>> files;
    std::vector<std::string> calls;
    std::optional<platform::FileError> read_fails;
    std::optional<platform::FileError> write_fails;
    std::string failing_path; // empty: every file

    program::Result<std::vector<platform::AccessEntry>, platform::FileError>
    own_entries(const std::string& path) override;
    program::Result<void, platform::FileError> deny_reading(const std::string& path,
                                                            const std::vector<std::string>& trustees) override;
    program::Result<void, platform::FileError> remove_read_denials(const std::string& path,
                                                                   const std::vector<std::string>& trustees) override;

private:
    // The file's entries to change, or why it cannot be written.
    program::Result<std::vector<platform::AccessEntry>*, platform::FileError> writable(const std::string& path);
    bool fails(const std::optional<platform::FileError>& failure, const std::string& path) const;
};

// Shows an entry in a test's failure message: "deny S-1-1-0 reading".
void PrintTo(const platform::AccessEntry& entry, std::ostream* out);

// Every fake, and the services that hand them out.
struct FakePlatform {
    FakeRegistry registry;
    FakeTray tray;
    FakeSystemInfo system;
    FakeMessageBox boxes;
    FakeRuntime runtime;
    FakeWindowSystem windows;
    FakeEventPump pump;
    FakeRecordFiles files;
    FakeFileSystem file_system;
    FakeEventLoop loop;
    FakeInternet internet{file_system, loop};
    FakeIniFiles ini{file_system};
    FakeShell shell;
    FakeRegistryWatch watch;
    FakeDeviceTree devices;
    FakeEventLog events;
    // No lock service listens, unless a test says otherwise.
    FakeLockServiceLink lock_service = FakeLockServiceLink::no_service();
    // No setup file of the USB storage driver, unless a test puts one.
    FakeFileAccess file_access;
    FakeWallClock wall_clock;
    FakeUserSettings user_settings;
    platform::Services services{registry, tray,  system,  boxes,  runtime, windows, pump,        files,
                                internet, ini,   file_system, shell, watch, devices, events, loop, lock_service,
                                file_access, wall_clock, user_settings};

    // The program is back in its outer event loop, which runs what waits
    // there; nothing once the program has quit (the last window unloaded, or
    // a quit message from outside).
    void run_event_loop(FakeEventLoop::Order order = FakeEventLoop::Order::as_they_came)
    {
        if (!windows.loop_ended && !pump.quit)
            loop.run(order);
    }
};

// Finds a menu item by name anywhere under `menu`.
platform::MenuItem* find_item(platform::MenuItem& menu, const std::string& name);

// Types `keys` into `field` one by one, as the user does, through the
// window's key rule (platform::Form::type_character): "\r" is Enter. The
// field edits as one with its caret at the end.
void type_keys(platform::Form& form, platform::TextBox& field, const std::string& keys);

} // namespace fakes
