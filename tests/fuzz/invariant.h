#pragma once

#include <cstdio>
#include <cstdlib>

namespace fuzzing {

// A broken invariant ends the run at once: libFuzzer keeps the input that
// broke it, and the replay of the corpus fails.
inline void expect(bool holds, const char* invariant)
{
    if (holds)
        return;
    std::fprintf(stderr, "invariant broken: %s\n", invariant);
    std::abort();
}

} // namespace fuzzing
