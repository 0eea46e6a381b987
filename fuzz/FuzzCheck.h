#pragma once

#include <cstdio>
#include <cstdlib>

// A property the target asserts: broken, the run stops here so libFuzzer
// keeps the input that broke it.
inline void fuzzCheck(bool ok, int line)
{
    if (!ok) {
        std::fprintf(stderr, "property broken at line %d\n", line);
        std::abort();
    }
}
#define CHECK(condition) fuzzCheck(condition, __LINE__)
