#pragma once

#include <string>
#include <vector>

namespace platform::win32 {

// Command-line text as Windows-1252, each character that code page lacks as
// '?' (no look-alike replacement).
struct CommandLineText {
    std::string text;
    bool representable = true; // false: a character became '?'
};

// The whole command line, the program's name included.
CommandLineText whole_command_line();

// Each argument after the program's name, split as CommandLineToArgvW
// splits them.
std::vector<CommandLineText> arguments_after_the_program_name();

} // namespace platform::win32
