#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "lock/usb_storage_value.h"
#include "platform/file_access.h"
#include "platform/registry.h"
#include "platform/system_info.h"

namespace lock {

// The USB storage driver's setup files, in the Windows folder. While they
// cannot be read, Windows cannot install the driver for a drive plugged in,
// even on a machine that never had one (and so has no USBSTOR key).
inline constexpr char SETUP_FILES_FOLDER[] = "\\Inf\\";
inline constexpr std::array<const char*, 2> SETUP_FILE_NAMES{"Usbstor.inf", "Usbstor.pnf"};

// Told as a file failure when the system cannot tell its Windows folder.
inline constexpr long NO_WINDOWS_FOLDER_CODE = 3; // the path is not found
inline constexpr char NO_WINDOWS_FOLDER_TEXT[] = "Le dossier Windows est introuvable.";

enum class SetupFileStep { close, open };

// A setup file whose permissions could not be read or changed: which, and
// the system's code and text.
struct SetupFileFailure {
    SetupFileStep step = SetupFileStep::close;
    std::string file;
    long code = 0;
    std::string text;
    bool operator==(const SetupFileFailure&) const = default;
};

// Closes the setup files by denying reading to Everyone and to SYSTEM, and
// opens them by taking exactly those entries away. A file that is not there
// is left alone.
class DriverSetupFiles {
public:
    DriverSetupFiles(platform::FileAccess& access, platform::SystemInfo& system) : access_(access), system_(system) {}

    // Every file is tried; the first failure is told.
    std::optional<SetupFileFailure> close();
    std::optional<SetupFileFailure> open();
    // True when a file that is there holds both entries the lock adds. A file
    // whose entries cannot be read tells nothing.
    bool closed();

private:
    std::optional<SetupFileFailure> change(SetupFileStep step);
    std::optional<SetupFileFailure> change(SetupFileStep step, const std::string& path);
    std::vector<std::string> paths();

    platform::FileAccess& access_;
    platform::SystemInfo& system_;
};

// The state the machine holds: its Start value's; on a machine without the
// USBSTOR key, locked when the setup files are closed. Any other failure to
// read the value is told.
program::Result<LockState, platform::RegistryFailure> read_machine_lock_state(platform::Registry& registry,
                                                                              DriverSetupFiles& setup_files);

} // namespace lock
