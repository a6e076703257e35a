#pragma once

#include <cstdint>

namespace program {

// The two program-wide flags. Start-up sets both to 0.
struct ProgramFlags {
    // 1 while the USB storage lock is on; written only by the tray refresh.
    std::int16_t USB_Locked = 0;
    // 1 when the password window has just accepted the password.
    std::int16_t Password_OK = 0;
};

} // namespace program
