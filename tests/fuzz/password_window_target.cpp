// The password window and the lock switch on the real main window, driven by
// a script of what users and other programs do. Each byte names an action,
// by letter, and the bytes after it its choices (below); a byte past the end
// reads as 0. Each action is one round of events, after which the tasks it
// posted run (the lock switch finishes its question then); the script's end
// plays a quit message.
//
// The security rules are checked where the program acts, from what the
// script did, never from the program's own state:
// - Start is written 3 only after an OK pressed while the switch asks,
//   in the layout that asks to unlock, with the stored password, in capitals,
//   in the field;
// - the password file is written only during Enter in the confirmation of a
//   showing of the window in which the stored password was entered, after a
//   new password that the deployment rules take and that the confirmation
//   repeats; it then holds that password.
//
// The actions, with their choices (field: '0' current, '1' new, '2'
// confirmation; a word or a file password: the digit of the tables below):
//   a choose "Verrou USB"              m close box
//   b choose "Mot de Passe"            n quit message
//   c choose "Quitter", then 'Yes'?    o Start set from outside: 3 4 0 1 2, 5 deletes it
//   d type a word into a field         p store a file password, with a salt
//   e type one key into a field        q cut the file to (0..31) bytes
//   f press Enter in a field           r spoil a byte of the file: position, value
//   g Enter sent straight to a field   s delete the file
//   h a program sets a field to a word t file reads and writes fail, or work again
//   i a program sets a field to bytes  u the Windows directory unknown, or known again
//   j click OK, Abandon, Abandon       v registry writes fail, or work again
//   k Enter on the focused control     w the next message box plays the next action
//   l the user focuses a control       (another byte: the next letter, modulo)

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "fake_platform.h"
#include "invariant.h"
#include "lock/usb_storage_value.h"
#include "password/new_password.h"
#include "password/passwd.h"
#include "password/windows1252.h"
#include "shell/main_window.h"

namespace {

using fuzzing::expect;

const std::string PASSWORD_FILE = "C:\\WINDOWS\\system32\\PSTACK.DRV";
const std::string WINDOWS_DIRECTORY = "C:\\WINDOWS";
constexpr std::size_t MOST_NESTED = 8; // actions played inside message boxes inside actions
constexpr int ENTER = '\r';

enum Action {
    choose_lock,
    choose_password,
    choose_quit,
    type_word,
    type_key,
    press_enter_in,
    enter_straight_to,
    set_word,
    set_bytes,
    click,
    enter_on_focus,
    focus,
    close_box,
    quit_message,
    outside_start,
    store_file,
    cut_file,
    spoil_file,
    delete_file,
    toggle_file_failure,
    toggle_windows_directory,
    toggle_registry_failure,
    box_plays_next,
    action_count
};

// Passwords a writer other than the program may leave, as the record's field
// keeps at most 8 characters in capitals.
const std::array<std::string, 8> FILE_PASSWORDS = {"SECRET", "VERROU", "AB", "abcdefgh", "\xE9t\xE9",
                                                   "A",      "",       "abcdefghij"};

class Script {
public:
    Script(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool ended() const { return at_ == size_; }
    std::uint8_t next() { return ended() ? 0 : data_[at_++]; }
    std::size_t choice(std::size_t count) { return next() % count; }
    // 'a' is the first action, and every byte names one.
    Action action() { return static_cast<Action>((next() + action_count - 'a' % action_count) % action_count); }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

// What the rules allow at each moment, kept from what the script did.
struct Allowed {
    std::optional<std::string> file_password; // the whole record holds it; none: spoiled or of a wrong length
    std::string last_stored;                  // the last one stored, spoiled since or not
    bool folder_known = true;                 // the Windows directory, at the window's last load
    bool verify_layout = false;               // the window was last asked to unlock, not to change
    bool unlock_earned = false;               // OK with the right password while the switch asks
    bool current_verified = false;            // the right password entered in this showing
    std::string new_password;                 // entered after that, taken by the rules
    std::string last_new_entry;               // in the new password's field at its last Enter, taken or not
    std::optional<std::string> write_allowed; // during a confirmation that may store this one
};

class WatchedRegistry : public fakes::FakeRegistry {
public:
    explicit WatchedRegistry(Allowed& allowed) : allowed_(allowed) {}
    program::Result<void, platform::RegistryFailure> write_dword(const std::string& path, const std::string& name,
                                                                 std::uint32_t number) override
    {
        if (name == lock::START_VALUE) {
            const bool unlocking = number == lock::START_UNLOCKED;
            expect(unlocking || number == lock::START_LOCKED, "the program writes Start 3 or 4 only");
            if (unlocking) {
                expect(allowed_.unlock_earned, "Start becomes 3 only after OK with the password while the switch asks");
                allowed_.unlock_earned = false;
            }
        }
        return FakeRegistry::write_dword(path, name, number);
    }

private:
    Allowed& allowed_;
};

class WatchedRecordFiles : public fakes::FakeRecordFiles {
public:
    explicit WatchedRecordFiles(Allowed& allowed) : allowed_(allowed) {}
    program::Result<void, platform::FileError> write_start(const std::string& path, const std::string& bytes) override
    {
        expect(allowed_.write_allowed.has_value(),
               "the password file is written only after the current password and a confirmed new one");
        expect(path == PASSWORD_FILE, "the password file is written where it is read");
        const std::string capitals = password::upper_case_1252(*allowed_.write_allowed);
        expect(bytes.size() == password::RECORD_SIZE &&
                   password::decode_stored_password(bytes.substr(0, password::FIELD_SIZE)) == capitals,
               "the file then holds the new password in capitals");
        auto written = FakeRecordFiles::write_start(path, bytes);
        if (written.succeeded())
            allowed_.file_password = allowed_.last_stored = capitals;
        return written;
    }

private:
    Allowed& allowed_;
};

// A record as a writer other than the program may leave it: the password's
// bytes in capitals, each spread over two characters with one salt, NUL
// padding to 8, then a reserve the program keeps as it is.
std::string record_of(const std::string& password, std::uint8_t salt_byte)
{
    const int salt = salt_byte & 60;
    std::string plain = password::upper_case_1252(password.substr(0, 8));
    plain.resize(8, '\0');
    std::string record;
    for (const char c : plain) {
        const int byte = static_cast<unsigned char>(c);
        record += static_cast<char>(((byte ^ salt) >> 2) + 62);
        record += static_cast<char>((salt | (byte & 3)) + 62);
    }
    return record + std::string(password::FIELD_SIZE, static_cast<char>(salt_byte));
}

std::string ascii_lower_case(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

class Bench {
public:
    explicit Bench(Script& script);
    void run();

private:
    bool running() const { return form_.window.loaded() && !p_.pump.quit && !script_.ended(); }
    std::optional<std::string> stored_password() const;
    void end_showing();
    void watch_the_window();
    void play_next();
    void act(Action action);
    void choose(platform::MenuItem& item);
    void store(const std::string& password, std::uint8_t salt);
    platform::TextBox& field();
    std::string word();

    Script& script_;
    Allowed allowed_;
    fakes::FakePlatform p_;
    WatchedRegistry registry_{allowed_};
    WatchedRecordFiles files_{allowed_};
    platform::Services services_{registry_,      p_.tray,  p_.system, p_.boxes,    p_.runtime,
                                 p_.windows,     p_.pump,  files_,    p_.internet, p_.ini,
                                 p_.file_system, p_.shell, p_.watch,  p_.devices,  p_.events,
                                 p_.loop,        p_.lock_service, p_.file_access, p_.wall_clock,
                                 p_.user_settings};
    platform::Forms forms_{p_.windows};
    shell::MainWindow form_{services_, forms_};
    password::PasswordWindow& dialog_ = form_.password_window;
    std::size_t depth_ = 0;
};

Bench::Bench(Script& script) : script_(script)
{
    registry_.set_dword(lock::USBSTOR_KEY, lock::START_VALUE, lock::START_LOCKED);
    store(FILE_PASSWORDS[0], 0);
    watch_the_window();
}

// The password the window must compare with: none when none can be read,
// empty when there is no file.
std::optional<std::string> Bench::stored_password() const
{
    if (!allowed_.folder_known || files_.fail_with)
        return std::nullopt;
    if (files_.files.count(PASSWORD_FILE) == 0)
        return std::string();
    return allowed_.file_password;
}

void Bench::end_showing()
{
    allowed_.current_verified = false;
    allowed_.new_password.clear();
}

// Notes what reaches the window's handlers before they run.
void Bench::watch_the_window()
{
    dialog_.window.on_load = [this, load = dialog_.window.on_load] {
        allowed_.folder_known = !p_.system.windows_folder.empty();
        end_showing();
        load();
    };
    dialog_.ok_button.on_click = [this, ok = dialog_.ok_button.on_click] {
        const auto stored = stored_password();
        const bool right = stored && password::upper_case_1252(dialog_.current_field.text()) == *stored;
        const bool asked = form_.lock_switch().asking() && allowed_.verify_layout && dialog_.window.visible();
        if (right && asked)
            allowed_.unlock_earned = true;
        ok();
        if (right && asked)
            expect(!dialog_.window.visible(), "the stored password is accepted while the switch asks");
    };
    dialog_.current_field.on_key_press = [this, key = dialog_.current_field.on_key_press](int k) {
        const std::string& text = dialog_.current_field.text();
        if (k == ENTER && text.size() >= 2 && text.size() <= 8) {
            const auto stored = stored_password();
            allowed_.current_verified = stored && password::upper_case_1252(text) == *stored;
        }
        key(k);
    };
    dialog_.new_field.on_key_press = [this, key = dialog_.new_field.on_key_press](int k) {
        const std::string& text = dialog_.new_field.text();
        if (k == ENTER)
            allowed_.last_new_entry = text;
        if (k == ENTER && allowed_.current_verified && !password::new_password_problem(text))
            allowed_.new_password = text;
        key(k);
    };
    dialog_.confirm_field.on_key_press = [this, key = dialog_.confirm_field.on_key_press](int k) {
        const bool confirmed = k == ENTER && allowed_.current_verified && !allowed_.new_password.empty() &&
                               dialog_.confirm_field.text() == allowed_.new_password;
        const auto outer = std::exchange(allowed_.write_allowed,
                                         confirmed ? std::optional(allowed_.new_password) : std::nullopt);
        key(k);
        allowed_.write_allowed = outer;
    };
}

void Bench::run()
{
    forms_.load(form_.window);
    while (running()) {
        play_next();
        p_.pump.run_posted(); // the round has ended
    }
    form_.final_release();
}

void Bench::play_next()
{
    // A confirmation under way allows nothing to what happens in its boxes.
    const auto outer = std::exchange(allowed_.write_allowed, std::nullopt);
    ++depth_;
    act(script_.action());
    --depth_;
    allowed_.write_allowed = outer;
    if (!dialog_.window.visible())
        end_showing();
}

platform::TextBox& Bench::field()
{
    platform::TextBox* fields[] = {&dialog_.current_field, &dialog_.new_field, &dialog_.confirm_field};
    return *fields[script_.choice(3)];
}

// Words 1 and 2 follow the script: the password last stored, in lower case,
// and what the new password's field held at its last Enter.
std::string Bench::word()
{
    const std::array<std::string, 16> words = {"",
                                               ascii_lower_case(allowed_.last_stored),
                                               allowed_.last_new_entry,
                                               "ab",
                                               "verrou",
                                               "secret",
                                               "se",
                                               "abcdefgh",
                                               "abcdefghi",
                                               "\xE9t\xE9",
                                               "new1",
                                               "NEW1",
                                               "ab\"c",
                                               "abc\\",
                                               "ab\x7F",
                                               "x"};
    return words[script_.choice(words.size())];
}

// A right-click on the tray icon, and the item chosen in its menu.
void Bench::choose(platform::MenuItem& item)
{
    p_.windows.on_popup = [&item](platform::MenuItem&) {
        if (item.on_click)
            item.on_click();
    };
    p_.tray.user_asks_for_menu();
    p_.windows.on_popup = nullptr;
}

void Bench::store(const std::string& password, std::uint8_t salt)
{
    files_.files[PASSWORD_FILE] = record_of(password, salt);
    const std::string capitals = password::upper_case_1252(password.substr(0, 8));
    allowed_.last_stored = capitals;
    const bool whole = capitals.size() >= 2;
    allowed_.file_password = whole ? std::optional(capitals) : std::nullopt;
}

void Bench::act(Action action)
{
    platform::Form& window = dialog_.window;
    std::string* file = files_.files.count(PASSWORD_FILE) ? &files_.files[PASSWORD_FILE] : nullptr;
    switch (action) {
    case choose_lock:
        if (form_.locked() && !form_.lock_switch().asking()) { // a new question, a new showing
            allowed_.unlock_earned = false;
            allowed_.verify_layout = true;
            end_showing();
        }
        choose(form_.lock_item);
        break;
    case choose_password:
        allowed_.verify_layout = false;
        end_showing();
        choose(form_.password_item);
        break;
    case choose_quit:
        if (script_.next() % 2 && form_.locked())
            p_.boxes.answers.push_back(platform::ANSWER_YES);
        choose(form_.quit_item);
        break;
    case type_word: {
        platform::TextBox& into = field();
        fakes::type_keys(window, into, word());
        break;
    }
    case type_key: {
        platform::TextBox& into = field();
        window.type_character(into, static_cast<char>(script_.next()));
        break;
    }
    case press_enter_in: window.type_character(field(), platform::ENTER_KEY); break;
    case enter_straight_to: { // as the tests do, past the key rule
        platform::TextBox& into = field();
        if (window.loaded())
            into.on_key_press(ENTER);
        break;
    }
    case set_word: {
        platform::TextBox& into = field();
        const std::string text = word();
        if (window.loaded())
            into.set_text(text);
        break;
    }
    case set_bytes: {
        platform::TextBox& into = field();
        std::string text(script_.choice(12), '\0');
        for (char& c : text)
            c = static_cast<char>(script_.next());
        if (window.loaded())
            into.set_text(text);
        break;
    }
    case click: {
        const platform::Button* buttons[] = {&dialog_.ok_button, &dialog_.abandon_verify_button,
                                             &dialog_.abandon_change_button};
        buttons[script_.choice(3)]->click();
        break;
    }
    case enter_on_focus:
        if (window.visible())
            window.press_enter(window.focus());
        break;
    case focus: {
        platform::Control& control = *window.controls[script_.choice(window.controls.size())];
        if (window.visible() && control.visible() && control.enabled())
            window.focus_moved_to(control);
        break;
    }
    case close_box:
        if (window.loaded())
            window.on_close();
        break;
    case quit_message: p_.pump.quit = true; break;
    case outside_start: {
        const std::uint32_t values[] = {3, 4, 0, 1, 2};
        const std::size_t chosen = script_.choice(6);
        if (chosen < 5)
            registry_.set_dword(lock::USBSTOR_KEY, lock::START_VALUE, values[chosen]);
        else
            registry_.keys[lock::USBSTOR_KEY].erase(lock::START_VALUE);
        p_.watch.notify();
        break;
    }
    case store_file: {
        const std::string& password = FILE_PASSWORDS[script_.choice(FILE_PASSWORDS.size())];
        store(password, script_.next());
        break;
    }
    case cut_file: {
        const std::size_t length = script_.choice(password::RECORD_SIZE);
        if (file && file->size() > length) {
            file->resize(length);
            allowed_.file_password.reset();
        }
        break;
    }
    case spoil_file: {
        const std::size_t at = script_.choice(password::RECORD_SIZE);
        const std::uint8_t value = script_.next();
        if (file && at < file->size()) {
            // In the field, a character no encoding makes; the reserve may hold anything.
            (*file)[at] = static_cast<char>(at < password::FIELD_SIZE ? value % 62 : value);
            if (at < password::FIELD_SIZE)
                allowed_.file_password.reset();
        }
        break;
    }
    case delete_file: files_.files.erase(PASSWORD_FILE); break;
    case toggle_file_failure:
        if (files_.fail_with)
            files_.fail_with.reset();
        else
            files_.fail_with = platform::FileError{5, "Acc\xE8s refus\xE9."};
        break;
    case toggle_windows_directory:
        p_.system.windows_folder = p_.system.windows_folder.empty() ? WINDOWS_DIRECTORY : "";
        break;
    case toggle_registry_failure: registry_.set_status = registry_.set_status ? 0 : 5; break;
    case box_plays_next:
        p_.boxes.while_shown = [this] {
            p_.boxes.while_shown = nullptr;
            if (running() && depth_ < MOST_NESTED)
                play_next();
        };
        break;
    case action_count: break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Script script(data, size);
    Bench bench(script);
    bench.run();
    return 0;
}
