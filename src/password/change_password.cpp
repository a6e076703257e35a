#include "password/change_password.h"

#include <utility>

#include "password/new_password.h"
#include "password/windows1252.h"

namespace password {

namespace {

constexpr int CLIENT_WIDTH = 2040;
constexpr char HINT_MAX_LENGTH[] = "Max 8 caractères !";

// The three password fields: "*" for every character, 8 at most, bold.
constexpr platform::TextBox::Style MASKED_FIELD{'*', static_cast<int>(NEW_PASSWORD_MAX_LENGTH),
                                                platform::FontWeight::bold};
static_assert(NEW_PASSWORD_MAX_LENGTH == 8, "the hint says 8");

bool is_enter_in(int key, const platform::TextBox& field)
{
    // The fields take no more than the longest password, but another program
    // can set a longer text; the change layout ignores Enter in a shorter one.
    return key == platform::ENTER_KEY && field.text().size() >= NEW_PASSWORD_MIN_LENGTH &&
           field.text().size() <= NEW_PASSWORD_MAX_LENGTH;
}

} // namespace

// The control names are the ones the window was designed with; the tests and
// the end-to-end bench find the controls by them.
PasswordWindow::PasswordWindow(platform::Services& services, platform::Forms& forms, PasswordKeeper& keeper)
    : current_label("Label1", CAPTION_CURRENT_PASSWORD, {120, 0, 1995, 360}, 4),
      current_field("Text1", {120, 240, 1815, 285}, 0, MASKED_FIELD),
      ok_button("CMD_OK", "OK", {120, 600, 855, 255}, 9, true),
      abandon_verify_button("CMD_Cancel1", "Abandon", {1080, 600, 855, 255}, 8),
      new_label("Label3", "Nouveau Mot de Passe", {120, 720, 1755, 240}, 6),
      new_field("Text2", {120, 960, 1815, 285}, 1, MASKED_FIELD),
      confirm_label("Label4", "Vérification", {120, 1320, 1755, 240}, 7),
      confirm_field("Text3", {120, 1560, 1815, 285}, 2, MASKED_FIELD),
      hint_label("Label2", HINT_MAX_LENGTH, {240, 1920, 1635, 255}, 3, platform::Alignment::centre,
                 platform::FontWeight::bold),
      abandon_change_button("CMD_Cancel", "Abandon", {600, 2160, 855, 255}, 5), forms_(forms),
      boxes_(services.boxes, window), keeper_(keeper)
{
    window.client_width_twips = CLIENT_WIDTH;
    window.controls = {&current_label, &current_field, &ok_button,     &abandon_verify_button, &new_label,
                       &new_field,     &confirm_label, &confirm_field, &hint_label,            &abandon_change_button};
    restore_design();

    window.on_load = [this] {
        restore_design();
        forget_entries();
    };
    window.on_close = [this] {
        clear_change_steps();
        forms_.unload(window);
        report_outcome(lock::PromptOutcome::closed);
    };
    current_field.on_key_press = [this](int key) { on_current_field_key(key); };
    new_field.on_key_press = [this](int key) { on_new_field_key(key); };
    confirm_field.on_key_press = [this](int key) { on_confirm_field_key(key); };
    ok_button.on_click = [this] { on_ok_clicked(); };
    abandon_verify_button.on_click = [this] { on_verify_abandoned(); };
    abandon_change_button.on_click = [this] { on_change_abandoned(); };
}

void PasswordWindow::ask_to_unlock(std::function<void(lock::PromptOutcome, const std::string&)> report)
{
    forms_.load(window); // the setup below must not be undone by a load
    clear_change_steps(); // a change under way must not carry its verification here
    current_field.set_text("");
    new_label.set_visible(false);
    window.set_height_twips(VERIFY_LAYOUT_HEIGHT);
    current_label.set_caption(CAPTION_PASSWORD);
    ok_button.set_visible(true);
    abandon_verify_button.set_visible(true);
    report_ = std::move(report);
    forms_.show(window);
}

void PasswordWindow::bring_forward()
{
    forms_.show(window);
}

// The change layout keeps the height and the new password's label as the
// last use left them, and starts again at its first step.
void PasswordWindow::start_change()
{
    forms_.load(window); // the setup below must not be undone by a load
    current_field.set_text("");
    clear_change_steps(); // no verification of an earlier showing counts
    current_label.set_caption(CAPTION_CURRENT_PASSWORD);
    ok_button.set_visible(false);
    abandon_verify_button.set_visible(false);
    report_outcome(lock::PromptOutcome::closed);
    report_ = nullptr; // the change layout unlocks nothing
    forms_.show(window);
}

// Every load starts from the window as designed.
void PasswordWindow::restore_design()
{
    window.set_height_twips(FULL_LAYOUT_HEIGHT);
    for (platform::Control* control : window.controls)
        control->set_visible(true);
    current_label.set_caption(CAPTION_CURRENT_PASSWORD);
    current_field.set_text("");
    clear_change_steps();
    window.set_focus(current_field);
}

// Form_Load
void PasswordWindow::forget_entries()
{
    entered_current_.clear();
    current_verified_ = false;
    verified_current_.clear();
}

void PasswordWindow::clear_change_steps()
{
    current_verified_ = false;
    verified_current_.clear();
    entered_new_.clear();
    for (platform::TextBox* field : {&new_field, &confirm_field}) {
        field->set_text("");
        field->set_enabled(false);
    }
    hint_label.set_caption(HINT_MAX_LENGTH);
}

// Verif_Passwd: `typed` comes back upper-cased, or emptied when refused.
void PasswordWindow::check_current_password(std::string& typed)
{
    const auto checked = keeper_.check(typed, report_ ? PasswordUse::unlock : PasswordUse::change);
    current_verified_ = checked.succeeded();
    if (current_verified_) {
        verified_current_ = typed;
        typed = upper_case_1252(typed);
        return;
    }
    verified_current_.clear();
    typed.clear();
    if (say_refusal(checked.error()))
        current_field.set_text("");
}

// Demande_Confirmation
void PasswordWindow::ask_for_confirmation()
{
    hint_label.set_caption("Confirmation");
    confirm_field.set_enabled(true);
    window.set_focus(confirm_field);
    entered_current_.clear();
}

// Text1_KeyPress
void PasswordWindow::on_current_field_key(int key)
{
    if (is_enter_in(key, current_field)) {
        entered_current_ = current_field.text();
        check_current_password(entered_current_);
    }
    if (current_verified_) {
        new_field.set_enabled(true);
        window.set_focus(new_field);
    }
}

// Text2_KeyPress. The new password and its confirmation act only after a
// verification in this showing.
void PasswordWindow::on_new_field_key(int key)
{
    if (!current_verified_ || !is_enter_in(key, new_field))
        return;
    // The same rule as the deployment tool's, so a password set here can be
    // set again, and typed, everywhere.
    if (const auto problem = new_password_problem(new_field.text())) {
        say(problem->c_str());
        new_field.set_text("");
        return;
    }
    entered_new_ = new_field.text();
    ask_for_confirmation();
}

// Text3_KeyPress
void PasswordWindow::on_confirm_field_key(int key)
{
    if (!current_verified_ || entered_new_.empty() || !is_enter_in(key, confirm_field))
        return;
    if (entered_new_ != confirm_field.text()) {
        say(CONFIRMATION_DIFFERS);
        confirm_field.set_text("");
        return;
    }
    // The typed password stays in entered_new_, so a retry after a failed
    // write compares against it.
    const auto changed = keeper_.change(verified_current_, entered_new_);
    if (changed.succeeded()) {
        say(PASSWORD_CHANGED);
        forms_.unload(window);
        return;
    }
    const PasswordFailure& failure = changed.error();
    if (failure.refusal == PasswordRefusal::file_failure && failure.file.access == FileAccess::write) {
        say(failure_message(failure.file).c_str());
        return; // the user may press Enter again
    }
    // The current password no longer opens the change (it was changed
    // meanwhile, or passwords are refused for now): the change starts again.
    if (!say_refusal(failure))
        return;
    current_field.set_text("");
    clear_change_steps();
    window.set_focus(current_field);
}

// CMD_OK_Click. OK belongs to the verify layout on screen: a click sent by
// another program to the hidden window, or after the window has turned to the
// change layout, checks nothing and reports nothing.
void PasswordWindow::on_ok_clicked()
{
    if (!report_ || !window.visible())
        return;
    entered_current_ = current_field.text();
    check_current_password(entered_current_);
    current_field.set_text("");
    window.set_focus(current_field);
    if (!current_verified_) {
        report_outcome(lock::PromptOutcome::refused);
        return;
    }
    window.set_height_twips(FULL_LAYOUT_HEIGHT);
    window.set_visible(false);
    report_outcome(lock::PromptOutcome::accepted, verified_current_);
    current_verified_ = false;
    verified_current_.clear();
    report_outcome(lock::PromptOutcome::closed);
}

// CMD_Cancel1_Click
void PasswordWindow::on_verify_abandoned()
{
    clear_change_steps();
    window.set_height_twips(FULL_LAYOUT_HEIGHT);
    current_field.set_text("");
    window.set_focus(current_field);
    window.set_visible(false);
    report_outcome(lock::PromptOutcome::closed);
}

// CMD_Cancel_Click
void PasswordWindow::on_change_abandoned()
{
    current_field.set_text("");
    clear_change_steps();
    window.set_focus(current_field);
    window.set_visible(false);
}

void PasswordWindow::report_outcome(lock::PromptOutcome outcome, const std::string& password)
{
    if (report_)
        report_(outcome, password);
}

void PasswordWindow::say(const char* text, platform::BoxIcon icon)
{
    boxes_.show(text, platform::Buttons::ok, icon);
}

bool PasswordWindow::say_refusal(const PasswordFailure& failure)
{
    switch (failure.refusal) {
    case PasswordRefusal::file_failure:
        say(failure_message(failure.file).c_str());
        // The program may have ended while the message was up: nothing more
        // is shown after its end.
        if (!window.loaded())
            return false;
        say(WRONG_PASSWORD);
        break;
    case PasswordRefusal::wrong:
        say(WRONG_PASSWORD);
        break;
    case PasswordRefusal::too_many_tries:
        say(TOO_MANY_TRIES, platform::BoxIcon::error);
        break;
    case PasswordRefusal::no_answer:
    case PasswordRefusal::unacceptable: // the window's rule is the keeper's: only a keeper out of step says so
        say(lock::SERVICE_NO_ANSWER, platform::BoxIcon::error);
        break;
    }
    return window.loaded();
}

} // namespace password
