#include "service/lock_service.h"

#include "lock/lock_keeper.h"
#include "lock/usb_storage_value.h"
#include "password/new_password.h"

namespace service {

namespace {

Answer answer_of(AnswerKind kind)
{
    return Answer{kind, {}, {}};
}

Answer answer_of(const lock::KeeperFailure& failure)
{
    if (failure.refusal == lock::KeeperRefusal::setup_file_failed) {
        Answer answer = answer_of(AnswerKind::setup_file_failure);
        answer.setup_file = failure.setup_file;
        answer.lock_on = failure.lock_on;
        return answer;
    }
    Answer answer = answer_of(AnswerKind::registry_failure);
    answer.registry = failure.registry; // access_denied tells not_allowed
    return answer;
}

Answer answer_of(const password::PasswordFailure& failure)
{
    switch (failure.refusal) {
    case password::PasswordRefusal::wrong: return answer_of(AnswerKind::wrong_password);
    case password::PasswordRefusal::too_many_tries: return answer_of(AnswerKind::too_many_tries);
    case password::PasswordRefusal::file_failure: {
        Answer answer = answer_of(AnswerKind::file_failure);
        answer.file = failure.file;
        return answer;
    }
    case password::PasswordRefusal::unacceptable:
    case password::PasswordRefusal::no_answer: break;
    }
    return answer_of(AnswerKind::bad_request);
}

} // namespace

LockService::LockService(platform::Registry& registry, platform::FileAccess& file_access,
                         platform::RecordFiles& files, platform::SystemInfo& system, platform::Clock& clock)
    : registry_(registry), setup_files_(file_access, system), files_(files), system_(system), clock_(clock)
{
}

std::vector<std::uint8_t> LockService::answer(const std::vector<std::uint8_t>& request,
                                              platform::EventLog& client_log)
{
    const auto decoded = decode_request(request);
    if (!decoded)
        return encode_answer(answer_of(AnswerKind::bad_request));
    audit::AuditTrail audit(client_log);
    return encode_answer(answer(*decoded, audit));
}

Answer LockService::answer(const Request& request, audit::AuditTrail& audit)
{
    switch (request.kind) {
    case RequestKind::state: return state();
    case RequestKind::lock: return lock(audit);
    case RequestKind::unlock: return unlock(request.password, audit);
    case RequestKind::check_for_unlock: return check(request.password, password::PasswordUse::unlock, audit);
    case RequestKind::check_for_change: return check(request.password, password::PasswordUse::change, audit);
    case RequestKind::change: return change(request.password, request.new_password, audit);
    }
    return answer_of(AnswerKind::bad_request);
}

Answer LockService::state()
{
    const auto read = lock::read_machine_lock_state(registry_, setup_files_);
    if (!read.succeeded()) {
        Answer answer = answer_of(AnswerKind::registry_failure);
        answer.registry = read.error();
        return answer;
    }
    const bool locked = read.value() == lock::LockState::locked;
    return answer_of(locked ? AnswerKind::locked : AnswerKind::unlocked);
}

Answer LockService::lock(audit::AuditTrail& audit)
{
    lock::RegistryLockKeeper keeper(registry_, setup_files_, audit);
    const auto locked = keeper.lock();
    return locked.succeeded() ? answer_of(AnswerKind::done) : answer_of(locked.error());
}

Answer LockService::unlock(const std::string& password, audit::AuditTrail& audit)
{
    const Answer checked = check(password, password::PasswordUse::unlock, audit);
    if (checked.kind != AnswerKind::done)
        return checked;
    lock::RegistryLockKeeper keeper(registry_, setup_files_, audit);
    const auto unlocked = keeper.unlock(password);
    return unlocked.succeeded() ? answer_of(AnswerKind::done) : answer_of(unlocked.error());
}

Answer LockService::check(const std::string& typed, password::PasswordUse use, audit::AuditTrail& audit)
{
    if (paused())
        return answer_of(AnswerKind::too_many_tries);
    password::FilePasswordKeeper keeper(files_, system_, audit);
    const auto checked = keeper.check(typed, use);
    if (checked.succeeded()) {
        count(true, audit);
        return answer_of(AnswerKind::done);
    }
    // An unreadable file is no wrong password: it neither counts nor resets.
    if (checked.error().refusal == password::PasswordRefusal::wrong)
        count(false, audit);
    return answer_of(checked.error());
}

Answer LockService::change(const std::string& current, const std::string& new_password, audit::AuditTrail& audit)
{
    // The tray asks only for a password the deployment tools would store:
    // another is a request no tray makes, refused before any check.
    if (password::new_password_problem(new_password))
        return answer_of(AnswerKind::bad_request);
    const Answer checked = check(current, password::PasswordUse::change, audit);
    if (checked.kind != AnswerKind::done)
        return checked;
    password::FilePasswordKeeper keeper(files_, system_, audit);
    const auto changed = keeper.change(current, new_password);
    return changed.succeeded() ? answer_of(AnswerKind::done) : answer_of(changed.error());
}

bool LockService::paused()
{
    if (pause_start_ms_ && clock_.milliseconds() - *pause_start_ms_ >= PAUSE_AFTER_WRONG_TRIES_MS)
        pause_start_ms_.reset();
    return pause_start_ms_.has_value();
}

// The count goes on past the limit: after a pause, the next wrong password
// starts another one at once, and only a right one starts the count again.
void LockService::count(bool right, audit::AuditTrail& audit)
{
    if (right) {
        wrong_tries_ = 0;
        return;
    }
    if (wrong_tries_ < WRONG_TRIES_BEFORE_PAUSE)
        ++wrong_tries_;
    if (wrong_tries_ >= WRONG_TRIES_BEFORE_PAUSE) {
        pause_start_ms_ = clock_.milliseconds();
        audit.too_many_tries();
    }
}

} // namespace service
