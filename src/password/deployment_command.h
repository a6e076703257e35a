#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "program/result.h"

namespace password {

// What vhpasswd, the administrators' deployment tool, is asked to do.
enum class DeploymentAction {
    store,     // store the one password given
    protect,   // --protect or /protect: only restrict the existing file's permissions
    show_help, // /?, -h, /h, --help or /help, and no password: the usage, nothing else
};

// One argument after the program's name, as Windows-1252 text.
struct CommandArgument {
    std::string text;
    bool representable = true; // false: it held a character Windows-1252 lacks
};

struct DeploymentCommand {
    DeploymentAction action = DeploymentAction::show_help;
    CommandArgument password; // for store
};

// Any other command line: the usage is shown, and nothing is written.
struct UsageRefusal {
    std::string reason;         // why, said before the usage
    std::string unknown_option; // when an option was not understood
};

inline constexpr char NO_PASSWORD_GIVEN[] = "Aucun mot de passe n'est donné.";
inline constexpr char ONE_PASSWORD_ONLY[] =
    "Un seul mot de passe à la fois : mettez-le entre guillemets s'il contient un espace.";
inline constexpr char PROTECT_TAKES_NO_PASSWORD[] = "--protect ne prend pas de mot de passe.";
inline constexpr char HELP_TAKES_NO_PASSWORD[] = "/? ne prend pas de mot de passe : rien n'est enregistré.";
inline constexpr char UNKNOWN_OPTION_PREFIX[] = "Option inconnue : ";

// Options begin with - or / and are matched without regard to case, each in
// its Windows form too (/protect, /help, /h); any other argument that begins
// so is refused rather than taken for a password. After "--" every argument
// is a password, so a password may begin with - or /.
program::Result<DeploymentCommand, UsageRefusal> read_deployment_command(const std::vector<CommandArgument>& arguments);

// Whether every double quote on the command line (program name included,
// Windows-1252) only surrounds a whole argument. A quote inside a password
// would be taken by the command line's own quoting and silently dropped
// ("ab"cd" gives abcd), so it is refused instead.
bool quotes_only_around_arguments(std::string_view command_line);

inline constexpr char DEPLOYMENT_USAGE[] =
    "Usage : vhpasswd MOTDEPASSE\n"
    "        vhpasswd -- MOTDEPASSE     (mot de passe commençant par - ou /)\n"
    "        vhpasswd --protect  (ou /protect)\n"
    "        vhpasswd /?  (ou /help, -h, --help)\n"
    "Enregistre le mot de passe du verrou USB de Varnhollow (2 à 8 caractères)\n"
    "dans le fichier PSTACK.DRV du dossier system32, lisible seulement par les\n"
    "Administrateurs et SYSTEM. --protect restreint seulement les droits du\n"
    "fichier existant. Code de sortie : 0 fait, 1 ligne de commande ou mot de\n"
    "passe refusé, 2 fichier non écrit ou non protégé.";

} // namespace password
