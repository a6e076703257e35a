// The event log on Win32, run under Wine: varnhollow.exe's message table
// gives each event the French text Event Viewer will show, byte for byte in
// Windows-1252, and the Win32 log reports, names the user and words errors.
// VARNHOLLOW_EXE is the exe's path (a Unix path is read through drive Z:).

#include <windows.h>

#include <sddl.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "checks.h"
#include "platform/win32/win32_event_log.h"
#include "program/event_ids.h"

namespace {

using checks::check;

constexpr WORD FRENCH_FRANCE = 0x040C;

struct Message {
    const char* name;
    std::uint32_t id;
    std::vector<std::string> inserts;
    const char* text; // Windows-1252
};

// The inserts a viewer would fill in; the accented letters written as bytes.
const Message MESSAGES[] = {
    {"started", program::EVENT_STARTED, {"1.4", "POSTE-042\\mdurand", "activ\xE9"},
     "Varnhollow 1.4 a d\xE9marr\xE9 pour l'utilisateur POSTE-042\\mdurand ; verrou USB : activ\xE9."},
    {"stopped", program::EVENT_STOPPED, {"POSTE-042\\mdurand", "d\xE9sactiv\xE9"},
     "Varnhollow s'est arr\xEAt\xE9 pour l'utilisateur POSTE-042\\mdurand ; verrou USB : d\xE9sactiv\xE9."},
    {"locked", program::EVENT_LOCKED, {"POSTE-042\\mdurand"}, "Verrou USB activ\xE9 par POSTE-042\\mdurand."},
    {"unlocked", program::EVENT_UNLOCKED, {"POSTE-042\\mdurand"},
     "Verrou USB d\xE9sactiv\xE9 par POSTE-042\\mdurand apr\xE8s saisie du mot de passe."},
    {"wrong password", program::EVENT_WRONG_PASSWORD, {"POSTE-042\\mdurand"},
     "Mot de passe erron\xE9 saisi par POSTE-042\\mdurand pour d\xE9verrouiller."},
    {"wrong current password", program::EVENT_WRONG_CURRENT_PASSWORD, {"POSTE-042\\mdurand"},
     "Mot de passe actuel erron\xE9 saisi par POSTE-042\\mdurand pour changer le mot de passe."},
    {"too many tries", program::EVENT_TOO_MANY_TRIES, {"POSTE-042\\mdurand"},
     "Trop d'essais erron\xE9s du mot de passe, le dernier par POSTE-042\\mdurand : tous les mots de passe sont "
     "refus\xE9s pendant une minute."},
    {"password set", program::EVENT_PASSWORD_SET, {"POSTE-042\\mdurand", "vhpasswd"},
     "Mot de passe de Varnhollow d\xE9" "fini par POSTE-042\\mdurand avec vhpasswd."},
    {"password changed", program::EVENT_PASSWORD_CHANGED, {"POSTE-042\\mdurand"},
     "Mot de passe de Varnhollow modifi\xE9 par POSTE-042\\mdurand."},
    {"changed outside", program::EVENT_CHANGED_OUTSIDE, {"activ\xE9", "4"},
     "Le verrou USB a \xE9t\xE9 activ\xE9 hors de Varnhollow (valeur Start : 4)."},
    {"write failed", program::EVENT_WRITE_FAILED, {"POSTE-042\\mdurand", "Acc\xE8s refus\xE9."},
     "Le verrou USB n'a pas pu \xEAtre modifi\xE9 par POSTE-042\\mdurand : Acc\xE8s refus\xE9."},
    {"drives ejected", program::EVENT_DRIVES_EJECTED, {"POSTE-042\\mdurand", "Cl\xE9 USB (E:), Disque USB (F:)"},
     "P\xE9riph\xE9riques USB \xE9ject\xE9s \xE0 la demande de POSTE-042\\mdurand : Cl\xE9 USB (E:), Disque USB (F:)."},
    {"password file unreadable",
     program::EVENT_PASSWORD_FILE_UNREADABLE,
     {"POSTE-042\\mdurand", "C:\\WINDOWS\\system32\\PSTACK.DRV", "5", "Acc\xE8s refus\xE9."},
     "Le fichier du mot de passe C:\\WINDOWS\\system32\\PSTACK.DRV n'a pas pu \xEAtre lu par POSTE-042\\mdurand : "
     "erreur 5 - Acc\xE8s refus\xE9."},
};

std::string windows_path(std::string path)
{
    if (!path.empty() && path[0] == '/')
        path = "Z:" + path;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

// The text as a viewer formats it: from the exe's message table, the inserts
// passed as an argument array.
std::string formatted(HMODULE exe, std::uint32_t id, WORD language, const std::vector<std::string>& inserts)
{
    std::vector<DWORD_PTR> arguments;
    for (const std::string& insert : inserts)
        arguments.push_back(reinterpret_cast<DWORD_PTR>(insert.c_str()));
    char buffer[1024];
    const DWORD length =
        ::FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY, exe, id, language, buffer,
                         sizeof buffer, reinterpret_cast<va_list*>(arguments.data()));
    return std::string(buffer, length);
}

std::string shown(const std::string& text)
{
    std::string out;
    for (unsigned char c : text) {
        if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    return out;
}

void message_table(HMODULE exe)
{
    for (const Message& m : MESSAGES) {
        const std::string got = formatted(exe, m.id, FRENCH_FRANCE, m.inserts);
        check(got == m.text, std::string(m.name) + ": [" + shown(got) + "], expected [" + shown(m.text) + "]");
        // Event Viewer on a machine of another language asks for no language
        // in particular and must still get the French text.
        check(formatted(exe, m.id, 0, m.inserts) == m.text, std::string(m.name) + " in the default language");
    }
    // Event Viewer shows the low word; the severity is in the top bits.
    check((program::EVENT_STARTED & 0xFFFF) == 100 && (program::EVENT_PASSWORD_FILE_UNREADABLE & 0xFFFF) == 117,
          "event numbers in the low word");
    check(formatted(exe, 0x40000066, FRENCH_FRANCE, {}).empty(), "no text for a number the program never reports");
}

void win32_event_log()
{
    platform::win32::Win32EventLog log("Varnhollow");
    // The start-up event is reported once the icon is up: what the first one
    // costs (the user's name, opening the source) delays the first click.
    const DWORD began = ::GetTickCount();
    const std::string user = log.user_name();
    const bool reported = log.report(platform::EventType::information, program::EVENT_STARTED, {"1.4", user, "activ\xE9"});
    std::printf("figure: the first report, the user's name included, took %lu ms\n",
                static_cast<unsigned long>(::GetTickCount() - began));
    check(user.find('\\') != std::string::npos && user.back() != '\\', "the user is DOMAIN\\user: [" + user + "]");
    check(log.user_name() == user, "the user stays the same");
    check(reported, "an event is reported");
    check(log.report(platform::EventType::audit_success, program::EVENT_LOCKED, {user}), "and the next one");
    const std::string denied = log.error_text(ERROR_ACCESS_DENIED);
    check(!denied.empty() && denied.back() != '\n' && denied.back() != '\r',
          "an error's text without a line break: [" + denied + "]");
}

// A log for another account (the lock service's, for the client who asked)
// names that account and reports with its SID, not the process user's.
void client_event_log()
{
    PSID system = nullptr;
    ::ConvertStringSidToSidA("S-1-5-18", &system);
    const platform::win32::Win32Account account = platform::win32::account_of(system);
    check(!account.name.empty() && account.name != platform::win32::Win32EventLog("Varnhollow").user_name(),
          "SYSTEM's name is another account's: [" + account.name + "]");
    platform::win32::Win32EventLog log("Varnhollow", account);
    check(log.user_name() == account.name, "the client's log names the client: [" + log.user_name() + "]");
    check(log.user_sid() && ::EqualSid(log.user_sid(), system), "the client's log reports with the client's SID");
    check(log.report(platform::EventType::audit_success, program::EVENT_LOCKED, {account.name}),
          "the client's log reports");
    ::LocalFree(system);
}

} // namespace

int main()
{
    const char* exe_path = std::getenv("VARNHOLLOW_EXE");
    check(exe_path != nullptr, "VARNHOLLOW_EXE names the exe");
    if (exe_path) {
        const std::string path = windows_path(exe_path);
        const HMODULE exe = ::LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        check(exe != nullptr, "the exe loads as a data file: " + path);
        if (exe) {
            message_table(exe);
            ::FreeLibrary(exe);
        }
    }
    win32_event_log();
    client_event_log();
    return checks::report();
}
