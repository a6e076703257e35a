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
#include "update/update_check.h"

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
// The control and menu names are the ones the window was designed with.
class MainWindow : public lock::LockHost {
public:
    MainWindow(platform::Services& services, platform::Forms& forms);

    platform::Form window{"Form1", "Varnhollow"};
    // The tray icon belongs to one of these two hidden boxes, which hold the
    // two icons and receive its mouse messages.
    platform::PictureBox unlocked_icon_owner;
    platform::PictureBox locked_icon_owner;

    platform::MenuItem tray_menu{"MNU_Menu", "MenuP"};
    platform::MenuItem lock_item{"MNU_USBLocked", "Verrou USB"};
    platform::MenuItem separator_after_lock{"MNU_Separator", "-"};
    platform::MenuItem tools_menu{"MNU_Outils", "Outils"};
    platform::MenuItem update_item{"MNU_Update", "Mise à Jour"};
    platform::MenuItem password_item{"MNU_Password", "Mot de Passe"};
    platform::MenuItem email_item{"MNU_Email", "Email"};
    platform::MenuItem separator_before_about{"MNU_Separator1", "-"};
    platform::MenuItem about_item{"MNU_APropos", "A Propos"};
    platform::MenuItem quit_item{"MNU_Quitter", "Quitter"};

    // Loaded hidden at start-up; unlocking and "Mot de Passe" show it.
    password::PasswordWindow password_window;

    update::UpdateCheck update_check;

    // True while the lock is on as the tray shows it: set by each refresh of
    // the icon, read by the switch, quitting and the following of the value.
    bool locked() const override { return locked_; }

    void show_unlocked_icon() override;
    void show_locked_icon() override;
    void remove_icon();
    // Final release, once the event loop has ended for whatever reason: takes
    // down an icon still up (a quit message from outside, a registry failure)
    // and unloads the windows still loaded, as a quit would.
    void final_release();
    // The Start value changed, by the program or from outside: the icon,
    // the caption and the locked state follow the value the machine holds.
    void follow_start_value();

    // The About window the last About command showed, loaded or not.
    about::About* about_window() { return about_ ? &*about_ : nullptr; }
    const lock::LockSwitch& lock_switch() const { return lock_switch_; }

    const platform::NotifyIconData& notify_record() const { return notify_record_; }

    void end_program() override;
    bool resident() const override { return window.loaded(); }

private:
    // The system's code (see system_version.h), with version_ read.
    std::int32_t read_system_code();
    void start_up();
    void refresh_icon(const char* caption, bool locked, platform::PictureBox& owner);
    void on_tray_mouse_message(double x);
    void put_icon_back();
    void on_lock_chosen();
    void on_password_chosen();
    void on_email_chosen();
    void on_update_chosen();
    void on_about_chosen();
    void on_quit_chosen();

    platform::Services& services_;
    platform::Forms& forms_;
    audit::AuditTrail audit_;
    lock::LockSwitch lock_switch_;
    platform::SystemVersion version_;
    platform::NotifyIconData notify_record_;
    bool locked_ = false;
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
