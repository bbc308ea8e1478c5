// Tests that need something from outside the project (a program, a Python
// module, Qt's translations). On a developer's machine without it the test
// is skipped; under CI=true it fails, so that CI never passes with checks
// that did not run.
#pragma once

#include <cstdlib>
#include <cstring>

#include <gtest/gtest.h>

inline bool RunningUnderCI()
{
    const char* ci = std::getenv("CI");
    return ci && std::strcmp(ci, "true") == 0;
}

// Ends the test (skip or failure) unless `available`; `what` names the
// missing piece and the Debian package that brings it.
#define REQUIRE_OUTSIDE_TOOL(available, what)                                                                    \
    do {                                                                                                         \
        if (!(available)) {                                                                                      \
            if (RunningUnderCI())                                                                                \
                GTEST_FAIL() << what << " is missing, and under CI=true every check must run";                   \
            else                                                                                                 \
                GTEST_SKIP() << what << " is not installed";                                                     \
        }                                                                                                        \
    } while (false)
