#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/record_file.h"

namespace platform::win32 {

// Replaces a file's permissions with full control for Administrators and
// SYSTEM only, no longer inherited from its folder. The password file needs
// it: its cipher only hides the password from a glance, and every user may
// read the system directory.
std::optional<FileError> restrict_to_administrators(const std::string& path);

// The access list that restrict_to_administrators gives: an ACL in aligned
// storage, full control (FILE_ALL_ACCESS) for Administrators then SYSTEM;
// empty when the system could not build it.
std::vector<std::uint32_t> administrators_only_acl();

} // namespace platform::win32
