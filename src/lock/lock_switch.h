#pragma once

#include <functional>

#include "audit/audit_trail.h"
#include "platform/event_pump.h"
#include "platform/message_box.h"
#include "platform/plug_and_play.h"
#include "platform/registry.h"

namespace lock {

// The password window as the switch knows it. It is declared here, and
// implemented by the password window, so that the lock needs nothing from
// the password folder.
class PasswordPrompt {
public:
    virtual ~PasswordPrompt() = default;
    // Shows the window in its verify layout (loading it first if needed),
    // forgetting any change of password under way in it. From then on each
    // press of OK calls `report` with its outcome: true when the password was
    // accepted, and the window hides.
    virtual void ask_to_unlock(std::function<void(bool accepted)> report) = 0;
    // Brings the window forward as it is, without changing its layout.
    virtual void bring_forward() = 0;
    // True while the window is on screen; the switch waits as long as it is.
    virtual bool shown() const = 0;
};

// What the switch asks of the main window.
class LockHost {
public:
    virtual ~LockHost() = default;
    // True while the tray shows the lock as on.
    virtual bool locked() const = 0;
    virtual void show_unlocked_icon() = 0;
    virtual void show_locked_icon() = 0;
    // Unloads the program's windows after a registry failure.
    virtual void end_program() = 0;
    // False once the main window has been unloaded.
    virtual bool resident() const = 0;
};

inline constexpr char REGISTRY_READ_ERROR[] = "Erreur en récupérant l'information. Impossible de continuer!";
inline constexpr char REGISTRY_SAVE_ERROR[] = "Erreur en enregistrant l'information. Impossible de continuer!";

// The menu switch: locks at once, unlocks after the password window has
// accepted the password.
class LockSwitch {
public:
    LockSwitch(platform::Registry& registry, platform::MessageBoxes& boxes, platform::EventPump& pump,
               platform::PlugAndPlay& devices, LockHost& host, PasswordPrompt& prompt, audit::AuditTrail& audit)
        : registry_(registry), boxes_(boxes), pump_(pump), devices_(devices), host_(host), prompt_(prompt),
          audit_(audit)
    {
    }

    // Click on the lock item of the tray menu. After a lock, offers to eject
    // the USB drives still plugged in.
    void toggle();
    // True while the switch waits for the password window.
    bool waiting() const { return waiting_; }
    // True once the password window has accepted the password during the
    // current wait, until the switch spends it on the unlock (or a later
    // press of OK is refused).
    bool password_accepted() const { return password_accepted_; }

private:
    // False when the wait ended because the program is ending.
    bool ask_password();
    bool write_value(std::uint32_t value);

    platform::Registry& registry_;
    platform::MessageBoxes& boxes_;
    platform::EventPump& pump_;
    platform::PlugAndPlay& devices_;
    LockHost& host_;
    PasswordPrompt& prompt_;
    audit::AuditTrail& audit_;
    bool waiting_ = false;
    bool password_accepted_ = false;
};

} // namespace lock
