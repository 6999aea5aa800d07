#pragma once
// How the program's allocations go to the system.

namespace kestrova {

// Pages of up to 32 MiB pass through several buffers as a lookup runs. By
// default the C library raises its threshold for mapping a buffer of its own
// each time such a buffer is freed, and then keeps buffers of up to 32 MiB in
// its heap, where freed ones stay resident. Call once at start-up: every
// buffer of 1 MiB and more is mapped on its own and goes back to the system
// when freed.
void KeepLargeBuffersOutOfTheHeap();

}  // namespace kestrova
