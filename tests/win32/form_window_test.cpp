// A form's window on the real Win32 binding, under Wine: the keys typed into
// a field go through the form's key rule, and a window whose form a handler
// unloads goes only once its messages have been handled.

#include <windows.h>

#include <string>
#include <vector>

#include "checks.h"
#include "platform/forms.h"
#include "platform/win32/win32_window_system.h"

namespace {

using checks::check;

constexpr int FIRST_CONTROL_ID = 100; // the id of the form's first control in tab order

// A window with a masked field of 8 characters at most, a default button
// and another button, on the real window system.
struct Window {
    platform::win32::Win32WindowSystem windows{::GetModuleHandleA(nullptr)};
    platform::Forms forms{windows};
    platform::Form form{"Form", "Fen\xEAtre d'essai"};
    platform::TextBox field{"Text1", {120, 240, 1815, 285}, 0, {'*', 8, platform::FontWeight::bold}};
    platform::Button ok{"CMD_OK", "OK", {120, 600, 855, 255}, 1, true};
    platform::Button other{"CMD_Cancel", "Abandon", {1080, 600, 855, 255}, 2};
    std::vector<std::string> seen;

    Window()
    {
        form.client_width_twips = 2040;
        form.set_height_twips(1350);
        form.controls = {&field, &ok, &other};
        field.on_key_press = [this](int key) { seen.push_back(std::to_string(key) + " " + field.text()); };
        ok.on_click = [this] { seen.push_back("OK"); };
        forms.show(form);
    }

    HWND handle() const { return reinterpret_cast<HWND>(form.window_handle); }
    HWND edit() const { return ::GetDlgItem(handle(), FIRST_CONTROL_ID); }
    void type(const std::string& keys) const
    {
        const HWND target = edit();
        for (char key : keys)
            ::SendMessageA(target, WM_CHAR, static_cast<unsigned char>(key), 1);
    }
    // BN_CLICKED from a button, as the button sends it to its form.
    void click(int index) const
    {
        const HWND button = ::GetDlgItem(handle(), FIRST_CONTROL_ID + index);
        ::SendMessageA(handle(), WM_COMMAND, MAKEWPARAM(FIRST_CONTROL_ID + index, BN_CLICKED),
                       reinterpret_cast<LPARAM>(button));
    }
};

std::string window_text(HWND hwnd)
{
    char text[64] = {};
    ::GetWindowTextA(hwnd, text, sizeof text);
    return text;
}

void keys_go_through_the_rule()
{
    Window w;
    w.type("abcdefghi");
    check(w.seen.size() == 9 && w.seen[0] == "97 " && w.seen[8] == "105 abcdefgh",
          "each character reaches the key handler before the field takes it");
    check(w.field.text() == "abcdefgh" && window_text(w.edit()) == "abcdefgh", "the field stops at 8 characters");

    w.seen.clear();
    w.type("\r");
    check(w.seen == std::vector<std::string>{"OK"}, "Enter in the field presses the default button while it is shown");
    w.ok.set_visible(false);
    w.seen.clear();
    w.type("\r");
    check(w.seen == std::vector<std::string>{"13 abcdefgh"}, "and reaches the field's handler when it is hidden");
    check(w.field.text() == "abcdefgh", "the field takes no Enter");

    w.seen.clear();
    ::SendMessageA(w.handle(), WM_COMMAND, IDCANCEL, 0);
    check(w.seen.empty() && w.form.loaded(), "Escape does nothing");

    w.form.set_visible(false);
    w.type("x");
    check(w.seen.empty() && w.field.text() == "abcdefgh", "a hidden window's field takes no key");
    w.forms.unload(w.form);
}

// Another program can send BN_CLICKED for any button: a hidden or disabled
// one ignores it, as it ignores the mouse; Ctrl+Backspace's DEL goes nowhere.
void only_a_usable_button_takes_a_click()
{
    Window w;
    w.click(1);
    check(w.seen == std::vector<std::string>{"OK"}, "a shown, enabled button takes a click");
    w.seen.clear();
    w.ok.set_visible(false);
    w.click(1);
    check(w.seen.empty(), "a hidden button ignores a click sent to it");
    w.ok.set_visible(true);
    w.ok.set_enabled(false);
    w.click(1);
    check(w.seen.empty(), "a disabled button ignores a click sent to it");

    w.type("ab\x7F" "c");
    check(w.field.text() == "abc" && window_text(w.edit()) == "abc", "the field takes no DEL");
    w.forms.unload(w.form);
}

void a_button_unloads_and_loads_its_form_again()
{
    Window w;
    const HWND first = w.handle();
    HWND second = nullptr;
    bool first_alive_in_handler = false;
    w.other.on_click = [&] {
        w.forms.unload(w.form);
        first_alive_in_handler = ::IsWindow(first) && !::IsWindowVisible(first) && w.form.window_handle == 0;
        w.forms.show(w.form);
        second = w.handle();
    };
    w.click(2);
    check(first_alive_in_handler, "the unloaded window stays, hidden and let go, while its message is handled");
    check(second && second != first && ::IsWindow(second) && ::IsWindowVisible(second),
          "the form loaded again has a new window, shown");
    check(!::IsWindow(first), "the old window went once its message had been handled");
    w.type("z");
    check(w.field.text() == "z", "the new window's field is the form's");
    w.forms.unload(w.form);
    check(!::IsWindow(second), "a form unloaded outside its own messages goes at once");
}

// What a nested message loop does, a message box's for instance.
void dispatch_pending_messages()
{
    MSG message;
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
}

void a_field_unloads_its_form_and_waits()
{
    Window w;
    const HWND window = w.handle();
    const HWND edit = w.edit();
    bool alive_during_wait = true;
    w.field.on_key_press = [&](int) {
        w.forms.unload(w.form);
        for (int round = 0; round < 5; ++round) {
            ::PostMessageA(edit, WM_CHAR, 'q', 1); // reaches a window that no longer stands for the field
            dispatch_pending_messages();
            alive_during_wait = alive_during_wait && ::IsWindow(window) && ::IsWindow(edit);
        }
    };
    w.type("a");
    check(alive_during_wait, "the window stays through a nested message loop run by the handler");
    check(!::IsWindow(window) && !::IsWindow(edit), "and goes when the handler has returned");
    check(w.field.text().empty(), "the field took nothing once its form was unloaded");
}

void a_handler_unloads_another_form()
{
    Window first;
    Window second;
    const HWND other_window = second.handle();
    bool gone_at_once = false;
    first.ok.on_click = [&] {
        second.forms.unload(second.form);
        gone_at_once = !::IsWindow(other_window);
    };
    first.click(1);
    check(gone_at_once, "a window none of whose messages is being handled goes at once");
    first.forms.unload(first.form);
}

void a_window_destroyed_by_the_system()
{
    Window w;
    const HWND window = w.handle();
    ::DestroyWindow(window);
    w.forms.unload(w.form);
    check(!::IsWindow(window) && !w.form.loaded(), "a window already destroyed is let go without a second destroy");
}

} // namespace

int main()
{
    keys_go_through_the_rule();
    only_a_usable_button_takes_a_click();
    a_button_unloads_and_loads_its_form_again();
    a_field_unloads_its_form_and_waits();
    a_handler_unloads_another_form();
    a_window_destroyed_by_the_system();
    return checks::report();
}
