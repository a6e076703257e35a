#include "shell/main_window.h"

#include <string>

#include "about/contact.h"
#include "lock/usb_storage_value.h"
#include "program/maker.h"
#include "program/product.h"
#include "program/resource_ids.h"
#include "service/startup_relock.h"
#include "shell/system_version.h"

namespace shell {

MainWindow::MainWindow(platform::Services& services, platform::Forms& forms)
    : keepers_(services), password_window(services, forms, keepers_.password), update_check(services, window),
      services_(services), forms_(forms), audit_(services.events),
      lock_switch_(keepers_.lock, services.pump, services.devices, *this, password_window, audit_),
      relock_(services.timers, services.wall_clock, services.user_settings,
              [this] { lock_switch_.relock(audit::RelockCause::delay_elapsed); })
{
    tray_menu.items = {&lock_item,  &separator_after_lock, &tools_menu, &separator_before_about,
                       &about_item, &quit_item};
    tools_menu.items = {&update_item, &password_item, &email_item};

    window.on_load = [this] { start_up(); };
    services.tray.on_menu_requested([this] { on_menu_requested(); });
    lock_item.on_click = [this] { on_lock_chosen(); };
    password_item.on_click = [this] { on_password_chosen(); };
    quit_item.on_click = [this] { on_quit_chosen(); };
    update_item.on_click = [this] { on_update_chosen(); };
    about_item.on_click = [this] { on_about_chosen(); };
    email_item.on_click = [this] { on_email_chosen(); };
    update_check.on_started = [this] { refresh_tip(); };
    update_check.on_ended = [this] { refresh_tip(); };
    lock_switch_.on_unlocked = [this] { on_unlocked_by_switch(); };
}

// GetVersion
std::int32_t MainWindow::read_system_code()
{
    // A system that cannot tell its version is classified as none.
    version_ = services_.system.version().value_or(platform::SystemVersion{});
    return classify_system(version_);
}

// Form_Load
void MainWindow::start_up()
{
    locked_ = false;

    const std::string product = program::PRODUCT_NAME;
    if (!system_supported(read_system_code(), version_)) {
        services_.boxes.show(product + UNSUPPORTED_SYSTEM_SUFFIX, platform::Buttons::ok, platform::BoxIcon::none);
        forms_.unload(window);
        return;
    }
    if (services_.runtime.previous_instance()) {
        services_.boxes.show(product + ALREADY_RUNNING_SUFFIX, platform::Buttons::ok, platform::BoxIcon::none);
        forms_.unload(window);
        return;
    }
    forms_.load(password_window.window);

    // Administrators also change the value by other means; the icon follows.
    services_.watch.watch(lock::USBSTOR_KEY, [this] { follow_start_value(); });
    // A machine without the USBSTOR key is locked by the setup files alone.
    const auto state = lock::read_machine_lock_state(services_.registry, keepers_.setup_files);
    if (!state.succeeded()) {
        services_.boxes.show(lock::REGISTRY_READ_ERROR, platform::Buttons::ok, platform::BoxIcon::none);
        end_program();
        return;
    }
    if (state.value() == lock::LockState::locked)
        show_locked_icon();
    else
        show_unlocked_icon();
    audit_.started(program::VERSION_TEXT, locked_);
    start_reported_ = true;
    follow_policies();
    if (!locked_)
        relock_at_startup();
}

void MainWindow::relock_at_startup()
{
    // The service locks at its own start; the program does it only where no
    // service runs at all.
    if (policies_.relock_at_startup && service::no_service_listens(services_.lock_service)) {
        lock_switch_.relock(audit::RelockCause::startup);
        return;
    }
    relock_.resume(policies_.relock_minutes);
    refresh_tip();
}

// My_Icon_ON
void MainWindow::show_unlocked_icon()
{
    refresh_icon(CAPTION_UNLOCKED, false, IDI_DEVICE);
}

// My_Icon_OFF
void MainWindow::show_locked_icon()
{
    relock_.cancel(); // by the menu, from outside or by itself: nothing left to re-lock
    refresh_icon(CAPTION_LOCKED, true, IDI_DEVICE_LOCKED);
}

void MainWindow::refresh_icon(const char* caption, bool locked, int icon_resource)
{
    lock_item.set_caption(caption);
    locked_ = locked;
    services_.tray.show(icon_resource, tip());
    icon_shown_ = true;
}

// The tip holds 63 characters, too few for both suffixes: the check, which
// makes the user wait, is told while it runs; the re-lock's time otherwise.
std::string MainWindow::tip() const
{
    const std::string name = std::string(program::PRODUCT_NAME) + " v" + program::VERSION_TEXT;
    if (update_check.checking())
        return name + UPDATE_CHECK_TIP_SUFFIX;
    if (relock_.pending())
        return name + RELOCK_TIP_SUFFIX + relock_.due_hour_minute();
    return name;
}

void MainWindow::refresh_tip()
{
    if (icon_shown_)
        services_.tray.change_tip(tip());
}

void MainWindow::remove_icon()
{
    services_.tray.remove();
    icon_shown_ = false;
}

void MainWindow::on_menu_requested()
{
    follow_policies();
    services_.windows.show_popup_menu(window, tray_menu);
}

void MainWindow::follow_policies()
{
    policies_ = lock::read_policies(services_.registry);
    update_item.set_enabled(!policies_.no_update_check);
    email_item.set_enabled(!policies_.no_email);
}

void MainWindow::on_unlocked_by_switch()
{
    follow_policies();
    if (policies_.relock_minutes == 0)
        return;
    relock_.start(policies_.relock_minutes);
    refresh_tip();
}

// MNU_Quitter_Click
void MainWindow::on_quit_chosen()
{
    if (locked_) {
        const std::string question =
            std::string(program::PRODUCT_NAME) + QUIT_WHILE_LOCKED_SUFFIX + "\r\n" + QUIT_QUESTION;
        if (services_.boxes.show(question, platform::Buttons::yes_no, platform::BoxIcon::none) != platform::ANSWER_YES)
            return;
    }
    remove_icon();
    end_program();
}

// Form_Terminate
void MainWindow::final_release()
{
    if (icon_shown_)
        remove_icon();
    end_program();
}

// MNU_USBLocked_Click
void MainWindow::on_lock_chosen()
{
    lock_switch_.toggle();
    // The switch acted on the state the user saw; now the machine's value
    // wins, unless the switch still asks.
    follow_pending_change();
}

void MainWindow::follow_pending_change()
{
    if (change_pending_ && !lock_switch_.asking())
        follow_start_value();
}

void MainWindow::follow_start_value()
{
    if (lock_switch_.asking()) {
        change_pending_ = true;
        return;
    }
    change_pending_ = false;
    if (!icon_shown_ || !window.loaded())
        return; // not resident (yet, or any more)
    // A value or key that has gone, or cannot be read, changes nothing.
    const auto stored = lock::read_start_value(services_.registry);
    if (!stored)
        return;
    const bool locked = lock::lock_state_of(*stored) == lock::LockState::locked;
    if (locked == locked_)
        return; // the program's own write, or no change: no flicker
    if (locked)
        show_locked_icon();
    else
        show_unlocked_icon();
    audit_.changed_outside(locked, lock::start_value_text(*stored));
}

// MNU_Email_Click
void MainWindow::on_email_chosen()
{
    // Greyed by policy: a command sent all the same does nothing.
    follow_policies();
    if (!email_item.enabled())
        return;
    if (!about::open_mail_to_maker(services_.shell, services_.system, window))
        services_.boxes.show(std::string(about::NO_MAIL_PROGRAM) + program::MAKER_EMAIL, platform::Buttons::ok,
                             platform::BoxIcon::information);
}

// MNU_Password_Click
void MainWindow::on_password_chosen()
{
    password_window.start_change();
}

// One About window at a time: while it is loaded, the command only shows it.
// MNU_APropos_Click
void MainWindow::on_about_chosen()
{
    if (!about_ || !about_->window.loaded())
        about_.emplace(forms_, services_.runtime);
    forms_.show(about_->window);
}

void MainWindow::end_with_message(const char* message)
{
    services_.boxes.show(message, platform::Buttons::ok, platform::BoxIcon::none);
    end_program();
}

void MainWindow::show_refusal(const char* message, platform::BoxIcon icon)
{
    services_.boxes.show(message, platform::Buttons::ok, icon);
}

bool MainWindow::wants_drives_ejected(const std::vector<lock::UsbDrive>& drives)
{
    return services_.boxes.show(lock::eject_question_text(drives), platform::Buttons::yes_no,
                                platform::BoxIcon::question) == platform::ANSWER_YES;
}

void MainWindow::show_ejection_outcome(const lock::EjectionResult& result)
{
    const auto icon = result.refused.empty() ? platform::BoxIcon::information : platform::BoxIcon::warning;
    services_.boxes.show(lock::ejection_outcome_text(result), platform::Buttons::ok, icon);
}

void MainWindow::end_program()
{
    if (start_reported_) {
        start_reported_ = false;
        audit_.stopped(locked_);
    }
    forms_.unload(password_window.window);
    forms_.unload(window);
}

// MNU_Update_Click
void MainWindow::on_update_chosen()
{
    follow_policies();
    if (!update_item.enabled())
        return;
    const std::string versions_address = std::string("http://") + program::MAKER_HOST + "/download/versions.txt";
    update_check.check_for_update(
        {.versions_address = versions_address, .product = program::PRODUCT_NAME, .version = program::VERSION_TEXT});
}

} // namespace shell
