#include "AllocationCount.h"

#include <atomic>
#include <cstddef>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define ORB_BENCH_COUNTS_ALLOCATIONS 0
#else
#define ORB_BENCH_COUNTS_ALLOCATIONS 1
#endif

// The benchmark program counts its heap allocations by defining the allocation entry points
// itself and handing each on to glibc's own; every library's calls resolve to these first.
extern "C" {
void *__libc_malloc(size_t size);
void *__libc_calloc(size_t count, size_t size);
void *__libc_realloc(void *pointer, size_t size);
}

namespace {
std::atomic<uint64_t> allocationCount{0};
}

#if ORB_BENCH_COUNTS_ALLOCATIONS

extern "C" void *malloc(size_t size)
{
    allocationCount.fetch_add(1, std::memory_order_relaxed);
    return __libc_malloc(size);
}

extern "C" void *calloc(size_t count, size_t size)
{
    allocationCount.fetch_add(1, std::memory_order_relaxed);
    return __libc_calloc(count, size);
}

extern "C" void *realloc(void *pointer, size_t size)
{
    allocationCount.fetch_add(1, std::memory_order_relaxed);
    return __libc_realloc(pointer, size);
}

#endif

bool orbbench::countsAllocations() { return ORB_BENCH_COUNTS_ALLOCATIONS; }

uint64_t orbbench::allocations() { return allocationCount.load(std::memory_order_relaxed); }

void orbbench::reportAllocationsSince(benchmark::State &state, uint64_t before)
{
    if (countsAllocations())
        state.counters["allocs"] = benchmark::Counter(static_cast<double>(allocations() - before),
                                                      benchmark::Counter::kAvgIterations);
}
