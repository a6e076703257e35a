#pragma once

#include <cstdint>
#include <optional>

#include "about/about.h"
#include "audit/audit_trail.h"
#include "lock/lock_switch.h"
#include "password/change_password.h"
#include "platform/controls.h"
#include "platform/forms.h"
#include "platform/services.h"
#include "program/program_flags.h"
#include "update/mise_a_jour.h"

namespace shell {

inline constexpr char UNSUPPORTED_SYSTEM_SUFFIX[] = " fonctionne uniquement sur Windows 2000, 2003 et XP";
inline constexpr char ALREADY_RUNNING_SUFFIX[] = " est déjà chargé en mémoire";
inline constexpr char QUIT_WHILE_LOCKED_SUFFIX[] = " est activé et le restera !";
inline constexpr char QUIT_QUESTION[] = "   Voulez vous vraiment quitter ?";

inline constexpr char CAPTION_UNLOCKED[] = "Verrou USB - NON";
inline constexpr char CAPTION_LOCKED[] = "Verrou USB - OUI";

// Tray notifications come as mouse moves of the owning picture box; X carries
// the mouse message in twips, so a right-button press (0x204 * 15) reads 1E3C.
inline constexpr char RIGHT_BUTTON_DOWN_HEX[] = "1E3C";
// A second right press soon after the first comes as a double-click (0x206 *
// 15): to the user it is one more right-click, and it opens the menu too.
inline constexpr char RIGHT_BUTTON_DOUBLE_CLICK_HEX[] = "1E5A";

// The hidden main window: start-up, the tray icon and its popup menu, quitting.
class Form1 : public lock::LockHost {
public:
    Form1(platform::Services& services, platform::Forms& forms, program::ProgramFlags& flags);

    platform::Form window{"Form1", "Varnhollow"};
    platform::PictureBox Picture1;
    platform::PictureBox Picture2;

    platform::MenuItem MNU_Menu{"MNU_Menu", "MenuP"};
    platform::MenuItem MNU_USBLocked{"MNU_USBLocked", "Verrou USB"};
    platform::MenuItem MNU_Separator{"MNU_Separator", "-"};
    platform::MenuItem MNU_Outils{"MNU_Outils", "Outils"};
    platform::MenuItem MNU_Update{"MNU_Update", "Mise à Jour"};
    platform::MenuItem MNU_Password{"MNU_Password", "Mot de Passe"};
    platform::MenuItem MNU_Email{"MNU_Email", "Email"};
    platform::MenuItem MNU_Separator1{"MNU_Separator1", "-"};
    platform::MenuItem MNU_APropos{"MNU_APropos", "A Propos"};
    platform::MenuItem MNU_Quitter{"MNU_Quitter", "Quitter"};

    // Loaded hidden at start-up; unlocking and "Mot de Passe" show it.
    password::ChangePassword ChangePassword;

    update::MiseAjour MiseAjour1;

    std::int32_t GetVersion();
    void Form_Load();
    void My_Icon_ON() override;
    void My_Icon_OFF() override;
    void remove_icon();
    void MNU_Quitter_Click();
    // Final release, once the event loop has ended for whatever reason: takes
    // down an icon still up (a quit message from outside, a registry failure)
    // and unloads the windows still loaded, as a quit would.
    void Form_Terminate();
    void MNU_USBLocked_Click();
    // The Start value changed, by the program or from outside: the icon,
    // the caption and USB_Locked follow the value the machine holds.
    void follow_start_value();
    void MNU_Password_Click();
    void MNU_Update_Click();
    void MNU_APropos_Click();

    // The About window the last About command showed, loaded or not.
    about::About* about_window() { return about_ ? &*about_ : nullptr; }

    int startup_state() const { return startup_state_; }
    const platform::NotifyIconData& notify_record() const { return notify_record_; }

    void end_program() override;
    bool resident() const override { return window.loaded(); }

private:
    void refresh_icon(const char* caption, std::int16_t locked, platform::PictureBox& owner);
    void picture_mouse_move(double x);
    void put_icon_back();

    platform::Services& services_;
    platform::Forms& forms_;
    program::ProgramFlags& flags_;
    audit::AuditTrail audit_;
    lock::LockSwitch lock_switch_;
    platform::VersionRecord version_record_;
    platform::NotifyIconData notify_record_;
    int startup_state_ = 0;
    bool icon_shown_ = false;
    // Start-up has been reported: the end will be too, once.
    bool start_reported_ = false;
    // A switch is running (it may be waiting for the password window); a
    // change seen meanwhile is followed once it has finished.
    int switches_running_ = 0;
    bool change_pending_ = false;
    // Made anew for each showing, so every control starts from its design state.
    std::optional<about::About> about_;
};

} // namespace shell
