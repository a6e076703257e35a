// vhpasswd's arguments, as any command line may give them: the input is the
// arguments one after the other, each ended by a NUL; an argument that begins
// with \x01 held a character Windows-1252 lacks (the mark is not part of it).

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "invariant.h"
#include "password/deployment_command.h"

namespace {

using fuzzing::expect;
using password::CommandArgument;
using password::DeploymentAction;

constexpr char UNREPRESENTABLE_MARK = '\x01';

std::vector<CommandArgument> arguments_of(const std::string& input)
{
    std::vector<CommandArgument> arguments;
    std::size_t start = 0;
    while (start < input.size()) {
        const std::size_t end = std::min(input.find('\0', start), input.size());
        std::string text = input.substr(start, end - start);
        const bool representable = text.empty() || text.front() != UNREPRESENTABLE_MARK;
        arguments.push_back({representable ? text : text.substr(1), representable});
        start = end + 1;
    }
    return arguments;
}

bool looks_like_option(const std::string& text)
{
    return !text.empty() && (text.front() == '-' || text.front() == '/');
}

bool same(const CommandArgument& a, const CommandArgument& b)
{
    return a.text == b.text && a.representable == b.representable;
}

bool is_options_end(const CommandArgument& argument) { return argument.representable && argument.text == "--"; }

// The passwords given: every argument after the first "--", and before it
// those that do not look like an option.
std::vector<CommandArgument> passwords_given(const std::vector<CommandArgument>& arguments)
{
    std::vector<CommandArgument> passwords;
    bool options_ended = false;
    for (const CommandArgument& argument : arguments) {
        if (options_ended || !looks_like_option(argument.text))
            passwords.push_back(argument);
        else if (is_options_end(argument))
            options_ended = true;
    }
    return passwords;
}

// `password` is an argument that does not look like an option, or one that
// comes after a "--".
bool given_as_password(const std::vector<CommandArgument>& arguments, const CommandArgument& password)
{
    bool options_ended = false;
    for (const CommandArgument& argument : arguments) {
        if (same(argument, password) && (options_ended || !looks_like_option(argument.text)))
            return true;
        options_ended = options_ended || is_options_end(argument);
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    const auto arguments = arguments_of(input);
    const auto read = password::read_deployment_command(arguments);
    const auto passwords = passwords_given(arguments);

    if (!read.succeeded()) {
        const auto& refusal = read.error();
        expect(!refusal.reason.empty(), "a refusal says why");
        expect(refusal.unknown_option.empty() || looks_like_option(refusal.unknown_option),
               "only an option is named as unknown");
    } else {
        const auto& command = read.value();
        if (command.action == DeploymentAction::store) {
            expect(given_as_password(arguments, command.password),
                   "an argument that looks like an option is stored only after --");
            expect(passwords.size() == 1 && same(passwords.front(), command.password),
                   "a store stores the one password given");
        }
        if (command.action == DeploymentAction::show_help || command.action == DeploymentAction::protect)
            expect(passwords.empty(), "help and --protect are chosen only when no password was given");
        if (!passwords.empty())
            expect(command.action == DeploymentAction::store, "a password given is stored or refused");
    }

    // The same bytes as a whole command line, program name first.
    password::quotes_only_around_arguments(input);
    return 0;
}
