#pragma once

// Where the core's values meet fixed-size Win32 structures and results: every
// size is checked against the structure it fills, and every error is one the
// system really reported.

#include <windows.h>
#include <shellapi.h>

#include <cstddef>
#include <string>
#include <vector>

#include "platform/notification_area.h"
#include "platform/record_file.h"
#include "platform/registry.h"
#include "platform/system_info.h"
#include "program/result.h"

namespace platform::win32 {

// The record as Shell_NotifyIconA takes it: cbSize no larger than the
// structure, the tip cut to the 64 bytes a first-version record holds and
// always ended by a NUL.
NOTIFYICONDATAA notify_icon_data(const NotifyIconData& record);

// A buffer for GetWindowsDirectoryA, more than any real path needs.
inline constexpr std::size_t WINDOWS_DIRECTORY_BUFFER = 4096;

// The directory GetWindowsDirectoryA reported into `buffer` with its result
// `length`: empty when the call failed (0) or needed more room than the
// buffer has (a length that large is the size it needs).
std::string directory_reported(const std::vector<char>& buffer, UINT length);

// The outcome of a WriteFile of `wanted` bytes: success when all were
// written; the last error when the call failed; a short write that did not
// fail has no error code of its own, so it reports ERROR_WRITE_FAULT.
program::Result<void, FileError> write_outcome(BOOL succeeded, DWORD written, std::size_t wanted);

// The line of Windows of GetVersionExA's platform identifier.
SystemFamily system_family(DWORD platform_id);

// The kind of a value of the registry type `type`.
ValueType value_type(DWORD type);

// RegQueryValueExA of the value `name` of an open key into a buffer of
// `room` bytes: the value, or the call's status. A value that needs more room
// is not copied (ERROR_MORE_DATA).
program::Result<RegistryValue, long> query_value(HKEY key, const std::string& name, std::size_t room);

} // namespace platform::win32
