#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "audit/audit_trail.h"
#include "lock/lock_keeper.h"
#include "lock/usb_drive_ejection.h"
#include "platform/device_tree.h"
#include "platform/event_pump.h"
#include "platform/message_box.h"

namespace lock {

// What one press of OK, or the end of the asking, tells the switch.
enum class PromptOutcome {
    accepted, // the password was right; the window hides
    refused,  // a wrong password, or none could be read; the window stays
    closed,   // the window no longer asks: hidden, closed, or turned to another use
};

// The password window as the switch knows it. It is declared here, and
// implemented by the password window, so that the lock needs nothing from
// the password folder.
class PasswordPrompt {
public:
    virtual ~PasswordPrompt() = default;
    // Shows the window in its verify layout (loading it first if needed),
    // forgetting any change of password under way in it. From then on it
    // calls `report` with the outcome of each press of OK (with the password
    // when it was accepted), and with `closed` each time the window stops
    // asking.
    virtual void ask_to_unlock(std::function<void(PromptOutcome, const std::string& password)> report) = 0;
    // Brings the window forward as it is, without changing its layout.
    virtual void bring_forward() = 0;
    // True while the window asks: on screen, in the verify layout.
    virtual bool asking() const = 0;
};

// What the switch asks of the main window, which shows what the switch
// reports.
class LockHost {
public:
    virtual ~LockHost() = default;
    // True while the tray shows the lock as on.
    virtual bool locked() const = 0;
    virtual void show_unlocked_icon() = 0;
    virtual void show_locked_icon() = 0;
    // The Start value could not be written: shows `message`, then ends the
    // program.
    virtual void end_with_message(const char* message) = 0;
    // The lock was left as it was, for a reason the user can act on: shows
    // `message` with `icon`, and the program goes on.
    virtual void show_refusal(const char* message, platform::BoxIcon icon) = 0;
    // After a lock, with USB drives still plugged in: true when the user
    // wants them ejected now.
    virtual bool wants_drives_ejected(const std::vector<UsbDrive>& drives) = 0;
    // How the ejection the user asked for went.
    virtual void show_ejection_outcome(const EjectionResult& result) = 0;
    // False once the main window has been unloaded.
    virtual bool resident() const = 0;
    // The switch has finished with the password, unlocking or not.
    virtual void question_finished() = 0;
};

inline constexpr char REGISTRY_READ_ERROR[] = "Erreur en récupérant l'information. Impossible de continuer!";
inline constexpr char REGISTRY_SAVE_ERROR[] = "Erreur en enregistrant l'information. Impossible de continuer!";
inline constexpr char LOCK_CHANGE_NOT_ALLOWED[] =
    "Modification du verrou USB refusée : droits d'administrateur nécessaires.";

// The menu switch: locks at once; unlocks once the password window, having
// accepted the password, is done asking.
//
// The unlock runs as callbacks: choosing the switch shows the window and
// returns; each press of OK tells the switch its outcome; when the window
// stops asking, the switch finishes after the events already pending, so a
// quit in the same round of events, from the menu or from outside, leaves the
// lock as it was. The last outcome heard before the finish counts; a window
// shown again by then keeps the question open.
class LockSwitch {
public:
    LockSwitch(LockKeeper& keeper, platform::EventPump& events, platform::DeviceTree& devices, LockHost& host,
               PasswordPrompt& prompt, audit::AuditTrail& audit)
        : keeper_(keeper), events_(events), devices_(devices), host_(host), prompt_(prompt), audit_(audit)
    {
    }

    // Click on the lock item of the tray menu. After a lock, offers to eject
    // the USB drives still plugged in.
    void toggle();
    // True from the question to the finish of an unlock.
    bool asking() const { return asking_; }
    // True once the password window has accepted the password while the
    // switch asks, until the switch spends it on the unlock (or a later press
    // of OK is refused).
    bool password_accepted() const { return accepted_password_.has_value(); }
    // The lock comes back by itself, as the policies ask: as the menu's lock
    // (the icon, the drives offered for ejection), with an event that says
    // why. Nothing while the lock is on or the switch asks.
    void relock(audit::RelockCause cause);

    // Runs after each unlock the switch has made.
    std::function<void()> on_unlocked;

private:
    void ask_password();
    void hear(PromptOutcome outcome, const std::string& password);
    void finish_unlock();
    void unlock();
    // `by_itself`: why the lock comes back without the user's choice.
    void lock(std::optional<audit::RelockCause> by_itself = std::nullopt);
    void offer_ejection();
    // False when the keeper left the lock as it was; the user has been told.
    // True for a change made with a setup file that failed, which the caller
    // tells once the icon shows it.
    bool changed(const program::Result<void, KeeperFailure>& change);
    void tell_setup_file_failure(const program::Result<void, KeeperFailure>& change);

    LockKeeper& keeper_;
    platform::EventPump& events_;
    platform::DeviceTree& devices_;
    LockHost& host_;
    PasswordPrompt& prompt_;
    audit::AuditTrail& audit_;
    bool asking_ = false;
    std::optional<std::string> accepted_password_;
};

} // namespace lock
