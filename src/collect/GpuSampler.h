#pragma once
#include "collect/Samples.h"
#include "platform/Sysroot.h"

#include <QString>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace orb {

class NvmlLibrary;

// The GPU sample: one entry per display-class PCI device (class 0x03xxxx) in PCI address
// order, named from the udev hardware database, with video memory from amdgpu's sysfs
// files or, for NVIDIA devices, from the NVIDIA management library. Devices without such
// figures (integrated Intel, nouveau, virtual GPUs) report "--" and −1.
//
// Nothing here touches a device's busy counters or anything else that would wake a
// discrete GPU from runtime suspend; NVIDIA devices whose runtime power state is
// "suspended" are not asked at all.
//
// Devices are found on the first call (and again every kRediscoverEvery calls or when the
// root changes); later calls re-read only the memory figures. Used by the collection pass
// only.
class GpuSampler {
public:
    struct Options {
        // Library handed to dlopen for NVIDIA figures. Empty: the system's library, used only
        // when sampling the machine itself (a captured tree's bus ids mean nothing to it).
        std::string nvmlLibrary;
    };

    GpuSampler();
    explicit GpuSampler(Options options);
    ~GpuSampler();

    GpuSample loadPciGpuData(const Sysroot &root);

    // Number of display-class PCI devices (the start-up probe).
    static int countDisplayDevices(const Sysroot &root);

    // The device name as shown: line ends, tabs, NUL and other control characters removed;
    // "Unknown Device" when nothing is left.
    static QString deviceName(std::string_view raw);
    // "%lluMB" of `bytes` ÷ 2^20.
    static QString megabytesText(uint64_t bytes);
    // Sets total, used, free and the percentage text from the used and free bytes
    // (either −1 when unknown).
    static void setMemoryUse(GpuEntry &entry, int64_t used, int64_t free);

    static constexpr int kRediscoverEvery = 60;

private:
    enum class Source { None, Amdgpu, Nvml };
    struct Device {
        std::string address;      // "0000:03:00.0"
        std::string base;         // "/sys/bus/pci/devices/0000:03:00.0"
        Source source = Source::None;
        GpuEntry entry;           // id, name, vendor, driver, address; memory figures of the last sample
        uint64_t lastTotal = UINT64_MAX;
        bool reported = false;    // a bad figure is logged once until a good read
    };

    void discover(const Sysroot &root);
    void sampleAmdgpu(const Sysroot &root, Device &device);
    void sampleNvml(const Sysroot &root, Device &device);
    bool readBytes(const Sysroot &root, const std::string &path, uint64_t &out);
    void report(Device &device, const char *message, const std::string &path);
    NvmlLibrary *nvml(const Sysroot &root);

    Options options_;
    std::string root_;
    bool discovered_ = false;
    int callsSinceDiscovery_ = 0;
    std::vector<Device> devices_;
    std::unique_ptr<NvmlLibrary> nvml_;
    std::string buffer_;
    std::string path_;
};

} // namespace orb
