#pragma once

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
};

} // namespace platform
