#include "platform/controls.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "fake_platform.h"
#include "platform/forms.h"
#include "row_names.h"

namespace {

// A window with two fields, a default button and another button; every
// handler notes what reached it.
class KeyRule : public testing::Test {
protected:
    KeyRule()
    {
        window.controls = {&field, &short_field, &default_button, &other_button};
        field.on_key_press = [this](int key) { seen.push_back("field " + std::to_string(key) + " " + field.text()); };
        short_field.on_key_press = [this](int key) { seen.push_back("short " + std::to_string(key)); };
        default_button.on_click = [this] { seen.push_back("default"); };
        other_button.on_click = [this] { seen.push_back("other"); };
        forms.show(window);
    }

    fakes::FakeWindowSystem windows;
    platform::Forms forms{windows};
    platform::Form window{"Form", "Fields"};
    platform::TextBox field{"Text1", {}, 0, {}};
    platform::TextBox short_field{"Text2", {}, 1, {'*', 3, platform::FontWeight::regular}};
    platform::Button default_button{"CMD_OK", "OK", {}, 2, true};
    platform::Button other_button{"CMD_Cancel", "Abandon", {}, 3};
    std::vector<std::string> seen;
};

TEST_F(KeyRule, EachCharacterReachesTheKeyHandlerBeforeTheFieldTakesIt)
{
    fakes::type_keys(window, field, "ab");
    EXPECT_EQ(seen, (std::vector<std::string>{"field 97 ", "field 98 a"}));
    EXPECT_EQ(field.text(), "ab");
}

TEST_F(KeyRule, AFullFieldTakesNoMoreButItsHandlerStillSeesTheKeys)
{
    fakes::type_keys(window, short_field, "abcde");
    EXPECT_EQ(short_field.text(), "abc");
    EXPECT_EQ(seen.size(), 5u);
}

TEST_F(KeyRule, BackspaceRemovesTheLastCharacterAndOtherControlCharactersNothing)
{
    fakes::type_keys(window, field, "abc\b\x01");
    EXPECT_EQ(field.text(), "ab");
    EXPECT_EQ(seen.back(), "field 1 ab");
}

TEST_F(KeyRule, AHiddenWindowsFieldsTakeNoKey)
{
    window.set_visible(false);
    fakes::type_keys(window, field, "a\r");
    EXPECT_EQ(field.text(), "");
    EXPECT_TRUE(seen.empty());
}

TEST_F(KeyRule, AFieldTakesNoCharacterOnceItsHandlerUnloadedTheWindow)
{
    field.on_key_press = [this](int) { forms.unload(window); };
    fakes::type_keys(window, field, "a");
    EXPECT_EQ(field.text(), "");
    EXPECT_EQ(windows.destroyed, std::vector<std::string>{"Form"});
}

TEST_F(KeyRule, EscapeDoesNothing)
{
    window.press_escape();
    EXPECT_TRUE(seen.empty());
}

TEST_F(KeyRule, TheDefaultButtonCountsOnlyWhileShownAndEnabled)
{
    EXPECT_EQ(window.active_default_button(), &default_button);
    default_button.set_enabled(false);
    EXPECT_EQ(window.active_default_button(), nullptr);
    default_button.set_enabled(true);
    default_button.set_visible(false);
    EXPECT_EQ(window.active_default_button(), nullptr);
}

// Where Enter goes: the focus (a field, a button, nothing) and the default
// button's state decide.
enum class Focus { field, default_button, other_button, nothing };
enum class Default { shown, hidden, disabled };

struct EnterRow {
    const char* name;
    Focus focus;
    Default default_state;
    const char* reaches;
};

class EnterKey : public KeyRule, public testing::WithParamInterface<EnterRow> {};

TEST_P(EnterKey, GoesWhereTheRuleSays)
{
    const EnterRow& row = GetParam();
    default_button.set_visible(row.default_state != Default::hidden);
    default_button.set_enabled(row.default_state != Default::disabled);
    field.set_text("typed");
    switch (row.focus) {
    case Focus::field:
        fakes::type_keys(window, field, "\r");
        break;
    case Focus::default_button:
        window.press_enter(&default_button);
        break;
    case Focus::other_button:
        window.press_enter(&other_button);
        break;
    case Focus::nothing:
        window.press_enter(nullptr);
        break;
    }
    const std::vector<std::string> expected =
        *row.reaches ? std::vector<std::string>{row.reaches} : std::vector<std::string>{};
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(field.text(), "typed"); // a single-line field takes no Enter
}

const EnterRow enter_rows[] = {
    {"in a field, the default button shown", Focus::field, Default::shown, "default"},
    {"in a field, the default button hidden", Focus::field, Default::hidden, "field 13 typed"},
    {"in a field, the default button disabled", Focus::field, Default::disabled, "field 13 typed"},
    {"on the default button", Focus::default_button, Default::shown, "default"},
    {"on another button, the default button shown", Focus::other_button, Default::shown, "other"},
    {"on another button, the default button hidden", Focus::other_button, Default::hidden, "other"},
    {"nothing focused, the default button shown", Focus::nothing, Default::shown, "default"},
    {"nothing focused, the default button hidden", Focus::nothing, Default::hidden, ""},
};

INSTANTIATE_TEST_SUITE_P(Rule, EnterKey, testing::ValuesIn(enter_rows), testing_support::RowName{});

} // namespace
