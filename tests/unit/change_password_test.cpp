#include "main_window_fixture.h"
#include "password/new_password.h"
#include "password/passwd.h"
#include "row_names.h"

namespace {

const std::string PASSWORD_FILE = "C:\\WINDOWS\\system32\\PSTACK.DRV";
const char* const WRONG = "Votre mot de passe actuel est erron\xE9! Recommencer.";
const char* const DIFFERS = "Le nouveau mot de passe et sa confirmation ne sont pas identiques";
const char* const CHANGED = "Votre nouveau mot de passe est pris en compte.";
const std::string READ_ERROR_HEAD = "Erreur d'ouverture ou de lecture du fichier " + PASSWORD_FILE + "\r\nErreur  ";
const std::string UNDECODABLE = READ_ERROR_HEAD + "13 - Donn\xE9" "es non valides.";

class PasswordWindow : public fakes::MainWindowFixture {
protected:
    void store_password(const std::string& plain)
    {
        p.files.files[PASSWORD_FILE] = password::encode_password(plain) + std::string(16, '\0');
    }
    std::string stored_password() { return password::decode_password(p.files.files[PASSWORD_FILE].substr(0, 16)); }

    // Keys as the real field gets them, through the window's key rule.
    void type(platform::TextBox& field, const std::string& text) { fakes::type_keys(dialog.window, field, text); }
    void enter(platform::TextBox& field) { fakes::type_keys(dialog.window, field, "\r"); }

    // As on Windows, a click moves the focus to the button first.
    void click(platform::Button& button)
    {
        dialog.window.focus_moved_to(button);
        button.on_click();
    }

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
        type_and_enter(dialog.current_field, current);
        type_and_enter(dialog.new_field, fresh);
        type_and_enter(dialog.confirm_field, fresh);
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
                     type(dialog.current_field, c.typed);
                     dialog.ok_button.on_click();
                     if (!c.accepted)
                         dialog.abandon_verify_button.on_click();
                 }});
    EXPECT_EQ(stored_start(), c.accepted ? 3 : 4);
    EXPECT_EQ(form.locked(), !c.accepted);
    EXPECT_FALSE(form.lock_switch().password_accepted());
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
        dialog.ok_button.on_click(); // the empty entry
        type(dialog.current_field, "ABC");
        dialog.ok_button.on_click();
        dialog.abandon_verify_button.on_click();
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
                     type(dialog.current_field, "abd");
                     click(dialog.ok_button);
                     EXPECT_EQ(messages(), std::vector<std::string>{WRONG});
                     EXPECT_TRUE(dialog.window.visible());
                     EXPECT_EQ(dialog.current_field.text(), "");
                     EXPECT_EQ(dialog.window.focus(), &dialog.current_field);
                     EXPECT_FALSE(form.lock_switch().password_accepted());
                 },
                 [&] {
                     type(dialog.current_field, "abc");
                     click(dialog.ok_button);
                     EXPECT_FALSE(dialog.window.visible());
                     EXPECT_TRUE(form.lock_switch().password_accepted()); // the switch reads it after the wait
                     EXPECT_EQ(dialog.window.height_twips(), 2835);
                     EXPECT_FALSE(dialog.current_password_verified());
                 }});
    EXPECT_EQ(stored_start(), 3);
    EXPECT_FALSE(form.lock_switch().password_accepted());
    EXPECT_EQ(form.lock_item.caption(), "Verrou USB - NON");
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
    EXPECT_FALSE(dialog.new_field.enabled());
    EXPECT_FALSE(dialog.confirm_field.enabled());
    EXPECT_EQ(dialog.hint_label.caption(), "Max 8 caract\xE8res !");
    EXPECT_EQ(dialog.confirm_label.caption(), "V\xE9rification");
    EXPECT_TRUE(dialog.ok_button.is_default());
    EXPECT_EQ(w.focus(), &dialog.current_field);
    // The three fields come first in the tab order.
    for (const platform::TextBox* field : {&dialog.current_field, &dialog.new_field, &dialog.confirm_field}) {
        EXPECT_EQ(field->style().password_char, '*');
        EXPECT_EQ(field->style().max_length, 8);
        EXPECT_EQ(field->style().weight, platform::FontWeight::bold);
    }
    EXPECT_EQ(dialog.new_field.tab_index(), 1);
    EXPECT_EQ(dialog.ok_button.tab_index(), 9);
}

TEST_F(PasswordWindow, ChangeWalksItsThreeStepsAndWritesTheNewPassword)
{
    store_password("OLD");
    start_with(3);
    open_change_layout();
    EXPECT_TRUE(dialog.window.visible());
    EXPECT_EQ(p.windows.brought_to_front.back(), "ChangePassword");
    EXPECT_FALSE(dialog.ok_button.visible());
    EXPECT_FALSE(dialog.abandon_verify_button.visible());
    EXPECT_EQ(dialog.current_label.caption(), "Mot de Passe actuel");

    type_and_enter(dialog.current_field, "old");
    EXPECT_TRUE(dialog.new_field.enabled());
    EXPECT_EQ(dialog.window.focus(), &dialog.new_field);

    type_and_enter(dialog.new_field, "new1");
    EXPECT_EQ(dialog.hint_label.caption(), "Confirmation");
    EXPECT_TRUE(dialog.confirm_field.enabled());
    EXPECT_EQ(dialog.window.focus(), &dialog.confirm_field);

    type(dialog.confirm_field, "NEW1"); // the confirmation is compared letter case and all
    enter(dialog.confirm_field);
    EXPECT_EQ(messages(), std::vector<std::string>{DIFFERS});
    EXPECT_EQ(dialog.confirm_field.text(), "");
    EXPECT_EQ(stored_password(), "OLD");

    type_and_enter(dialog.confirm_field, "new1");
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
        type(dialog.current_field, "ABC");
        dialog.ok_button.on_click();
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
        type_and_enter(dialog.current_field, "ab");
    }
    if (c.field > 2) {
        type(dialog.new_field, "x");
        enter(dialog.new_field); // too short: ignored
        EXPECT_FALSE(dialog.confirm_field.enabled());
        type_and_enter(dialog.new_field, "y");
        ASSERT_TRUE(dialog.confirm_field.enabled());
    }
    platform::TextBox* fields[] = {&dialog.current_field, &dialog.new_field, &dialog.confirm_field};
    platform::TextBox& field = *fields[c.field - 1];
    const auto shown = p.boxes.shown.size();
    type_and_enter(field, c.text);

    // What each field's Enter does: open the next step, or save.
    const bool acted[] = {dialog.new_field.enabled(), dialog.confirm_field.enabled(), p.boxes.shown.size() > shown};
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
    unlock_with({[&] { dialog.abandon_verify_button.on_click(); }});
    open_change_layout();
    EXPECT_FALSE(dialog.new_label.visible());
    EXPECT_EQ(dialog.window.height_twips(), 2835);

    dialog.window.on_close();
    open_change_layout();
    EXPECT_TRUE(dialog.new_label.visible());
}

TEST_F(PasswordWindow, AnAbandonedChangeLeavesNoVerificationForTheNextUse)
{
    store_password("ABC");
    start_with(4);
    open_change_layout();
    type_and_enter(dialog.current_field, "abc");
    type_and_enter(dialog.new_field, "new");
    click(dialog.abandon_change_button);
    EXPECT_FALSE(dialog.window.visible());
    EXPECT_EQ(dialog.current_field.text() + dialog.new_field.text() + dialog.confirm_field.text(), "");
    EXPECT_EQ(dialog.window.focus(), &dialog.current_field);

    // The next use, here the verify layout, starts with nothing checked.
    unlock_with({[&] {
        EXPECT_FALSE(dialog.current_password_verified());
        EXPECT_FALSE(dialog.new_field.enabled());
        EXPECT_FALSE(dialog.confirm_field.enabled());
        EXPECT_EQ(dialog.hint_label.caption(), "Max 8 caract\xE8res !");
        type(dialog.current_field, "w");
        EXPECT_EQ(dialog.current_field.text(), "w");
        EXPECT_EQ(dialog.window.focus(), &dialog.current_field);
        click(dialog.ok_button);
        EXPECT_EQ(messages(), std::vector<std::string>{WRONG});
        EXPECT_FALSE(form.lock_switch().password_accepted());
        click(dialog.abandon_verify_button);
    }});
    EXPECT_EQ(stored_start(), 4);
}

// Whoever comes to the machine after an abandoned change must not set a new
// password without the current one.
struct AbandonCase {
    const char* name;
    bool close_box;        // or "Abandon"
    bool at_confirmation;  // the new password was entered too
};

class AbandonedChange : public PasswordWindow, public testing::WithParamInterface<AbandonCase> {};

TEST_P(AbandonedChange, TheNextChangeAsksForTheCurrentPasswordAgain)
{
    store_password("ABC");
    start_with(4);
    open_change_layout();
    type_and_enter(dialog.current_field, "abc");
    if (GetParam().at_confirmation)
        type_and_enter(dialog.new_field, "new");
    if (GetParam().close_box)
        dialog.window.on_close();
    else
        click(dialog.abandon_change_button);

    open_change_layout();
    EXPECT_FALSE(dialog.current_password_verified());
    EXPECT_FALSE(dialog.new_field.enabled());
    EXPECT_FALSE(dialog.confirm_field.enabled());
    EXPECT_EQ(dialog.new_field.text() + dialog.confirm_field.text(), "");
    EXPECT_EQ(dialog.hint_label.caption(), "Max 8 caract\xE8res !");
    EXPECT_EQ(dialog.entered_new_password(), "");

    // The current password still empty, the next person types into the other
    // fields (as a program can, disabled or not): nothing is stored.
    dialog.new_field.set_text("mine");
    dialog.new_field.on_key_press(13);
    EXPECT_FALSE(dialog.confirm_field.enabled());
    EXPECT_EQ(dialog.entered_new_password(), "");
    dialog.confirm_field.set_text("mine");
    dialog.confirm_field.on_key_press(13);
    EXPECT_EQ(stored_password(), "ABC");
    EXPECT_TRUE(messages().empty());
    EXPECT_TRUE(dialog.window.visible());
}

INSTANTIATE_TEST_SUITE_P(Cases, AbandonedChange,
                         testing::Values(AbandonCase{"AbandonAfterTheCurrentPassword", false, false},
                                         AbandonCase{"AbandonAtTheConfirmation", false, true},
                                         AbandonCase{"CloseBoxAfterTheCurrentPassword", true, false},
                                         AbandonCase{"CloseBoxAtTheConfirmation", true, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PasswordWindow, UnlockChosenDuringAChangeLeavesNoVerificationInTheVerifyLayout)
{
    store_password("ABC");
    start_with(4);
    open_change_layout();
    type_and_enter(dialog.current_field, "abc");
    unlock_with({[&] {
        EXPECT_FALSE(dialog.current_password_verified());
        EXPECT_FALSE(dialog.new_field.enabled());
        // Enter sent straight to the fields, past the default button.
        for (platform::TextBox* field : {&dialog.new_field, &dialog.confirm_field}) {
            field->set_text("mine");
            field->on_key_press(13);
        }
        click(dialog.abandon_verify_button);
    }});
    EXPECT_EQ(stored_password(), "ABC");
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(stored_start(), 4);
}

TEST_F(PasswordWindow, AChangeShownAgainDuringItsStepsStartsAgain)
{
    store_password("ABC");
    start_with(3);
    open_change_layout();
    type_and_enter(dialog.current_field, "abc");
    type_and_enter(dialog.new_field, "new");
    open_change_layout(); // "Mot de Passe" chosen again while it is shown
    EXPECT_FALSE(dialog.confirm_field.enabled());
    dialog.confirm_field.set_text("new");
    dialog.confirm_field.on_key_press(13);
    EXPECT_EQ(stored_password(), "ABC");
    EXPECT_TRUE(messages().empty());
}

TEST_F(PasswordWindow, AfterACompletedChangeTheNextUseShowsTheDesignState)
{
    store_password("ABC");
    start_with(3);
    change_password("abc", "de");
    ASSERT_FALSE(dialog.window.loaded());

    open_change_layout();
    EXPECT_EQ(dialog.hint_label.caption(), "Max 8 caract\xE8res !");
    EXPECT_FALSE(dialog.new_field.enabled());
    EXPECT_FALSE(dialog.confirm_field.enabled());
    EXPECT_TRUE(dialog.new_label.visible());
    EXPECT_FALSE(dialog.current_password_verified());
    EXPECT_EQ(dialog.window.focus(), &dialog.current_field);
}

TEST_F(PasswordWindow, AFailedWriteIsNotReportedAsSuccessAndCanBeRetried)
{
    store_password("ABC");
    start_with(3);
    open_change_layout();
    type_and_enter(dialog.current_field, "abc");
    type_and_enter(dialog.new_field, "xyz");
    type(dialog.confirm_field, "xyz");

    p.files.fail_writes_with = platform::FileError{5, "Acc\xE8s refus\xE9."};
    enter(dialog.confirm_field);
    const std::string write_error = "Erreur d'ouverture ou d'\xE9""criture du fichier " + PASSWORD_FILE +
                                    "\r\nErreur  5 - Acc\xE8s refus\xE9.";
    EXPECT_EQ(messages(), std::vector<std::string>{write_error});
    EXPECT_TRUE(dialog.window.visible());
    EXPECT_EQ(dialog.entered_new_password(), "xyz");
    EXPECT_EQ(dialog.window.focus(), &dialog.confirm_field);

    p.files.fail_writes_with.reset();
    enter(dialog.confirm_field);
    EXPECT_EQ(messages(), (std::vector<std::string>{write_error, CHANGED}));
    EXPECT_EQ(stored_password(), "XYZ");
    EXPECT_FALSE(dialog.window.loaded());
}

TEST_F(PasswordWindow, NoFirstPasswordCanBeSetThroughTheChangeLayout)
{
    start_with(3); // no password file: the stored password is empty
    open_change_layout();
    type_and_enter(dialog.current_field, "ab");
    EXPECT_EQ(messages(), std::vector<std::string>{WRONG});
    EXPECT_FALSE(dialog.new_field.enabled());
    EXPECT_EQ(p.files.files.count(PASSWORD_FILE), 0u); // reading never creates it
}

TEST_F(PasswordWindow, ChangeChosenDuringTheWaitSwitchesTheSameWindowAtTheVerifyHeight)
{
    store_password("ABC");
    start_with(4);
    unlock_with({[&] {
        open_change_layout();
        EXPECT_EQ(dialog.window.height_twips(), 1350);
        EXPECT_FALSE(dialog.ok_button.visible());
        dialog.abandon_change_button.on_click();
    }});
    EXPECT_EQ(stored_start(), 4);
    EXPECT_FALSE(form.lock_switch().password_accepted());
}

// What the password file holds, against what is in the field when OK is
// pressed. The field's limit binds the keyboard only: another program can
// set any text (WM_SETTEXT), so entries are put there as such a program does.
enum class FileKind { missing, unreadable, undecodable, empty, truncated, blank_filled, one_character, abc, eight };

struct FileCase {
    const char* name;
    FileKind file;
    const char* entry;
    bool accepted;
};

class PasswordFileAgainstEntry : public PasswordWindow, public testing::WithParamInterface<FileCase> {
protected:
    // The messages a refused entry gives: the read message first when no
    // password could be read.
    std::vector<std::string> refusal(FileKind file) const
    {
        switch (file) {
        case FileKind::missing:
        case FileKind::abc:
        case FileKind::eight: return {WRONG};
        case FileKind::unreadable: return {READ_ERROR_HEAD + "5 - Acc\xE8s refus\xE9.", WRONG};
        default: return {UNDECODABLE, WRONG};
        }
    }
};

TEST_P(PasswordFileAgainstEntry, OnlyAStoredPasswordOfTwoToEightCharactersOrNoFileAtAllLetsAnEntryThrough)
{
    const FileCase& c = GetParam();
    switch (c.file) {
    case FileKind::missing: break;
    case FileKind::unreadable: p.files.fail_with = platform::FileError{5, "Acc\xE8s refus\xE9."}; break;
    case FileKind::undecodable: p.files.files[PASSWORD_FILE] = std::string(16, '~') + std::string(16, '\0'); break;
    case FileKind::empty: p.files.files[PASSWORD_FILE] = ""; break;
    case FileKind::truncated: p.files.files[PASSWORD_FILE] = password::encode_password("ABC").substr(0, 2); break;
    case FileKind::blank_filled: p.files.files[PASSWORD_FILE] = std::string(16, ' ') + std::string(16, '\0'); break;
    case FileKind::one_character: store_password("A"); break;
    case FileKind::abc: store_password("ABC"); break;
    case FileKind::eight: store_password("ABCDEFGH"); break;
    }
    start_with(4);
    unlock_with({[&] {
                     dialog.current_field.set_text(c.entry);
                     click(dialog.ok_button);
                 },
                 [&] {
                     if (dialog.window.visible())
                         click(dialog.abandon_verify_button);
                 }});
    EXPECT_EQ(stored_start(), c.accepted ? 3 : 4);
    EXPECT_EQ(messages(), c.accepted ? std::vector<std::string>{} : refusal(c.file));
    if (c.file == FileKind::missing) {
        EXPECT_EQ(p.files.files.count(PASSWORD_FILE), 0u); // the check does not create it
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PasswordFileAgainstEntry,
    testing::Values(FileCase{"UnreadableEmptyEntry", FileKind::unreadable, "", false},
                    FileCase{"UnreadableTyped", FileKind::unreadable, "ABC", false},
                    FileCase{"UnreadableDecodingErrorText", FileKind::unreadable, password::DECODING_ERROR, false},
                    FileCase{"UndecodableDecodingErrorText", FileKind::undecodable, password::DECODING_ERROR, false},
                    FileCase{"UndecodableEmptyEntry", FileKind::undecodable, "", false},
                    FileCase{"EmptyFileEmptyEntry", FileKind::empty, "", false},
                    FileCase{"TruncatedEmptyEntry", FileKind::truncated, "", false},
                    FileCase{"TruncatedItsOneCharacter", FileKind::truncated, "a", false},
                    FileCase{"BlankFilledEmptyEntry", FileKind::blank_filled, "", false},
                    FileCase{"BlankFilledBlanks", FileKind::blank_filled, "        ", false},
                    FileCase{"OneCharacterPassword", FileKind::one_character, "a", false},
                    FileCase{"StoredTyped", FileKind::abc, "abc", true},
                    FileCase{"StoredEmptyEntry", FileKind::abc, "", false},
                    FileCase{"EightCharacters", FileKind::eight, "abcdefgh", true},
                    FileCase{"EightAndOneMore", FileKind::eight, "abcdefghi", false},
                    FileCase{"MissingEmptyEntry", FileKind::missing, "", true},
                    FileCase{"MissingTyped", FileKind::missing, "ab", false},
                    FileCase{"MissingOverLong", FileKind::missing, "abcdefghi", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PasswordWindow, AnOverLongTextInAFieldChangesNothing)
{
    store_password("ABCDEFGH");
    start_with(3);
    open_change_layout();
    dialog.current_field.set_text("abcdefghi"); // its first 8 are the password
    dialog.current_field.on_key_press(13);
    EXPECT_FALSE(dialog.new_field.enabled());

    dialog.current_field.set_text("");
    type_and_enter(dialog.current_field, "abcdefgh");
    ASSERT_TRUE(dialog.new_field.enabled());
    dialog.new_field.set_text("neuf12345");
    dialog.new_field.on_key_press(13);
    EXPECT_FALSE(dialog.confirm_field.enabled());
    EXPECT_EQ(dialog.entered_new_password(), "");

    dialog.new_field.set_text("");
    type_and_enter(dialog.new_field, "neuf1234");
    dialog.confirm_field.set_text("neuf12345");
    dialog.confirm_field.on_key_press(13);
    EXPECT_EQ(stored_password(), "ABCDEFGH");
    EXPECT_TRUE(messages().empty());
    dialog.confirm_field.set_text("neuf1234");
    dialog.confirm_field.on_key_press(13);
    EXPECT_EQ(stored_password(), "NEUF1234");
}

TEST_F(PasswordWindow, TheWindowOwnsItsMessageBoxes)
{
    store_password("ABC");
    start_with(4);
    unlock_with({[&] {
        type(dialog.current_field, "abd");
        click(dialog.ok_button);
        p.files.fail_with = platform::FileError{5, "Acc\xE8s refus\xE9."};
        click(dialog.ok_button);
        click(dialog.abandon_verify_button);
    }});
    ASSERT_EQ(p.boxes.shown.size(), 3u);
    for (const auto& box : p.boxes.shown)
        EXPECT_EQ(box.owner, dialog.window.window_handle) << box.text;
    EXPECT_NE(dialog.window.window_handle, 0u);
}

// Each of these was a one-line fault that no test caught.

TEST_F(PasswordWindow, ASecondChangeStartsFromEmptyFields)
{
    store_password("ABC");
    start_with(3);
    change_password("abc", "de");
    open_change_layout();
    EXPECT_EQ(dialog.current_field.text() + dialog.new_field.text() + dialog.confirm_field.text(), "");
    type_and_enter(dialog.current_field, "de");
    type_and_enter(dialog.new_field, "fg");
    type_and_enter(dialog.confirm_field, "fg");
    EXPECT_EQ(stored_password(), "FG");
}

TEST_F(PasswordWindow, TheConfirmationIsComparedWithTheNewPasswordAsEnteredWithEnter)
{
    store_password("ABC");
    start_with(3);
    open_change_layout();
    type_and_enter(dialog.current_field, "abc");
    type_and_enter(dialog.new_field, "new1");
    dialog.new_field.set_text("new"); // edited, without Enter
    type(dialog.new_field, "2");
    type_and_enter(dialog.confirm_field, "new2");
    EXPECT_EQ(messages(), std::vector<std::string>{DIFFERS});
    EXPECT_EQ(stored_password(), "ABC");
    type_and_enter(dialog.confirm_field, "new1");
    EXPECT_EQ(stored_password(), "NEW1");
}

TEST_F(PasswordWindow, AfterAReloadTheChangeLayoutHidesOkAndEnterReachesTheField)
{
    store_password("ABC");
    start_with(3);
    change_password("abc", "de"); // a completed change unloads the window
    open_change_layout();
    EXPECT_FALSE(dialog.ok_button.visible());
    EXPECT_FALSE(dialog.abandon_verify_button.visible());
    dialog.window.on_close(); // so does the close box
    open_change_layout();
    EXPECT_FALSE(dialog.ok_button.visible());
    EXPECT_FALSE(dialog.abandon_verify_button.visible());

    type_and_enter(dialog.current_field, "de");
    EXPECT_TRUE(dialog.window.visible());
    EXPECT_TRUE(dialog.new_field.enabled());
    EXPECT_EQ(dialog.window.focus(), &dialog.new_field);
}

TEST_F(PasswordWindow, UnlockingStartsWithAnEmptyFieldAfterTheRightPasswordWasTypedInTheChangeLayout)
{
    store_password("ABC");
    start_with(4);
    open_change_layout();
    type(dialog.current_field, "abc");
    unlock_with({[&] {
                     EXPECT_EQ(dialog.current_field.text(), "");
                     click(dialog.ok_button); // the empty entry
                 },
                 [&] { click(dialog.abandon_verify_button); }});
    EXPECT_EQ(messages(), std::vector<std::string>{WRONG});
    EXPECT_EQ(stored_start(), 4);
}

TEST_F(PasswordWindow, TheFocusIsBackInThePasswordFieldAfterAWrongPasswordAndAfterAbandon)
{
    store_password("ABC");
    start_with(4);
    unlock_with({[&] {
        type(dialog.current_field, "abd");
        click(dialog.ok_button);
        EXPECT_EQ(dialog.window.focus(), &dialog.current_field);
        click(dialog.abandon_verify_button);
        EXPECT_EQ(dialog.window.focus(), &dialog.current_field);
    }});
    EXPECT_EQ(stored_start(), 4);
}

TEST_F(PasswordWindow, AWrongCurrentPasswordEmptiesTheFieldForTheNextTry)
{
    store_password("ABC");
    start_with(3);
    open_change_layout();
    type_and_enter(dialog.current_field, "xyz");
    EXPECT_EQ(messages(), std::vector<std::string>{WRONG});
    EXPECT_EQ(dialog.current_field.text(), "");
    type_and_enter(dialog.current_field, "abc");
    EXPECT_TRUE(dialog.current_password_verified());
    EXPECT_TRUE(dialog.new_field.enabled());
}

TEST_F(PasswordWindow, AfterAVerifyUseTheChangeLayoutAsksForTheCurrentPassword)
{
    store_password("ABC");
    start_with(4);
    unlock_with({[&] { click(dialog.abandon_verify_button); }});
    ASSERT_EQ(dialog.current_label.caption(), "Mot de Passe");
    open_change_layout();
    EXPECT_EQ(dialog.current_label.caption(), "Mot de Passe actuel");
}

TEST_F(PasswordWindow, CharactersTypedInTheVerifyLayoutDoNotStayWhenTheChangeIsChosen)
{
    store_password("ABC");
    start_with(4);
    unlock_with({[&] {
        type(dialog.current_field, "ab");
        open_change_layout();
        EXPECT_EQ(dialog.current_field.text(), "");
        type_and_enter(dialog.current_field, "abc");
        EXPECT_TRUE(dialog.current_password_verified());
        click(dialog.abandon_change_button);
    }});
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(stored_start(), 4);
}

// Clicks another program sends to the window's buttons, whatever its layout
// and whether anyone waits: only the verify layout's OK on screen, within the
// switch's wait, can unlock.
TEST_F(PasswordWindow, OkSentFromOutsideAfterTheWaitDoesNotTurnTheNextLockIntoAnUnlock)
{
    store_password("ABC");
    start_with(4);
    unlock_with({[&] {
        type(dialog.current_field, "abc");
        dialog.ok_button.click();
    }});
    ASSERT_EQ(stored_start(), 3);
    ASSERT_FALSE(dialog.window.visible());

    dialog.current_field.set_text("abd");
    dialog.ok_button.click(); // the window is hidden: nothing is checked
    EXPECT_TRUE(messages().empty());
    dialog.current_field.set_text("abc");
    dialog.ok_button.click();
    choose("MNU_USBLocked");
    EXPECT_EQ(stored_start(), 4);
    EXPECT_TRUE(form.locked());
}

TEST_F(PasswordWindow, OkSentFromOutsideToTheChangeLayoutUnlocksNothing)
{
    store_password("ABC");
    start_with(4);
    unlock_with({[&] {
        open_change_layout();
        dialog.current_field.set_text("abc");
        dialog.ok_button.click(); // hidden in this layout
        EXPECT_TRUE(dialog.window.visible());
        click(dialog.abandon_change_button);
    }});
    EXPECT_EQ(stored_start(), 4);
    EXPECT_TRUE(form.locked());
    EXPECT_TRUE(messages().empty());
}

TEST_F(PasswordWindow, ADisabledOrHiddenButtonIgnoresClicks)
{
    store_password("ABC");
    start_with(4);
    unlock_with({[&] {
        type(dialog.current_field, "abc");
        dialog.ok_button.set_enabled(false);
        dialog.ok_button.click();
        EXPECT_TRUE(dialog.window.visible());
        dialog.abandon_verify_button.set_visible(false);
        dialog.abandon_verify_button.click();
        EXPECT_TRUE(dialog.window.visible());
        dialog.ok_button.set_enabled(true);
        dialog.ok_button.click();
    }});
    EXPECT_EQ(stored_start(), 3);
}

// The window takes a new password only if the deployment tool would: what it
// refuses could not be set again by script, nor typed by everyone.
struct RefusedNewPassword {
    const char* name;
    std::string keys;     // typed into the new password's field
    std::string entered;  // what the field then holds
};

class NewPasswordRule : public PasswordWindow, public testing::WithParamInterface<RefusedNewPassword> {};

TEST_P(NewPasswordRule, TheWindowRefusesWhatTheDeploymentToolRefuses)
{
    store_password("ABC");
    start_with(3);
    open_change_layout();
    type_and_enter(dialog.current_field, "abc");
    type(dialog.new_field, GetParam().keys);
    if (dialog.new_field.text() != GetParam().entered)
        dialog.new_field.set_text(GetParam().entered); // pasted, as the keys cannot type it
    enter(dialog.new_field);
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0], password::new_password_problem(GetParam().entered).value_or("(accepted)"));
    EXPECT_FALSE(dialog.confirm_field.enabled());
    EXPECT_EQ(dialog.new_field.text(), "");
    EXPECT_EQ(stored_password(), "ABC");
}

INSTANTIATE_TEST_SUITE_P(
    Rows, NewPasswordRule,
    testing::Values(RefusedNewPassword{"DoubleQuote", "ab\"cd", "ab\"cd"},
                    RefusedNewPassword{"TrailingBackslash", "abc\\", "abc\\"},
                    RefusedNewPassword{"PastedDelete", "abc", std::string("abc\x7F")},
                    RefusedNewPassword{"PastedTab", "abc", std::string("ab\tc")},
                    RefusedNewPassword{"PastedUndefinedCode", "abc", std::string("ab\x81")}),
    testing_support::RowName{});

// Ctrl+Backspace types DEL in an edit control: no field takes it.
TEST_F(PasswordWindow, CtrlBackspaceTypesNothingIntoAPassword)
{
    store_password("ABC");
    start_with(3);
    open_change_layout();
    type_and_enter(dialog.current_field, "abc");
    type(dialog.new_field, "ne\x7Fuf");
    EXPECT_EQ(dialog.new_field.text(), "neuf");
    enter(dialog.new_field);
    type_and_enter(dialog.confirm_field, "neuf");
    EXPECT_EQ(stored_password(), "NEUF");
}

TEST_F(PasswordWindow, WithoutTheWindowsDirectoryNoEntryUnlocksAndNothingIsWritten)
{
    p.system.windows_folder = "";
    p.files.files["PSTACK.DRV"] = password::encode_password("PLANTED") + std::string(16, '\0');
    start_with(4);
    unlock_with({[&] {
        click(dialog.ok_button); // the empty entry
        type(dialog.current_field, "planted");
        click(dialog.ok_button);
        click(dialog.abandon_verify_button);
    }});
    EXPECT_EQ(stored_start(), 4);
    const std::string no_folder =
        "Erreur d'ouverture ou de lecture du fichier PSTACK.DRV\r\nErreur  3 - Le dossier Windows est introuvable.";
    EXPECT_EQ(messages(), (std::vector<std::string>{no_folder, WRONG, no_folder, WRONG}));
    EXPECT_EQ(p.files.files.size(), 1u);
}

std::vector<std::uint32_t> event_numbers(const fakes::FakeEventLog& log)
{
    std::vector<std::uint32_t> numbers;
    for (const auto& event : log.events)
        numbers.push_back(event.id & 0xFFFF);
    return numbers;
}

// An unreadable file is no wrong password: the log says which it was.
TEST_F(PasswordWindow, AnUnreadableFileIsLoggedAsSuchNotAsAWrongPassword)
{
    start_with(4);
    p.files.fail_with = platform::FileError{5, "Acc\xE8s refus\xE9."};
    unlock_with({[&] {
        type(dialog.current_field, "abc");
        click(dialog.ok_button);
        click(dialog.abandon_verify_button);
    }});
    EXPECT_EQ(event_numbers(p.events), (std::vector<std::uint32_t>{100, 117}));
    EXPECT_EQ(p.events.events.back().inserts[1], PASSWORD_FILE);
}

// "Quitter" chosen while the read failure is on screen: once the program has
// ended, no box and no event follow.
TEST_F(PasswordWindow, NothingIsShownOrLoggedAfterAQuitDuringTheReadFailure)
{
    start_with(4);
    p.files.fail_with = platform::FileError{5, "Acc\xE8s refus\xE9."};
    p.boxes.while_shown = [&] {
        p.boxes.while_shown = nullptr;
        p.boxes.answers = {platform::ANSWER_YES};
        choose("MNU_Quitter");
    };
    unlock_with({[&] { click(dialog.ok_button); }});
    EXPECT_EQ(stored_start(), 4);
    ASSERT_EQ(messages().size(), 2u); // the read failure, then the quit question
    EXPECT_NE(messages()[0].find("Erreur  5"), std::string::npos);
    EXPECT_EQ(event_numbers(p.events), (std::vector<std::uint32_t>{100, 117, 101}));
    EXPECT_FALSE(form.window.loaded());
}

// The switch hears every outcome of OK while it asks: a password accepted,
// then, with the window brought back in the same round by a second choice of
// the switch, a wrong one refused, then Abandon: the last word is the
// refusal, and nothing is unlocked.
TEST_F(PasswordWindow, ARefusalAfterAnAcceptedPasswordInTheWindowBroughtBackUnlocksNothing)
{
    store_password("ABC");
    start_with(4);
    unlock_with({[&] {
                     type(dialog.current_field, "abc");
                     click(dialog.ok_button);
                     choose("MNU_USBLocked"); // brings the same window back
                     EXPECT_TRUE(dialog.window.visible());
                 },
                 [&] {
                     type(dialog.current_field, "abd");
                     click(dialog.ok_button);
                     EXPECT_EQ(messages(), std::vector<std::string>{WRONG});
                 },
                 [&] { click(dialog.abandon_verify_button); }});
    EXPECT_EQ(stored_start(), 4);
    EXPECT_TRUE(form.locked());
    EXPECT_FALSE(form.lock_switch().asking());
}

// A verification stands only as long as the last entry of the current
// password was right.
TEST_F(PasswordWindow, AWrongCurrentPasswordAfterARightOneWithdrawsTheVerification)
{
    store_password("ABC");
    start_with(4);
    open_change_layout();
    type_and_enter(dialog.current_field, "abc");
    type_and_enter(dialog.new_field, "xyz");
    type_and_enter(dialog.current_field, "abd");
    EXPECT_FALSE(dialog.current_password_verified());
    type_and_enter(dialog.confirm_field, "xyz");
    EXPECT_EQ(stored_password(), "ABC");
    EXPECT_EQ(messages(), std::vector<std::string>{WRONG});

    // In the verify layout: the right password and an Enter sent to the
    // field itself (by another program: the user's Enter presses OK), then a
    // wrong one with OK.
    unlock_with({[&] {
        dialog.current_field.set_text("abc");
        dialog.current_field.on_key_press(platform::ENTER_KEY);
        dialog.current_field.set_text("abd");
        click(dialog.ok_button);
        click(dialog.abandon_verify_button);
    }});
    EXPECT_EQ(stored_start(), 4);
    EXPECT_TRUE(form.locked());
}

// The confirmation stores a password only after a verification in this
// showing and a new password entered with Enter; another program can set the
// confirmation's text and send it Enter at any time.
TEST_F(PasswordWindow, TheConfirmationActsOnlyAfterAVerificationInThisShowingAndANewPassword)
{
    store_password("ABC");
    start_with(3);
    const auto confirm_from_outside = [&](const std::string& text) {
        dialog.confirm_field.set_text(text);
        enter(dialog.confirm_field);
    };

    open_change_layout();
    type_and_enter(dialog.current_field, "abc");
    confirm_from_outside("xyz"); // no new password entered yet
    click(dialog.abandon_change_button);

    open_change_layout(); // the verification belonged to the last showing
    type_and_enter(dialog.new_field, "xyz");
    confirm_from_outside("xyz");

    EXPECT_EQ(stored_password(), "ABC");
    EXPECT_TRUE(messages().empty());
}

} // namespace
