#pragma once

#include "platform/shell.h"

namespace platform::win32 {

class Win32Shell : public Shell {
public:
    std::intptr_t shell_execute(std::uintptr_t owner, const std::string& operation, const std::string& file,
                                const std::string& parameters, const std::string& directory, int show) override;
};

} // namespace platform::win32
