#pragma once

namespace program {

inline constexpr char PRODUCT_NAME[] = "Varnhollow";
inline constexpr char VERSION_TEXT[] = "1.4";

} // namespace program
