// The check every fuzz target states its properties with: a property that
// does not hold prints what failed and aborts, which libFuzzer and the
// regression test both report as a finding.
#pragma once

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition, what)                                                          \
    do {                                                                                     \
        if (!(condition)) {                                                                  \
            std::fprintf(stderr, "%s:%d: property failed: %s\n  (%s)\n", __FILE__, __LINE__, \
                         what, #condition);                                                  \
            std::abort();                                                                    \
        }                                                                                    \
    } while (0)
