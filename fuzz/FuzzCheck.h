#pragma once

#include <cstdio>
#include <cstdlib>

// A property that fails aborts, so libFuzzer keeps the input as a crash and
// the seed replay of the test suite fails on it.
inline void fuzzCheck(bool holds, const char *property)
{
    if (!holds) {
        std::fprintf(stderr, "property broken: %s\n", property);
        std::abort();
    }
}
