#pragma once

#include <windows.h>

#include <cstdint>

#include "platform/file_access.h"

namespace platform::win32 {

// What a read denial denies: the file's data, attributes and extended
// attributes. Not READ_CONTROL: whoever opens the file again must still read
// its permissions (and Everyone includes the administrator who unlocks).
inline constexpr DWORD READING_RIGHTS = FILE_READ_DATA | FILE_READ_EA | FILE_READ_ATTRIBUTES;

// A file's own access entries on GetNamedSecurityInfoA and
// SetNamedSecurityInfoA (DACL_SECURITY_INFORMATION only: owner, group and
// inheritance stay as they are). A change builds a new access list that
// keeps every other entry, byte for byte and in its order. A file without an
// access list (a volume without security, such as FAT) has no entry to keep
// alongside a denial: changing it fails with ERROR_NO_SECURITY_ON_OBJECT.
class Win32FileAccess : public FileAccess {
public:
    program::Result<std::vector<AccessEntry>, FileError> own_entries(const std::string& path) override;
    program::Result<void, FileError> deny_reading(const std::string& path,
                                                  const std::vector<std::string>& trustees) override;
    program::Result<void, FileError> remove_read_denials(const std::string& path,
                                                         const std::vector<std::string>& trustees) override;
};

} // namespace platform::win32
