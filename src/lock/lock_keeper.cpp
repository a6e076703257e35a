#include "lock/lock_keeper.h"

#include "lock/usb_storage_value.h"

namespace lock {

program::Result<void, KeeperFailure> RegistryLockKeeper::lock()
{
    auto written = write(START_LOCKED);
    if (written.succeeded())
        audit_.locked();
    return written;
}

program::Result<void, KeeperFailure> RegistryLockKeeper::unlock(const std::string& /*password*/)
{
    auto written = write(START_UNLOCKED);
    if (written.succeeded())
        audit_.unlocked();
    return written;
}

program::Result<void, KeeperFailure> RegistryLockKeeper::write(std::uint32_t value)
{
    const auto written = write_start_value(registry_, value);
    if (written.succeeded())
        return {};
    const platform::RegistryFailure& failure = written.error();
    audit_.write_failed(failure.status);
    if (failure.access_denied)
        return KeeperFailure{KeeperRefusal::not_allowed, failure};
    return KeeperFailure{KeeperRefusal::write_failed, failure};
}

} // namespace lock
