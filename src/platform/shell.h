#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace platform {

inline constexpr int SHOW_NORMAL = 1;

// ShellExecuteA: opens a document or an address with the program the
// desktop shell associates with it. Exists so that tests see the exact
// arguments without opening anything.
class Shell {
public:
    virtual ~Shell() = default;
    // An absent verb, parameter text or directory is passed as a null
    // pointer. The result is never examined, so it returns nothing.
    virtual void open(std::uintptr_t owner_window, const std::optional<std::string>& verb, const std::string& file,
                      const std::optional<std::string>& parameters, const std::optional<std::string>& directory,
                      int show) = 0;
};

} // namespace platform
