#include "text/MemoryUse.h"

#include <malloc.h>

namespace kestrova {

void KeepLargeBuffersOutOfTheHeap() {
    // Setting the thresholds turns their adjustment off.
    constexpr int kMapped = 1 << 20;
    mallopt(M_MMAP_THRESHOLD, kMapped);
    mallopt(M_TRIM_THRESHOLD, 2 * kMapped);
}

}  // namespace kestrova
