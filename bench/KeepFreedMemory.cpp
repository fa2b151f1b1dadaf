// SPDX-License-Identifier: MIT
// Keeps freed memory in the benchmark process. Otherwise glibc hands a freed
// tree back to the system after some iterations and not others (its
// thresholds adapt to earlier allocations), and the next tree pays page
// faults: benchmarks meant to be compared would differ by the allocator's
// history rather than by their work.
#include <malloc.h>

namespace {

const bool kKeepFreedMemory = [] {
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    return true;
}();

}  // namespace
