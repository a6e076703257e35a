#pragma once

#include <string>

#include "lock/lock_keeper.h"
#include "password/password_keeper.h"
#include "platform/lock_service_link.h"
#include "service/protocol.h"

namespace service {

// The tray's keepers: each call is one request to the lock service, whose
// answer says what happened; it has written the audit trail. When no service
// listens, or the pipe is not the service's (it was told nothing), the direct
// keeper does the work as the program did before there was a service.

class ServiceLockKeeper : public lock::LockKeeper {
public:
    ServiceLockKeeper(platform::LockServiceLink& link, lock::LockKeeper& direct) : link_(link), direct_(direct) {}

    program::Result<void, lock::KeeperFailure> lock() override;
    program::Result<void, lock::KeeperFailure> unlock(const std::string& password) override;

private:
    platform::LockServiceLink& link_;
    lock::LockKeeper& direct_;
};

class ServicePasswordKeeper : public password::PasswordKeeper {
public:
    ServicePasswordKeeper(platform::LockServiceLink& link, password::PasswordKeeper& direct)
        : link_(link), direct_(direct)
    {
    }

    program::Result<void, password::PasswordFailure> check(const std::string& typed,
                                                           password::PasswordUse use) override;
    program::Result<void, password::PasswordFailure> change(const std::string& current,
                                                            const std::string& new_password) override;

private:
    static program::Result<void, password::PasswordFailure>
    outcome(const program::Result<Answer, platform::LinkFailure>& asked);

    platform::LockServiceLink& link_;
    password::PasswordKeeper& direct_;
};

} // namespace service
