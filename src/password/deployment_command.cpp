#include "password/deployment_command.h"

#include <algorithm>

namespace password {

namespace {

constexpr std::string_view OPTIONS_END = "--";
constexpr std::string_view PROTECT[] = {"--protect", "/protect"};
constexpr std::string_view HELP[] = {"/?", "-h", "/h", "--help", "/help"};

bool looks_like_option(const std::string& text)
{
    return !text.empty() && (text.front() == '-' || text.front() == '/');
}

bool same_ignoring_case(std::string_view a, std::string_view b)
{
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return lower(x) == lower(y); });
}

template <std::size_t N>
bool is_one_of(const std::string& text, const std::string_view (&forms)[N])
{
    return std::any_of(std::begin(forms), std::end(forms),
                       [&](std::string_view form) { return same_ignoring_case(text, form); });
}

const char* refusal_of(bool help, bool protect, std::size_t passwords)
{
    if (help)
        return HELP_TAKES_NO_PASSWORD;
    if (protect)
        return PROTECT_TAKES_NO_PASSWORD;
    return passwords == 0 ? NO_PASSWORD_GIVEN : ONE_PASSWORD_ONLY;
}

bool blank(char c) { return c == ' ' || c == '\t'; }

// A token of the command line between blanks outside quotes, quotes kept.
bool quoted_whole_or_not_at_all(std::string_view token)
{
    const auto quotes = std::count(token.begin(), token.end(), '"');
    return quotes == 0 || (quotes == 2 && token.size() >= 2 && token.front() == '"' && token.back() == '"');
}

} // namespace

program::Result<DeploymentCommand, UsageRefusal> read_deployment_command(const std::vector<CommandArgument>& arguments)
{
    bool options_ended = false;
    bool help = false;
    bool protect = false;
    std::vector<CommandArgument> passwords;
    for (const CommandArgument& argument : arguments) {
        if (options_ended || !looks_like_option(argument.text)) {
            passwords.push_back(argument);
        } else if (argument.representable && argument.text == OPTIONS_END) {
            options_ended = true;
        } else if (argument.representable && is_one_of(argument.text, HELP)) {
            help = true;
        } else if (argument.representable && is_one_of(argument.text, PROTECT)) {
            protect = true;
        } else {
            UsageRefusal refusal;
            if (argument.representable)
                refusal.unknown_option = argument.text;
            refusal.reason = UNKNOWN_OPTION_PREFIX + (argument.representable ? argument.text : "?");
            return refusal;
        }
    }
    // A password given for storing is stored or refused, never passed over
    // for the usage: a script must not take an exit code of 0 for a password
    // set.
    if (help && passwords.empty())
        return DeploymentCommand{DeploymentAction::show_help, {}};
    if (protect && passwords.empty())
        return DeploymentCommand{DeploymentAction::protect, {}};
    if (!help && !protect && passwords.size() == 1)
        return DeploymentCommand{DeploymentAction::store, passwords.front()};
    return UsageRefusal{refusal_of(help, protect, passwords.size()), {}};
}

bool quotes_only_around_arguments(std::string_view command_line)
{
    std::size_t at = 0;
    // The program's name: quoted, or up to the first blank; no quote inside.
    if (at < command_line.size() && command_line[at] == '"') {
        at = command_line.find('"', at + 1);
        at = at == std::string_view::npos ? command_line.size() : at + 1;
    } else {
        while (at < command_line.size() && !blank(command_line[at]))
            ++at;
    }
    while (at < command_line.size()) {
        while (at < command_line.size() && blank(command_line[at]))
            ++at;
        const std::size_t start = at;
        bool quoted = false;
        while (at < command_line.size() && (quoted || !blank(command_line[at]))) {
            if (command_line[at] == '"')
                quoted = !quoted;
            ++at;
        }
        if (!quoted_whole_or_not_at_all(command_line.substr(start, at - start)))
            return false;
    }
    return true;
}

} // namespace password
