#include "fake_platform.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <utility>

namespace fakes {

namespace {
constexpr long FILE_NOT_FOUND = 2;
constexpr long ACCESS_DENIED = 5;
constexpr long MORE_DATA = 234;
constexpr long DOWNLOAD_FAILURE = static_cast<std::int32_t>(0x800C0008u); // INET_E_DOWNLOAD_FAILURE

// As the backend tells it: the status is ERROR_ACCESS_DENIED, or ERROR_FILE_NOT_FOUND.
platform::RegistryFailure registry_failure(platform::RegistryStep step, long status)
{
    return {step, status, status == ACCESS_DENIED, status == FILE_NOT_FOUND};
}
} // namespace

void FakeRegistry::set_dword(const std::string& key, const std::string& name, std::uint32_t number)
{
    keys[key][name] = {platform::ValueType::dword,
                       {static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
                        static_cast<std::uint8_t>(number >> 16), static_cast<std::uint8_t>(number >> 24)}};
}

long long FakeRegistry::dword(const std::string& key, const std::string& name) const
{
    auto k = keys.find(key);
    if (k == keys.end())
        return -1;
    auto v = k->second.find(name);
    if (v == k->second.end() || v->second.type != platform::ValueType::dword || v->second.bytes.size() != 4)
        return -1;
    const auto& b = v->second.bytes;
    return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<long long>(b[3]) << 24);
}

program::Result<platform::RegistryValue, platform::RegistryFailure> FakeRegistry::read_value(const std::string& path,
                                                                                           const std::string& name)
{
    using platform::RegistryStep;
    calls.push_back("read " + path + " " + name);
    const auto key = keys.find(path);
    if (key == keys.end())
        return registry_failure(RegistryStep::open, FILE_NOT_FOUND);
    if (open_status != 0)
        return registry_failure(RegistryStep::open, open_status);
    const auto value = key->second.find(name);
    if (value == key->second.end())
        return registry_failure(RegistryStep::read, FILE_NOT_FOUND);
    if (query_status != 0)
        return registry_failure(RegistryStep::read, query_status);
    if (value->second.bytes.size() > platform::REGISTRY_VALUE_ROOM)
        return registry_failure(RegistryStep::read, MORE_DATA);
    return value->second;
}

program::Result<void, platform::RegistryFailure> FakeRegistry::write_dword(const std::string& path,
                                                                         const std::string& name, std::uint32_t number)
{
    using platform::RegistryStep;
    calls.push_back("set " + path + " " + name + " " + std::to_string(number));
    if (keys.count(path) == 0)
        return registry_failure(RegistryStep::open, FILE_NOT_FOUND);
    if (open_status != 0)
        return registry_failure(RegistryStep::open, open_status);
    if (set_status != 0)
        return registry_failure(RegistryStep::write, set_status);
    set_dword(path, name, number);
    if (close_status != 0)
        return registry_failure(RegistryStep::close, close_status);
    return {};
}

program::Result<std::vector<std::uint8_t>, platform::LinkFailure>
FakeLockServiceLink::exchange(const Bytes& request)
{
    requests.push_back(request);
    if (failure)
        return *failure;
    if (!answer)
        return platform::LinkFailure::broken;
    return answer(request);
}

void FakeTray::show(int icon_resource, const std::string& tip)
{
    shown = Icon{icon_resource, tip};
    calls.push_back(shown);
}

void FakeTray::change_tip(const std::string& tip)
{
    if (shown)
        shown->tip = tip;
}

void FakeTray::remove()
{
    shown.reset();
    calls.push_back(std::nullopt);
}

// Only a shown icon can be clicked.
void FakeTray::user_asks_for_menu()
{
    if (shown && menu_requested_)
        menu_requested_();
}

bool FakeRuntime::start_program(const std::string& command_line)
{
    started.push_back(command_line);
    return !start_fails;
}

bool FakeShell::open(std::uintptr_t owner, const std::string& address)
{
    calls.push_back({Kind::web_page, owner, address, ""});
    return !refuses;
}

bool FakeShell::open_mail(std::uintptr_t owner, const std::string& mailto_address, const std::string& folder)
{
    calls.push_back({Kind::mail, owner, mailto_address, folder});
    return !refuses;
}

std::optional<platform::SystemVersion> FakeSystemInfo::version()
{
    if (version_fails)
        return std::nullopt;
    return system_version;
}

int FakeMessageBox::show(const std::string& text, platform::Buttons buttons, platform::BoxIcon icon)
{
    return show_owned(0, text, buttons, icon);
}

int FakeMessageBox::show_owned(std::uintptr_t owner, const std::string& text, platform::Buttons buttons,
                               platform::BoxIcon icon)
{
    shown.push_back({text, buttons, icon, owner});
    if (while_shown)
        while_shown();
    if (answers.empty())
        return buttons == platform::Buttons::ok ? platform::ANSWER_OK : platform::ANSWER_NO;
    const int answer = answers.front();
    answers.pop_front();
    return answer;
}

void FakeWindowSystem::create_window(platform::Form& form)
{
    created.push_back(form.name());
    open_windows.insert(form.name());
    form.window_handle = next_handle_++;
    create_controls(form.controls);
}

void FakeWindowSystem::create_controls(const std::vector<platform::Control*>& controls)
{
    for (platform::Control* control : controls) {
        if (auto* frame = dynamic_cast<platform::Frame*>(control))
            create_controls(frame->controls);
    }
}

void FakeWindowSystem::destroy_window(platform::Form& form)
{
    destroyed.push_back(form.name());
    open_windows.erase(form.name());
    form.window_handle = 0;
}

void FakeWindowSystem::show_popup_menu(platform::Form&, platform::MenuItem& menu)
{
    ++menus_shown;
    // A copy: the choice may open the menu again and replace on_popup.
    auto choose = on_popup;
    if (choose)
        choose(menu);
}

void FakeEventPump::play()
{
    if (playing_)
        return;
    playing_ = true;
    run_posted();
    while (!quit && !script.empty()) {
        ++rounds;
        run_round();
    }
    playing_ = false;
}

void FakeEventPump::run_round()
{
    auto step = std::move(script.front());
    script.pop_front();
    const bool was_playing = std::exchange(playing_, true);
    step();
    run_posted();
    playing_ = was_playing;
}

void FakeEventPump::run_posted()
{
    while (!quit && !posted.empty()) {
        auto task = std::move(posted.front());
        posted.pop_front();
        task();
    }
}

program::Result<std::string, platform::FileError> FakeRecordFiles::read_start(const std::string& path,
                                                                              std::size_t size)
{
    if (fail_with)
        return *fail_with;
    const auto file = files.find(path);
    if (file == files.end())
        return platform::FileError{2, "Le fichier sp\xE9" "cifi\xE9 est introuvable.", true};
    return file->second.substr(0, size);
}

program::Result<void, platform::FileError> FakeRecordFiles::write_start(const std::string& path,
                                                                       const std::string& bytes)
{
    if (fail_with)
        return *fail_with;
    if (fail_writes_with)
        return *fail_writes_with;
    if (files.count(path) == 0)
        created.push_back(path);
    std::string& file = files[path];
    if (file.size() < bytes.size())
        file.resize(bytes.size());
    file.replace(0, bytes.size(), bytes);
    return {};
}

bool FakeRegistryWatch::watch(const std::string& path, std::function<void()> on_change)
{
    watched.push_back(path);
    if (fails)
        return false;
    on_change_ = std::move(on_change);
    return true;
}

void FakeRegistryWatch::notify()
{
    if (on_change_) {
        auto handler = on_change_; // the handler may watch again
        handler();
    }
}

platform::MenuItem* find_item(platform::MenuItem& menu, const std::string& name)
{
    if (menu.name() == name)
        return &menu;
    for (platform::MenuItem* item : menu.items)
        if (auto* found = find_item(*item, name))
            return found;
    return nullptr;
}

void type_keys(platform::Form& form, platform::TextBox& field, const std::string& keys)
{
    for (char key : keys)
        form.type_character(field, key);
}

std::optional<std::string> FakeFileSystem::new_temporary_file(const std::string& prefix)
{
    if (temporary_files_fail)
        return std::nullopt;
    std::string path;
    unsigned number = FIRST_UNIQUE;
    do {
        char unique[5];
        std::snprintf(unique, sizeof unique, "%04X", number++ & 0xFFFF);
        path = temporary_directory + "\\" + prefix.substr(0, 3) + unique + ".tmp";
    } while (files.count(path));
    files[path] = "";
    temporary_files.push_back(path);
    return path;
}

program::Result<void, platform::FileError> FakeFileSystem::delete_file(const std::string& path)
{
    deletions.push_back(path);
    if (!files.count(path))
        return platform::FileError{FILE_NOT_FOUND, "file not found"};
    if (deletion_denied)
        return platform::FileError{ACCESS_DENIED, "access denied"};
    files.erase(path);
    return {};
}

class FakeEventLoop::FakePendingTimer : public platform::PendingTimer {
public:
    explicit FakePendingTimer(std::shared_ptr<Timer> timer) : timer_(std::move(timer)) {}
    ~FakePendingTimer() override { timer_->cancelled = true; }

private:
    std::shared_ptr<Timer> timer_;
};

void FakeEventLoop::time_passes(std::uint32_t ms)
{
    now_ms_ += ms;
    std::erase_if(timers_, [](const auto& timer) { return timer->cancelled; });
    std::stable_sort(timers_.begin(), timers_.end(),
                     [](const auto& a, const auto& b) { return a->due_ms < b->due_ms; });
    const auto not_due =
        std::find_if(timers_.begin(), timers_.end(), [this](const auto& t) { return t->due_ms > now_ms_; });
    for (auto timer = timers_.begin(); timer != not_due; ++timer)
        post([due = *timer] { std::exchange(due->on_elapsed, nullptr)(); }, [due = *timer] { return !due->cancelled; });
    timers_.erase(timers_.begin(), not_due);
}

void FakeEventLoop::post(std::function<void()> event, std::function<bool()> alive)
{
    waiting_.push_back({std::move(event), std::move(alive)});
}

void FakeEventLoop::run(Order order)
{
    while (!waiting_.empty()) {
        Waiting next;
        if (order == Order::as_they_came) {
            next = std::move(waiting_.front());
            waiting_.pop_front();
        } else {
            next = std::move(waiting_.back());
            waiting_.pop_back();
        }
        if (next.alive())
            next.event();
    }
}

int FakeEventLoop::waiting() const
{
    return static_cast<int>(
        std::count_if(waiting_.begin(), waiting_.end(), [](const Waiting& w) { return w.alive(); }));
}

std::unique_ptr<platform::PendingTimer> FakeEventLoop::start_timer(std::uint32_t ms, std::function<void()> on_elapsed)
{
    auto timer = std::make_shared<Timer>(Timer{now_ms_ + ms, std::move(on_elapsed)});
    timers_.push_back(timer);
    return std::make_unique<FakePendingTimer>(timer);
}

bool FakeInternet::connected()
{
    ++connection_tests;
    return online;
}

class FakeRunningDownload : public platform::RunningDownload {
public:
    FakeRunningDownload(FakeInternet& internet, std::shared_ptr<FakeInternet::State> state)
        : internet_(internet), state_(std::move(state))
    {
    }
    // Nothing more of it is told. One that ended untold is written no more:
    // its file goes, as the real download's handle deletes it.
    ~FakeRunningDownload() override
    {
        if (!state_->outcome)
            ++internet_.abandoned;
        else if (!state_->told)
            internet_.disk_.files.erase(state_->request.path);
        state_->let_go = true;
    }
    std::optional<Outcome> outcome() override
    {
        state_->told = state_->told || state_->outcome.has_value();
        return state_->outcome;
    }

private:
    FakeInternet& internet_;
    std::shared_ptr<FakeInternet::State> state_;
};

std::unique_ptr<platform::RunningDownload> FakeInternet::start_download(const std::string& url,
                                                                        const std::string& path, EndHandler on_end)
{
    if (start_fails)
        return nullptr;
    downloads.push_back({url, path});
    auto state = std::make_shared<State>();
    state->request = downloads.back();
    state->on_end = std::move(on_end);
    state->started_at = loop_.now_ms();
    states_.push_back(state);
    if (answers_at_once)
        end(state);
    return std::make_unique<FakeRunningDownload>(*this, state);
}

void FakeInternet::finish_download()
{
    const auto oldest = std::find_if(states_.begin(), states_.end(), [](const auto& s) { return !s->outcome; });
    if (oldest == states_.end())
        throw std::logic_error("no download is running");
    end(*oldest);
}

void FakeInternet::end(const std::shared_ptr<State>& download)
{
    const auto page = served.find(download->request.url);
    const long result = page == served.end() ? DOWNLOAD_FAILURE : fails_after_writing.value_or(0);
    const platform::RunningDownload::Outcome outcome{result, loop_.now_ms() - download->started_at};
    download->outcome = outcome;
    if (page != served.end())
        disk_.files[download->request.path] = page->second;
    if (download->let_go) {
        ++late_results;
        disk_.files.erase(download->request.path);
        return;
    }
    loop_.post(
        [download, outcome] {
            download->told = true;
            std::exchange(download->on_end, nullptr)(outcome);
        },
        [download] { return !download->let_go; });
}

int FakeInternet::running() const
{
    return static_cast<int>(
        std::count_if(states_.begin(), states_.end(), [](const auto& s) { return !s->outcome && !s->let_go; }));
}

namespace {

std::string lower(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::string trimmed(const std::string& text)
{
    const auto begin = text.find_first_not_of(" \t");
    if (begin == std::string::npos)
        return "";
    return text.substr(begin, text.find_last_not_of(" \t") - begin + 1);
}

std::optional<std::string> ini_value(const std::string& content, const std::string& section, const std::string& key)
{
    bool in_section = false;
    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t end = content.find('\n', start);
        if (end == std::string::npos)
            end = content.size();
        std::string line = content.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        line = trimmed(line);
        if (!line.empty() && line.front() == '[') {
            const auto close = line.find(']');
            in_section = close != std::string::npos && lower(trimmed(line.substr(1, close - 1))) == lower(section);
            continue;
        }
        const auto equals = line.find('=');
        if (!in_section || equals == std::string::npos || lower(trimmed(line.substr(0, equals))) != lower(key))
            continue;
        std::string value = trimmed(line.substr(equals + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        return value;
    }
    return std::nullopt;
}

} // namespace

std::string FakeIniFiles::value(const std::string& path, const std::string& section, const std::string& key)
{
    const auto file = disk_.files.find(path);
    if (file == disk_.files.end())
        return {};
    return ini_value(file->second, section, key).value_or("").substr(0, platform::LONGEST_INI_VALUE);
}

bool FakeEventLog::report(platform::EventType type, std::uint32_t event_id, const std::vector<std::string>& inserts)
{
    ++reports;
    if (while_reporting)
        while_reporting();
    if (fails)
        return false;
    events.push_back({type, event_id, inserts});
    return true;
}

std::string FakeEventLog::error_text(long status)
{
    return status == ACCESS_DENIED ? "Acc\xE8s refus\xE9." : "Erreur " + std::to_string(status) + ".";
}

void PrintTo(const FakeEventLog::Event& event, std::ostream* out)
{
    char id[11];
    std::snprintf(id, sizeof id, "0x%08X", static_cast<unsigned>(event.id));
    *out << id << " type " << static_cast<int>(event.type) << " [";
    for (std::size_t i = 0; i < event.inserts.size(); ++i)
        *out << (i ? "|" : "") << event.inserts[i];
    *out << "]";
}

} // namespace fakes

namespace fakes {

FakeDeviceTree::FakeDeviceTree()
{
    nodes[root_node] = Node{"HTREE\\ROOT\\0", std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt};
}

platform::DeviceNode FakeDeviceTree::add(platform::DeviceNode parent, const std::string& id,
                                         std::optional<std::string> friendly_name,
                                         std::optional<std::string> description)
{
    const platform::DeviceNode node = next_node_++;
    nodes[node] = Node{id, std::move(friendly_name), std::move(description), parent, std::nullopt, std::nullopt};
    Node& holder = nodes.at(parent);
    if (!holder.first_child) {
        holder.first_child = node;
    } else {
        platform::DeviceNode last = *holder.first_child;
        while (nodes.at(last).next_sibling)
            last = *nodes.at(last).next_sibling;
        nodes.at(last).next_sibling = node;
    }
    return node;
}

void FakeDeviceTree::fail(Answer answer, std::optional<platform::DeviceNode> node)
{
    if (!node) {
        failing_[answer] = std::nullopt; // every node
        return;
    }
    auto& entry = failing_[answer];
    if (!entry)
        entry = std::set<platform::DeviceNode>{};
    entry->insert(*node);
}

const FakeDeviceTree::Node* FakeDeviceTree::answering(Answer answer, platform::DeviceNode node)
{
    ++calls;
    const auto failing = failing_.find(answer);
    if (failing != failing_.end() && (!failing->second || failing->second->count(node)))
        return nullptr;
    const auto found = nodes.find(node);
    return found == nodes.end() ? nullptr : &found->second;
}

std::optional<platform::DeviceNode> FakeDeviceTree::root()
{
    if (!answering(Answer::root, root_node))
        return std::nullopt;
    return root_node;
}

std::optional<platform::DeviceNode> FakeDeviceTree::first_child(platform::DeviceNode node)
{
    const Node* found = answering(Answer::first_child, node);
    return found ? found->first_child : std::nullopt;
}

std::optional<platform::DeviceNode> FakeDeviceTree::next_sibling(platform::DeviceNode node)
{
    const Node* found = answering(Answer::next_sibling, node);
    return found ? found->next_sibling : std::nullopt;
}

std::optional<platform::DeviceNode> FakeDeviceTree::parent(platform::DeviceNode node)
{
    const Node* found = answering(Answer::parent, node);
    return found ? found->parent : std::nullopt;
}

std::optional<std::string> FakeDeviceTree::instance_id(platform::DeviceNode node)
{
    const Node* found = answering(Answer::instance_id, node);
    return found ? std::optional<std::string>(found->id) : std::nullopt;
}

std::optional<std::string> FakeDeviceTree::friendly_name(platform::DeviceNode node)
{
    const Node* found = answering(Answer::friendly_name, node);
    return found ? found->friendly_name : std::nullopt;
}

std::optional<std::string> FakeDeviceTree::description(platform::DeviceNode node)
{
    const Node* found = answering(Answer::description, node);
    return found ? found->description : std::nullopt;
}

platform::RemovalAnswer FakeDeviceTree::request_removal(platform::DeviceNode node)
{
    removal_requests.push_back(node);
    if (!answering(Answer::removal, node) || refusing.count(node))
        return platform::RemovalAnswer::refused;
    return platform::RemovalAnswer::ejected;
}

std::string FakeWallClock::local_hour_minute(std::int64_t seconds)
{
    constexpr std::int64_t day = 24 * 3600;
    const std::int64_t of_day = ((seconds + local_offset_seconds) % day + day) % day;
    char text[6];
    std::snprintf(text, sizeof text, "%02d:%02d", static_cast<int>(of_day / 3600), static_cast<int>(of_day % 3600 / 60));
    return text;
}

std::optional<std::uint32_t> FakeUserSettings::read_number(const std::string& name)
{
    const auto found = numbers.find(name);
    if (found == numbers.end())
        return std::nullopt;
    return found->second;
}

bool FakeUserSettings::write_number(const std::string& name, std::uint32_t number)
{
    if (writes_fail)
        return false;
    numbers[name] = number;
    return true;
}

} // namespace fakes

namespace fakes {

namespace {

std::string trustees_text(const std::vector<std::string>& trustees)
{
    std::string text;
    for (const std::string& trustee : trustees)
        text += " " + trustee;
    return text;
}

bool names(const std::vector<std::string>& trustees, const std::string& trustee)
{
    return std::find(trustees.begin(), trustees.end(), trustee) != trustees.end();
}

platform::FileError missing_file()
{
    return platform::FileError{2, "Le fichier sp\xE9" "cifi\xE9 est introuvable.", true};
}

} // namespace

bool FakeFileAccess::fails(const std::optional<platform::FileError>& failure, const std::string& path) const
{
    return failure && (failing_path.empty() || failing_path == path);
}

program::Result<std::vector<platform::AccessEntry>, platform::FileError>
FakeFileAccess::own_entries(const std::string& path)
{
    calls.push_back("entries " + path);
    const auto file = files.find(path);
    if (file == files.end())
        return missing_file();
    if (fails(read_fails, path))
        return *read_fails;
    return file->second;
}

program::Result<std::vector<platform::AccessEntry>*, platform::FileError>
FakeFileAccess::writable(const std::string& path)
{
    const auto file = files.find(path);
    if (file == files.end())
        return missing_file();
    if (fails(write_fails, path))
        return *write_fails;
    return &file->second;
}

program::Result<void, platform::FileError> FakeFileAccess::deny_reading(const std::string& path,
                                                                        const std::vector<std::string>& trustees)
{
    calls.push_back("deny " + path + trustees_text(trustees));
    auto entries = writable(path);
    if (!entries.succeeded())
        return entries.error();
    std::vector<platform::AccessEntry> added;
    for (const std::string& trustee : trustees)
        added.push_back({platform::AccessKind::deny, trustee, platform::AccessRights::reading});
    entries.value()->insert(entries.value()->begin(), added.begin(), added.end());
    return {};
}

program::Result<void, platform::FileError>
FakeFileAccess::remove_read_denials(const std::string& path, const std::vector<std::string>& trustees)
{
    calls.push_back("remove " + path + trustees_text(trustees));
    auto entries = writable(path);
    if (!entries.succeeded())
        return entries.error();
    std::erase_if(*entries.value(), [&trustees](const platform::AccessEntry& entry) {
        return entry.kind == platform::AccessKind::deny && entry.rights == platform::AccessRights::reading &&
               names(trustees, entry.trustee);
    });
    return {};
}

void PrintTo(const platform::AccessEntry& entry, std::ostream* out)
{
    const char* kinds[] = {"allow", "deny", "other"};
    *out << kinds[static_cast<int>(entry.kind)] << ' ' << entry.trustee << ' '
         << (entry.rights == platform::AccessRights::reading ? "reading" : "other");
}

} // namespace fakes
