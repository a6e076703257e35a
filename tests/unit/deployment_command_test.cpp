#include <optional>

#include <gtest/gtest.h>

#include "password/deployment_command.h"

namespace {

using password::CommandArgument;
using password::DeploymentAction;

// The usage shown, nothing written.
constexpr std::nullopt_t REFUSED = std::nullopt;

struct CommandCase {
    const char* name;
    std::vector<CommandArgument> arguments;
    std::optional<DeploymentAction> action; // REFUSED: the command line is refused
    std::string password = "";
    std::string unknown_option = "";
};

class DeploymentCommandLine : public testing::TestWithParam<CommandCase> {};

TEST_P(DeploymentCommandLine, OptionsAreNeverTakenForPasswords)
{
    const auto command = password::read_deployment_command(GetParam().arguments);
    ASSERT_EQ(command.succeeded(), GetParam().action.has_value());
    if (command.succeeded()) {
        EXPECT_EQ(command.value().action, *GetParam().action);
        EXPECT_EQ(command.value().password.text, GetParam().password);
    } else {
        EXPECT_EQ(command.error().unknown_option, GetParam().unknown_option);
    }
}

CommandArgument unrepresentable(std::string text) { return {std::move(text), false}; }

INSTANTIATE_TEST_SUITE_P(
    Rows, DeploymentCommandLine,
    testing::Values(
        CommandCase{"Password", {{"Secret42"}}, DeploymentAction::store, "Secret42"},
        CommandCase{"AccentedPassword", {{"S\xE9" "cu42"}}, DeploymentAction::store, "S\xE9" "cu42"},
        CommandCase{"PasswordWithAnInnerDash", {{"ab-cd"}}, DeploymentAction::store, "ab-cd"},
        CommandCase{"PasswordAfterDoubleDash", {{"--"}, {"-abc"}}, DeploymentAction::store, "-abc"},
        CommandCase{"SlashPasswordAfterDoubleDash", {{"--"}, {"/protect"}}, DeploymentAction::store, "/protect"},
        CommandCase{"OptionNamesAfterDoubleDash", {{"--"}, {"--help"}}, DeploymentAction::store, "--help"},
        CommandCase{"DoubleDashAsThePassword", {{"--"}, {"--"}}, DeploymentAction::store, "--"},
        // The installer's command line, -- "[PASSWORD]", with passwords that read as options.
        CommandCase{"PackageDashH", {{"--"}, {"-h"}}, DeploymentAction::store, "-h"},
        CommandCase{"PackageDashCapitalH", {{"--"}, {"-H"}}, DeploymentAction::store, "-H"},
        CommandCase{"PackageSlashQuestionMark", {{"--"}, {"/?"}}, DeploymentAction::store, "/?"},
        CommandCase{"PackageProtect", {{"--"}, {"--protect"}}, DeploymentAction::store, "--protect"},
        // a" /? quoted: the quote ends the argument, "/?" is a second one.
        CommandCase{"PackageQuoteBlankHelp", {{"--"}, {"a"}, {"/?"}}, REFUSED},
        CommandCase{"EmptyPasswordIsLeftToThePasswordRules", {{""}}, DeploymentAction::store, ""},
        CommandCase{"UnrepresentablePasswordIsLeftToTheTool", {unrepresentable("?mega")}, DeploymentAction::store,
                    "?mega"},
        CommandCase{"Protect", {{"--protect"}}, DeploymentAction::protect},
        CommandCase{"ProtectInCapitals", {{"--PROTECT"}}, DeploymentAction::protect},
        CommandCase{"ProtectMixedCase", {{"--Protect"}}, DeploymentAction::protect},
        CommandCase{"SlashQuestionMark", {{"/?"}}, DeploymentAction::show_help},
        CommandCase{"DashH", {{"-h"}}, DeploymentAction::show_help},
        CommandCase{"DashCapitalH", {{"-H"}}, DeploymentAction::show_help},
        CommandCase{"DoubleDashHelp", {{"--help"}}, DeploymentAction::show_help},
        CommandCase{"DoubleDashHelpInCapitals", {{"--HELP"}}, DeploymentAction::show_help},
        CommandCase{"HelpWithAPasswordRefusesRatherThanSkipTheStore", {{"Secret42"}, {"--help"}},
                    REFUSED},
        CommandCase{"HelpWithAPasswordAfterDoubleDash", {{"/?"}, {"--"}, {"Secret42"}}, REFUSED},
        CommandCase{"HelpWithProtect", {{"--protect"}, {"/?"}}, DeploymentAction::show_help},
        CommandCase{"NothingAtAll", {}, REFUSED},
        CommandCase{"DoubleDashAlone", {{"--"}}, REFUSED},
        CommandCase{"TwoPasswords", {{"ab"}, {"cd"}}, REFUSED},
        CommandCase{"ProtectWithAPassword", {{"--protect"}, {"Secret42"}}, REFUSED},
        CommandCase{"UnknownDashX", {{"-x"}}, REFUSED, "", "-x"},
        CommandCase{"SingleDashProtect", {{"-protect"}}, REFUSED, "", "-protect"},
        CommandCase{"SlashProtect2", {{"/protect2"}}, REFUSED, "", "/protect2"},
        CommandCase{"SlashH", {{"/h"}}, DeploymentAction::show_help},
        CommandCase{"SlashHelp", {{"/HELP"}}, DeploymentAction::show_help},
        CommandCase{"SlashProtect", {{"/protect"}}, DeploymentAction::protect},
        CommandCase{"SlashProtectInCapitals", {{"/PROTECT"}}, DeploymentAction::protect},
        CommandCase{"DashQuestionMark", {{"-?"}}, REFUSED, "", "-?"},
        CommandCase{"LoneDash", {{"-"}}, REFUSED, "", "-"},
        CommandCase{"LoneSlash", {{"/"}}, REFUSED, "", "/"},
        CommandCase{"TripleDash", {{"---"}}, REFUSED, "", "---"},
        CommandCase{"ProtectWithATrailingBlank", {{"--protect "}}, REFUSED, "", "--protect "},
        CommandCase{"UnknownBeforeHelp", {{"-x"}, {"--help"}}, REFUSED, "", "-x"},
        CommandCase{"UnknownAfterAPassword", {{"Secret42"}, {"/y"}}, REFUSED, "", "/y"},
        CommandCase{"UnrepresentableOptionIsNotNamed", {unrepresentable("-?mega")}, REFUSED}),
    [](const testing::TestParamInfo<CommandCase>& info) { return std::string(info.param.name); });

// Each refusal says why before the usage.
struct RefusalCase {
    const char* name;
    std::vector<CommandArgument> arguments;
    std::string reason;
};

class DeploymentRefusal : public testing::TestWithParam<RefusalCase> {};

TEST_P(DeploymentRefusal, SaysWhy)
{
    const auto command = password::read_deployment_command(GetParam().arguments);
    ASSERT_FALSE(command.succeeded());
    EXPECT_EQ(command.error().reason, GetParam().reason);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DeploymentRefusal,
    testing::Values(RefusalCase{"NothingAtAll", {}, password::NO_PASSWORD_GIVEN},
                    RefusalCase{"DoubleDashAlone", {{"--"}}, password::NO_PASSWORD_GIVEN},
                    RefusalCase{"TwoWords", {{"abc"}, {"def"}}, password::ONE_PASSWORD_ONLY},
                    RefusalCase{"TwoWordsAfterDoubleDash", {{"--"}, {"a"}, {"b"}}, password::ONE_PASSWORD_ONLY},
                    RefusalCase{"ProtectWithAPassword", {{"/protect"}, {"abc"}}, password::PROTECT_TAKES_NO_PASSWORD},
                    RefusalCase{"HelpWithAPassword", {{"abc"}, {"/?"}}, password::HELP_TAKES_NO_PASSWORD},
                    RefusalCase{"UnknownOption", {{"/x"}}, "Option inconnue : /x"},
                    RefusalCase{"UnrepresentableOption", {{"-?mega", false}}, "Option inconnue : ?"}),
    [](const testing::TestParamInfo<RefusalCase>& info) { return std::string(info.param.name); });

struct QuoteCase {
    const char* name;
    std::string command_line;
    bool accepted;
};

class CommandLineQuotes : public testing::TestWithParam<QuoteCase> {};

TEST_P(CommandLineQuotes, OnlyWholeArgumentsMayBeQuoted)
{
    EXPECT_EQ(password::quotes_only_around_arguments(GetParam().command_line), GetParam().accepted);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CommandLineQuotes,
    testing::Values(QuoteCase{"NoQuotes", "vhpasswd.exe Secret42", true},
                    QuoteCase{"QuotedProgramName", "\"C:\\Program Files\\Varnhollow\\vhpasswd.exe\" Secret42", true},
                    QuoteCase{"QuotedPassword", "vhpasswd \"Secret42\"", true},
                    QuoteCase{"QuotedPasswordWithABlank", "vhpasswd \"ab cd\"", true},
                    QuoteCase{"QuotedEmptyPassword", "vhpasswd \"\"", true},
                    QuoteCase{"QuotedPasswordAfterDoubleDash", "vhpasswd -- \"-a b\"", true},
                    QuoteCase{"QuotedDoubleDash", "vhpasswd \"--\" -abc", true},
                    QuoteCase{"TrailingBlanks", "vhpasswd Secret42  \t", true},
                    QuoteCase{"NoArguments", "vhpasswd", true},
                    QuoteCase{"QuoteInside", "vhpasswd ab\"cd", false},
                    QuoteCase{"QuotedThenMore", "vhpasswd \"ab\"cd", false},
                    QuoteCase{"ThreeQuotes", "vhpasswd \"ab\"cd\"", false},
                    QuoteCase{"QuoteInsideAfterDoubleDash", "vhpasswd -- -a\"b", false},
                    QuoteCase{"QuoteAtTheEndOnly", "vhpasswd abcd\"", false},
                    QuoteCase{"QuoteInTheSecondArgument", "vhpasswd -- a\"b\"c", false}),
    [](const testing::TestParamInfo<QuoteCase>& info) { return std::string(info.param.name); });

} // namespace
