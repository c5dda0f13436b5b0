// A stand-in for the NVIDIA management library, built only for the tests and loaded through
// the same dlopen path as the real one. It answers from a table the test fills through the
// fakeNvml* functions (the test dlopens this file too and gets the same instance) and counts
// the calls it receives.
#include <cstring>
#include <map>
#include <string>

namespace {

struct Memory {
    unsigned long long total, free, used;
};

struct State {
    int initResult = 0;
    int memoryResult = 0;
    bool running = false;
    int inits = 0;
    int shutdowns = 0;
    int lookups = 0;
    int queries = 0;
    std::map<std::string, Memory> devices;
};

State &state()
{
    static State s;
    return s;
}

constexpr int kSuccess = 0;
constexpr int kUninitialized = 1;
constexpr int kInvalidArgument = 2;
constexpr int kNotFound = 6;

} // namespace

extern "C" {

__attribute__((visibility("default"))) int nvmlInit_v2()
{
    ++state().inits;
    state().running = state().initResult == kSuccess;
    return state().initResult;
}

__attribute__((visibility("default"))) int nvmlShutdown()
{
    ++state().shutdowns;
    state().running = false;
    return kSuccess;
}

__attribute__((visibility("default"))) int nvmlDeviceGetHandleByPciBusId_v2(const char *busId, void **device)
{
    ++state().lookups;
    if (!state().running)
        return kUninitialized;
    if (!busId || !device)
        return kInvalidArgument;
    auto it = state().devices.find(busId);
    if (it == state().devices.end())
        return kNotFound;
    *device = &it->second;
    return kSuccess;
}

// The answer is copied as bytes: the caller's struct type is its own.
__attribute__((visibility("default"))) int nvmlDeviceGetMemoryInfo(void *device, void *memory)
{
    ++state().queries;
    if (!state().running)
        return kUninitialized;
    if (!device || !memory)
        return kInvalidArgument;
    if (state().memoryResult != kSuccess)
        return state().memoryResult;
    std::memcpy(memory, device, sizeof(Memory));
    return kSuccess;
}

// Test controls.
__attribute__((visibility("default"))) void fakeNvmlReset()
{
    state() = State{};
}

__attribute__((visibility("default"))) void fakeNvmlSetResults(int initResult, int memoryResult)
{
    state().initResult = initResult;
    state().memoryResult = memoryResult;
}

__attribute__((visibility("default"))) void fakeNvmlAddDevice(const char *busId, unsigned long long total,
                                                              unsigned long long used, unsigned long long free)
{
    state().devices[busId] = Memory{total, free, used};
}

// inits, shutdowns, handle look-ups, memory queries.
__attribute__((visibility("default"))) void fakeNvmlCounts(int *counts)
{
    counts[0] = state().inits;
    counts[1] = state().shutdowns;
    counts[2] = state().lookups;
    counts[3] = state().queries;
}

} // extern "C"
