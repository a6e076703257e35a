#include "platform/controls.h"

namespace platform {

void TextBox::take_character(char character)
{
    if (character == DELETE_CHARACTER)
        return;
    if (editor_) {
        editor_->take_character(character);
        return;
    }
    if (character == BACKSPACE_KEY) {
        if (!text_.empty())
            set_text(text_.substr(0, text_.size() - 1));
        return;
    }
    const bool full = style_.max_length > 0 && text_.size() >= static_cast<std::size_t>(style_.max_length);
    if (static_cast<unsigned char>(character) < ' ' || full)
        return;
    set_text(text_ + character);
}

void Form::press_enter(Control* focused)
{
    if (auto* button = dynamic_cast<Button*>(focused)) {
        button->click();
    } else if (Button* button = active_default_button()) {
        button->click();
    } else if (auto* field = dynamic_cast<TextBox*>(focused); field && field->on_key_press) {
        field->on_key_press(ENTER_KEY);
    }
}

void Form::type_character(TextBox& field, char character)
{
    if (!visible())
        return;
    if (character == ENTER_KEY) {
        press_enter(&field); // a single-line field has nothing to do with Enter
        return;
    }
    if (field.on_key_press)
        field.on_key_press(static_cast<unsigned char>(character));
    if (loaded_)
        field.take_character(character);
}

Button* Form::active_default_button() const
{
    for (Control* control : controls) {
        auto* button = dynamic_cast<Button*>(control);
        if (button && button->is_default() && button->visible() && button->enabled())
            return button;
    }
    return nullptr;
}

} // namespace platform
