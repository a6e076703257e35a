#pragma once

#include <cstdint>
#include <string>

namespace platform {

inline constexpr int SW_SHOWNORMAL_MODE = 1;
// ShellExecuteA's results up to this one are errors.
inline constexpr std::intptr_t SHELL_EXECUTE_MAX_ERROR = 32;

// ShellExecuteA: hands a document or an address to its default handler.
// Exists so that tests can see what the program asks the shell to open.
class Shell {
public:
    virtual ~Shell() = default;
    // owner is a window handle; an empty operation or directory is passed as
    // a null pointer (the default action, the current directory). Returns the
    // call's result, greater than 32 on success.
    virtual std::intptr_t shell_execute(std::uintptr_t owner, const std::string& operation, const std::string& file,
                                        const std::string& parameters, const std::string& directory, int show) = 0;
};

} // namespace platform
