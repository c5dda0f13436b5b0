#include "collect/NvmeHealthLog.h"

#include <gtest/gtest.h>
#include <limits>

using orb::NvmeHealthLog;

namespace {

// A health log page with `bytes` written little-endian at `offset`.
struct Page {
    QByteArray data = QByteArray(512, '\0');
    Page &put(int offset, uint64_t value, int bytes = 8)
    {
        for (int i = 0; i < bytes; ++i)
            data[offset + i] = static_cast<char>((value >> (8 * i)) & 0xff);
        return *this;
    }
};

} // namespace

TEST(NvmeHealthLog, fieldsAtTheirOffsets)
{
    Page p;
    p.put(0, 0x04, 1).put(1, 310, 2).put(3, 100, 1).put(4, 10, 1).put(5, 3, 1);
    p.put(32, 1000000).put(48, 2500000).put(64, 9876543).put(80, 1234567).put(96, 77);
    p.put(112, 512).put(128, 4321).put(144, 29).put(160, 1).put(176, 15);
    const auto log = NvmeHealthLog::parse(p.data);
    ASSERT_TRUE(log);
    EXPECT_EQ(log->criticalWarning, 4);
    EXPECT_EQ(log->temperatureK, 310);
    EXPECT_EQ(log->temperatureCelsius(), 36) << "310 K is 36.85 °C, truncated";
    EXPECT_EQ(log->availableSpare, 100);
    EXPECT_EQ(log->availableSpareThreshold, 10);
    EXPECT_EQ(log->percentageUsed, 3);
    EXPECT_EQ(log->dataUnitsRead, 1000000);
    EXPECT_EQ(log->dataUnitsWritten, 2500000);
    EXPECT_EQ(log->hostReadCommands, 9876543);
    EXPECT_EQ(log->hostWriteCommands, 1234567);
    EXPECT_EQ(log->controllerBusyTime, 77);
    EXPECT_EQ(log->powerCycles, 512);
    EXPECT_EQ(log->powerOnHours, 4321);
    EXPECT_EQ(log->unsafeShutdowns, 29);
    EXPECT_EQ(log->mediaErrors, 1);
    EXPECT_EQ(log->errorLogEntries, 15);
}

TEST(NvmeHealthLog, oddPagesAndHugeCounters)
{
    EXPECT_FALSE(NvmeHealthLog::parse(QByteArray(511, '\0')));
    EXPECT_FALSE(NvmeHealthLog::parse(QByteArray(513, '\0')));
    Page p;
    p.put(32, 5).put(40, 1);                // beyond 64 bits: the high half is not dropped silently
    p.put(48, 0xffffffffffffffffull);       // beyond 63 bits
    const auto log = NvmeHealthLog::parse(p.data);
    ASSERT_TRUE(log);
    EXPECT_EQ(log->dataUnitsRead, std::numeric_limits<int64_t>::max());
    EXPECT_EQ(log->dataUnitsWritten, std::numeric_limits<int64_t>::max());
    EXPECT_EQ(log->temperatureCelsius(), std::nullopt) << "0 K is no reading";
}

TEST(NvmeHealthLog, dataUnitsAre512000Bytes)
{
    const struct {
        int64_t units;
        int64_t bytes;
    } cases[] = {{0, 0}, {1, 512000}, {1000000, 512000000000}, {-3, 0},
                 {std::numeric_limits<int64_t>::max() / 512000 + 1, std::numeric_limits<int64_t>::max()}};
    for (const auto &c : cases)
        EXPECT_EQ(NvmeHealthLog::dataUnitBytes(c.units), c.bytes) << c.units;
}

TEST(NvmeHealthLog, helperOutputLines)
{
    Page p;
    p.put(1, 300, 2);
    const QByteArray hex = p.data.toHex();
    const QByteArray output = "nvme0 " + hex + "\n"
        + "nvme1n1 " + hex + "\n"                  // a namespace, not a controller
        + "nvme2 " + hex.left(1022) + "\n"         // short page
        + "nvme3 " + hex.toUpper() + "\n"          // not what the helper writes
        + "nvme4 " + hex + "; rm -rf /\n"          // trailing junk
        + "nvme5 " + hex;                          // last line without a line end
    const auto logs = NvmeHealthLog::parseHelperOutput(output);
    EXPECT_EQ(logs.size(), 2);
    ASSERT_TRUE(logs.contains("nvme0"));
    EXPECT_EQ(logs.value("nvme0").temperatureK, 300);
    EXPECT_TRUE(logs.contains("nvme5"));
    EXPECT_TRUE(NvmeHealthLog::parseHelperOutput(QByteArray()).isEmpty());
}
