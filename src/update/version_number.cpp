#include "update/version_number.h"

#include <limits>

namespace update {

namespace {

bool blank(char c)
{
    return c == ' ' || c == '\t';
}

} // namespace

std::optional<std::int16_t> version_number(const std::string& text)
{
    std::string digits;
    for (char c : text)
        if (c != '.')
            digits += c;

    std::size_t begin = 0, end = digits.size();
    while (begin < end && blank(digits[begin]))
        ++begin;
    while (end > begin && blank(digits[end - 1]))
        --end;

    bool negative = false;
    if (begin < end && (digits[begin] == '+' || digits[begin] == '-'))
        negative = digits[begin++] == '-';
    if (begin == end)
        return std::nullopt;

    long value = 0;
    for (std::size_t i = begin; i < end; ++i) {
        const char c = digits[i];
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > 32768) // past the range either way; stop before overflowing
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value < std::numeric_limits<std::int16_t>::min() || value > std::numeric_limits<std::int16_t>::max())
        return std::nullopt;
    return static_cast<std::int16_t>(value);
}

} // namespace update
