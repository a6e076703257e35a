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

// A window system's text field that edits for itself (caret, selection, a
// limit set from the field's maximum length) and reports its new text with
// TextBox::set_text.
class FieldEditor {
public:
    virtual ~FieldEditor() = default;
    // Takes a typed character that the window's key rule let through.
    virtual void take_character(char character) = 0;
};

// The character codes of the keys the key rule knows.
inline constexpr char ENTER_KEY = '\r';
inline constexpr char BACKSPACE_KEY = '\b';
// What Ctrl+Backspace types in an edit control: a character no field takes.
inline constexpr char DELETE_CHARACTER = '\x7F';

// Left, top, width and height, in twips (15 to the pixel at 96 DPI, see
// twips.h).
struct TwipsRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool operator==(const TwipsRect&) const = default;
};

// A colour as the program gives it: 0x00BBGGRR, or a system colour, its index
// with the high bit set.
using Colour = std::uint32_t;
inline constexpr Colour system_colour(int index) { return 0x80000000u | static_cast<std::uint32_t>(index); }
inline constexpr bool is_system_colour(Colour colour) { return (colour & 0x80000000u) != 0; }
inline constexpr Colour BLACK = 0x000000;
inline constexpr Colour MENU_COLOUR = system_colour(4);
inline constexpr Colour WINDOW_COLOUR = system_colour(5);
inline constexpr Colour WINDOW_TEXT_COLOUR = system_colour(8);
inline constexpr Colour BUTTON_FACE_COLOUR = system_colour(15);
inline constexpr Colour BUTTON_TEXT_COLOUR = system_colour(18);

// One of the program's own images, by resource number.
struct Picture {
    enum class Kind { none, icon, bitmap, cursor };
    Kind kind = Kind::none;
    int resource = 0;
    bool operator==(const Picture&) const = default;
};

enum class MousePointer { default_pointer, custom };
enum class Appearance { flat, three_d };
enum class BorderStyle { none, fixed };

// Mouse handlers get the buttons held, the shift keys, and X and Y in twips.
using MouseHandler = std::function<void(int button, int shift, double x, double y)>;

// A window or a control as the program sees it: a set of properties and
// event handlers. Handlers set properties; the window system shows them.
class Control {
public:
    explicit Control(std::string name) : name_(std::move(name)) {}
    Control(std::string name, TwipsRect rect, int tab_index)
        : name_(std::move(name)), rect_(rect), tab_index_(tab_index)
    {
    }
    virtual ~Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    const std::string& name() const { return name_; }

    bool visible() const { return visible_; }
    void set_visible(bool visible) { update(visible_, visible); }

    bool enabled() const { return enabled_; }
    void set_enabled(bool enabled) { update(enabled_, enabled); }

    // Where the control lies in its window; fixed at design time.
    const TwipsRect& rect() const { return rect_; }
    // Position in the window's tab order; controls are created in that order.
    int tab_index() const { return tab_index_; }

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
    TwipsRect rect_;
    int tab_index_ = 0;
    bool visible_ = true;
    bool enabled_ = true;
    ControlView* view_ = nullptr;
};

// The look of a label or a text field: the window's "MS Sans Serif" 8.25 pt,
// regular or bold.
enum class FontWeight { regular, bold };
enum class Alignment { left, centre };

// A picture box holding one of the program's pictures.
class PictureBox : public Control {
public:
    PictureBox(std::string name, Picture picture, TwipsRect rect, int tab_index)
        : Control(std::move(name), rect, tab_index), picture_(picture)
    {
    }

    const Picture& picture() const { return picture_; }

    // Flat: a one-pixel border; 3-D: a sunken one.
    Appearance appearance() const { return appearance_; }
    void set_appearance(Appearance appearance) { update(appearance_, appearance); }

    Colour back_colour() const { return back_colour_; }
    void set_back_colour(Colour colour) { update(back_colour_, colour); }
    Colour fore_colour() const { return fore_colour_; }
    void set_fore_colour(Colour colour) { update(fore_colour_, colour); }

    MouseHandler on_mouse_down;
    MouseHandler on_mouse_up;
    std::function<void()> on_click;

private:
    Picture picture_;
    Appearance appearance_ = Appearance::three_d;
    Colour back_colour_ = BUTTON_FACE_COLOUR;
    Colour fore_colour_ = BUTTON_TEXT_COLOUR;
};

// A label; its caption is the text it shows.
class Label : public Control {
public:
    Label(std::string name, std::string caption) : Control(std::move(name)), caption_(std::move(caption)) {}
    Label(std::string name, std::string caption, TwipsRect rect, int tab_index,
          Alignment alignment = Alignment::left, FontWeight weight = FontWeight::regular)
        : Control(std::move(name), rect, tab_index), caption_(std::move(caption)), alignment_(alignment),
          weight_(weight)
    {
    }
    const std::string& caption() const { return caption_; }
    void set_caption(std::string caption) { update(caption_, std::move(caption)); }
    Alignment alignment() const { return alignment_; }
    FontWeight weight() const { return weight_; }
    void set_weight(FontWeight weight) { update(weight_, weight); }

    Colour fore_colour() const { return fore_colour_; }
    void set_fore_colour(Colour colour) { update(fore_colour_, colour); }
    Colour back_colour() const { return back_colour_; }
    void set_back_colour(Colour colour) { update(back_colour_, colour); }

    // Shown when the mouse rests on the label; empty for none.
    const std::string& tooltip() const { return tooltip_; }
    void set_tooltip(std::string tooltip) { update(tooltip_, std::move(tooltip)); }

    MouseHandler on_mouse_move;
    std::function<void()> on_click;

private:
    std::string caption_;
    Alignment alignment_ = Alignment::left;
    FontWeight weight_ = FontWeight::regular;
    Colour fore_colour_ = BUTTON_TEXT_COLOUR;
    Colour back_colour_ = BUTTON_FACE_COLOUR;
    std::string tooltip_;
};

// A frame: an etched border around the controls placed inside it, with an
// optional caption on the border.
class Frame : public Control {
public:
    Frame(std::string name, std::string caption, TwipsRect rect, int tab_index)
        : Control(std::move(name), rect, tab_index), caption_(std::move(caption))
    {
    }
    const std::string& caption() const { return caption_; }

    // Their rectangles are relative to the frame.
    std::vector<Control*> controls;
    // Moves over the frame's own surface, not over a control inside it.
    MouseHandler on_mouse_move;

private:
    std::string caption_;
};

// A single-line text field, optionally masked and limited in length. The
// user's keys reach it through its form (Form::type_character).
class TextBox : public Control {
public:
    struct Style {
        char password_char = '\0'; // shown for every character; NUL shows the text
        int max_length = 0;        // 0: no limit
        FontWeight weight = FontWeight::regular;
    };

    explicit TextBox(std::string name) : Control(std::move(name)) {}
    TextBox(std::string name, TwipsRect rect, int tab_index, Style style)
        : Control(std::move(name), rect, tab_index), style_(style)
    {
    }
    const std::string& text() const { return text_; }
    void set_text(std::string text) { update(text_, std::move(text)); }
    const Style& style() const { return style_; }

    // The character code of a key, before the field applies it (13 for Enter).
    std::function<void(int)> on_key_press;

    // The window system's editor of the field, or none: the field then edits
    // as one with its caret at the end.
    void attach_editor(FieldEditor* editor) { editor_ = editor; }

private:
    friend class Form;
    // Takes a typed character: the editor's way, or else a backspace removes
    // the last character, another control character does nothing, and a full
    // field takes no more.
    void take_character(char character);

    std::string text_;
    Style style_;
    FieldEditor* editor_ = nullptr;
};

// A push button; the window's default button is pressed by Enter.
class Button : public Control {
public:
    Button(std::string name, std::string caption) : Control(std::move(name)), caption_(std::move(caption)) {}
    Button(std::string name, std::string caption, TwipsRect rect, int tab_index, bool is_default = false)
        : Control(std::move(name), rect, tab_index), caption_(std::move(caption)), is_default_(is_default)
    {
    }
    const std::string& caption() const { return caption_; }
    bool is_default() const { return is_default_; }
    // A click, by the mouse, Enter or a message from another program: it
    // reaches on_click only while the button is shown and enabled, since no
    // user can click a button they cannot see or use.
    void click() const
    {
        if (visible() && enabled() && on_click)
            on_click();
    }
    std::function<void()> on_click;

private:
    std::string caption_;
    bool is_default_ = false;
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
    // A disabled item is shown greyed, and the menu does not let it be chosen.
    bool enabled() const { return enabled_; }
    void set_enabled(bool enabled) { enabled_ = enabled; }

    std::vector<MenuItem*> items;
    std::function<void()> on_click;

private:
    std::string name_;
    std::string caption_;
    bool enabled_ = true;
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

    // Height of the whole window, frame included.
    int height_twips() const { return height_twips_; }
    void set_height_twips(int height) { update(height_twips_, height); }
    // Width of the client area; 0 for a window that is never shown.
    int client_width_twips = 0;

    // The control that has the keyboard focus, or none.
    Control* focus() const { return focus_; }
    void set_focus(Control& control) { update(focus_, &control); }
    // The user moved the focus: the window already shows it.
    void focus_moved_to(Control& control) { focus_ = &control; }

    // The keys, as the user meets them in every window; the window system
    // passes them on and the tests type through the same rule. Tab moves the
    // focus in the tab order, which the window system does.
    //
    // Enter while `focused` (or nothing) has the focus: a focused button is
    // pressed; otherwise the default button while it is shown and enabled;
    // otherwise a focused field's key handler gets it (ENTER_KEY).
    void press_enter(Control* focused);
    // Escape does nothing: the program's windows go by their own buttons and
    // the close box.
    void press_escape() {}
    // A character typed into `field` (ENTER_KEY for Enter, see press_enter).
    // Its key handler sees it before the field takes it, and the field takes
    // it unless the handler unloaded the window. A hidden window's fields
    // take no key: they are keys still queued when a handler hid it.
    void type_character(TextBox& field, char character);
    // The default button while it is shown and enabled, or none.
    Button* active_default_button() const;

    bool loaded() const { return loaded_; }

    // None: no title bar and no border.
    BorderStyle border_style() const { return border_style_; }
    void set_border_style(BorderStyle style) { update(border_style_, style); }

    // The pointer over the whole window, its controls included. Custom shows
    // mouse_icon().
    MousePointer mouse_pointer() const { return mouse_pointer_; }
    void set_mouse_pointer(MousePointer pointer) { update(mouse_pointer_, pointer); }
    const Picture& mouse_icon() const { return mouse_icon_; }
    void set_mouse_icon(Picture picture) { update(mouse_icon_, picture); }

    // Filled in by the window system while the window exists.
    std::uintptr_t window_handle = 0;

    std::vector<Control*> controls;
    std::function<void()> on_load;
    // The user closed the window from its frame.
    std::function<void()> on_close;

private:
    friend class Forms;
    std::string caption_;
    int height_twips_ = 0;
    Control* focus_ = nullptr;
    bool loaded_ = false;
    BorderStyle border_style_ = BorderStyle::fixed;
    MousePointer mouse_pointer_ = MousePointer::default_pointer;
    Picture mouse_icon_;
};

} // namespace platform
