#pragma once

#include <cstdint>
#include <string>

namespace platform {

enum class Buttons { ok, yes_no };
enum class BoxIcon { none, error, warning, question, information };

inline constexpr int ANSWER_OK = 1;
inline constexpr int ANSWER_YES = 6;
inline constexpr int ANSWER_NO = 7;

// The modal message box. The program never gives a title: every box carries
// the application title, the product name.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // Returns the button pressed: ANSWER_OK, ANSWER_YES or ANSWER_NO.
    virtual int show(const std::string& text, Buttons buttons, BoxIcon icon) = 0;
    // The same box owned by one of the program's windows (its handle): it
    // stays above that window, which takes no input until the box is closed.
    virtual int show_owned(std::uintptr_t owner, const std::string& text, Buttons buttons, BoxIcon icon)
    {
        static_cast<void>(owner);
        return show(text, buttons, icon);
    }
};

} // namespace platform
