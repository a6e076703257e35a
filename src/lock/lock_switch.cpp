#include "lock/lock_switch.h"

#include "lock/usb_drive_ejection.h"
#include "lock/usb_storage_value.h"

namespace lock {

void LockSwitch::toggle()
{
    // Chosen again while the window is already asking: a second wait would
    // end after the first and lock again what the user has just unlocked.
    if (waiting_) {
        prompt_.bring_forward();
        return;
    }
    if (host_.locked()) {
        // The user may have quit while the window was open, or the thread
        // was told to end: the lock stays as it was.
        if (!ask_password() || !host_.resident())
            return;
    }

    if (host_.locked() && password_accepted_) {
        // Spent before the write: a failed write leaves no accepted password
        // for a later choice (the tray works while its message is up).
        password_accepted_ = false;
        if (!write_value(START_UNLOCKED))
            return;
        host_.show_unlocked_icon();
        audit_.unlocked();
    } else if (!host_.locked()) {
        if (!write_value(START_LOCKED))
            return;
        host_.show_locked_icon();
        audit_.locked();
        // Disabling the driver refuses drives plugged in from now on; those
        // already in keep working until they are removed.
        const EjectionResult ejection = offer_to_eject_usb_drives(devices_, boxes_);
        if (!ejection.ejected.empty())
            audit_.drives_ejected(ejection.ejected);
    }
}

bool LockSwitch::ask_password()
{
    password_accepted_ = false; // only a password accepted in this wait counts
    prompt_.ask_to_unlock([this](bool accepted) {
        if (waiting_)
            password_accepted_ = accepted;
    });
    // Menu commands keep running meanwhile.
    waiting_ = true;
    bool ending = false; // the thread was told to end
    while (prompt_.shown() && !ending)
        ending = !pump_.process_pending_events();
    waiting_ = false;
    return !ending;
}

bool LockSwitch::write_value(std::uint32_t value)
{
    const auto written = write_start_value(registry_, value);
    if (written.succeeded())
        return true;
    const platform::RegistryFailure& failure = written.error();
    audit_.write_failed(failure.status);
    const char* text = failure.step == platform::RegistryStep::close ? REGISTRY_SAVE_ERROR : REGISTRY_READ_ERROR;
    boxes_.show(text, platform::Buttons::ok, platform::BoxIcon::none);
    host_.end_program();
    return false;
}

} // namespace lock
