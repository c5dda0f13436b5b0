#pragma once
#include <cstdint>
#include <string>
#include <unordered_map>

namespace orb {

// Video memory figures of NVIDIA devices from the driver's management library, opened with
// dlopen the first time a figure is asked for, so machines without the driver never load
// it. A library that is missing, lacks a function or fails to start is tried once; every
// later question is answered "unknown" without another attempt. Shut down and closed when
// destroyed. Not thread-safe: one owner (the GPU sampler of the pass) at a time.
class NvmlLibrary {
public:
    struct Memory {
        uint64_t total = 0;
        uint64_t used = 0;
        uint64_t free = 0;
    };

    // `path` is handed to dlopen as it is ("libnvidia-ml.so.1" searches the library path).
    explicit NvmlLibrary(std::string path);
    ~NvmlLibrary();
    NvmlLibrary(const NvmlLibrary &) = delete;
    NvmlLibrary &operator=(const NvmlLibrary &) = delete;

    static constexpr const char *kDefaultPath = "libnvidia-ml.so.1";

    // Memory of the device at PCI address `busId` ("0000:01:00.0"); false when unknown.
    bool memoryInfo(const std::string &busId, Memory &out);

    // Whether the library was opened and started (false before the first question).
    bool isRunning() const { return started_; }

private:
    bool start();

    using Device = void *;
    using InitFn = int (*)();
    using ShutdownFn = int (*)();
    using HandleFn = int (*)(const char *, Device *);
    struct MemoryV1 {
        unsigned long long total;
        unsigned long long free;
        unsigned long long used;
    };
    using MemoryFn = int (*)(Device, MemoryV1 *);

    std::string path_;
    void *handle_ = nullptr;
    bool tried_ = false;
    bool started_ = false;
    ShutdownFn shutdown_ = nullptr;
    HandleFn handleByBusId_ = nullptr;
    MemoryFn memoryInfo_ = nullptr;
    // Device handles by bus id; a failed look-up is remembered as null and logged once.
    std::unordered_map<std::string, Device> devices_;
    std::unordered_map<std::string, bool> failedOnce_;
};

} // namespace orb
