#pragma once

#include <cstdint>
#include <string>

namespace platform {

// Hands addresses to the programs the user has set for them. Exists so that
// tests can see what the program asks the shell to open.
class Shell {
public:
    virtual ~Shell() = default;
    // Opens the address (a web page) with the program set for it, owned by
    // the window `owner` (a window handle). False when no program took it.
    virtual bool open(std::uintptr_t owner, const std::string& address) = 0;
    // Starts the mail program set for "mailto:" addresses on `mailto_address`,
    // owned by the window `owner`, with `folder` as its current folder (empty:
    // none given). False when no program took it.
    virtual bool open_mail(std::uintptr_t owner, const std::string& mailto_address, const std::string& folder) = 0;
};

} // namespace platform
