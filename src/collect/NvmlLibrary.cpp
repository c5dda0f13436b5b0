#include "collect/NvmlLibrary.h"

#include "platform/Logging.h"

#include <dlfcn.h>

namespace orb {

namespace {
constexpr int kSuccess = 0;
}

NvmlLibrary::NvmlLibrary(std::string path) : path_(std::move(path)) {}

NvmlLibrary::~NvmlLibrary()
{
    if (started_ && shutdown_)
        shutdown_();
    if (handle_)
        ::dlclose(handle_);
}

bool NvmlLibrary::start()
{
    if (tried_)
        return started_;
    tried_ = true;
    handle_ = ::dlopen(path_.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) {
        qCInfo(lcCollect, "NVIDIA management library not available (%s); NVIDIA video memory unknown", path_.c_str());
        return false;
    }
    const auto init = reinterpret_cast<InitFn>(::dlsym(handle_, "nvmlInit_v2"));
    shutdown_ = reinterpret_cast<ShutdownFn>(::dlsym(handle_, "nvmlShutdown"));
    handleByBusId_ = reinterpret_cast<HandleFn>(::dlsym(handle_, "nvmlDeviceGetHandleByPciBusId_v2"));
    memoryInfo_ = reinterpret_cast<MemoryFn>(::dlsym(handle_, "nvmlDeviceGetMemoryInfo"));
    if (!init || !shutdown_ || !handleByBusId_ || !memoryInfo_) {
        qCWarning(lcCollect, "%s lacks the functions needed; NVIDIA video memory unknown", path_.c_str());
        return false;
    }
    const int rc = init();
    if (rc != kSuccess) {
        qCWarning(lcCollect, "NVIDIA management library did not start (error %d); NVIDIA video memory unknown", rc);
        return false;
    }
    started_ = true;
    return true;
}

bool NvmlLibrary::memoryInfo(const std::string &busId, Memory &out)
{
    if (!start())
        return false;
    auto it = devices_.find(busId);
    if (it == devices_.end()) {
        Device device = nullptr;
        const int rc = handleByBusId_(busId.c_str(), &device);
        if (rc != kSuccess) {
            qCInfo(lcCollect, "NVIDIA management library does not know device %s (error %d)", busId.c_str(), rc);
            device = nullptr;
        }
        it = devices_.emplace(busId, device).first;
    }
    if (!it->second)
        return false;
    MemoryV1 m{};
    const int rc = memoryInfo_(it->second, &m);
    if (rc != kSuccess) {
        bool &reported = failedOnce_[busId];
        if (!reported)
            qCWarning(lcCollect, "no video memory figures for %s (error %d)", busId.c_str(), rc);
        reported = true;
        return false;
    }
    failedOnce_.erase(busId);
    out = {m.total, m.used, m.free};
    return true;
}

} // namespace orb
