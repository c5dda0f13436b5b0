#pragma once
#include <QByteArray>
#include <QHash>
#include <QString>
#include <cstdint>
#include <optional>

namespace orb {

// An NVMe drive's SMART / health information log (log page 02h, 512 bytes, little-endian).
// Of the 16-byte counters the low 8 bytes are kept; a counter beyond 63 bits saturates.
struct NvmeHealthLog {
    static constexpr int kSize = 512;
    // One data unit is 1000 blocks of 512 bytes, whatever the drive's block size.
    static constexpr int64_t kDataUnitBytes = 512000;

    int64_t criticalWarning = 0;        // byte 0, warning bits
    int64_t temperatureK = 0;           // bytes 1–2, composite temperature in kelvin
    int64_t availableSpare = 0;         // byte 3, percent
    int64_t availableSpareThreshold = 0; // byte 4, percent
    int64_t percentageUsed = 0;         // byte 5, percent of rated endurance
    int64_t dataUnitsRead = 0;          // bytes 32–47
    int64_t dataUnitsWritten = 0;       // bytes 48–63
    int64_t hostReadCommands = 0;       // bytes 64–79
    int64_t hostWriteCommands = 0;      // bytes 80–95
    int64_t controllerBusyTime = 0;     // bytes 96–111, minutes
    int64_t powerCycles = 0;            // bytes 112–127
    int64_t powerOnHours = 0;           // bytes 128–143
    int64_t unsafeShutdowns = 0;        // bytes 144–159
    int64_t mediaErrors = 0;            // bytes 160–175
    int64_t errorLogEntries = 0;        // bytes 176–191

    // Nothing unless `log` holds exactly the 512 bytes of the page.
    static std::optional<NvmeHealthLog> parse(const QByteArray &log);
    // Bytes of a count of data units, saturating instead of wrapping.
    static int64_t dataUnitBytes(int64_t units);
    // The composite temperature in whole degrees Celsius (truncated); nothing for 0 K.
    std::optional<int> temperatureCelsius() const;

    // Reads the health helper's output: one line per controller, "nvme<N> <1024 hex digits>".
    // Lines that do not have exactly that form are skipped; at most 64 controllers.
    static QHash<QString, NvmeHealthLog> parseHelperOutput(const QByteArray &output);

    bool operator==(const NvmeHealthLog &) const = default;
};

} // namespace orb
