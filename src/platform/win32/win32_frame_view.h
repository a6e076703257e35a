#pragma once

#include <memory>
#include <vector>

#include "platform/win32/win32_control_views.h"

namespace platform::win32 {

// A frame: a window of its own that draws an etched border with no caption
// and holds the child windows of the controls placed inside it. Mouse moves
// over its own surface go to the frame's handler; moves over a control in it
// go to that control.
class FrameView : public ChildView {
public:
    FrameView(HINSTANCE instance, HWND parent, int id, Frame& frame, FormWindow& owner);
    ~FrameView() override;

    void refresh() override;
    void retire() override;
    static void register_class(HINSTANCE instance);

protected:
    LRESULT message(UINT message, WPARAM wparam, LPARAM lparam) override;

private:
    void paint();

    Frame& frame_;
    const FormFonts& fonts_;
    std::vector<std::unique_ptr<ChildView>> children_;
};

} // namespace platform::win32
