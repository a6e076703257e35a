#include "shell/system_version.h"

namespace shell {

std::int32_t classify_system(const platform::SystemVersion& r)
{
    if (r.family == platform::SystemFamily::windows_9x) {
        if (r.major == 4 && r.minor == 0)
            return r.build == 950 ? 0 : 1;
        if (r.major == 4 && r.minor == 10)
            return r.build == 1998 ? 2 : 3;
        if (r.major >= 4 && r.minor > 10)
            return 4;
    } else if (r.family == platform::SystemFamily::windows_nt) {
        if (r.major == 3 && r.minor == 0)
            return 5;
        if (r.major == 3 && r.minor == 1)
            return 6;
        if (r.major == 3 && r.minor == 5)
            return 7;
        if (r.major == 4)
            return 8;
        if (r.major == 5 && r.minor == 0)
            return 9;
        if (r.major == 5 && r.minor == 1)
            return 10;
    }
    return 0;
}

bool system_supported(std::int32_t code, const platform::SystemVersion& r)
{
    const bool server_2003 = r.family == platform::SystemFamily::windows_nt && r.major == 5 && r.minor == 2;
    return code >= 9 || server_2003;
}

} // namespace shell
