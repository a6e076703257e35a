#pragma once

#include <cstdint>

#include "platform/system_info.h"

namespace shell {

// The system code of a version: 0 to 4 for Windows 95, 98 and
// Me, 5 to 8 for NT 3.x and 4.0, 9 for Windows 2000, 10 for Windows XP; 0 for
// anything the table does not know.
std::int32_t classify_system(const platform::SystemVersion& version);

// Windows 2000, XP and Server 2003 are supported.
bool system_supported(std::int32_t code, const platform::SystemVersion& version);

} // namespace shell
