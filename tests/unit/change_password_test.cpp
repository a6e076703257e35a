#include "main_window_fixture.h"
#include "password/passwd.h"

namespace {

const std::string PASSWORD_FILE = "C:\\WINDOWS\\system32\\PSTACK.DRV";
const char* const WRONG = "Votre mot de passe actuel est erron\xE9! Recommencer.";
const char* const DIFFERS = "Le nouveau mot de passe et sa confirmation ne sont pas identiques";
const char* const CHANGED = "Votre nouveau mot de passe est pris en compte.";

class PasswordWindow : public fakes::MainWindowFixture {
protected:
    void store_password(const std::string& plain)
    {
        p.files.files[PASSWORD_FILE] = password::Codage_Passwd(plain) + std::string(16, '\0');
    }
    std::string stored_password() { return password::Decodage_Passwd(p.files.files[PASSWORD_FILE].substr(0, 16)); }

    // Keys as the real field gets them: the handler sees each one before the
    // field takes it, and a full field takes no more.
    void type(platform::TextBox& field, const std::string& text)
    {
        for (char c : text) {
            field.on_key_press(static_cast<unsigned char>(c));
            if (field.text().size() < 8)
                field.set_text(field.text() + c);
        }
    }
    // Enter in the change layout, where OK is hidden, reaches the field.
    void enter(platform::TextBox& field) { field.on_key_press(13); }

    void type_and_enter(platform::TextBox& field, const std::string& text)
    {
        type(field, text);
        enter(field);
    }

    void open_change_layout() { choose("MNU_Password"); }

    // The whole change, from the tray menu to a matching confirmation.
    void change_password(const std::string& current, const std::string& fresh)
    {
        open_change_layout();
        type_and_enter(dialog.Text1, current);
        type_and_enter(dialog.Text2, fresh);
        type_and_enter(dialog.Text3, fresh);
    }

    // Opens the verify layout from the tray and plays `steps` while it waits.
    void unlock_with(std::deque<std::function<void()>> steps)
    {
        p.pump.script = std::move(steps);
        choose("MNU_USBLocked");
    }

    std::vector<std::string> messages() const
    {
        std::vector<std::string> texts;
        for (const auto& shown : p.boxes.shown)
            texts.push_back(shown.text);
        return texts;
    }
};

struct VerifyCase {
    const char* name;
    const char* stored; // nullptr: no password file
    const char* typed;
    bool accepted;
};

class VerifyLayout : public PasswordWindow, public testing::WithParamInterface<VerifyCase> {};

TEST_P(VerifyLayout, OkAcceptsOnlyTheStoredPasswordInAnyLetterCase)
{
    const VerifyCase& c = GetParam();
    if (c.stored)
        store_password(c.stored);
    start_with(4);
    unlock_with({[&] {
                     type(dialog.Text1, c.typed);
                     dialog.CMD_OK.on_click();
                     if (!c.accepted)
                         dialog.CMD_Cancel1.on_click();
                 }});
    EXPECT_EQ(stored_start(), c.accepted ? 3 : 4);
    EXPECT_EQ(flags.USB_Locked, c.accepted ? 0 : 1);
    EXPECT_EQ(flags.Password_OK, 0);
    EXPECT_EQ(messages(), c.accepted ? std::vector<std::string>{} : std::vector<std::string>{WRONG});
}

INSTANTIATE_TEST_SUITE_P(Cases, VerifyLayout,
                         testing::Values(VerifyCase{"SameCapitals", "ABC", "ABC", true},
                                         VerifyCase{"LowerCase", "ABC", "abc", true},
                                         VerifyCase{"MixedCase", "ABC", "AbC", true},
                                         VerifyCase{"TrailingBlank", "ABC", "ABC ", false},
                                         VerifyCase{"FirstTwoOnly", "ABC", "AB", false},
                                         VerifyCase{"EmptyAgainstAPassword", "ABC", "", false},
                                         VerifyCase{"AccentedLowerCase", "\xC9T\xC9", "\xE9t\xE9", true},
                                         VerifyCase{"NoFileAcceptsEmpty", nullptr, "", true},
                                         VerifyCase{"NoFileRefusesText", nullptr, "xy", false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PasswordWindow, UnreadableFileLetsNoEntryThrough)
{
    start_with(4);
    p.files.fail_with = platform::FileError{5, "Acc\xE8s refus\xE9."};
    unlock_with({[&] {
        dialog.CMD_OK.on_click(); // the empty entry
        type(dialog.Text1, "ABC");
        dialog.CMD_OK.on_click();
        dialog.CMD_Cancel1.on_click();
    }});
    EXPECT_EQ(stored_start(), 4);
    const std::string read_error = "Erreur d'ouverture ou de lecture du fichier " + PASSWORD_FILE +
                                   "\r\nErreur  5 - Acc\xE8s refus\xE9.";
    EXPECT_EQ(messages(), (std::vector<std::string>{read_error, WRONG, read_error, WRONG}));
}

TEST_F(PasswordWindow, WrongThenRightPassword)
{
    store_password("ABC");
    start_with(4);
    unlock_with({[&] {
                     type(dialog.Text1, "abd");
                     dialog.CMD_OK.on_click();
                     EXPECT_EQ(messages(), std::vector<std::string>{WRONG});
                     EXPECT_TRUE(dialog.window.visible());
                     EXPECT_EQ(dialog.Text1.text(), "");
                     EXPECT_EQ(dialog.window.focus(), &dialog.Text1);
                     EXPECT_EQ(flags.Password_OK, 0);
                 },
                 [&] {
                     type(dialog.Text1, "abc");
                     dialog.CMD_OK.on_click();
                     EXPECT_FALSE(dialog.window.visible());
                     EXPECT_EQ(flags.Password_OK, 1); // the switch reads it after the wait
                     EXPECT_EQ(dialog.window.height_twips(), 2835);
                     EXPECT_FALSE(dialog.Passwd_Verifie());
                 }});
    EXPECT_EQ(stored_start(), 3);
    EXPECT_EQ(flags.Password_OK, 0);
    EXPECT_EQ(form.MNU_USBLocked.caption(), "Verrou USB - NON");
}

TEST_F(PasswordWindow, StartUpLoadsItHiddenInItsDesignState)
{
    start_with(3);
    const platform::Form& w = dialog.window;
    EXPECT_TRUE(w.loaded());
    EXPECT_FALSE(w.visible());
    EXPECT_EQ(w.caption(), "Mot de passe");
    EXPECT_EQ(w.height_twips(), 2835);
    EXPECT_EQ(w.client_width_twips, 2040);
    EXPECT_EQ(dialog.Chemin_Fichier(), "C:\\WINDOWS\\system32\\");
    EXPECT_EQ(dialog.Nom_Fichier(), "PSTACK.DRV");
    EXPECT_FALSE(dialog.Text2.enabled());
    EXPECT_FALSE(dialog.Text3.enabled());
    EXPECT_EQ(dialog.Label2.caption(), "Max 8 caract\xE8res !");
    EXPECT_EQ(dialog.Label4.caption(), "V\xE9rification");
    EXPECT_TRUE(dialog.CMD_OK.is_default());
    EXPECT_EQ(w.focus(), &dialog.Text1);
    // Text1, Text2, Text3 come first in the tab order.
    for (const platform::TextBox* field : {&dialog.Text1, &dialog.Text2, &dialog.Text3}) {
        EXPECT_EQ(field->style().password_char, '*');
        EXPECT_EQ(field->style().max_length, 8);
        EXPECT_EQ(field->style().weight, platform::FontWeight::bold);
    }
    EXPECT_EQ(dialog.Text2.tab_index(), 1);
    EXPECT_EQ(dialog.CMD_OK.tab_index(), 9);
}

TEST_F(PasswordWindow, ChangeWalksItsThreeStepsAndWritesTheNewPassword)
{
    store_password("OLD");
    start_with(3);
    open_change_layout();
    EXPECT_TRUE(dialog.window.visible());
    EXPECT_EQ(p.windows.brought_to_front.back(), "ChangePassword");
    EXPECT_FALSE(dialog.CMD_OK.visible());
    EXPECT_FALSE(dialog.CMD_Cancel1.visible());
    EXPECT_EQ(dialog.Label1.caption(), "Mot de Passe actuel");

    type_and_enter(dialog.Text1, "old");
    EXPECT_TRUE(dialog.Text2.enabled());
    EXPECT_EQ(dialog.window.focus(), &dialog.Text2);

    type_and_enter(dialog.Text2, "new1");
    EXPECT_EQ(dialog.Label2.caption(), "Confirmation");
    EXPECT_TRUE(dialog.Text3.enabled());
    EXPECT_EQ(dialog.window.focus(), &dialog.Text3);

    type(dialog.Text3, "NEW1"); // the confirmation is compared letter case and all
    enter(dialog.Text3);
    EXPECT_EQ(messages(), std::vector<std::string>{DIFFERS});
    EXPECT_EQ(dialog.Text3.text(), "");
    EXPECT_EQ(stored_password(), "OLD");

    type_and_enter(dialog.Text3, "new1");
    EXPECT_EQ(messages(), (std::vector<std::string>{DIFFERS, CHANGED}));
    EXPECT_EQ(stored_password(), "NEW1");
    EXPECT_FALSE(dialog.window.loaded());
    EXPECT_TRUE(form.window.loaded());
    EXPECT_FALSE(p.windows.loop_ended);
}

TEST_F(PasswordWindow, AfterAChangeTheCapitalsOfTheNewPasswordUnlock)
{
    store_password("OLD");
    start_with(4);
    change_password("OLD", "abc");

    unlock_with({[&] {
        type(dialog.Text1, "ABC");
        dialog.CMD_OK.on_click();
    }});
    EXPECT_EQ(stored_start(), 3);
}

struct EnterCase {
    const char* name;
    int field; // 1, 2 or 3
    const char* text;
    bool acts;
};

class EnterRule : public PasswordWindow, public testing::WithParamInterface<EnterCase> {};

TEST_P(EnterRule, EnterActsOnlyOnAFieldOfTwoCharactersOrMore)
{
    const EnterCase& c = GetParam();
    store_password("AB");
    start_with(3);
    open_change_layout();
    if (c.field > 1) {
        type_and_enter(dialog.Text1, "ab");
    }
    if (c.field > 2) {
        type(dialog.Text2, "x");
        enter(dialog.Text2); // too short: ignored
        EXPECT_FALSE(dialog.Text3.enabled());
        type_and_enter(dialog.Text2, "y");
        ASSERT_TRUE(dialog.Text3.enabled());
    }
    platform::TextBox* fields[] = {&dialog.Text1, &dialog.Text2, &dialog.Text3};
    platform::TextBox& field = *fields[c.field - 1];
    const auto shown = p.boxes.shown.size();
    type_and_enter(field, c.text);

    // What each field's Enter does: open the next step, or save.
    const bool acted[] = {dialog.Text2.enabled(), dialog.Text3.enabled(), p.boxes.shown.size() > shown};
    EXPECT_EQ(acted[c.field - 1], c.acts);
}

INSTANTIATE_TEST_SUITE_P(Cases, EnterRule,
                         testing::Values(EnterCase{"CurrentOneCharacter", 1, "a", false},
                                         EnterCase{"CurrentTwoCharacters", 1, "ab", true},
                                         EnterCase{"CurrentEmpty", 1, "", false},
                                         EnterCase{"NewOneCharacter", 2, "n", false},
                                         EnterCase{"NewTwoCharacters", 2, "nn", true},
                                         EnterCase{"ConfirmationOneCharacter", 3, "x", false},
                                         EnterCase{"ConfirmationTwoCharacters", 3, "xy", true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PasswordWindow, AfterAVerifyUseTheChangeLayoutHasNoNewPasswordLabelUntilReloaded)
{
    store_password("ABC");
    start_with(4);
    unlock_with({[&] { dialog.CMD_Cancel1.on_click(); }});
    open_change_layout();
    EXPECT_FALSE(dialog.Label3.visible());
    EXPECT_EQ(dialog.window.height_twips(), 2835);

    dialog.window.on_close();
    open_change_layout();
    EXPECT_TRUE(dialog.Label3.visible());
}

TEST_F(PasswordWindow, AnAbandonedChangeCarriesItsStateIntoTheNextUse)
{
    store_password("ABC");
    start_with(4);
    open_change_layout();
    type_and_enter(dialog.Text1, "abc");
    type_and_enter(dialog.Text2, "new");
    dialog.CMD_Cancel.on_click();
    EXPECT_FALSE(dialog.window.visible());
    EXPECT_EQ(dialog.Text1.text() + dialog.Text2.text() + dialog.Text3.text(), "");
    EXPECT_EQ(dialog.window.focus(), &dialog.Text1);

    // The next use, here the verify layout, still has the checked state.
    unlock_with({[&] {
        EXPECT_TRUE(dialog.Passwd_Verifie());
        EXPECT_TRUE(dialog.Text2.enabled());
        EXPECT_TRUE(dialog.Text3.enabled());
        EXPECT_EQ(dialog.Label2.caption(), "Confirmation");
        // A key in Text1 goes there, then the focus moves on to Text2.
        type(dialog.Text1, "w");
        EXPECT_EQ(dialog.Text1.text(), "w");
        EXPECT_EQ(dialog.window.focus(), &dialog.Text2);
        dialog.CMD_OK.on_click();
        EXPECT_EQ(messages(), std::vector<std::string>{WRONG});
        EXPECT_EQ(flags.Password_OK, 0);
        EXPECT_FALSE(dialog.Passwd_Verifie());
        dialog.CMD_Cancel1.on_click();
    }});
    EXPECT_EQ(stored_start(), 4);
}

TEST_F(PasswordWindow, AfterACompletedChangeTheNextUseShowsTheDesignState)
{
    store_password("ABC");
    start_with(3);
    change_password("abc", "de");
    ASSERT_FALSE(dialog.window.loaded());

    open_change_layout();
    EXPECT_EQ(dialog.Label2.caption(), "Max 8 caract\xE8res !");
    EXPECT_FALSE(dialog.Text2.enabled());
    EXPECT_FALSE(dialog.Text3.enabled());
    EXPECT_TRUE(dialog.Label3.visible());
    EXPECT_FALSE(dialog.Passwd_Verifie());
    EXPECT_EQ(dialog.window.focus(), &dialog.Text1);
}

TEST_F(PasswordWindow, AFailedWriteIsNotReportedAsSuccessAndCanBeRetried)
{
    store_password("ABC");
    start_with(3);
    open_change_layout();
    type_and_enter(dialog.Text1, "abc");
    type_and_enter(dialog.Text2, "xyz");
    type(dialog.Text3, "xyz");

    p.files.fail_with = platform::FileError{5, "Acc\xE8s refus\xE9."};
    enter(dialog.Text3);
    const std::string write_error = "Erreur d'ouverture ou d'\xE9""criture du fichier " + PASSWORD_FILE +
                                    "\r\nErreur  5 - Acc\xE8s refus\xE9.";
    EXPECT_EQ(messages(), std::vector<std::string>{write_error});
    EXPECT_TRUE(dialog.window.visible());
    EXPECT_EQ(dialog.Passwd_Nouveau(), "xyz");
    EXPECT_EQ(dialog.window.focus(), &dialog.Text3);

    p.files.fail_with.reset();
    enter(dialog.Text3);
    EXPECT_EQ(messages(), (std::vector<std::string>{write_error, CHANGED}));
    EXPECT_EQ(stored_password(), "XYZ");
    EXPECT_FALSE(dialog.window.loaded());
}

TEST_F(PasswordWindow, NoFirstPasswordCanBeSetThroughTheChangeLayout)
{
    start_with(3); // no password file: the stored password is empty
    open_change_layout();
    type_and_enter(dialog.Text1, "ab");
    EXPECT_EQ(messages(), std::vector<std::string>{WRONG});
    EXPECT_FALSE(dialog.Text2.enabled());
    EXPECT_EQ(p.files.files[PASSWORD_FILE], ""); // created empty by the check
}

TEST_F(PasswordWindow, ChangeChosenDuringTheWaitSwitchesTheSameWindowAtTheVerifyHeight)
{
    store_password("ABC");
    start_with(4);
    unlock_with({[&] {
        open_change_layout();
        EXPECT_EQ(dialog.window.height_twips(), 1350);
        EXPECT_FALSE(dialog.CMD_OK.visible());
        dialog.CMD_Cancel.on_click();
    }});
    EXPECT_EQ(stored_start(), 4);
    EXPECT_EQ(flags.Password_OK, 0);
}

} // namespace
