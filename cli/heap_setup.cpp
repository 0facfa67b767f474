#include "cli/heap_setup.h"

#include <cstdint>
#include <cstdlib> // defines __GLIBC__ where it applies

#if defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>
#define MENTRENQ_TUNE_HEAP 1
#endif

namespace cli {

// A report touches some megabytes of fresh memory (SQLite's page cache, the
// host's row storage, the rows kept for output), and on a virtual machine
// each first touch of a 4 KiB page is a costly fault: they were a fifth of a
// report's time. So the heap grows in steps of 32 MiB, keeps what it freed
// (the vector of output rows frees its smaller copies as it grows), and asks
// for transparent huge pages over that step, which the kernel gives where it
// is set to "madvise" or "always" (and ignores otherwise). What the program
// never touches costs no memory.
void setUpHeap() {
#ifdef MENTRENQ_TUNE_HEAP
    constexpr int step = 32 << 20;
    mallopt(M_MMAP_THRESHOLD, step);
    mallopt(M_TRIM_THRESHOLD, 4 * step);
    mallopt(M_TOP_PAD, step);
#ifdef MADV_HUGEPAGE
    // One allocation larger than what is left at the top makes the heap grow
    // by a step now, so that the advice covers it before anything uses it.
    auto* probe = static_cast<volatile char*>(std::malloc(1 << 20));
    if (!probe) return;
    probe[0] = 0; // the pair of calls is not to be optimised away
    const auto hugePage = static_cast<std::uintptr_t>(2) << 20;
    const auto from = (reinterpret_cast<std::uintptr_t>(probe) + hugePage - 1) & ~(hugePage - 1);
    const auto to = reinterpret_cast<std::uintptr_t>(sbrk(0)) & ~(hugePage - 1);
    std::free(const_cast<char*>(probe));
    if (to > from) madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
#endif
#endif
}

} // namespace cli
