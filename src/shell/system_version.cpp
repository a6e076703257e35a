#include "shell/system_version.h"

namespace shell {

std::int32_t classify_system(const platform::VersionRecord& r)
{
    if (r.platform_id == 1) {
        if (r.major == 4 && r.minor == 0)
            return r.build == 950 ? 0 : 1;
        if (r.major == 4 && r.minor == 10)
            return r.build == 1998 ? 2 : 3;
        if (r.major >= 4 && r.minor > 10)
            return 4;
    } else if (r.platform_id == 2) {
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

bool system_supported(std::int32_t code, const platform::VersionRecord& r)
{
    const bool server_2003 = r.platform_id == 2 && r.major == 5 && r.minor == 2;
    return code >= 9 || server_2003;
}

} // namespace shell
