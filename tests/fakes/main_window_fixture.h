#pragma once

#include <gtest/gtest.h>

#include "fake_platform.h"
#include "lock/usb_storage_value.h"
#include "shell/main_window.h"

namespace fakes {

// The main window on fake services, with a USBSTOR key holding `start`.
class MainWindowFixture : public testing::Test {
protected:
    FakePlatform p;
    platform::Forms forms{p.windows};
    shell::MainWindow form{p.services, forms};
    password::PasswordWindow& dialog = form.password_window;

    void seed_start(std::uint32_t start) { p.registry.set_dword(lock::USBSTOR_KEY, "Start", start); }
    long long stored_start() const { return p.registry.dword(lock::USBSTOR_KEY, "Start"); }

    void start_with(std::uint32_t start)
    {
        seed_start(start);
        forms.load(form.window);
    }

    // Opens the tray menu with a right-button press and picks an item.
    void choose(const std::string& item)
    {
        p.windows.on_popup = [item](platform::MenuItem& menu) {
            platform::MenuItem* chosen = find_item(menu, item);
            ASSERT_NE(chosen, nullptr) << item;
            if (chosen->on_click)
                chosen->on_click();
        };
        platform::PictureBox& owner = form.locked() ? form.locked_icon_owner : form.unlocked_icon_owner;
        owner.on_mouse_move(1, 0, 0x204 * 15, 0);
        p.windows.on_popup = nullptr;
    }
};

} // namespace fakes
