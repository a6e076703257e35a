#include "lock/lock_switch.h"

#include "lock/usb_drive_ejection.h"
#include "lock/usb_storage_value.h"

namespace lock {

void LockSwitch::toggle()
{
    // Chosen again while the window is already asking: a second wait would
    // end after the first and lock again what the user has just unlocked.
    if (waiting_) {
        forms_.show(prompt_.window);
        return;
    }
    if (flags_.USB_Locked == 1) {
        // The user may have quit while the window was open, or the thread
        // was told to end: the lock stays as it was.
        if (!ask_password() || !host_.resident())
            return;
    }

    if (flags_.Password_OK == 1) {
        // Spent before the write: a failed write leaves no accepted password
        // for a later choice (the tray works while its message is up).
        flags_.Password_OK = 0;
        if (!write_value(START_UNLOCKED))
            return;
        host_.My_Icon_ON();
        audit_.unlocked();
    } else if (flags_.USB_Locked == 0) {
        if (!write_value(START_LOCKED))
            return;
        host_.My_Icon_OFF();
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
    PasswordPrompt& prompt = prompt_;
    flags_.Password_OK = 0; // only a password accepted in this wait counts
    forms_.load(prompt.window); // the setup below must not be undone by a load
    if (prompt.forget_change_steps)
        prompt.forget_change_steps();
    prompt.Text1.set_text("");
    prompt.Label3.set_visible(false);
    prompt.window.set_height_twips(VERIFY_LAYOUT_HEIGHT);
    prompt.Label1.set_caption("Mot de Passe");
    prompt.CMD_OK.set_visible(true);
    prompt.CMD_Cancel1.set_visible(true);
    forms_.show(prompt.window);
    // Menu commands keep running meanwhile.
    waiting_ = true;
    bool ending = false; // the thread was told to end
    while (prompt.window.visible() && !ending)
        ending = !pump_.process_pending_events();
    waiting_ = false;
    return !ending;
}

bool LockSwitch::write_value(std::uint32_t value)
{
    long status = 0;
    const WriteResult result = write_start_value(registry_, value, status);
    if (result == WriteResult::written)
        return true;
    audit_.write_failed(status);
    const char* text = result == WriteResult::close_failed ? REGISTRY_SAVE_ERROR : REGISTRY_READ_ERROR;
    boxes_.show(text, platform::Buttons::ok, platform::BoxIcon::none);
    host_.end_program();
    return false;
}

} // namespace lock
