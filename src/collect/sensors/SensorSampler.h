#pragma once
#include "collect/Samples.h"
#include "collect/SensorTable.h"

#include <span>
#include <string>

namespace orb {

// A drive's temperature in whole degrees, under the drive's name.
struct DriveReading {
    QString name;
    int64_t celsius = 0;
};

// Reads the sensors of a probed table: only the files the probe found, each read again
// through the descriptor the table keeps open, into a stack buffer, and parsed.
class SensorSampler {
public:
    SensorSampler() = delete;

    // Whole degrees per sensor (millidegrees ÷ 1000, truncated); a sensor that cannot be
    // read or reads below 1 degree gives −1 and stays out of the average. Drive
    // temperatures join the readings and the average (one below 1 degree, such as the
    // −273 an NVMe drive reports for "none", is −1 and stays out); the battery's goes in as
    // text. Empty when the table has nothing to read.
    static TempSample getBaseTempNew(const SensorTable &table, std::span<const DriveReading> drives = {});

    // Revolutions per minute per fan. A fan whose read fails is left out of the sample and
    // of the average; a stopped fan (0) counts. No average when no fan could be read.
    static FanSample getFanDetail(const SensorTable &table);

    // One decimal integer attribute (optional sign, trailing blanks and line end). False
    // when the file cannot be opened or read, or holds anything else.
    static bool readValue(const std::string &path, int64_t &out);
    // The same through an open descriptor, read again from its start; with `fd` −1 the
    // path is opened for this one read.
    static bool readValue(int fd, const std::string &path, int64_t &out);
};

} // namespace orb
