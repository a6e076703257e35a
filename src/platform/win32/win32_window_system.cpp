#include "platform/win32/win32_window_system.h"

#include <windowsx.h>

#include <vector>

#include "platform/win32/unique_handle.h"

namespace platform::win32 {

namespace {

constexpr char FORM_CLASS[] = "VarnhollowForm";
constexpr char PICTURE_CLASS[] = "VarnhollowPicture";
constexpr int TWIPS_PER_PIXEL = 15;
constexpr DWORD IDLE_WAIT_MS = 50;

// The shell broadcasts this when the taskbar has been (re)created.
UINT taskbar_created_message()
{
    static const UINT message = ::RegisterWindowMessageA("TaskbarCreated");
    return message;
}

template <typename Object>
Object* attached(HWND hwnd, UINT message, LPARAM lparam)
{
    if (message == WM_NCCREATE) {
        auto* object = static_cast<Object*>(reinterpret_cast<CREATESTRUCTA*>(lparam)->lpCreateParams);
        ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(object));
        return object;
    }
    auto* object = reinterpret_cast<Object*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (message == WM_NCDESTROY)
        ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    return object;
}

// The hidden window behind a picture box: tray notifications arrive here as
// mouse moves, the mouse message in X.
class PictureWindow : public ControlView {
public:
    PictureWindow(HINSTANCE instance, HWND parent, PictureBox& box) : box_(box)
    {
        const int size = ::GetSystemMetrics(SM_CXSMICON);
        icon_.reset(static_cast<HICON>(
            ::LoadImageA(instance, MAKEINTRESOURCEA(box.icon_resource()), IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
        window_.reset(::CreateWindowExA(0, PICTURE_CLASS, "", WS_CHILD, 0, 0, size, size, parent, nullptr, instance,
                                        this));
        box.window_handle = reinterpret_cast<std::uintptr_t>(window_.get());
        box.picture_handle = reinterpret_cast<std::uintptr_t>(icon_.get());
        box.attach(this);
    }
    ~PictureWindow() override
    {
        box_.attach(nullptr);
        box_.window_handle = 0;
        box_.picture_handle = 0;
    }

    void refresh() override {}

    static LRESULT CALLBACK procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
    {
        auto* self = attached<PictureWindow>(hwnd, message, lparam);
        if (self && message == WM_MOUSEMOVE && self->box_.on_mouse_move) {
            const int button = (wparam & MK_LBUTTON ? 1 : 0) | (wparam & MK_RBUTTON ? 2 : 0) |
                               (wparam & MK_MBUTTON ? 4 : 0);
            const int shift = (wparam & MK_SHIFT ? 1 : 0) | (wparam & MK_CONTROL ? 2 : 0);
            // The handler may unload the form and so destroy this object.
            auto handler = self->box_.on_mouse_move;
            handler(button, shift, GET_X_LPARAM(lparam) * double{TWIPS_PER_PIXEL},
                    GET_Y_LPARAM(lparam) * double{TWIPS_PER_PIXEL});
            return 0;
        }
        return ::DefWindowProcA(hwnd, message, wparam, lparam);
    }

private:
    PictureBox& box_;
    UniqueIcon icon_;
    UniqueWindow window_;
};

// Builds the Win32 menu for `menu`'s items; `commands` maps each command id
// (its index + 1) back to the item.
UniqueMenu build_menu(const MenuItem& menu, std::vector<MenuItem*>& commands)
{
    UniqueMenu popup(::CreatePopupMenu());
    for (MenuItem* item : menu.items) {
        if (item->is_separator()) {
            ::AppendMenuA(popup.get(), MF_SEPARATOR, 0, nullptr);
        } else if (!item->items.empty()) {
            UniqueMenu sub = build_menu(*item, commands);
            // The parent menu owns the sub-menu from here on.
            ::AppendMenuA(popup.get(), MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(sub.release()),
                          item->caption().c_str());
        } else {
            commands.push_back(item);
            ::AppendMenuA(popup.get(), MF_STRING, commands.size(), item->caption().c_str());
        }
    }
    return popup;
}

} // namespace

// A form's top-level window.
class Win32WindowSystem::FormWindow : public ControlView {
public:
    FormWindow(HINSTANCE instance, Form& form) : form_(form)
    {
        window_.reset(::CreateWindowExA(0, FORM_CLASS, form.caption().c_str(), WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU,
                                        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                                        instance, this));
        for (Control* control : form.controls)
            if (auto* picture = dynamic_cast<PictureBox*>(control))
                pictures_.push_back(std::make_unique<PictureWindow>(instance, window_.get(), *picture));
        form.attach(this);
        refresh();
    }
    ~FormWindow() override { form_.attach(nullptr); }

    HWND handle() const { return window_.get(); }

    void refresh() override
    {
        ::SetWindowTextA(window_.get(), form_.caption().c_str());
        ::ShowWindow(window_.get(), form_.visible() ? SW_SHOW : SW_HIDE);
    }

    static LRESULT CALLBACK procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
    {
        auto* self = attached<FormWindow>(hwnd, message, lparam);
        if (self && message == taskbar_created_message() && self->form_.on_taskbar_created) {
            self->form_.on_taskbar_created();
            return 0;
        }
        if (message == WM_CLOSE)
            return 0; // the program decides when its windows go
        return ::DefWindowProcA(hwnd, message, wparam, lparam);
    }

private:
    Form& form_;
    UniqueWindow window_; // destroyed last: its children go with it
    std::vector<std::unique_ptr<PictureWindow>> pictures_;
};

namespace {
void register_classes(HINSTANCE instance)
{
    WNDCLASSA form_class{};
    form_class.lpfnWndProc = Win32WindowSystem::FormWindow::procedure;
    form_class.hInstance = instance;
    form_class.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)); // IDC_ARROW
    form_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    form_class.lpszClassName = FORM_CLASS;
    ::RegisterClassA(&form_class);

    WNDCLASSA picture_class{};
    picture_class.lpfnWndProc = PictureWindow::procedure;
    picture_class.hInstance = instance;
    picture_class.lpszClassName = PICTURE_CLASS;
    ::RegisterClassA(&picture_class);
}
} // namespace

Win32WindowSystem::Win32WindowSystem(HINSTANCE instance) : instance_(instance)
{
    register_classes(instance);
    taskbar_created_message();
}

Win32WindowSystem::~Win32WindowSystem() = default;

void Win32WindowSystem::create_window(Form& form)
{
    windows_[&form] = std::make_unique<FormWindow>(instance_, form);
}

void Win32WindowSystem::destroy_window(Form& form)
{
    windows_.erase(&form);
}

void Win32WindowSystem::bring_to_front(Form& form)
{
    auto window = windows_.find(&form);
    if (window != windows_.end())
        ::SetForegroundWindow(window->second->handle());
}

void Win32WindowSystem::show_popup_menu(Form& owner, MenuItem& menu)
{
    auto window = windows_.find(&owner);
    if (window == windows_.end())
        return;
    const HWND hwnd = window->second->handle();

    std::vector<MenuItem*> commands;
    UniqueMenu popup = build_menu(menu, commands);
    POINT cursor{};
    ::GetCursorPos(&cursor);
    // Without this the menu would not close when the user clicks elsewhere.
    ::SetForegroundWindow(hwnd);
    const auto chosen = static_cast<std::size_t>(
        ::TrackPopupMenu(popup.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, hwnd, nullptr));
    ::PostMessageA(hwnd, WM_NULL, 0, 0);
    popup.reset();

    if (chosen >= 1 && chosen <= commands.size() && commands[chosen - 1]->on_click) {
        auto handler = commands[chosen - 1]->on_click;
        handler();
    }
}

void Win32WindowSystem::end_event_loop()
{
    ::PostQuitMessage(0);
}

bool Win32WindowSystem::process_pending_events()
{
    MSG message;
    bool handled = false;
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // Left for the outer loop; the waiting caller stops, or it would
            // meet the same message at once, round after round.
            ::PostQuitMessage(static_cast<int>(message.wParam));
            return false;
        }
        handled = true;
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
    // Nothing was pending: sleep until something is, instead of spinning.
    if (!handled)
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, IDLE_WAIT_MS, QS_ALLINPUT);
    return true;
}

int Win32WindowSystem::run_event_loop()
{
    MSG message;
    while (waits.next_message(message)) {
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}

} // namespace platform::win32
