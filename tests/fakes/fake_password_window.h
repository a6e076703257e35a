#pragma once

#include "lock/lock_switch.h"
#include "platform/controls.h"

namespace fakes {

// The controls the lock switch lays out, with the password window's design
// values; a test plays the user's part through the event pump.
struct FakePasswordWindow {
    platform::Form window{"ChangePassword", "Mot de passe"};
    platform::TextBox Text1{"Text1"};
    platform::Label Label1{"Label1", "Mot de Passe actuel"};
    platform::Label Label3{"Label3", "Nouveau Mot de Passe"};
    platform::Button CMD_OK{"CMD_OK", "OK"};
    platform::Button CMD_Cancel1{"CMD_Cancel1", "Abandon"};
    lock::PasswordPrompt prompt{window, Text1, Label1, Label3, CMD_OK, CMD_Cancel1};

    FakePasswordWindow()
    {
        window.set_height_twips(2835);
        window.controls = {&Text1, &Label1, &Label3, &CMD_OK, &CMD_Cancel1};
        Text1.set_text("left over");
        CMD_OK.set_visible(false);
        CMD_Cancel1.set_visible(false);
    }
};

} // namespace fakes
