#pragma once

#include <cstdio>
#include <cstdlib>

// A broken property ends the run at once, so libFuzzer keeps the input.
inline void check(bool ok, int line)
{
    if (!ok) {
        std::fprintf(stderr, "property broken at line %d\n", line);
        std::abort();
    }
}
#define CHECK(condition) check(condition, __LINE__)
