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
// 2 the file could not be written or protected. A password stored is written
// to the Application log (event 118), with the account that ran the tool.

#include <string>
#include <vector>

#include "audit/audit_trail.h"
#include "password/deployment_command.h"
#include "password/new_password.h"
#include "password/password_file.h"
#include "platform/win32/command_line.h"
#include "platform/win32/console_output.h"
#include "platform/win32/file_protection.h"
#include "platform/win32/win32_event_log.h"
#include "platform/win32/win32_services.h"
#include "program/product.h"
#include "program/result.h"

namespace {

using password::DeploymentAction;
using platform::win32::StandardStream;

constexpr int DONE = 0;
constexpr int BAD_INPUT = 1;
constexpr int FILE_FAILED = 2;
// How the audit trail names this tool.
constexpr char TOOL_NAME[] = "vhpasswd";

// Why the tool stops short: what it says on the error stream, in order, and
// its exit code.
struct ToolFailure {
    int exit_code = FILE_FAILED;
    std::vector<std::string> complaints;
};

// What the tool did: the line it says when done, or why it stopped.
using Outcome = program::Result<std::string, ToolFailure>;

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

program::Result<void, ToolFailure> protect_existing(const std::string& file)
{
    if (!platform::win32::file_exists(file))
        return ToolFailure{FILE_FAILED, {"Le fichier " + file + " n'existe pas."}};
    const auto restricted = platform::win32::restrict_to_administrators(file);
    if (!restricted.succeeded())
        return ToolFailure{FILE_FAILED,
                           {"Impossible de restreindre les droits du fichier " + file + "\r\nErreur " +
                            std::to_string(restricted.error().code) + " - " + restricted.error().description}};
    return {};
}

// A file failure is said on one line with single blanks: its error number
// keeps a place for a sign ("Erreur  5").
program::Result<void, ToolFailure> store(const std::string& path, const std::string& name, const std::string& password)
{
    platform::win32::Win32RecordFiles files;
    ToolFailure protect_failure;
    const auto protect = [&] {
        const auto protected_file = protect_existing(path + name);
        if (!protected_file.succeeded())
            protect_failure = protected_file.error();
        return protected_file.succeeded();
    };
    const auto stored = password::store_password(files, path, name, password, protect);
    if (stored.succeeded())
        return {};
    if (const auto& file = stored.error().file)
        return ToolFailure{FILE_FAILED, {without_double_blanks(password::failure_message(*file))}};
    return protect_failure;
}

// Every refusal has one shape: why, then the usage.
ToolFailure refusal(const std::string& reason)
{
    return {BAD_INPUT, {reason, password::DEPLOYMENT_USAGE}};
}

Outcome store_checked(const std::string& file_folder, const password::CommandArgument& password)
{
    if (!password::quotes_only_around_arguments(platform::win32::whole_command_line().text))
        return refusal(password::QUOTE_REFUSED);
    if (!password.representable)
        return refusal(password::UNTYPEABLE_CHARACTER);
    if (const auto problem = password::new_password_problem(password.text))
        return refusal(*problem);
    const std::string name = password::PASSWORD_FILE_NAME;
    const auto stored = store(file_folder, name, password.text);
    if (!stored.succeeded())
        return stored.error();
    platform::win32::Win32EventLog events{program::PRODUCT_NAME};
    audit::AuditTrail(events).password_set(TOOL_NAME);
    return "Mot de passe enregistré dans " + file_folder + name;
}

Outcome protect(const std::string& folder)
{
    if (folder.empty())
        return ToolFailure{FILE_FAILED, {password::NO_WINDOWS_DIRECTORY_TEXT}};
    const std::string file = folder + password::PASSWORD_FILE_NAME;
    const auto protected_file = protect_existing(file);
    if (!protected_file.succeeded())
        return protected_file.error();
    return "Droits du fichier " + file + " restreints aux Administrateurs et à SYSTEM.";
}

Outcome run()
{
    const auto read = password::read_deployment_command(deployment_arguments());
    if (!read.succeeded())
        return refusal(read.error().reason);
    const password::DeploymentCommand& command = read.value();
    if (command.action == DeploymentAction::show_help)
        return std::string(password::DEPLOYMENT_USAGE);

    platform::win32::Win32SystemInfo system;
    const std::string folder = password::password_file_folder(system);
    if (command.action == DeploymentAction::protect)
        return protect(folder);
    return store_checked(folder, command.password);
}

} // namespace

int main()
{
    const Outcome outcome = run();
    if (outcome.succeeded()) {
        platform::win32::write_line(StandardStream::output, outcome.value());
        return DONE;
    }
    for (const std::string& complaint : outcome.error().complaints)
        platform::win32::write_line(StandardStream::error, complaint);
    return outcome.error().exit_code;
}
