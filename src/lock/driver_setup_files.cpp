#include "lock/driver_setup_files.h"

#include <algorithm>

namespace lock {

namespace {

constexpr std::array<const char*, 2> DENIED_TRUSTEES{platform::EVERYONE_SID, platform::SYSTEM_SID};

bool denies_reading(const std::vector<platform::AccessEntry>& entries, const std::string& trustee)
{
    const platform::AccessEntry denial{platform::AccessKind::deny, trustee, platform::AccessRights::reading};
    return std::find(entries.begin(), entries.end(), denial) != entries.end();
}

// The trustees the lock's entries are not yet given to; all of them, when
// opening.
std::vector<std::string> trustees_left(const std::vector<platform::AccessEntry>& entries, SetupFileStep step)
{
    std::vector<std::string> left;
    for (const char* trustee : DENIED_TRUSTEES)
        if (denies_reading(entries, trustee) == (step == SetupFileStep::open))
            left.push_back(trustee);
    return left;
}

SetupFileFailure failure(SetupFileStep step, const std::string& path, const platform::FileError& error)
{
    return SetupFileFailure{step, path, error.code, error.description};
}

} // namespace

std::vector<std::string> DriverSetupFiles::paths()
{
    const std::string windows = system_.windows_directory();
    if (windows.empty())
        return {};
    std::vector<std::string> paths;
    for (const char* name : SETUP_FILE_NAMES)
        paths.push_back(windows + SETUP_FILES_FOLDER + name);
    return paths;
}

std::optional<SetupFileFailure> DriverSetupFiles::close()
{
    return change(SetupFileStep::close);
}

std::optional<SetupFileFailure> DriverSetupFiles::open()
{
    return change(SetupFileStep::open);
}

std::optional<SetupFileFailure> DriverSetupFiles::change(SetupFileStep step)
{
    const std::vector<std::string> files = paths();
    if (files.empty())
        return SetupFileFailure{step, SETUP_FILE_NAMES.front(), NO_WINDOWS_FOLDER_CODE, NO_WINDOWS_FOLDER_TEXT};
    std::optional<SetupFileFailure> first;
    for (const std::string& path : files) {
        auto failed = change(step, path);
        if (failed && !first)
            first = std::move(failed);
    }
    return first;
}

// Only the entries missing are added, and only those there are removed: a
// file changes only when it must.
std::optional<SetupFileFailure> DriverSetupFiles::change(SetupFileStep step, const std::string& path)
{
    const auto entries = access_.own_entries(path);
    if (!entries.succeeded()) {
        if (entries.error().missing)
            return std::nullopt;
        return failure(step, path, entries.error());
    }
    const std::vector<std::string> trustees = trustees_left(entries.value(), step);
    if (trustees.empty())
        return std::nullopt;
    const auto changed = step == SetupFileStep::close ? access_.deny_reading(path, trustees)
                                                      : access_.remove_read_denials(path, trustees);
    if (!changed.succeeded())
        return failure(step, path, changed.error());
    return std::nullopt;
}

program::Result<LockState, platform::RegistryFailure> read_machine_lock_state(platform::Registry& registry,
                                                                              DriverSetupFiles& setup_files)
{
    const auto read = registry.read_value(USBSTOR_KEY, START_VALUE);
    if (read.succeeded())
        return lock_state_of(read.value());
    if (read.error().step != platform::RegistryStep::open || !read.error().missing)
        return read.error();
    return setup_files.closed() ? LockState::locked : LockState::unlocked;
}

bool DriverSetupFiles::closed()
{
    for (const std::string& path : paths()) {
        const auto entries = access_.own_entries(path);
        if (entries.succeeded() && trustees_left(entries.value(), SetupFileStep::close).empty())
            return true;
    }
    return false;
}

} // namespace lock
