#pragma once

// The tally of a Win32 test program run under Wine. Its last line is the
// "N passed, N failed" that a test runner reads.

#include <cstdio>
#include <string>

namespace checks {

inline int passed = 0;
inline int failed = 0;

inline void check(bool ok, const std::string& what)
{
    ok ? ++passed : ++failed;
    if (!ok)
        std::printf("FAILED: %s\n", what.c_str());
}

// Prints the tally; the program's exit code.
inline int report()
{
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}

} // namespace checks
