#include "platform/win32/win32_window_system.h"

#include <algorithm>
#include <vector>

#include <commctrl.h>

#include "platform/win32/boundary.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/win32_frame_view.h"
#include "platform/win32/win32_picture_box_view.h"

namespace platform::win32 {

namespace {

// Builds the Win32 menu for `menu`'s items, each with its underlined letter;
// `commands` maps each command id (its index + 1) back to the item.
UniqueMenu build_menu(const MenuItem& menu, std::vector<MenuItem*>& commands)
{
    std::vector<std::string> captions;
    for (const MenuItem* item : menu.items)
        captions.push_back(item->caption());
    const std::vector<std::string> texts = menu_texts(captions);

    UniqueMenu popup(::CreatePopupMenu());
    for (std::size_t i = 0; i < menu.items.size(); ++i) {
        MenuItem* item = menu.items[i];
        if (item->is_separator()) {
            ::AppendMenuA(popup.get(), MF_SEPARATOR, 0, nullptr);
        } else if (!item->items.empty()) {
            UniqueMenu sub = build_menu(*item, commands);
            // The parent menu owns the sub-menu from here on.
            ::AppendMenuA(popup.get(), MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(sub.release()),
                          texts[i].c_str());
        } else {
            commands.push_back(item);
            const UINT state = item->enabled() ? MF_ENABLED : MF_GRAYED;
            ::AppendMenuA(popup.get(), MF_STRING | state, commands.size(), texts[i].c_str());
        }
    }
    return popup;
}

} // namespace

Win32WindowSystem::Win32WindowSystem(HINSTANCE instance) : instance_(instance), tasks_(instance)
{
    FormWindow::register_class(instance);
    FrameView::register_class(instance);
    PictureBoxView::register_class(instance);
    INITCOMMONCONTROLSEX common{sizeof common, ICC_WIN95_CLASSES}; // tooltips
    ::InitCommonControlsEx(&common);
}

Win32WindowSystem::~Win32WindowSystem() = default;

void Win32WindowSystem::create_window(Form& form)
{
    windows_[&form] = std::make_unique<FormWindow>(instance_, form);
}

void Win32WindowSystem::destroy_window(Form& form)
{
    auto entry = windows_.extract(&form);
    if (entry.empty())
        return;
    std::unique_ptr<FormWindow> window = std::move(entry.mapped());
    window->retire();
    if (!window->handling_messages())
        return; // destroyed here
    // A handler run from one of the window's own messages unloaded the form.
    FormWindow& retired = *window;
    retired.when_handled([this, &retired] { destroy_retired(retired); });
    retired_.push_back(std::move(window));
}

void Win32WindowSystem::destroy_retired(FormWindow& window)
{
    const auto found = std::find_if(retired_.begin(), retired_.end(),
                                    [&window](const auto& retired) { return retired.get() == &window; });
    if (found == retired_.end())
        return;
    const std::unique_ptr<FormWindow> destroyed = std::move(*found);
    retired_.erase(found); // before the window goes: its last messages may reach this list
}

void Win32WindowSystem::bring_to_front(Form& form)
{
    if (auto window = windows_.find(&form); window != windows_.end())
        window->second->bring_to_front();
}

void Win32WindowSystem::show_popup_menu(Form& owner, MenuItem& menu)
{
    auto window = windows_.find(&owner);
    // A request that reaches the program while a menu is open (the shell's
    // notifications are handled in the menu's own loop) opens none.
    if (window == windows_.end() || menu_open_)
        return;
    // The owner stays while the menu runs its own message loop.
    const FormWindow::Handling handling(*window->second);
    const HWND hwnd = window->second->handle();

    std::vector<MenuItem*> commands;
    UniqueMenu popup = build_menu(menu, commands);
    POINT cursor{};
    ::GetCursorPos(&cursor);
    // Without this the menu would not close when the user clicks elsewhere.
    ::SetForegroundWindow(hwnd);
    menu_open_ = true;
    const auto chosen = static_cast<std::size_t>(
        ::TrackPopupMenu(popup.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, hwnd, nullptr));
    menu_open_ = false;
    ::PostMessageA(hwnd, WM_NULL, 0, 0);
    popup.reset();

    if (chosen >= 1 && chosen <= commands.size() && commands[chosen - 1]->enabled() && commands[chosen - 1]->on_click)
        commands[chosen - 1]->on_click();
}

void Win32WindowSystem::end_event_loop()
{
    ::PostQuitMessage(0);
}

int Win32WindowSystem::run_event_loop()
{
    MSG message;
    while (waits.next_message(message))
        dispatch(message);
    return static_cast<int>(message.wParam);
}

void Win32WindowSystem::dispatch(MSG& message)
{
    if (dialog_message(message))
        return;
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
}

bool Win32WindowSystem::dialog_message(MSG& message)
{
    const HWND root = message.hwnd ? ::GetAncestor(message.hwnd, GA_ROOT) : nullptr;
    if (!root)
        return false;
    const auto form = std::find_if(windows_.begin(), windows_.end(),
                                   [root](const auto& entry) { return entry.second->handle() == root; });
    if (form == windows_.end() || !form->second->wants_dialog_keys())
        return false;
    return ::IsDialogMessageA(root, &message);
}

} // namespace platform::win32
