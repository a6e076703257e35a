// vhpasswd: sets the password of Varnhollow's USB lock on this machine, for
// administrators who deploy the program by script. It writes the password file
// with the program's own cipher and file code, and lets only Administrators and
// SYSTEM open it.
//
//   vhpasswd PASSWORD        store PASSWORD (2 to 8 Windows-1252 characters)
//   vhpasswd -- PASSWORD     the same, for a password beginning with - or /
//   vhpasswd --protect       only restrict the permissions of the existing file
//                            (also /protect)
//   vhpasswd /?  (/help, /h, -h, --help) the usage
//
// Exit codes: 0 done (or the usage asked for), 1 bad command line or password,
// 2 the file could not be written or protected.

#include <string>
#include <vector>

#include "password/deployment_command.h"
#include "password/new_password.h"
#include "password/password_file.h"
#include "platform/win32/command_line.h"
#include "platform/win32/console_output.h"
#include "platform/win32/file_protection.h"
#include "platform/win32/win32_services.h"

namespace {

using password::DeploymentAction;
using platform::win32::StandardStream;

constexpr int DONE = 0;
constexpr int BAD_INPUT = 1;
constexpr int FILE_FAILED = 2;

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

std::vector<password::CommandArgument> deployment_arguments()
{
    std::vector<password::CommandArgument> arguments;
    for (auto& argument : platform::win32::arguments_after_the_program_name())
        arguments.push_back({std::move(argument.text), argument.representable});
    return arguments;
}

int protect_existing(const std::string& file)
{
    if (!platform::win32::file_exists(file)) {
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

// Every refusal has one shape: why, then the usage.
int refuse(const std::string& reason)
{
    complain(reason);
    complain(password::DEPLOYMENT_USAGE);
    return BAD_INPUT;
}

int store_checked(const std::string& file_folder, const password::CommandArgument& password)
{
    if (!password::quotes_only_around_arguments(platform::win32::whole_command_line().text))
        return refuse(password::QUOTE_REFUSED);
    if (!password.representable)
        return refuse(password::UNTYPEABLE_CHARACTER);
    if (const auto problem = password::new_password_problem(password.text))
        return refuse(*problem);
    const std::string name = password::PASSWORD_FILE_NAME;
    const int result = store(file_folder, name, password.text);
    if (result == DONE)
        say("Mot de passe enregistré dans " + file_folder + name);
    return result;
}

} // namespace

int main()
{
    const auto command = password::read_deployment_command(deployment_arguments());
    if (command.action == DeploymentAction::show_help) {
        say(password::DEPLOYMENT_USAGE);
        return DONE;
    }
    if (command.action == DeploymentAction::refuse_usage)
        return refuse(command.refusal);

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
