#pragma once

#include "program/version.h"

namespace program {

inline constexpr char PRODUCT_NAME[] = "Varnhollow";
// The project's VERSION (CMakeLists.txt), e.g. "1.4".
inline constexpr char VERSION_TEXT[] = VARNHOLLOW_VERSION_TEXT;

} // namespace program
