#pragma once

// Where the core's values meet fixed-size Win32 structures and results: every
// size is checked against the structure it fills, and every error is one the
// system really reported.

#include <windows.h>
#include <cfgmgr32.h>
#include <shellapi.h>

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "platform/device_tree.h"
#include "platform/ini_file.h"
#include "platform/record_file.h"
#include "platform/registry.h"
#include "platform/system_info.h"
#include "program/result.h"

namespace platform::win32 {

// The program's icon as Shell_NotifyIconA takes it: a first-version record
// (the size every Windows from 2000 on reads), icon 1 of `window`, reporting
// the user's mouse actions with `callback_message`, the tip cut to the 63
// characters such a record holds and always ended by a NUL.
NOTIFYICONDATAA tray_icon_record(HWND window, UINT callback_message, HICON icon, const std::string& tip);
// The same icon's request for the notifications of version 3: a record large
// enough to hold the version (the second version's, which Windows 2000 reads).
NOTIFYICONDATAA tray_icon_version_record(const NOTIFYICONDATAA& icon);

// A menu's captions as AppendMenuA takes them: each marks with '&' the first
// of its letters or digits that no caption before it in the menu has taken,
// so that the keyboard reaches every item by its underlined letter; an '&' of
// the caption itself is doubled so it shows.
std::vector<std::string> menu_texts(const std::vector<std::string>& captions);

// A buffer for GetWindowsDirectoryA, more than any real path needs.
inline constexpr std::size_t WINDOWS_DIRECTORY_BUFFER = 4096;

// The directory GetWindowsDirectoryA reported into `buffer` with its result
// `length`: empty when the call failed (0) or needed more room than the
// buffer has (a length that large is the size it needs).
std::string directory_reported(const std::vector<char>& buffer, UINT length);

// GetPrivateProfileStringA's buffer: the call cuts a value to one character
// less and ends it with a NUL.
inline constexpr std::size_t PROFILE_STRING_BUFFER = 255;
static_assert(PROFILE_STRING_BUFFER == LONGEST_INI_VALUE + 1, "the core counts on values cut to this length");
using ProfileBuffer = std::array<char, PROFILE_STRING_BUFFER>;

// The value GetPrivateProfileStringA copied into `buffer`, `copied` being its
// result: never more than the buffer holds before its NUL.
std::string profile_value(const ProfileBuffer& buffer, DWORD copied);

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

// What CM_Request_Device_EjectA's `status` and `veto` say of the request: the
// device was stopped only when the call succeeded and nobody objected; some
// systems report a veto with success.
RemovalAnswer removal_answer(CONFIGRET status, PNP_VETO_TYPE veto);

} // namespace platform::win32
