#pragma once

#include <functional>
#include <optional>
#include <string>

#include "lock/lock_switch.h"
#include "password/password_keeper.h"
#include "platform/controls.h"
#include "platform/forms.h"
#include "platform/services.h"

namespace password {

using lock::TOO_MANY_TRIES;
using lock::WRONG_PASSWORD;
inline constexpr char CONFIRMATION_DIFFERS[] = "Le nouveau mot de passe et sa confirmation ne sont pas identiques";
inline constexpr char PASSWORD_CHANGED[] = "Votre nouveau mot de passe est pris en compte.";

inline constexpr char CAPTION_CURRENT_PASSWORD[] = "Mot de Passe actuel";
inline constexpr char CAPTION_PASSWORD[] = "Mot de Passe";
inline constexpr int FULL_LAYOUT_HEIGHT = 2835;
// Only the password field and its two buttons: the window is cut above the
// new password's label.
inline constexpr int VERIFY_LAYOUT_HEIGHT = 1350;

// The password window, one window with two layouts, hidden (not destroyed)
// between uses:
// - verify (ask_to_unlock, for the lock switch): the password field, OK and
//   Abandon; OK checks the password and tells the switch the outcome; an
//   accepted password also hides the window, which stops asking;
// - change (start_change, from the tray menu): three fields walked with
//   Enter, the current password, the new one, its confirmation; the last one
//   writes the password file. OK and the verify layout's Abandon are hidden,
//   the window keeps the height its last use left.
// The verification of the current password counts only within one showing:
// abandoning, closing or showing the window again forgets it.
class PasswordWindow : public lock::PasswordPrompt {
public:
    PasswordWindow(platform::Services& services, platform::Forms& forms, PasswordKeeper& keeper);

    platform::Form window{"ChangePassword", "Mot de passe"};

    platform::Label current_label;
    platform::TextBox current_field;
    platform::Button ok_button;
    platform::Button abandon_verify_button;
    platform::Label new_label;
    platform::TextBox new_field;
    platform::Label confirm_label;
    platform::TextBox confirm_field;
    // "Max 8 caractères !", then "Confirmation" once the new password is in.
    platform::Label hint_label;
    platform::Button abandon_change_button;

    void ask_to_unlock(std::function<void(lock::PromptOutcome, const std::string&)> report) override;
    void bring_forward() override;
    bool asking() const override { return report_ && window.visible(); }
    // Shows the change layout at its first step.
    void start_change();

    // The current password has been checked in this showing of the change
    // layout; the new password and its confirmation act only then.
    bool current_password_verified() const { return current_verified_; }
    // The new password as it was when Enter was pressed in its field.
    const std::string& entered_new_password() const { return entered_new_; }
    const std::string& entered_current_password() const { return entered_current_; }

private:
    // The window's boxes, its file messages included, are owned by it, so a
    // showing of the window cannot cover them.
    class OwnedBoxes : public platform::MessageBoxes {
    public:
        OwnedBoxes(platform::MessageBoxes& boxes, const platform::Form& owner) : boxes_(boxes), owner_(owner) {}
        int show(const std::string& text, platform::Buttons buttons, platform::BoxIcon icon) override
        {
            return boxes_.show_owned(owner_.window_handle, text, buttons, icon);
        }

    private:
        platform::MessageBoxes& boxes_;
        const platform::Form& owner_;
    };

    void restore_design();
    void forget_entries();
    // Forgets every step of a change: the verification, the new password, the
    // second and third fields (emptied and disabled) and the hint under
    // them. Each showing of either layout starts so.
    void clear_change_steps();
    void check_current_password(std::string& typed);
    void ask_for_confirmation();
    void on_current_field_key(int key);
    void on_new_field_key(int key);
    void on_confirm_field_key(int key);
    void on_ok_clicked();
    void on_verify_abandoned();
    void on_change_abandoned();
    void report_outcome(lock::PromptOutcome outcome, const std::string& password = {});
    void say(const char* text, platform::BoxIcon icon = platform::BoxIcon::none);
    // Tells the user why the keeper refused; false when the program ended
    // while the message was up.
    bool say_refusal(const PasswordFailure& failure);

    platform::Forms& forms_;
    OwnedBoxes boxes_;
    PasswordKeeper& keeper_;

    // Kept while the window is hidden; a load forgets the first two, and
    // clear_change_steps the verification and the new password.
    std::string entered_current_;
    bool current_verified_ = false;
    // The current password as it was verified: the change hands it to the
    // keeper, which checks it again.
    std::string verified_current_;
    std::string entered_new_;
    // Given by the switch that asked last: told the outcome of every press of
    // OK in the verify layout, and each time the window stops asking. Dropped
    // when the window turns to the change layout; the switch itself hears
    // only the outcomes while it asks.
    std::function<void(lock::PromptOutcome, const std::string&)> report_;
};

} // namespace password
