#include "collect/GpuSampler.h"

#include "collect/NvmlLibrary.h"
#include "collect/ProcText.h"
#include "platform/Logging.h"
#include "toolkit/OrbFormat.h"

#include <array>
#include <limits>

namespace orb {

using namespace proctext;

namespace {

constexpr std::string_view kPciDevices = "/sys/bus/pci/devices";
constexpr std::string_view kUdevData = "/run/udev/data/+pci:";
constexpr int64_t kInt64Max = std::numeric_limits<int64_t>::max();

const QString &unknownText()
{
    static const QString dashes = QStringLiteral("--");
    return dashes;
}

// "1%" .. "100%", made once so a sample allocates no percentage text.
const QString &percentText(int p)
{
    static const std::array<QString, 101> texts = [] {
        std::array<QString, 101> t;
        for (int i = 0; i <= 100; ++i)
            t[static_cast<std::size_t>(i)] = QString::number(i) + QLatin1Char('%');
        return t;
    }();
    return texts[static_cast<std::size_t>(p)];
}

bool isDisplayClass(std::string_view cls)
{
    cls = trimmed(cls);
    return cls.size() >= 4 && cls[0] == '0' && (cls[1] == 'x' || cls[1] == 'X') && cls[2] == '0' && cls[3] == '3';
}

// The value of "KEY=value" lines (udev's "E:KEY=value" with prefix "E:").
std::string_view valueOf(std::string_view text, std::string_view prefix, std::string_view key)
{
    std::string_view found;
    forEachLine(text, [&](std::string_view line) {
        if (!line.starts_with(prefix))
            return true;
        line.remove_prefix(prefix.size());
        if (line.size() <= key.size() || !line.starts_with(key) || line[key.size()] != '=')
            return true;
        found = line.substr(key.size() + 1);
        if (!found.empty() && found.back() == '\r')
            found.remove_suffix(1);
        return false;
    });
    return found;
}

// Names of the display vendors for devices the hardware database does not know.
QString vendorFromId(std::string_view pciId)
{
    const std::string_view id = pciId.substr(0, pciId.find(':'));
    struct Known {
        const char *id, *name;
    };
    static constexpr Known kKnown[] = {
        {"1002", "AMD"}, {"10DE", "NVIDIA"}, {"8086", "Intel"}, {"1AF4", "Red Hat (virtio)"},
        {"15AD", "VMware"}, {"1234", "QEMU"}, {"1B36", "Red Hat (QEMU)"}, {"80EE", "VirtualBox"},
        {"1A03", "ASPEED"}, {"102B", "Matrox"}, {"5143", "Qualcomm"},
    };
    for (const Known &k : kKnown)
        if (id.size() == 4 && QLatin1String(id.data(), 4).compare(QLatin1String(k.id), Qt::CaseInsensitive) == 0)
            return QString::fromLatin1(k.name);
    return id.empty() ? QString() : QStringLiteral("0x") + QString::fromLatin1(id.data(), static_cast<qsizetype>(id.size())).toLower();
}

} // namespace

GpuSampler::GpuSampler() : GpuSampler(Options{}) {}

GpuSampler::GpuSampler(Options options) : options_(std::move(options))
{
    buffer_.reserve(4096);
}

GpuSampler::~GpuSampler() = default;

int GpuSampler::countDisplayDevices(const Sysroot &root)
{
    int count = 0;
    std::string buffer;
    for (const std::string &name : root.listDirectory(kPciDevices)) {
        if (root.readFile(std::string(kPciDevices) + '/' + name + "/class", buffer, 64) && isDisplayClass(buffer))
            ++count;
    }
    return count;
}

QString GpuSampler::deviceName(std::string_view raw)
{
    QString name = OrbFormat::OrbRemoveNRTZ(QString::fromUtf8(raw.data(), static_cast<qsizetype>(raw.size())));
    // Other control characters (escape sequences and the like) are no part of a name either.
    name.removeIf([](QChar c) { return c.category() == QChar::Other_Control; });
    if (name.trimmed().isEmpty())
        return QStringLiteral("Unknown Device");
    return name;
}

QString GpuSampler::megabytesText(uint64_t bytes) { return QString::number(bytes >> 20) + QStringLiteral("MB"); }

void GpuSampler::setMemoryUse(GpuEntry &e, int64_t used, int64_t free)
{
    e.used = used;
    e.free = free;
    e.per = unknownText();
    if (used < 0 || free < 0) {
        e.total = -1;
        return;
    }
    const __int128 total = static_cast<__int128>(used) + free;
    e.total = total > kInt64Max ? kInt64Max : static_cast<int64_t>(total);
    if (total <= 0)
        return;
    const __int128 p = static_cast<__int128>(used) * 100 / total;
    if (p > 0)
        e.per = percentText(p > 100 ? 100 : static_cast<int>(p));
}

void GpuSampler::report(Device &device, const char *message, const std::string &path)
{
    if (device.reported) {
        qCDebug(lcCollect, "%s: %s", message, path.c_str());
        return;
    }
    device.reported = true;
    qCWarning(lcCollect, "%s: %s", message, path.c_str());
}

void GpuSampler::discover(const Sysroot &root)
{
    devices_.clear();
    root_ = root.root();
    discovered_ = true;
    callsSinceDiscovery_ = 0;
    std::string uevent;
    for (const std::string &address : root.listDirectory(kPciDevices)) {
        Device d;
        d.base.assign(kPciDevices).append(1, '/').append(address);
        if (!root.readFile(d.base + "/class", buffer_, 64) || !isDisplayClass(buffer_))
            continue;
        d.address = address;
        if (!root.readFile(d.base + "/uevent", uevent, 64 * 1024))
            uevent.clear();
        const std::string_view driver = valueOf(uevent, "", "DRIVER");
        const std::string_view pciId = valueOf(uevent, "", "PCI_ID");

        std::string_view model, vendor;
        path_.assign(kUdevData).append(address);
        if (root.readFile(path_, buffer_, 64 * 1024)) {
            model = valueOf(buffer_, "E:", "ID_MODEL_FROM_DATABASE");
            vendor = valueOf(buffer_, "E:", "ID_VENDOR_FROM_DATABASE");
        } else {
            qCDebug(lcCollect, "no hardware database entry for %s", root.path(path_).c_str());
        }

        GpuEntry &e = d.entry;
        e.id = QStringLiteral("_%1").arg(devices_.size() + 1);
        e.name = deviceName(model);
        e.mem = unknownText();
        e.per = unknownText();
        e.address = QString::fromLatin1(address.data(), static_cast<qsizetype>(address.size()));
        e.driver = QString::fromUtf8(driver.data(), static_cast<qsizetype>(driver.size()));
        const QString vendorName = deviceName(vendor);
        e.vendor = vendor.empty() || vendorName == QLatin1String("Unknown Device") ? vendorFromId(pciId) : vendorName;

        if (root.exists(d.base + "/mem_info_vram_total"))
            d.source = Source::Amdgpu;
        else if (driver == "nvidia")
            d.source = Source::Nvml;
        devices_.push_back(std::move(d));
    }
    qCDebug(lcCollect, "%zu display devices under %s", devices_.size(), root.path(kPciDevices).c_str());
}

bool GpuSampler::readBytes(const Sysroot &root, const std::string &path, uint64_t &out)
{
    return root.readFile(path, buffer_, 64) && parseUnsigned(trimmed(buffer_), out);
}

void GpuSampler::sampleAmdgpu(const Sysroot &root, Device &d)
{
    GpuEntry &e = d.entry;
    uint64_t total = 0, used = 0;
    path_.assign(d.base).append("/mem_info_vram_total");
    if (!readBytes(root, path_, total)) {
        report(d, "unreadable video memory size", root.path(path_));
        e.mem = unknownText();
        d.lastTotal = UINT64_MAX;
        setMemoryUse(e, -1, -1);
        return;
    }
    if (total != d.lastTotal) {
        e.mem = megabytesText(total);
        d.lastTotal = total;
    }
    path_.assign(d.base).append("/mem_info_vram_used");
    if (!readBytes(root, path_, used)) {
        report(d, "unreadable video memory use", root.path(path_));
        setMemoryUse(e, -1, -1);
        return;
    }
    // A driver that counts more in use than there is leaves nothing free.
    const uint64_t free = total > used ? total - used : 0;
    setMemoryUse(e, used > uint64_t(kInt64Max) ? kInt64Max : int64_t(used),
                 free > uint64_t(kInt64Max) ? kInt64Max : int64_t(free));
    d.reported = false;
}

NvmlLibrary *GpuSampler::nvml(const Sysroot &root)
{
    if (options_.nvmlLibrary.empty() && !root.isHostRoot())
        return nullptr;
    if (!nvml_)
        nvml_ = std::make_unique<NvmlLibrary>(options_.nvmlLibrary.empty() ? NvmlLibrary::kDefaultPath
                                                                           : options_.nvmlLibrary);
    return nvml_.get();
}

void GpuSampler::sampleNvml(const Sysroot &root, Device &d)
{
    GpuEntry &e = d.entry;
    // A device in runtime suspend would be woken by the question: leave its use unknown and
    // keep the size it last reported.
    path_.assign(d.base).append("/power/runtime_status");
    if (root.readFile(path_, buffer_, 64) && trimmed(buffer_) == "suspended") {
        setMemoryUse(e, -1, -1);
        return;
    }
    NvmlLibrary::Memory m;
    NvmlLibrary *library = nvml(root);
    if (!library || !library->memoryInfo(d.address, m)) {
        setMemoryUse(e, -1, -1);
        return;
    }
    if (m.total != d.lastTotal) {
        e.mem = megabytesText(m.total);
        d.lastTotal = m.total;
    }
    const auto clamp = [](uint64_t v) { return v > uint64_t(kInt64Max) ? kInt64Max : int64_t(v); };
    setMemoryUse(e, clamp(m.used), clamp(m.free));
}

GpuSample GpuSampler::loadPciGpuData(const Sysroot &root)
{
    // Now and then the bus is looked at again: a GPU may come, go or get its driver late.
    if (!discovered_ || root_ != root.root() || ++callsSinceDiscovery_ >= kRediscoverEvery)
        discover(root);
    GpuSample sample;
    sample.reserve(devices_.size());
    for (Device &d : devices_) {
        switch (d.source) {
        case Source::Amdgpu:
            sampleAmdgpu(root, d);
            break;
        case Source::Nvml:
            sampleNvml(root, d);
            break;
        case Source::None:
            break;
        }
        sample.push_back(d.entry);
    }
    return sample;
}

} // namespace orb
