#include "collect/MemorySampler.h"

#include "collect/ProcText.h"

#include "platform/Logging.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cstring>
#include <limits>
#include <string_view>
#include <unistd.h>

namespace orb {

using namespace proctext;

namespace {

// The meminfo fields the sample is made of, in kibibytes.
enum Field {
    MemTotal,
    MemFree,
    Active,
    Inactive,
    ActiveAnon,
    InactiveAnon,
    ActiveFile,
    InactiveFile,
    Unevictable,
    SUnreclaim,
    KernelStack,
    PageTables,
    Zswap,
    FieldCount
};

constexpr std::string_view kFieldNames[FieldCount] = {
    "MemTotal", "MemFree", "Active", "Inactive", "Active(anon)", "Inactive(anon)", "Active(file)",
    "Inactive(file)", "Unevictable", "SUnreclaim", "KernelStack", "PageTables", "Zswap",
};

// The fields whose names are as long as the index, as bits: most of meminfo's fifty-odd lines
// are none of the fields, and their length alone tells most of them apart.
constexpr std::array<uint32_t, 32> kFieldsByLength = [] {
    std::array<uint32_t, 32> byLength{};
    for (int i = 0; i < FieldCount; ++i)
        byLength[kFieldNames[i].size()] |= 1u << i;
    return byLength;
}();

int fieldOf(std::string_view name)
{
    if (name.size() >= kFieldsByLength.size())
        return -1;
    for (uint32_t candidates = kFieldsByLength[name.size()]; candidates != 0; candidates &= candidates - 1) {
        const int i = std::countr_zero(candidates);
        if (name == kFieldNames[i])
            return i;
    }
    return -1;
}

constexpr int64_t kInt64Max = std::numeric_limits<int64_t>::max();

// A whole unsigned number at the start of `s`; `s` is advanced past it.
bool takeNumber(std::string_view &s, uint64_t &out)
{
    const char *b = s.data();
    const char *e = b + s.size();
    auto [ptr, ec] = std::from_chars(b, e, out);
    if (ec != std::errc() || ptr == b)
        return false;
    s.remove_prefix(static_cast<size_t>(ptr - b));
    return true;
}

} // namespace

MemorySampler::MemorySampler(uint64_t pageSize) : pageSize_(pageSize)
{
    buffer_.reserve(8192);
}

uint64_t MemorySampler::systemPageSize()
{
    const long size = ::sysconf(_SC_PAGESIZE);
    return size > 0 ? static_cast<uint64_t>(size) : 0;
}

int64_t MemorySampler::toPages(unsigned __int128 bytes) const
{
    const unsigned __int128 pages = bytes / pageSize_;
    return pages > static_cast<unsigned __int128>(kInt64Max) ? kInt64Max : static_cast<int64_t>(pages);
}

void MemorySampler::reportOnce(const char *message, const std::string &path)
{
    if (reported_) {
        qCDebug(lcCollect, "%s: %s", message, path.c_str());
        return;
    }
    reported_ = true;
    qCWarning(lcCollect, "%s: %s", message, path.c_str());
}

// Every line of meminfo is "Name:   <number>" with an optional " kB"; a line without a name,
// or a field of the sample that is anything else, means the file is not what we think it is,
// and no figure from it is trusted. The other fifty-odd lines are only stepped over: this runs
// every pass, and finding the line ends and colons with memchr is most of what it costs.
bool MemorySampler::parseMeminfo(uint64_t *values, bool &hasTotal)
{
    hasTotal = false;
    const char *at = buffer_.data();
    const char *const end = at + buffer_.size();
    while (at < end) {
        const char *eol = static_cast<const char *>(std::memchr(at, '\n', static_cast<size_t>(end - at)));
        if (!eol)
            eol = end;
        const std::string_view line(at, static_cast<size_t>(eol - at));
        at = eol + 1;
        if (line.empty())
            continue;
        const size_t colon = line.find(':');
        if (colon == 0 || colon == std::string_view::npos)
            return false;
        const int field = fieldOf(line.substr(0, colon));
        if (field < 0)
            continue;
        std::string_view rest = skipBlanks(line.substr(colon + 1));
        uint64_t value = 0;
        if (!takeNumber(rest, value))
            return false;
        rest = skipBlanks(rest);
        if (rest.starts_with("kB"))
            rest.remove_prefix(2);
        if (!rest.empty())
            return false;
        values[field] = value;
        hasTotal = hasTotal || field == MemTotal;
    }
    return true;
}

void MemorySampler::readVmstat(const Sysroot &root)
{
    if (root.root() == pagingRoot_ && ++callsSincePaging_ < kPagingEvery)
        return;
    pagingRoot_ = root.root();
    callsSincePaging_ = 0;
    pageInKiB_ = pageOutKiB_ = 0;
    // Kernels without vmstat (or a capture without it) report no paging rather than no sample.
    if (!vmstat_.read(root, buffer_))
        return;
    int found = 0;
    forEachLine(buffer_, [&](std::string_view line) {
        uint64_t *target = nullptr;
        if (line.starts_with("pgpgin "))
            target = &pageInKiB_;
        else if (line.starts_with("pgpgout "))
            target = &pageOutKiB_;
        else
            return true;
        std::string_view rest = skipBlanks(line.substr(line.find(' ')));
        uint64_t value = 0;
        if (takeNumber(rest, value))
            *target = value;
        else
            qCDebug(lcCollect, "unreadable paging counter in %s", root.path("/proc/vmstat").c_str());
        return ++found < 2;
    });
}

// The zram devices of the tree: a listing of /sys/block is far dearer than reading the
// devices' statistics, and devices are rarely added, so the list is kept for some calls.
void MemorySampler::listZram(const Sysroot &root)
{
    std::vector<OpenProcFile> listed;
    for (const std::string &name : root.listDirectory("/sys/block")) {
        if (!name.starts_with("zram"))
            continue;
        std::string path = "/sys/block/" + name + "/mm_stat";
        // Devices still there keep their open files.
        const auto kept = std::find_if(zram_.begin(), zram_.end(), [&](const OpenProcFile &f) { return f.machinePath() == path; });
        listed.push_back(kept != zram_.end() ? std::move(*kept) : OpenProcFile(std::move(path), OpenProcFile::Text::Whole));
    }
    zram_ = std::move(listed);
    zramRoot_ = root.root();
    callsSinceZramList_ = 0;
}

// Bytes the zram devices hold in memory: the third column of each mm_stat.
unsigned __int128 MemorySampler::zramBytes(const Sysroot &root)
{
    if (root.root() != zramRoot_ || ++callsSinceZramList_ >= kZramListEvery)
        listZram(root);
    unsigned __int128 total = 0;
    for (OpenProcFile &file : zram_) {
        // A device that went away fails until the next listing drops it.
        if (!file.read(root, buffer_, 4096))
            continue;
        std::string_view rest = buffer_;
        uint64_t column = 0;
        bool ok = true;
        for (int i = 0; i < 3 && ok; ++i) {
            rest = skipBlanks(rest);
            ok = takeNumber(rest, column);
        }
        if (ok)
            total += column;
        else
            qCDebug(lcCollect, "unreadable zram statistics in %s", root.path(file.machinePath()).c_str());
    }
    return total;
}

std::optional<MemorySample> MemorySampler::loadMemoryData(const Sysroot &root)
{
    if (pageSize_ == 0) {
        reportOnce("no page size; memory not sampled", root.root());
        return std::nullopt;
    }
    if (!meminfo_.read(root, buffer_)) {
        reportOnce("cannot read memory statistics", root.path("/proc/meminfo"));
        return std::nullopt;
    }
    uint64_t kib[FieldCount] = {};
    bool hasTotal = false;
    if (!parseMeminfo(kib, hasTotal)) {
        reportOnce("garbled memory statistics ignored", root.path("/proc/meminfo"));
        return std::nullopt;
    }
    if (!hasTotal) {
        reportOnce("memory statistics without MemTotal ignored", root.path("/proc/meminfo"));
        return std::nullopt;
    }

    readVmstat(root);
    const unsigned __int128 zram = zramBytes(root);

    // Sums are taken in bytes, then turned into pages once, so no rounding piles up.
    using Wide = unsigned __int128;
    const auto bytes = [&](std::initializer_list<Field> fields) {
        Wide sum = 0;
        for (Field f : fields)
            sum += static_cast<Wide>(kib[f]) * 1024u;
        return sum;
    };

    MemorySample sample{};
    sample[0] = toPages(bytes({Unevictable, SUnreclaim, KernelStack, PageTables}));
    sample[1] = toPages(bytes({Active}));
    sample[2] = toPages(bytes({Inactive}));
    sample[3] = toPages(bytes({MemFree}));
    sample[4] = toPages(static_cast<Wide>(pageInKiB_) * 1024u);
    sample[5] = toPages(static_cast<Wide>(pageOutKiB_) * 1024u);
    sample[6] = 0; // Linux keeps no speculative pages apart
    sample[7] = toPages(bytes({Zswap}) + zram);
    sample[8] = toPages(bytes({ActiveAnon, InactiveAnon}));
    sample[9] = toPages(bytes({ActiveFile, InactiveFile}));
    const Wide total = bytes({MemTotal});
    memTotalBytes_ = total > static_cast<Wide>(UINT64_MAX) ? UINT64_MAX : static_cast<uint64_t>(total);
    reported_ = false;
    return sample;
}

} // namespace orb
