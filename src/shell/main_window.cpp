#include "shell/main_window.h"

#include <cmath>
#include <string>

#include "about/contact.h"
#include "lock/usb_storage_value.h"
#include "program/maker.h"
#include "program/product.h"
#include "program/resource_ids.h"
#include "shell/system_version.h"

namespace shell {

namespace {

constexpr std::uint32_t NOTIFY_RECORD_SIZE = 88;
constexpr std::uint32_t NIF_MESSAGE_ICON_TIP = 7;
constexpr std::uint32_t WM_MOUSEMOVE_MESSAGE = 0x200;

std::string upper_hex(std::uint32_t value)
{
    constexpr char digits[] = "0123456789ABCDEF";
    std::string text;
    do {
        text.insert(text.begin(), digits[value % 16]);
        value /= 16;
    } while (value != 0);
    return text;
}

} // namespace

Form1::Form1(platform::Services& services, platform::Forms& forms, program::ProgramFlags& flags)
    : Picture1("Picture1", IDI_DEVICE), Picture2("Picture2", IDI_DEVICE_LOCKED), ChangePassword(services, forms, flags),
      MiseAjour1("MiseAjour1", services), services_(services), forms_(forms), flags_(flags), audit_(services.events),
      lock_switch_(flags, services.registry, services.boxes, forms, services.pump, services.devices, *this,
                   ChangePassword.prompt, audit_)
{
    window.controls = {&Picture1, &Picture2, &MiseAjour1};
    MNU_Menu.items = {&MNU_USBLocked, &MNU_Separator, &MNU_Outils, &MNU_Separator1, &MNU_APropos, &MNU_Quitter};
    MNU_Outils.items = {&MNU_Update, &MNU_Password, &MNU_Email};

    window.on_load = [this] { Form_Load(); };
    window.on_taskbar_created = [this] { put_icon_back(); };
    Picture1.on_mouse_move = [this](int, int, double x, double) { picture_mouse_move(x); };
    Picture2.on_mouse_move = [this](int, int, double x, double) { picture_mouse_move(x); };
    MNU_USBLocked.on_click = [this] { MNU_USBLocked_Click(); };
    MNU_Password.on_click = [this] { MNU_Password_Click(); };
    MNU_Quitter.on_click = [this] { MNU_Quitter_Click(); };
    MNU_Update.on_click = [this] { MNU_Update_Click(); };
    MNU_APropos.on_click = [this] { MNU_APropos_Click(); };
    MNU_Email.on_click = [this] { about::MNU_Email_Click(services_.shell, services_.system, window); };
}

std::int32_t Form1::GetVersion()
{
    version_record_ = {};
    version_record_.size = VERSION_RECORD_SIZE;
    services_.system.get_version(version_record_);
    return classify_system(version_record_);
}

void Form1::Form_Load()
{
    startup_state_ = 0;
    flags_.Password_OK = 0;
    flags_.USB_Locked = 0;

    const std::string product = program::PRODUCT_NAME;
    if (!system_supported(GetVersion(), version_record_)) {
        services_.boxes.show(product + UNSUPPORTED_SYSTEM_SUFFIX, platform::Buttons::ok, platform::BoxIcon::none);
        forms_.unload(window);
        return;
    }
    if (services_.runtime.previous_instance()) {
        services_.boxes.show(product + ALREADY_RUNNING_SUFFIX, platform::Buttons::ok, platform::BoxIcon::none);
        forms_.unload(window);
        return;
    }
    forms_.load(ChangePassword.window);

    // Administrators also change the value by other means; the icon follows.
    services_.watch.watch(lock::USBSTOR_KEY, [this] { follow_start_value(); });
    const auto state = lock::read_lock_state(services_.registry);
    if (!state) {
        services_.boxes.show(lock::REGISTRY_READ_ERROR, platform::Buttons::ok, platform::BoxIcon::none);
        end_program();
        return;
    }
    startup_state_ = *state;
    if (startup_state_ == lock::STATE_LOCKED)
        My_Icon_OFF();
    else
        My_Icon_ON();
    audit_.started(program::VERSION_TEXT, flags_.USB_Locked == 1);
    start_reported_ = true;
}

void Form1::My_Icon_ON()
{
    refresh_icon(CAPTION_UNLOCKED, 0, Picture1);
}

void Form1::My_Icon_OFF()
{
    refresh_icon(CAPTION_LOCKED, 1, Picture2);
}

void Form1::refresh_icon(const char* caption, std::int16_t locked, platform::PictureBox& owner)
{
    MNU_USBLocked.set_caption(caption);
    flags_.USB_Locked = locked;
    services_.tray.notify_icon(platform::NIM_DELETE_ACTION, notify_record_);

    notify_record_.cbSize = NOTIFY_RECORD_SIZE;
    notify_record_.hWnd = owner.window_handle;
    notify_record_.uID = 1;
    notify_record_.uFlags = NIF_MESSAGE_ICON_TIP;
    notify_record_.uCallbackMessage = WM_MOUSEMOVE_MESSAGE;
    notify_record_.hIcon = owner.picture_handle;
    const std::string tip = std::string(program::PRODUCT_NAME) + " v" + program::VERSION_TEXT;
    notify_record_.szTip.fill(' ');
    tip.copy(notify_record_.szTip.data(), tip.size());
    notify_record_.szTip[tip.size()] = '\0';

    services_.tray.notify_icon(platform::NIM_ADD_ACTION, notify_record_);
    icon_shown_ = true;
}

void Form1::remove_icon()
{
    services_.tray.notify_icon(platform::NIM_DELETE_ACTION, notify_record_);
    icon_shown_ = false;
}

// The taskbar was restarted and has forgotten the icon.
void Form1::put_icon_back()
{
    if (icon_shown_)
        services_.tray.notify_icon(platform::NIM_ADD_ACTION, notify_record_);
}

void Form1::picture_mouse_move(double x)
{
    const std::string message = upper_hex(static_cast<std::uint32_t>(std::lround(x)));
    if (message == RIGHT_BUTTON_DOWN_HEX || message == RIGHT_BUTTON_DOUBLE_CLICK_HEX)
        services_.windows.show_popup_menu(window, MNU_Menu);
}

void Form1::MNU_Quitter_Click()
{
    if (flags_.USB_Locked == 1) {
        const std::string question =
            std::string(program::PRODUCT_NAME) + QUIT_WHILE_LOCKED_SUFFIX + "\r\n" + QUIT_QUESTION;
        if (services_.boxes.show(question, platform::Buttons::yes_no, platform::BoxIcon::none) != platform::ANSWER_YES)
            return;
    }
    remove_icon();
    end_program();
}

void Form1::Form_Terminate()
{
    if (icon_shown_)
        remove_icon();
    end_program();
}

void Form1::MNU_USBLocked_Click()
{
    ++switches_running_;
    lock_switch_.toggle();
    --switches_running_;
    // The switch acted on the state the user saw; now the machine's value wins.
    if (switches_running_ == 0 && change_pending_)
        follow_start_value();
}

void Form1::follow_start_value()
{
    if (switches_running_ > 0) {
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
    const std::int16_t locked = lock::lock_state_of(*stored) == lock::STATE_LOCKED ? 1 : 0;
    if (locked == flags_.USB_Locked)
        return; // the program's own write, or no change: no flicker
    if (locked)
        My_Icon_OFF();
    else
        My_Icon_ON();
    audit_.changed_outside(locked == 1, lock::start_value_text(*stored));
}

// The change layout keeps the height and Label3 as the last use left them,
// and starts again at its first step.
void Form1::MNU_Password_Click()
{
    password::ChangePassword& dialog = ChangePassword;
    forms_.load(dialog.window); // the setup below must not be undone by a load
    dialog.Text1.set_text("");
    dialog.clear_change_steps(); // no verification of an earlier showing counts
    dialog.Label1.set_caption(password::CAPTION_CURRENT_PASSWORD);
    dialog.CMD_OK.set_visible(false);
    dialog.CMD_Cancel1.set_visible(false);
    forms_.show(dialog.window);
}

// One About window at a time: while it is loaded, the command only shows it.
void Form1::MNU_APropos_Click()
{
    if (!about_ || !about_->window.loaded())
        about_.emplace(forms_, services_.runtime);
    forms_.show(about_->window);
}

void Form1::end_program()
{
    if (start_reported_) {
        start_reported_ = false;
        audit_.stopped(flags_.USB_Locked == 1);
    }
    forms_.unload(ChangePassword.window);
    forms_.unload(window);
}

void Form1::MNU_Update_Click()
{
    MiseAjour1.set_Adresse(std::string("http://") + program::MAKER_HOST + "/download/versions.txt");
    MiseAjour1.set_Logiciel(program::PRODUCT_NAME);
    MiseAjour1.set_Version(program::VERSION_TEXT);
    MiseAjour1.Verifier();
}

} // namespace shell
