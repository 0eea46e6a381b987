#include "base/MemoryTuning.h"

#include <cstdlib> // defines __GLIBC__ where glibc is the C library

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace MemoryTuning {

void apply()
{
#if defined(__GLIBC__)
    mallopt(M_ARENA_MAX, 2);
    // Setting the threshold also stops glibc from moving it.
    mallopt(M_MMAP_THRESHOLD, 1024 * 1024);
#endif
}

} // namespace MemoryTuning
