#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "about/about.h"
#include "audit/audit_trail.h"
#include "lock/lock_keeper.h"
#include "lock/lock_switch.h"
#include "lock/policies.h"
#include "password/change_password.h"
#include "password/password_keeper.h"
#include "platform/controls.h"
#include "platform/forms.h"
#include "platform/services.h"
#include "service/service_keepers.h"
#include "shell/relock_timer.h"
#include "update/update_check.h"

namespace shell {

inline constexpr char UNSUPPORTED_SYSTEM_SUFFIX[] = " fonctionne uniquement sur Windows 2000, 2003 et XP";
inline constexpr char ALREADY_RUNNING_SUFFIX[] = " est déjà chargé en mémoire";
inline constexpr char QUIT_WHILE_LOCKED_SUFFIX[] = " est activé et le restera !";
inline constexpr char QUIT_QUESTION[] = "   Voulez vous vraiment quitter ?";

// After the product and its version while the update check runs.
inline constexpr char UPDATE_CHECK_TIP_SUFFIX[] = " - recherche de mise à jour...";
// After the product and its version while a re-lock is pending, before its
// local time "HH:MM".
inline constexpr char RELOCK_TIP_SUFFIX[] = " - reverrouillage à ";

inline constexpr char CAPTION_UNLOCKED[] = "Verrou USB - NON";
inline constexpr char CAPTION_LOCKED[] = "Verrou USB - OUI";

// Who holds the lock and the password for the tray: the lock service when it
// answers; otherwise this program itself, on the registry and the password
// file, with the audit trail in its user's name.
struct Keepers {
    explicit Keepers(platform::Services& services)
        : audit(services.events), setup_files(services.file_access, services.system),
          direct_lock(services.registry, setup_files, audit),
          direct_password(services.files, services.system, audit), lock(services.lock_service, direct_lock),
          password(services.lock_service, direct_password)
    {
    }
    audit::AuditTrail audit;
    lock::DriverSetupFiles setup_files;
    lock::RegistryLockKeeper direct_lock;
    password::FilePasswordKeeper direct_password;
    service::ServiceLockKeeper lock;
    service::ServicePasswordKeeper password;
};

// The hidden main window: start-up, the tray icon and its popup menu, quitting.
// The control and menu names are the ones the window was designed with.
class MainWindow : public lock::LockHost {
public:
    MainWindow(platform::Services& services, platform::Forms& forms);

    platform::Form window{"Form1", "Varnhollow"};

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

private:
    Keepers keepers_;

public:

    // Loaded hidden at start-up; unlocking and "Mot de Passe" show it.
    password::PasswordWindow password_window;

    // Reports through boxes; what it opens is owned by the main window.
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
    // True while a re-lock is pending (RelockMinutes after an unlock).
    bool relock_pending() const { return relock_.pending(); }

    void end_program();
    void end_with_message(const char* message) override;
    void show_refusal(const char* message, platform::BoxIcon icon) override;
    bool wants_drives_ejected(const std::vector<lock::UsbDrive>& drives) override;
    void show_ejection_outcome(const lock::EjectionResult& result) override;
    bool resident() const override { return window.loaded(); }
    void question_finished() override { follow_pending_change(); }

private:
    // A change seen while the switch asked: the machine's value wins now.
    void follow_pending_change();
    // The system's code (see system_version.h), with version_ read.
    std::int32_t read_system_code();
    void start_up();
    void refresh_icon(const char* caption, bool locked, int icon_resource);
    void on_menu_requested();
    // Reads the policies again, and greys what they turn off: at start-up
    // and each time the menu opens, so a policy applied meanwhile is followed.
    void follow_policies();
    // An unlock through the switch: the re-lock RelockMinutes asks for.
    void on_unlocked_by_switch();
    // Start-up while unlocked: RelockAtStartup where no service applies it
    // at its own start; otherwise a re-lock an earlier run left pending.
    void relock_at_startup();
    // The product and its version, and what the program is doing if it makes
    // the user wait.
    std::string tip() const;
    void refresh_tip();
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
    lock::Policies policies_;
    RelockTimer relock_;
    platform::SystemVersion version_;
    bool locked_ = false;
    bool icon_shown_ = false;
    // Start-up has been reported: the end will be too, once.
    bool start_reported_ = false;
    // A change seen while the switch asks for the password is followed once
    // it has finished.
    bool change_pending_ = false;
    // Made anew for each showing, so every control starts from its design state.
    std::optional<about::About> about_;
};

} // namespace shell
