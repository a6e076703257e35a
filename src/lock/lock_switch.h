#pragma once

#include <functional>

#include "audit/audit_trail.h"
#include "platform/controls.h"
#include "platform/event_pump.h"
#include "platform/forms.h"
#include "platform/message_box.h"
#include "platform/plug_and_play.h"
#include "platform/registry.h"
#include "program/program_flags.h"

namespace lock {

// The controls of the password window that the switch lays out before it
// asks for the password.
struct PasswordPrompt {
    platform::Form& window;
    platform::TextBox& Text1;
    platform::Label& Label1;
    platform::Label& Label3;
    platform::Button& CMD_OK;
    platform::Button& CMD_Cancel1;
    // Forgets a change of password under way in the same window, so that its
    // verification does not carry into the verify layout.
    std::function<void()> forget_change_steps;
};

// What the switch asks of the main window.
class LockHost {
public:
    virtual ~LockHost() = default;
    virtual void My_Icon_ON() = 0;
    virtual void My_Icon_OFF() = 0;
    // Unloads the program's windows after a registry failure.
    virtual void end_program() = 0;
    // False once the main window has been unloaded.
    virtual bool resident() const = 0;
};

inline constexpr char REGISTRY_READ_ERROR[] = "Erreur en récupérant l'information. Impossible de continuer!";
inline constexpr char REGISTRY_SAVE_ERROR[] = "Erreur en enregistrant l'information. Impossible de continuer!";

inline constexpr int VERIFY_LAYOUT_HEIGHT = 1350;

// The menu switch: locks at once, unlocks after the password window has
// accepted the password.
class LockSwitch {
public:
    LockSwitch(program::ProgramFlags& flags, platform::Registry& registry, platform::MessageBoxes& boxes,
               platform::Forms& forms, platform::EventPump& pump, platform::PlugAndPlay& devices, LockHost& host,
               PasswordPrompt& prompt, audit::AuditTrail& audit)
        : flags_(flags), registry_(registry), boxes_(boxes), forms_(forms), pump_(pump), devices_(devices),
          host_(host), prompt_(prompt), audit_(audit)
    {
    }

    // Click on the lock item of the tray menu. After a lock, offers to eject
    // the USB drives still plugged in.
    void toggle();
    // True while the switch waits for the password window.
    bool waiting() const { return waiting_; }

private:
    // False when the wait ended because the program is ending.
    bool ask_password();
    bool write_value(std::uint32_t value);

    program::ProgramFlags& flags_;
    platform::Registry& registry_;
    platform::MessageBoxes& boxes_;
    platform::Forms& forms_;
    platform::EventPump& pump_;
    platform::PlugAndPlay& devices_;
    LockHost& host_;
    PasswordPrompt& prompt_;
    audit::AuditTrail& audit_;
    bool waiting_ = false;
};

} // namespace lock
