#include "password/change_password.h"

#include "password/passwd.h"
#include "password/windows1252.h"

namespace password {

namespace {

constexpr int ENTER = 13;
constexpr std::size_t SHORTEST_ENTRY = 2; // the change layout ignores Enter in a shorter field
// The fields take no more, but another program can set a longer text.
constexpr std::size_t LONGEST_ENTRY = 8;
constexpr int CLIENT_WIDTH = 2040;

// The three password fields: "*" for every character, 8 at most, bold.
constexpr platform::TextBox::Style MASKED_FIELD{'*', 8, platform::FontWeight::bold};

bool is_enter_in(int key, const platform::TextBox& field)
{
    return key == ENTER && field.text().size() >= SHORTEST_ENTRY && field.text().size() <= LONGEST_ENTRY;
}

} // namespace

ChangePassword::ChangePassword(platform::Services& services, platform::Forms& forms, program::ProgramFlags& flags)
    : Label1("Label1", CAPTION_CURRENT_PASSWORD, {120, 0, 1995, 360}, 4),
      Text1("Text1", {120, 240, 1815, 285}, 0, MASKED_FIELD),
      CMD_OK("CMD_OK", "OK", {120, 600, 855, 255}, 9, true),
      CMD_Cancel1("CMD_Cancel1", "Abandon", {1080, 600, 855, 255}, 8),
      Label3("Label3", "Nouveau Mot de Passe", {120, 720, 1755, 240}, 6),
      Text2("Text2", {120, 960, 1815, 285}, 1, MASKED_FIELD),
      Label4("Label4", "Vérification", {120, 1320, 1755, 240}, 7),
      Text3("Text3", {120, 1560, 1815, 285}, 2, MASKED_FIELD),
      Label2("Label2", "Max 8 caractères !", {240, 1920, 1635, 255}, 3, platform::Alignment::centre,
             platform::FontWeight::bold),
      CMD_Cancel("CMD_Cancel", "Abandon", {600, 2160, 855, 255}, 5), services_(services), forms_(forms),
      flags_(flags), boxes_(services.boxes, window), file_(services.files), audit_(services.events)
{
    window.client_width_twips = CLIENT_WIDTH;
    window.controls = {&Label1, &Text1, &CMD_OK, &CMD_Cancel1, &Label3, &Text2, &Label4, &Text3, &Label2, &CMD_Cancel};
    restore_design();

    window.on_load = [this] {
        restore_design();
        Form_Load();
    };
    window.on_close = [this] {
        clear_change_steps();
        forms_.unload(window);
    };
    Text1.on_key_press = [this](int key) { Text1_KeyPress(key); };
    Text2.on_key_press = [this](int key) { Text2_KeyPress(key); };
    Text3.on_key_press = [this](int key) { Text3_KeyPress(key); };
    CMD_OK.on_click = [this] { CMD_OK_Click(); };
    CMD_Cancel1.on_click = [this] { CMD_Cancel1_Click(); };
    CMD_Cancel.on_click = [this] { CMD_Cancel_Click(); };
}

// Every load starts from the window as designed.
void ChangePassword::restore_design()
{
    window.set_height_twips(FULL_LAYOUT_HEIGHT);
    for (platform::Control* control : window.controls)
        control->set_visible(true);
    Label1.set_caption(CAPTION_CURRENT_PASSWORD);
    Text1.set_text("");
    clear_change_steps();
    window.set_focus(Text1);
}

void ChangePassword::clear_change_steps()
{
    passwd_verifie_ = false;
    passwd_nouveau_.clear();
    for (platform::TextBox* field : {&Text2, &Text3}) {
        field->set_text("");
        field->set_enabled(false);
    }
    Label2.set_caption("Max 8 caractères !");
}

void ChangePassword::Form_Load()
{
    passwd_actuel_.clear();
    passwd_verifie_ = false;
    chemin_fichier_ = windows_directory(services_.system) + SYSTEM32_SUFFIX;
    nom_fichier_ = PASSWORD_FILE_NAME;
}

void ChangePassword::Verif_Passwd(std::string& typed)
{
    // No password could be read: no entry matches. Nor does one longer than
    // any password, which only another program can have put in the field.
    const StoredPassword stored = file_.stored_password(chemin_fichier_, nom_fichier_);
    if (stored.failure)
        say(failure_message(*stored.failure).c_str());
    typed = upper_case_1252(typed);
    if (stored.password && typed.size() <= LONGEST_ENTRY && *stored.password == typed) {
        passwd_verifie_ = true;
        return;
    }
    audit_.wrong_password();
    say(WRONG_PASSWORD);
    Text1.set_text("");
    typed.clear();
    passwd_verifie_ = false;
}

void ChangePassword::Demande_Confirmation()
{
    Label2.set_caption("Confirmation");
    Text3.set_enabled(true);
    window.set_focus(Text3);
    passwd_actuel_.clear();
}

void ChangePassword::Text1_KeyPress(int key)
{
    if (is_enter_in(key, Text1)) {
        passwd_actuel_ = Text1.text();
        Verif_Passwd(passwd_actuel_);
    }
    if (passwd_verifie_) {
        Text2.set_enabled(true);
        window.set_focus(Text2);
    }
}

// Text2 and Text3 act only after a verification in this showing.
void ChangePassword::Text2_KeyPress(int key)
{
    if (!passwd_verifie_ || !is_enter_in(key, Text2))
        return;
    passwd_nouveau_ = Text2.text();
    Demande_Confirmation();
    Text3.set_enabled(true);
}

void ChangePassword::Text3_KeyPress(int key)
{
    if (!passwd_verifie_ || passwd_nouveau_.empty() || !is_enter_in(key, Text3))
        return;
    if (passwd_nouveau_ != Text3.text()) {
        say(CONFIRMATION_DIFFERS);
        Text3.set_text("");
        return;
    }
    // The typed password stays in Passwd_Nouveau, so a retry after a failed
    // write compares against it.
    const std::string encoded = encode_password(passwd_nouveau_);
    if (const auto failure = file_.write_password(encoded, chemin_fichier_, nom_fichier_)) {
        say(failure_message(*failure).c_str());
        return; // the user may press Enter again
    }
    audit_.password_changed();
    say(PASSWORD_CHANGED);
    forms_.unload(window);
}

void ChangePassword::CMD_OK_Click()
{
    passwd_actuel_ = Text1.text();
    Verif_Passwd(passwd_actuel_);
    Text1.set_text("");
    window.set_focus(Text1);
    if (!passwd_verifie_) {
        flags_.Password_OK = 0;
        return;
    }
    window.set_height_twips(FULL_LAYOUT_HEIGHT);
    window.set_visible(false);
    flags_.Password_OK = 1;
    passwd_verifie_ = false;
}

void ChangePassword::CMD_Cancel1_Click()
{
    clear_change_steps();
    window.set_height_twips(FULL_LAYOUT_HEIGHT);
    Text1.set_text("");
    window.set_focus(Text1);
    window.set_visible(false);
}

void ChangePassword::CMD_Cancel_Click()
{
    Text1.set_text("");
    clear_change_steps();
    window.set_focus(Text1);
    window.set_visible(false);
}

void ChangePassword::say(const char* text)
{
    boxes_.show(text, platform::Buttons::ok, platform::BoxIcon::none);
}

} // namespace password
