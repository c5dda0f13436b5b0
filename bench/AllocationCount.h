#pragma once
#include <benchmark/benchmark.h>
#include <cstdint>

// Heap allocations made by this program so far (malloc, calloc and realloc, which is also
// what operator new and Qt's containers call), so a benchmark can report how many a tick makes.
namespace orbbench {
// False in sanitizer builds: their runtimes own the allocator, and nothing is counted there.
bool countsAllocations();
uint64_t allocations();
// Sets the benchmark's "allocs" counter to the allocations made since `before`, per
// iteration; nothing in builds that do not count.
void reportAllocationsSince(benchmark::State &state, uint64_t before);
} // namespace orbbench
