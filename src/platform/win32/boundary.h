#pragma once

// Where the core's values meet fixed-size Win32 structures and results: every
// size is checked against the structure it fills, and every error is one the
// system really reported.

#include <windows.h>
#include <shellapi.h>

#include <cstddef>
#include <optional>

#include "platform/notification_area.h"
#include "platform/record_file.h"

namespace platform::win32 {

// The record as Shell_NotifyIconA takes it: cbSize no larger than the
// structure, the tip cut to the 64 bytes a first-version record holds and
// always ended by a NUL.
NOTIFYICONDATAA notify_icon_data(const NotifyIconData& record);

// The outcome of a WriteFile of `wanted` bytes: nothing when all were
// written; the last error when the call failed; a short write that did not
// fail has no error code of its own, so it reports ERROR_WRITE_FAULT.
std::optional<FileError> write_outcome(BOOL succeeded, DWORD written, std::size_t wanted);

} // namespace platform::win32
