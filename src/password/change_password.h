#pragma once

#include <string>

#include "audit/audit_trail.h"
#include "lock/lock_switch.h"
#include "password/password_file.h"
#include "platform/controls.h"
#include "platform/forms.h"
#include "platform/services.h"
#include "program/program_flags.h"

namespace password {

inline constexpr char WRONG_PASSWORD[] = "Votre mot de passe actuel est erroné! Recommencer.";
inline constexpr char CONFIRMATION_DIFFERS[] = "Le nouveau mot de passe et sa confirmation ne sont pas identiques";
inline constexpr char PASSWORD_CHANGED[] = "Votre nouveau mot de passe est pris en compte.";

inline constexpr char CAPTION_CURRENT_PASSWORD[] = "Mot de Passe actuel";
inline constexpr int FULL_LAYOUT_HEIGHT = 2835;

// The password window: checks the password before the lock is taken off
// (verify layout, driven by the lock switch) and changes it in three steps
// (change layout, from the tray menu). Hidden, not destroyed, between uses.
class ChangePassword {
public:
    ChangePassword(platform::Services& services, platform::Forms& forms, program::ProgramFlags& flags);

    platform::Form window{"ChangePassword", "Mot de passe"};

    platform::Label Label1;
    platform::TextBox Text1;
    platform::Button CMD_OK;
    platform::Button CMD_Cancel1;
    platform::Label Label3;
    platform::TextBox Text2;
    platform::Label Label4;
    platform::TextBox Text3;
    platform::Label Label2;
    platform::Button CMD_Cancel;

    // The controls the lock switch lays out for the verify layout.
    lock::PasswordPrompt prompt{window, Text1, Label1, Label3, CMD_OK, CMD_Cancel1, [this] { clear_change_steps(); }};

    void Form_Load();
    void Verif_Passwd(std::string& typed);
    void Demande_Confirmation();
    void Text1_KeyPress(int key);
    void Text2_KeyPress(int key);
    void Text3_KeyPress(int key);
    void CMD_OK_Click();
    void CMD_Cancel1_Click();
    void CMD_Cancel_Click();
    // Forgets every step of a change: the verification, the new password, the
    // second and third fields (emptied and disabled) and the label under
    // them. Each showing of the change layout starts so.
    void clear_change_steps();

    const std::string& Passwd_Actuel() const { return passwd_actuel_; }
    const std::string& Passwd_Nouveau() const { return passwd_nouveau_; }
    bool Passwd_Verifie() const { return passwd_verifie_; }
    const std::string& Chemin_Fichier() const { return chemin_fichier_; }
    const std::string& Nom_Fichier() const { return nom_fichier_; }

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
    void say(const char* text);

    platform::Services& services_;
    platform::Forms& forms_;
    program::ProgramFlags& flags_;
    OwnedBoxes boxes_;
    PasswordFile file_;
    audit::AuditTrail audit_;

    // Kept while the window is hidden; Form_Load resets the first two, and
    // clear_change_steps the verification and the new password.
    std::string passwd_actuel_;
    bool passwd_verifie_ = false;
    std::string passwd_nouveau_;
    std::string chemin_fichier_;
    std::string nom_fichier_;
};

} // namespace password
