#pragma once

#include <gtest/gtest.h>

#include "fake_platform.h"
#include "lock/policies.h"
#include "lock/usb_storage_value.h"
#include "program/product.h"
#include "program/resource_ids.h"
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
    // The tray shows the lock's icon for that state, with the program's tip.
    bool shows_icon(bool locked) const
    {
        const FakeTray::Icon icon{locked ? IDI_DEVICE_LOCKED : IDI_DEVICE,
                                  std::string(program::PRODUCT_NAME) + " v" + program::VERSION_TEXT};
        return p.tray.shown == icon;
    }
    long long stored_start() const { return p.registry.dword(lock::USBSTOR_KEY, "Start"); }
    // The registry calls but the reads of the policies, which the program
    // makes at start-up and each time its menu opens.
    std::vector<std::string> lock_registry_calls() const
    {
        const std::string policy_read = std::string("read ") + lock::POLICIES_KEY + " ";
        std::vector<std::string> calls;
        for (const std::string& call : p.registry.calls)
            if (call.rfind(policy_read, 0) != 0)
                calls.push_back(call);
        return calls;
    }

    void start_with(std::uint32_t start)
    {
        seed_start(start);
        forms.load(form.window);
    }

    // The user right-clicks the tray icon and picks an item of its menu.
    void choose(const std::string& item)
    {
        p.windows.on_popup = [item](platform::MenuItem& menu) {
            platform::MenuItem* chosen = find_item(menu, item);
            ASSERT_NE(chosen, nullptr) << item;
            if (chosen->on_click)
                chosen->on_click();
        };
        p.tray.user_asks_for_menu();
        p.windows.on_popup = nullptr;
        p.pump.play(); // back in the event loop
    }
};

} // namespace fakes
