#include "platform/win32/win32_user_control_window.h"

#include "platform/win32/win32_twips.h"
#include "platform/win32/win32_window_class.h"

namespace platform::win32 {

namespace {
constexpr char USER_CONTROL_CLASS[] = "VarnhollowUserControl";
} // namespace

ImageWindow::ImageWindow(HINSTANCE instance, HWND parent, Image& image) : image_(image)
{
    // The icon keeps its own pixel size, given in the design's twips.
    const int width = pixels_from_twips(image.width_twips(), DESIGN_DPI);
    const int height = pixels_from_twips(image.height_twips(), DESIGN_DPI);
    icon_.reset(static_cast<HICON>(
        ::LoadImageA(instance, MAKEINTRESOURCEA(image.icon_resource()), IMAGE_ICON, width, height, LR_DEFAULTCOLOR)));
    window_.reset(
        ::CreateWindowExA(0, "STATIC", "", WS_CHILD | SS_ICON, 0, 0, width, height, parent, nullptr, instance, nullptr));
    ::SendMessageA(window_.get(), STM_SETICON, reinterpret_cast<WPARAM>(icon_.get()), 0);
    image.attach(this);
    refresh();
}

void ImageWindow::refresh()
{
    ::ShowWindow(window_.get(), image_.visible() ? SW_SHOWNA : SW_HIDE);
}

UserControlWindow::UserControlWindow(HINSTANCE instance, HWND parent, UserControl& control) : control_(control)
{
    window_.reset(
        ::CreateWindowExA(0, USER_CONTROL_CLASS, "", WS_CHILD, 0, 0, 0, 0, parent, nullptr, instance, nullptr));
    for (Control* child : control.controls)
        if (auto* image = dynamic_cast<Image*>(child))
            images_.push_back(std::make_unique<ImageWindow>(instance, window_.get(), *image));
    control.window_handle = reinterpret_cast<std::uintptr_t>(window_.get());
    control.attach(this);
    refresh();
}

void UserControlWindow::retire()
{
    control_.attach(nullptr);
    control_.window_handle = 0;
    for (const auto& image : images_)
        image->retire();
}

UserControlWindow::~UserControlWindow()
{
    images_.clear();
    window_.reset();
}

void UserControlWindow::refresh()
{
    const ScreenResolution screen = ScreenResolution::of_screen();
    ::SetWindowPos(window_.get(), nullptr, 0, 0, screen.across(control_.width_twips()),
                   screen.down(control_.height_twips()), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::ShowWindow(window_.get(), control_.visible() ? SW_SHOWNA : SW_HIDE);
}

void UserControlWindow::register_class(HINSTANCE instance)
{
    register_window_class(instance, {.name = USER_CONTROL_CLASS, .background = button_face_background()});
}

} // namespace platform::win32
