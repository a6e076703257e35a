// vhpasswd: sets the password of Varnhollow's USB lock on this machine, for
// administrators who deploy the program by script. It writes the password file
// with the program's own cipher and file code, and lets only Administrators and
// SYSTEM open it.
//
//   vhpasswd PASSWORD        store PASSWORD (2 to 8 Windows-1252 characters)
//   vhpasswd -- PASSWORD     the same, for a password beginning with - or /
//   vhpasswd --protect       only restrict the permissions of the existing file
//   vhpasswd /?  (-h, --help) the usage
//
// Exit codes: 0 done (or the usage asked for), 1 bad command line or password,
// 2 the file could not be written or protected.

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "password/deployment_command.h"
#include "password/new_password.h"
#include "password/password_file.h"
#include "platform/win32/console_output.h"
#include "platform/win32/file_protection.h"
#include "platform/win32/win32_services.h"

namespace {

using password::DeploymentAction;
using platform::win32::StandardStream;

constexpr int DONE = 0;
constexpr int BAD_INPUT = 1;
constexpr int FILE_FAILED = 2;
constexpr UINT WINDOWS_1252 = 1252;

void say(const std::string& text) { platform::win32::write_line(StandardStream::output, text); }
void complain(const std::string& text) { platform::win32::write_line(StandardStream::error, text); }

// The text with no blank doubled; its line breaks stay.
std::string without_double_blanks(const std::string& text)
{
    std::string single;
    for (const char c : text) {
        if (c == ' ' && !single.empty() && single.back() == ' ')
            continue;
        single += c;
    }
    return single;
}

// Text as Windows-1252, each character that code page lacks as '?' (no
// look-alike replacement), and whether there was none.
password::CommandArgument to_windows_1252(const wchar_t* text)
{
    const int length = ::lstrlenW(text);
    if (length == 0)
        return {};
    std::vector<char> buffer(static_cast<std::size_t>(length) * 2 + 1);
    BOOL replaced = FALSE;
    const int written = ::WideCharToMultiByte(WINDOWS_1252, WC_NO_BEST_FIT_CHARS, text, length, buffer.data(),
                                              static_cast<int>(buffer.size()), "?", &replaced);
    if (written <= 0)
        return {"", false};
    return {std::string(buffer.data(), static_cast<std::size_t>(written)), !replaced};
}

std::vector<password::CommandArgument> arguments_after_the_program_name()
{
    std::vector<password::CommandArgument> arguments;
    int count = 0;
    LPWSTR* words = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (!words)
        return arguments;
    for (int i = 1; i < count; ++i)
        arguments.push_back(to_windows_1252(words[i]));
    ::LocalFree(words);
    return arguments;
}

int protect_existing(const std::string& file)
{
    if (::GetFileAttributesA(file.c_str()) == INVALID_FILE_ATTRIBUTES) {
        complain("Le fichier " + file + " n'existe pas.");
        return FILE_FAILED;
    }
    if (const auto error = platform::win32::restrict_to_administrators(file)) {
        complain("Impossible de restreindre les droits du fichier " + file + "\r\nErreur " +
                 std::to_string(error->code) + " - " + error->description);
        return FILE_FAILED;
    }
    return DONE;
}

// A file failure is said on one line with single blanks: its error number
// keeps a place for a sign ("Erreur  5").
int store(const std::string& path, const std::string& name, const std::string& password)
{
    platform::win32::Win32RecordFiles files;
    const auto protect = [&] { return protect_existing(path + name) == DONE; };
    const auto result = password::store_password(files, path, name, password, protect);
    if (result.failure)
        complain(without_double_blanks(password::failure_message(*result.failure)));
    return result.stored ? DONE : FILE_FAILED;
}

int refuse_usage(const std::string& unknown_option)
{
    if (!unknown_option.empty())
        complain("Option inconnue : " + unknown_option);
    complain(password::DEPLOYMENT_USAGE);
    return BAD_INPUT;
}

int store_checked(const std::string& file_folder, const password::CommandArgument& password)
{
    if (!password::quotes_only_around_arguments(to_windows_1252(::GetCommandLineW()).text)) {
        complain(password::QUOTE_REFUSED);
        return BAD_INPUT;
    }
    if (!password.representable) {
        complain(password::UNTYPEABLE_CHARACTER);
        return BAD_INPUT;
    }
    if (const auto problem = password::new_password_problem(password.text)) {
        complain(*problem);
        complain(password::DEPLOYMENT_USAGE);
        return BAD_INPUT;
    }
    const std::string name = password::PASSWORD_FILE_NAME;
    const int result = store(file_folder, name, password.text);
    if (result == DONE)
        say("Mot de passe enregistré dans " + file_folder + name);
    return result;
}

} // namespace

int main()
{
    const auto command = password::read_deployment_command(arguments_after_the_program_name());
    if (command.action == DeploymentAction::show_help) {
        say(password::DEPLOYMENT_USAGE);
        return DONE;
    }
    if (command.action == DeploymentAction::refuse_usage)
        return refuse_usage(command.unknown_option);

    platform::win32::Win32SystemInfo system;
    const std::string folder = password::password_file_folder(system);
    if (command.action == DeploymentAction::protect) {
        if (folder.empty()) {
            complain(password::NO_WINDOWS_DIRECTORY_TEXT);
            return FILE_FAILED;
        }
        const std::string file = folder + password::PASSWORD_FILE_NAME;
        const int result = protect_existing(file);
        if (result == DONE)
            say("Droits du fichier " + file + " restreints aux Administrateurs et à SYSTEM.");
        return result;
    }
    return store_checked(folder, command.password);
}
