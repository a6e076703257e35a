#pragma once

#include "platform/win32/win32_control_views.h"

namespace platform::win32 {

// A picture box on a window the user sees: it shows its bitmap at its top
// left corner on its back colour, with a flat (one-pixel) or a sunken border,
// and reports mouse down, mouse up and click, whatever the button. A box
// holding a pointer is never shown; the form loads the pointer itself.
class PictureBoxView : public ChildView {
public:
    PictureBoxView(HINSTANCE instance, HWND parent, int id, PictureBox& box, FormWindow& owner);

    void refresh() override;
    static void register_class(HINSTANCE instance);

protected:
    LRESULT message(UINT message, WPARAM wparam, LPARAM lparam) override;

private:
    void paint();
    void show_appearance();
    LRESULT button_down(WPARAM wparam, LPARAM lparam);
    LRESULT button_up(int button, WPARAM wparam, LPARAM lparam);

    PictureBox& box_;
    const FormFonts& fonts_;
    UniqueBitmap bitmap_;
    Appearance shown_appearance_;
};

} // namespace platform::win32
