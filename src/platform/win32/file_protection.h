#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/record_file.h"
#include "platform/win32/unique_handle.h"

namespace platform::win32 {

// Replaces a file's owner with the Administrators group and its permissions
// with full control for Administrators and SYSTEM only, no longer inherited
// from its folder. The password file needs it: its cipher only hides the
// password from a glance, and every user may read the system directory. The
// owner matters too: a user who created the file beforehand would otherwise
// keep the right to change its permissions.
program::Result<void, FileError> restrict_to_administrators(const std::string& path);

// Whether a file or folder of that path exists: the deployment tool protects
// only a password file that is there.
bool file_exists(const std::string& path);

// The access list that restrict_to_administrators gives: an ACL in aligned
// storage, full control (FILE_ALL_ACCESS) for Administrators then SYSTEM;
// empty when the system could not build it.
std::vector<std::uint32_t> administrators_only_acl();

using UniqueSid = UniqueHandle<NullIsEmpty<PSID, ::FreeSid>>;

// The Administrators group's SID; empty when the system could not build it.
UniqueSid administrators_sid();

// The same protection as a security descriptor, for creating a file that
// has it from its first moment: owner Administrators, the access list above,
// protected from inheritance. It keeps what it points to.
class AdministratorsOnlyDescriptor {
public:
    AdministratorsOnlyDescriptor();
    AdministratorsOnlyDescriptor(const AdministratorsOnlyDescriptor&) = delete;
    AdministratorsOnlyDescriptor& operator=(const AdministratorsOnlyDescriptor&) = delete;

    // Null when the system could not build it.
    PSECURITY_DESCRIPTOR get() { return built_ ? &descriptor_ : nullptr; }

private:
    UniqueSid owner_;
    std::vector<std::uint32_t> acl_;
    SECURITY_DESCRIPTOR descriptor_{};
    bool built_ = false;
};

} // namespace platform::win32
