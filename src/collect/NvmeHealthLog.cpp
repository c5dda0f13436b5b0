#include "collect/NvmeHealthLog.h"

#include "platform/Logging.h"

#include <QList>
#include <QRegularExpression>
#include <cmath>
#include <limits>

namespace orb {
namespace {

constexpr int kMaxControllers = 64;

uint64_t littleEndian(const QByteArray &b, int offset, int count)
{
    uint64_t v = 0;
    for (int i = count - 1; i >= 0; --i)
        v = (v << 8) | static_cast<uint8_t>(b[offset + i]);
    return v;
}

// A 16-byte counter: its low 8 bytes, saturated to 63 bits when the counter is larger.
int64_t counter(const QByteArray &b, int offset)
{
    constexpr uint64_t max = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
    const uint64_t low = littleEndian(b, offset, 8);
    const uint64_t high = littleEndian(b, offset + 8, 8);
    return high != 0 || low > max ? std::numeric_limits<int64_t>::max() : static_cast<int64_t>(low);
}

} // namespace

std::optional<NvmeHealthLog> NvmeHealthLog::parse(const QByteArray &b)
{
    if (b.size() != kSize)
        return std::nullopt;
    NvmeHealthLog l;
    l.criticalWarning = static_cast<uint8_t>(b[0]);
    l.temperatureK = static_cast<int64_t>(littleEndian(b, 1, 2));
    l.availableSpare = static_cast<uint8_t>(b[3]);
    l.availableSpareThreshold = static_cast<uint8_t>(b[4]);
    l.percentageUsed = static_cast<uint8_t>(b[5]);
    l.dataUnitsRead = counter(b, 32);
    l.dataUnitsWritten = counter(b, 48);
    l.hostReadCommands = counter(b, 64);
    l.hostWriteCommands = counter(b, 80);
    l.controllerBusyTime = counter(b, 96);
    l.powerCycles = counter(b, 112);
    l.powerOnHours = counter(b, 128);
    l.unsafeShutdowns = counter(b, 144);
    l.mediaErrors = counter(b, 160);
    l.errorLogEntries = counter(b, 176);
    return l;
}

int64_t NvmeHealthLog::dataUnitBytes(int64_t units)
{
    if (units <= 0)
        return 0;
    int64_t out = 0;
    return __builtin_mul_overflow(units, kDataUnitBytes, &out) ? std::numeric_limits<int64_t>::max() : out;
}

std::optional<int> NvmeHealthLog::temperatureCelsius() const
{
    if (temperatureK <= 0)
        return std::nullopt;
    return static_cast<int>(std::trunc(static_cast<double>(temperatureK) - 273.15));
}

QHash<QString, NvmeHealthLog> NvmeHealthLog::parseHelperOutput(const QByteArray &output)
{
    static const QRegularExpression line(QStringLiteral("^(nvme\\d{1,4}) ([0-9a-f]{1024})$"));
    QHash<QString, NvmeHealthLog> logs;
    int skipped = 0;
    for (const QByteArray &raw : output.split('\n')) {
        if (raw.isEmpty())
            continue;
        const auto m = line.match(QString::fromLatin1(raw));
        std::optional<NvmeHealthLog> log;
        if (m.hasMatch())
            log = parse(QByteArray::fromHex(m.captured(2).toLatin1()));
        if (!log || logs.size() >= kMaxControllers) {
            ++skipped;
            continue;
        }
        logs.insert(m.captured(1), *log);
    }
    if (skipped)
        qCWarning(lcCollect, "NVMe health helper: %d unusable line(s) ignored", skipped);
    return logs;
}

} // namespace orb
