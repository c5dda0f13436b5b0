#include "collect/CpuInformation.h"

#include "platform/Logging.h"
#include "toolkit/OrbStrings.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <set>
#include <string_view>
#include <sys/utsname.h>
#include <time.h>
#include <utility>

namespace orb {

namespace {

const QString kMissing = QStringLiteral("---");

// printf-style "%.Nf" without the process locale (QCoreApplication sets it from the
// environment, which would print "1,46" under a German locale).
QString fixed(double value, int precision)
{
    char buf[64];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, precision);
    if (ec != std::errc())
        return kMissing;
    return QString::fromLatin1(buf, static_cast<int>(end - buf));
}

QString twoDigits(long long v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); }

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

template <typename T>
std::optional<T> number(std::string_view s)
{
    s = trimmed(s);
    T v{};
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size() || s.empty())
        return std::nullopt;
    return v;
}

// Splits on runs of spaces/tabs; at most `max` fields.
template <size_t max>
size_t splitFields(std::string_view s, std::string_view (&out)[max])
{
    size_t n = 0;
    size_t i = 0;
    while (i < s.size() && n < max) {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\n'))
            ++i;
        const size_t start = i;
        while (i < s.size() && s[i] != ' ' && s[i] != '\t' && s[i] != '\n')
            ++i;
        if (i > start)
            out[n++] = s.substr(start, i - start);
    }
    return n;
}

bool isCpuDirectory(std::string_view name)
{
    if (name.size() < 4 || name.substr(0, 3) != "cpu")
        return false;
    for (char c : name.substr(3))
        if (c < '0' || c > '9')
            return false;
    return true;
}

// Positive kHz value of a cpufreq attribute of cpu0.
std::optional<long long> cpu0FrequencyKHz(const Sysroot &root, std::string_view attribute)
{
    std::string path = "/sys/devices/system/cpu/cpu0/cpufreq/";
    path.append(attribute);
    auto v = root.readInteger(path);
    if (v && *v > 0)
        return v;
    return std::nullopt;
}

// Count of "cpuN" lines in /proc/stat, or the boot time; both come from the same file.
struct StatFacts {
    int processors = 0;
    std::optional<long long> bootTime;
};

std::optional<StatFacts> readStatFacts(const Sysroot &root)
{
    auto text = root.readText("/proc/stat");
    if (!text)
        return std::nullopt;
    StatFacts facts;
    std::string_view rest(*text);
    while (!rest.empty()) {
        const size_t nl = rest.find('\n');
        const std::string_view line = rest.substr(0, nl);
        rest = nl == std::string_view::npos ? std::string_view() : rest.substr(nl + 1);
        if (line.size() > 3 && line.substr(0, 3) == "cpu" && line[3] >= '0' && line[3] <= '9')
            ++facts.processors;
        else if (line.substr(0, 6) == "btime ")
            facts.bootTime = number<long long>(line.substr(6));
    }
    return facts;
}

// Parses a kernel cpu list such as "0-3,5,7-8"; nothing when malformed or absurd.
std::optional<int> countCpuList(std::string_view list)
{
    constexpr long kMaxCpus = 1 << 16;
    list = trimmed(list);
    if (list.empty())
        return std::nullopt;
    long total = 0;
    while (!list.empty()) {
        const size_t comma = list.find(',');
        const std::string_view item = list.substr(0, comma);
        list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
        const size_t dash = item.find('-');
        auto first = number<long>(item.substr(0, dash));
        auto last = dash == std::string_view::npos ? first : number<long>(item.substr(dash + 1));
        if (!first || !last || *first < 0 || *last < *first || *last >= kMaxCpus)
            return std::nullopt;
        total += *last - *first + 1;
        if (total > kMaxCpus)
            return std::nullopt;
    }
    return static_cast<int>(total);
}

} // namespace

QString CpuInformation::cleanBrandName(const QString &raw)
{
    QString s = raw;
    s.remove(QLatin1Char('\n'));
    s.remove(QStringLiteral("(R)"));
    s.remove(QStringLiteral("(TM)"));
    s.remove(QStringLiteral("CPU"));
    s.remove(QLatin1Char('@'));
    return s.simplified();
}

QString CpuInformation::cpuGetBrandNameNew(const Sysroot &root)
{
    auto text = root.readText("/proc/cpuinfo", 256 * 1024);
    if (!text)
        return {};
    std::string_view rest(*text);
    std::optional<std::string_view> model;
    while (!rest.empty() && !model) {
        const size_t nl = rest.find('\n');
        const std::string_view line = rest.substr(0, nl);
        rest = nl == std::string_view::npos ? std::string_view() : rest.substr(nl + 1);
        if (line.substr(0, 10) != "model name")
            continue;
        const size_t colon = line.find(':');
        if (colon != std::string_view::npos)
            model = trimmed(line.substr(colon + 1));
    }
    if (!model || model->empty())
        return {};

    QString name = cleanBrandName(QString::fromUtf8(model->data(), static_cast<qsizetype>(model->size())));
    if (name.isEmpty() || (name.size() >= 2 && name.endsWith(QLatin1String("Hz"))))
        return name;
    // Intel's intel_pstate reports the rated clock as base_frequency; other drivers only the maximum.
    auto kHz = cpu0FrequencyKHz(root, "base_frequency");
    if (!kHz)
        kHz = cpu0FrequencyKHz(root, "cpuinfo_max_freq");
    if (kHz)
        name += QLatin1Char(' ') + fixed(static_cast<double>(*kHz) / 1e6, 2) + QLatin1String("GHz");
    return name;
}

QString CpuInformation::formatClock(uint64_t hertz)
{
    if (hertz > 1000000000ULL)
        return fixed(static_cast<double>(hertz) / 1e9, 2) + QLatin1String("GHz");
    return QString::number(hertz / 1000000ULL) + QLatin1String("MHz");
}

std::optional<QString> CpuInformation::cpuGetRareNameNew(const Sysroot &root)
{
    QString machine;
    if (root.isHostRoot()) {
        struct utsname u{};
        if (::uname(&u) == 0)
            machine = QString::fromUtf8(u.machine).trimmed();
    } else if (auto arch = root.readLine("/proc/sys/kernel/arch")) {
        machine = QString::fromUtf8(arch->data(), static_cast<qsizetype>(arch->size())).trimmed();
    }
    const auto kHz = cpu0FrequencyKHz(root, "cpuinfo_max_freq");
    if (machine.isEmpty() || !kHz)
        return std::nullopt;
    return machine + QLatin1Char(' ') + formatClock(static_cast<uint64_t>(*kHz) * 1000ULL);
}

int CpuInformation::LoadNumberOfCpuPsyCores(const Sysroot &root)
{
    std::set<std::pair<long long, long long>> cores;
    for (const std::string &name : root.listDirectory("/sys/devices/system/cpu")) {
        if (!isCpuDirectory(name))
            continue;
        const std::string base = "/sys/devices/system/cpu/" + name + "/topology/";
        const auto package = root.readInteger(base + "physical_package_id");
        const auto core = root.readInteger(base + "core_id");
        if (package && core)
            cores.emplace(*package, *core);
    }
    return static_cast<int>(cores.size());
}

int CpuInformation::logicalProcessorCount(const Sysroot &root)
{
    if (auto online = root.readLine("/sys/devices/system/cpu/online")) {
        if (auto n = countCpuList(*online))
            return *n;
        qCWarning(lcCollect, "unexpected processor list \"%s\"; counting /proc/stat instead", online->c_str());
    }
    auto facts = readStatFacts(root);
    return facts ? facts->processors : 0;
}

QStringList CpuInformation::cpuGetOptionData(const Sysroot &root)
{
    return cpuGetOptionData(root, std::time(nullptr));
}

QStringList CpuInformation::cpuGetOptionData(const Sysroot &root, std::time_t now)
{
    QStringList facts;

    // 1. Time since boot by the wall clock.
    double sinceBoot = -1;
    if (auto stat = readStatFacts(root); stat && stat->bootTime && *stat->bootTime > 0)
        sinceBoot = static_cast<double>(now) - static_cast<double>(*stat->bootTime);
    facts << buildUpTime(sinceBoot);

    // 2. Awake time: CLOCK_MONOTONIC stops during suspend. A captured tree only has /proc/uptime.
    double awake = -1;
    if (root.isHostRoot()) {
        timespec ts{};
        if (::clock_gettime(CLOCK_MONOTONIC, &ts) == 0)
            awake = static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
    } else if (auto line = root.readLine("/proc/uptime")) {
        std::string_view fields[1];
        if (splitFields(*line, fields) == 1)
            awake = number<double>(fields[0]).value_or(-1);
    }
    facts << buildUpTime(awake);

    // 3 and 4. /proc/loadavg: "0.52 0.58 0.59 2/611 123456"; the total after the slash counts
    // every scheduling entity, i.e. threads.
    QString threads = kMissing;
    QString loads = kMissing;
    if (auto line = root.readLine("/proc/loadavg")) {
        std::string_view f[5];
        const size_t n = splitFields(*line, f);
        if (n >= 3) {
            auto a = number<double>(f[0]), b = number<double>(f[1]), c = number<double>(f[2]);
            if (a && b && c && std::isfinite(*a) && std::isfinite(*b) && std::isfinite(*c))
                loads = OrbStrings::text("1min: %.2f, 5min: %.2f, 15min: %.2f")
                            .arg(fixed(*a, 2), fixed(*b, 2), fixed(*c, 2));
        }
        std::optional<long long> total;
        if (n >= 4) {
            const size_t slash = f[3].find('/');
            if (slash != std::string_view::npos)
                total = number<long long>(f[3].substr(slash + 1));
        }
        if (total) {
            long long processes = 0;
            for (const std::string &name : root.listDirectory("/proc"))
                if (name.find_first_not_of("0123456789") == std::string::npos)
                    ++processes;
            threads = OrbStrings::text("%d threads, %d processes")
                          .arg(QString::number(*total), QString::number(processes));
        }
        if (!total || loads == kMissing)
            qCWarning(lcCollect, "unexpected load line \"%s\"", line->c_str());
    }
    facts << threads << loads;

    // 5. Host name of this UTS namespace.
    QString host = kMissing;
    if (auto name = root.readLine("/proc/sys/kernel/hostname"); name && !name->empty())
        host = QString::fromUtf8(name->data(), static_cast<qsizetype>(name->size()));
    facts << host;
    return facts;
}

QString CpuInformation::buildUpTime(double seconds)
{
    // A missing boot time arrives as a negative number; it must not read as a real duration.
    constexpr double kMaxSeconds = 1e15;
    if (!std::isfinite(seconds) || seconds < 0 || seconds > kMaxSeconds)
        return kMissing;
    const double days = std::floor(seconds / 60 / 60 / 24);
    double r = seconds - days * 60 * 60 * 24;
    const double hours = std::floor(r / 60 / 60);
    r -= hours * 60 * 60;
    const double minutes = std::floor(r / 60);
    r -= minutes * 60;
    const auto secs = static_cast<long long>(std::trunc(r));
    const auto h = static_cast<long long>(hours);
    const auto m = static_cast<long long>(minutes);
    const auto d = static_cast<long long>(days);

    if (d > 0) {
        const QString suffix = d == 1 ? QString() : OrbStrings::text("_dayS");
        return OrbStrings::text("%dday%@ %d:%02d:%02d")
            .arg(QString::number(d), suffix, QString::number(h), twoDigits(m), twoDigits(secs));
    }
    return QString::number(h) + QLatin1Char(':') + twoDigits(m) + QLatin1Char(':') + twoDigits(secs);
}

} // namespace orb
