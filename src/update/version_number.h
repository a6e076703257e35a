#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace update {

// A version text as one whole number: every "." removed, the rest read as a
// signed 16-bit integer with blanks around it allowed ("1.4" is 14, "1.3.9"
// is 139). Nothing for an empty or non-numeric text or one out of range.
std::optional<std::int16_t> version_number(const std::string& text);

} // namespace update
