#include "AllocatorTuning.h"

#include <cstdlib> // defines __GLIBC__ on glibc
#if defined(__GLIBC__)
#include <malloc.h>
#endif

void AllocatorTuning::forLargeDocuments()
{
#if defined(__GLIBC__)
    // Opening a document of a few megabytes makes and drops strings and buffers of that size
    // many times over. glibc moves the size it takes from mmap rather than the heap, and the
    // free space it gives back to the system, as earlier blocks are freed; in an unlucky
    // order every one of those buffers comes fresh from the system, and the same EPUB takes
    // 50 % longer to open for page faults alone. Set where glibc itself would move them at
    // most (blocks up to 32 MB from the heap, up to 64 MB kept free), opening costs the same
    // every time.
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 64 * 1024 * 1024);
#endif
}
