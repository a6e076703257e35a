#include "lock/lock_switch.h"

#include "lock/usb_storage_value.h"

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
    password_accepted_ = false; // only a password accepted for this question counts
    asking_ = true;
    prompt_.ask_to_unlock([this](PromptOutcome outcome) { hear(outcome); });
}

// Outcomes reach the switch only while it asks: another program can press OK
// when no one asks, and that must not turn the next lock into an unlock.
void LockSwitch::hear(PromptOutcome outcome)
{
    if (!asking_)
        return;
    switch (outcome) {
    case PromptOutcome::accepted:
        password_accepted_ = true;
        break;
    case PromptOutcome::refused:
        password_accepted_ = false;
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
    if (host_.resident() && host_.locked() && password_accepted_)
        unlock();
    host_.question_finished();
}

void LockSwitch::unlock()
{
    // Spent before the write: a failed write leaves no accepted password for
    // a later choice (the tray works while its message is up).
    password_accepted_ = false;
    if (!write_value(START_UNLOCKED))
        return;
    host_.show_unlocked_icon();
    audit_.unlocked();
}

void LockSwitch::lock()
{
    if (!write_value(START_LOCKED))
        return;
    host_.show_locked_icon();
    audit_.locked();
    offer_ejection();
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

bool LockSwitch::write_value(std::uint32_t value)
{
    const auto written = write_start_value(registry_, value);
    if (written.succeeded())
        return true;
    const platform::RegistryFailure& failure = written.error();
    audit_.write_failed(failure.status);
    host_.end_with_message(failure.step == platform::RegistryStep::close ? REGISTRY_SAVE_ERROR : REGISTRY_READ_ERROR);
    return false;
}

} // namespace lock
