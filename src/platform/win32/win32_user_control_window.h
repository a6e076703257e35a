#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "platform/controls.h"
#include "platform/win32/unique_handle.h"

namespace platform::win32 {

// An image control: a static control showing an icon of the program's
// resources at the image's size.
class ImageWindow : public ControlView {
public:
    ImageWindow(HINSTANCE instance, HWND parent, Image& image);
    ImageWindow(const ImageWindow&) = delete;
    ImageWindow& operator=(const ImageWindow&) = delete;

    void refresh() override;
    // The form was unloaded: the image is no longer shown here.
    void retire() { image_.attach(nullptr); }

private:
    Image& image_;
    UniqueIcon icon_;
    UniqueWindow window_; // goes before the icon it shows
};

// A reusable control's own child window, at the top-left corner of its form
// and as large as the control says, with a window for each of its images.
class UserControlWindow : public ControlView {
public:
    UserControlWindow(HINSTANCE instance, HWND parent, UserControl& control);
    ~UserControlWindow() override;
    UserControlWindow(const UserControlWindow&) = delete;
    UserControlWindow& operator=(const UserControlWindow&) = delete;

    void refresh() override;
    // The form was unloaded: the control and its images are no longer shown
    // here. The windows go later, with the form's.
    void retire();
    static void register_class(HINSTANCE instance);

private:
    UserControl& control_;
    UniqueWindow window_;
    std::vector<std::unique_ptr<ImageWindow>> images_;
};

} // namespace platform::win32
