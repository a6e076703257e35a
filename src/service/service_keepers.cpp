#include "service/service_keepers.h"

#include "password/new_password.h"

namespace service {

namespace {

using LockResult = program::Result<void, lock::KeeperFailure>;
using PasswordResult = program::Result<void, password::PasswordFailure>;

// One exchange: the service's answer, or why there is none. An answer that
// does not decode, or a request that cannot be sent, is a broken line.
program::Result<Answer, platform::LinkFailure> exchange(platform::LockServiceLink& link, const Request& request)
{
    const auto message = encode_request(request);
    if (!message)
        return platform::LinkFailure::broken;
    const auto answered = link.exchange(*message);
    if (!answered.succeeded())
        return answered.error();
    const auto answer = decode_answer(answered.value());
    if (!answer)
        return platform::LinkFailure::broken;
    return *answer;
}

// No service to ask, or a pipe held by something else, which was told
// nothing: the program works as it did without the service.
bool direct_keeper_works(platform::LinkFailure failure)
{
    return failure == platform::LinkFailure::absent || failure == platform::LinkFailure::untrusted;
}

LockResult lock_refusal(lock::KeeperRefusal refusal, platform::RegistryFailure registry = {})
{
    return lock::KeeperFailure{refusal, registry};
}

// What the service answered to a lock or an unlock. Its file failure has no
// lock refusal to go with: the tray checks the password first
// (check_for_unlock), and that check shows why the file could not be read.
LockResult lock_outcome(const Answer& answer, bool unlocking)
{
    switch (answer.kind) {
    case AnswerKind::done: return {};
    case AnswerKind::registry_failure:
        return lock_refusal(answer.registry.access_denied ? lock::KeeperRefusal::not_allowed
                                                          : lock::KeeperRefusal::write_failed,
                            answer.registry);
    case AnswerKind::setup_file_failure: {
        lock::KeeperFailure failure{lock::KeeperRefusal::setup_file_failed, {}, answer.setup_file, answer.lock_on};
        return failure;
    }
    case AnswerKind::wrong_password:
        if (unlocking)
            return lock_refusal(lock::KeeperRefusal::wrong_password);
        break;
    case AnswerKind::too_many_tries:
        if (unlocking)
            return lock_refusal(lock::KeeperRefusal::too_many_tries);
        break;
    default: break;
    }
    return lock_refusal(lock::KeeperRefusal::no_answer);
}

PasswordResult password_refusal(password::PasswordRefusal refusal, password::FileFailure file = {})
{
    return password::PasswordFailure{refusal, std::move(file)};
}

// What the service answered to a check or a change.
PasswordResult password_outcome(const Answer& answer)
{
    switch (answer.kind) {
    case AnswerKind::done: return {};
    case AnswerKind::wrong_password: return password_refusal(password::PasswordRefusal::wrong);
    case AnswerKind::too_many_tries: return password_refusal(password::PasswordRefusal::too_many_tries);
    case AnswerKind::file_failure: return password_refusal(password::PasswordRefusal::file_failure, answer.file);
    default: return password_refusal(password::PasswordRefusal::no_answer);
    }
}

} // namespace

LockResult ServiceLockKeeper::lock()
{
    const auto asked = exchange(link_, Request{RequestKind::lock, {}, {}});
    if (asked.succeeded())
        return lock_outcome(asked.value(), false);
    if (direct_keeper_works(asked.error()))
        return direct_.lock();
    if (asked.error() == platform::LinkFailure::denied)
        return lock_refusal(lock::KeeperRefusal::not_allowed);
    return lock_refusal(lock::KeeperRefusal::no_answer);
}

LockResult ServiceLockKeeper::unlock(const std::string& password)
{
    const auto asked = exchange(link_, Request{RequestKind::unlock, password, {}});
    if (asked.succeeded())
        return lock_outcome(asked.value(), true);
    if (direct_keeper_works(asked.error()))
        return direct_.unlock(password);
    if (asked.error() == platform::LinkFailure::denied)
        return lock_refusal(lock::KeeperRefusal::not_allowed);
    return lock_refusal(lock::KeeperRefusal::no_answer);
}

PasswordResult ServicePasswordKeeper::check(const std::string& typed, password::PasswordUse use)
{
    const auto kind = use == password::PasswordUse::unlock ? RequestKind::check_for_unlock
                                                           : RequestKind::check_for_change;
    const auto asked = exchange(link_, Request{kind, typed, {}});
    if (!asked.succeeded() && direct_keeper_works(asked.error()))
        return direct_.check(typed, use);
    return outcome(asked);
}

PasswordResult ServicePasswordKeeper::change(const std::string& current, const std::string& new_password)
{
    // The service takes such a password as a request no tray makes.
    if (password::new_password_problem(new_password))
        return password_refusal(password::PasswordRefusal::unacceptable);
    const auto asked = exchange(link_, Request{RequestKind::change, current, new_password});
    if (!asked.succeeded() && direct_keeper_works(asked.error()))
        return direct_.change(current, new_password);
    return outcome(asked);
}

// A service that turns this user away has no password refusal of its own:
// it is no answer, and the password file is not read instead, which would
// let the user try passwords past the service's pause on wrong ones.
PasswordResult ServicePasswordKeeper::outcome(const program::Result<Answer, platform::LinkFailure>& asked)
{
    if (!asked.succeeded())
        return password_refusal(password::PasswordRefusal::no_answer);
    return password_outcome(asked.value());
}

} // namespace service
