#include "lock/lock_keeper.h"

#include <cstdio>

#include "lock/usb_storage_value.h"

namespace lock {

namespace {

bool key_missing(platform::Registry& registry)
{
    const auto read = registry.read_value(USBSTOR_KEY, START_VALUE);
    return !read.succeeded() && read.error().step == platform::RegistryStep::open && read.error().missing;
}

} // namespace

std::string setup_file_failure_text(const SetupFileFailure& failure, bool lock_on)
{
    const char* format = failure.step == SetupFileStep::open ? SETUP_FILE_NOT_OPENED
                         : lock_on                           ? SETUP_FILE_NOT_CLOSED
                                                             : SETUP_FILE_NOT_CLOSED_LOCK_OFF;
    const int size = std::snprintf(nullptr, 0, format, failure.file.c_str(), failure.code, failure.text.c_str());
    std::string text(static_cast<std::size_t>(size) + 1, '\0');
    std::snprintf(text.data(), text.size(), format, failure.file.c_str(), failure.code, failure.text.c_str());
    text.pop_back();
    return text;
}

program::Result<void, KeeperFailure> RegistryLockKeeper::lock()
{
    bool no_key = false;
    auto written = write(START_LOCKED, no_key);
    if (!written.succeeded())
        return written;
    const auto closing = setup_files_.close();
    // Without the key, the lock is on only where a setup file was closed.
    const bool lock_on = !no_key || !closing || setup_files_.closed();
    if (lock_on)
        audit_.locked();
    if (closing)
        return setup_file_failed(*closing, lock_on);
    return {};
}

program::Result<void, KeeperFailure> RegistryLockKeeper::unlock(const std::string& /*password*/)
{
    // Start is left as it is: with the key, the lock stays on, and a file
    // opened before the failure is closed again, so the lock stays whole.
    if (const auto opening = setup_files_.open()) {
        setup_files_.close();
        return setup_file_failed(*opening, !key_missing(registry_) || setup_files_.closed());
    }
    bool no_key = false;
    auto written = write(START_UNLOCKED, no_key);
    if (written.succeeded()) {
        audit_.unlocked();
        return written;
    }
    // Start was not written: the files are closed again. After a failed
    // close of the key the value may be written, and they are left open.
    if (written.error().registry.step != platform::RegistryStep::close)
        setup_files_.close();
    return written;
}

KeeperFailure RegistryLockKeeper::setup_file_failed(const SetupFileFailure& failure, bool lock_on)
{
    audit_.setup_file_failed(failure.step == SetupFileStep::close, failure.file, failure.code, failure.text);
    return KeeperFailure{KeeperRefusal::setup_file_failed, {}, failure, lock_on};
}

program::Result<void, KeeperFailure> RegistryLockKeeper::write(std::uint32_t value, bool& no_key)
{
    const auto written = write_start_value(registry_, value);
    if (written.succeeded())
        return {};
    const platform::RegistryFailure& failure = written.error();
    if (failure.step == platform::RegistryStep::open && failure.missing) {
        no_key = true;
        return {};
    }
    audit_.write_failed(failure.status);
    if (failure.access_denied)
        return KeeperFailure{KeeperRefusal::not_allowed, failure};
    return KeeperFailure{KeeperRefusal::write_failed, failure};
}

} // namespace lock
