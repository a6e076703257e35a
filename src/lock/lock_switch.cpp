#include "lock/lock_switch.h"

#include <utility>

namespace lock {

void LockSwitch::toggle()
{
    // Chosen again while the window is already asking: a second question
    // would finish after the first and lock again what the user has just
    // unlocked.
    if (asking_) {
        prompt_.bring_forward();
        return;
    }
    if (host_.locked())
        ask_password();
    else
        lock();
}

void LockSwitch::ask_password()
{
    accepted_password_.reset(); // only a password accepted for this question counts
    asking_ = true;
    prompt_.ask_to_unlock([this](PromptOutcome outcome, const std::string& password) { hear(outcome, password); });
}

// Outcomes reach the switch only while it asks: another program can press OK
// when no one asks, and that must not turn the next lock into an unlock.
void LockSwitch::hear(PromptOutcome outcome, const std::string& password)
{
    if (!asking_)
        return;
    switch (outcome) {
    case PromptOutcome::accepted:
        accepted_password_ = password;
        break;
    case PromptOutcome::refused:
        accepted_password_.reset();
        break;
    case PromptOutcome::closed:
        events_.post([this] { finish_unlock(); });
        break;
    }
}

// The user may have quit meanwhile, and the window may have been shown again.
void LockSwitch::finish_unlock()
{
    if (!asking_ || prompt_.asking())
        return;
    asking_ = false;
    if (host_.resident() && host_.locked() && accepted_password_)
        unlock();
    host_.question_finished();
}

void LockSwitch::unlock()
{
    // Spent before the unlock: a failed one leaves no accepted password for a
    // later choice (the tray works while its message is up).
    const std::string password = std::move(*accepted_password_);
    accepted_password_.reset();
    const auto unlocking = keeper_.unlock(password);
    if (!changed(unlocking))
        return;
    host_.show_unlocked_icon();
    tell_setup_file_failure(unlocking);
    if (on_unlocked)
        on_unlocked();
}

void LockSwitch::relock(audit::RelockCause cause)
{
    if (!asking_ && !host_.locked())
        lock(cause);
}

void LockSwitch::lock(std::optional<audit::RelockCause> by_itself)
{
    const auto locking = keeper_.lock();
    if (!changed(locking))
        return;
    host_.show_locked_icon();
    if (by_itself)
        audit_.relocked(*by_itself);
    tell_setup_file_failure(locking);
    offer_ejection();
}

// A change made with a setup file that failed: told once the icon shows it.
void LockSwitch::tell_setup_file_failure(const program::Result<void, KeeperFailure>& change)
{
    if (change.succeeded())
        return;
    host_.show_refusal(setup_file_failure_text(change.error().setup_file, change.error().lock_on).c_str(),
                       platform::BoxIcon::warning);
}

// Disabling the driver refuses drives plugged in from now on; those already
// in keep working until they are removed.
void LockSwitch::offer_ejection()
{
    const std::vector<UsbDrive> drives = find_usb_drives(devices_);
    if (drives.empty() || !host_.wants_drives_ejected(drives))
        return;
    const EjectionResult ejection = eject_usb_drives(devices_, drives);
    host_.show_ejection_outcome(ejection);
    if (!ejection.ejected.empty())
        audit_.drives_ejected(ejection.ejected);
}

bool LockSwitch::changed(const program::Result<void, KeeperFailure>& change)
{
    if (change.succeeded())
        return true;
    const KeeperFailure& failure = change.error();
    switch (failure.refusal) {
    case KeeperRefusal::not_allowed:
        host_.show_refusal(LOCK_CHANGE_NOT_ALLOWED, platform::BoxIcon::warning);
        break;
    case KeeperRefusal::wrong_password:
        host_.show_refusal(WRONG_PASSWORD, platform::BoxIcon::none);
        break;
    case KeeperRefusal::too_many_tries:
        host_.show_refusal(TOO_MANY_TRIES, platform::BoxIcon::error);
        break;
    case KeeperRefusal::no_answer:
        host_.show_refusal(SERVICE_NO_ANSWER, platform::BoxIcon::error);
        break;
    case KeeperRefusal::setup_file_failed:
        // The lock changed after all: its caller tells the user.
        if (failure.lock_on != host_.locked())
            return true;
        host_.show_refusal(setup_file_failure_text(failure.setup_file, failure.lock_on).c_str(),
                           platform::BoxIcon::warning);
        break;
    case KeeperRefusal::write_failed:
        host_.end_with_message(failure.registry.step == platform::RegistryStep::close ? REGISTRY_SAVE_ERROR
                                                                                      : REGISTRY_READ_ERROR);
        break;
    }
    return false;
}

} // namespace lock
