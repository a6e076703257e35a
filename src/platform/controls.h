#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace platform {

// The on-screen side of a control, supplied by the window system. The
// control calls refresh() after every property change so the view can show it.
class ControlView {
public:
    virtual ~ControlView() = default;
    virtual void refresh() = 0;
};

// A window or a control as the program sees it: a set of properties and
// event handlers. Handlers set properties; the window system shows them.
class Control {
public:
    explicit Control(std::string name) : name_(std::move(name)) {}
    virtual ~Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    const std::string& name() const { return name_; }

    bool visible() const { return visible_; }
    void set_visible(bool visible) { update(visible_, visible); }

    bool enabled() const { return enabled_; }
    void set_enabled(bool enabled) { update(enabled_, enabled); }

    void attach(ControlView* view) { view_ = view; }
    ControlView* view() const { return view_; }

protected:
    template <typename T>
    void update(T& field, T value)
    {
        field = std::move(value);
        if (view_)
            view_->refresh();
    }

private:
    std::string name_;
    bool visible_ = true;
    bool enabled_ = true;
    ControlView* view_ = nullptr;
};

// A picture box holding one of the program's icons. The window system fills
// in the two handles when it creates the box.
class PictureBox : public Control {
public:
    PictureBox(std::string name, int icon_resource) : Control(std::move(name)), icon_resource_(icon_resource) {}

    int icon_resource() const { return icon_resource_; }
    std::uintptr_t window_handle = 0;
    std::uintptr_t picture_handle = 0;

    // button, shift, X and Y in twips.
    std::function<void(int, int, double, double)> on_mouse_move;

private:
    int icon_resource_;
};

// A label; its caption is the text it shows.
class Label : public Control {
public:
    Label(std::string name, std::string caption) : Control(std::move(name)), caption_(std::move(caption)) {}
    const std::string& caption() const { return caption_; }
    void set_caption(std::string caption) { update(caption_, std::move(caption)); }

private:
    std::string caption_;
};

// A single-line text field.
class TextBox : public Control {
public:
    explicit TextBox(std::string name) : Control(std::move(name)) {}
    const std::string& text() const { return text_; }
    void set_text(std::string text) { update(text_, std::move(text)); }

private:
    std::string text_;
};

// A push button.
class Button : public Control {
public:
    Button(std::string name, std::string caption) : Control(std::move(name)), caption_(std::move(caption)) {}
    const std::string& caption() const { return caption_; }
    std::function<void()> on_click;

private:
    std::string caption_;
};

// A menu item; a non-empty item list makes it a sub-menu, the caption "-" a
// separator.
class MenuItem {
public:
    MenuItem(std::string name, std::string caption) : name_(std::move(name)), caption_(std::move(caption)) {}
    MenuItem(const MenuItem&) = delete;
    MenuItem& operator=(const MenuItem&) = delete;

    const std::string& name() const { return name_; }
    const std::string& caption() const { return caption_; }
    void set_caption(std::string caption) { caption_ = std::move(caption); }
    bool is_separator() const { return caption_ == "-"; }

    std::vector<MenuItem*> items;
    std::function<void()> on_click;

private:
    std::string name_;
    std::string caption_;
};

// A top-level window. Its controls are listed so the window system can
// create them with it.
class Form : public Control {
public:
    Form(std::string name, std::string caption) : Control(std::move(name)), caption_(std::move(caption))
    {
        set_visible(false);
    }

    const std::string& caption() const { return caption_; }
    void set_caption(std::string caption) { update(caption_, std::move(caption)); }

    int height_twips() const { return height_twips_; }
    void set_height_twips(int height) { update(height_twips_, height); }

    bool loaded() const { return loaded_; }

    std::vector<Control*> controls;
    std::function<void()> on_load;
    // The shell announced a new taskbar (registered message "TaskbarCreated").
    std::function<void()> on_taskbar_created;

private:
    friend class Forms;
    std::string caption_;
    int height_twips_ = 0;
    bool loaded_ = false;
};

} // namespace platform
