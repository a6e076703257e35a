#pragma once

#include "platform/shell.h"

namespace platform::win32 {

// ShellExecuteA with no verb and no parameters, shown normally.
class Win32Shell : public Shell {
public:
    bool open(std::uintptr_t owner, const std::string& address) override;
    bool open_mail(std::uintptr_t owner, const std::string& mailto_address, const std::string& folder) override;
};

} // namespace platform::win32
