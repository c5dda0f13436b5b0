#include "collect/sensors/SensorSampler.h"

#include "collect/ProcText.h"
#include "platform/OpenProcFile.h"

#include <charconv>
#include <fcntl.h>
#include <unistd.h>

namespace orb {
namespace {

// Whole degrees of a reading in millidegrees; −1 for none.
int64_t wholeDegrees(bool ok, int64_t millidegrees)
{
    if (!ok)
        return -1;
    const int64_t degrees = millidegrees / 1000; // truncates toward zero
    return degrees >= 1 ? degrees : -1;
}

// A sysfs attribute is produced whole by one read from its start.
bool parseValue(const char *buf, ssize_t n, size_t size, int64_t &out)
{
    if (n <= 0 || static_cast<size_t>(n) == size)
        return false;
    std::string_view text = proctext::trimmed(std::string_view(buf, static_cast<size_t>(n)));
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    const char *b = text.data();
    const char *e = b + text.size();
    int64_t v = 0;
    const auto [ptr, ec] = std::from_chars(b, e, v);
    if (ec != std::errc() || ptr != e || ptr == b)
        return false;
    out = v;
    return true;
}

} // namespace

bool SensorSampler::readValue(const std::string &path, int64_t &out)
{
    return readValue(-1, path, out);
}

bool SensorSampler::readValue(int fd, const std::string &path, int64_t &out)
{
    char buf[64];
    if (fd >= 0)
        return parseValue(buf, OpenProcFile::readStart(fd, buf, sizeof buf), sizeof buf, out);
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const ssize_t n = OpenProcFile::readStart(fd, buf, sizeof buf);
    ::close(fd);
    return parseValue(buf, n, sizeof buf, out);
}

TempSample SensorSampler::getBaseTempNew(const SensorTable &table, std::span<const DriveReading> drives)
{
    TempSample sample;
    sample.readings.reserve(table.temps.size() + drives.size());
    int64_t sum = 0;
    int64_t count = 0;
    for (std::size_t i = 0; i < table.temps.size(); ++i) {
        const SensorEntry &e = table.temps[i];
        int64_t raw = 0;
        const bool ok = readValue(i < table.tempFiles.size() ? table.tempFiles[i] : -1, e.source, raw);
        const int64_t v = wholeDegrees(ok, raw);
        sample.readings.emplace_back(e.label, v);
        if (v >= 1) {
            sum += v;
            ++count;
        }
    }
    for (const DriveReading &d : drives) {
        const int64_t v = d.celsius >= 1 ? d.celsius : -1;
        sample.readings.emplace_back(d.name, v);
        if (v >= 1) {
            sum += v;
            ++count;
        }
    }
    if (table.battery) {
        int64_t tenths = 0;
        if (readValue(table.batteryFile, table.battery->source, tenths) && tenths >= 10) {
            const int64_t v = tenths / 10;
            sample.battery = QString::number(v);
            sum += v;
            ++count;
        }
    }
    if (count > 0)
        sample.average = sum / count;
    return sample;
}

FanSample SensorSampler::getFanDetail(const SensorTable &table)
{
    FanSample sample;
    sample.fans.reserve(table.fans.size());
    int64_t sum = 0;
    for (std::size_t i = 0; i < table.fans.size(); ++i) {
        const SensorEntry &e = table.fans[i];
        int64_t rpm = 0;
        if (!readValue(i < table.fanFiles.size() ? table.fanFiles[i] : -1, e.source, rpm) || rpm < 0)
            continue;
        sample.fans.emplace_back(e.label, rpm);
        sum += rpm;
    }
    if (!sample.fans.empty())
        sample.average = sum / static_cast<int64_t>(sample.fans.size());
    return sample;
}

} // namespace orb
