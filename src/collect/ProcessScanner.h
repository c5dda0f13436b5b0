#pragma once
#include "collect/ApplicationNames.h"
#include "collect/ModuleSampler.h"
#include "collect/ProcessHistories.h"

#include <QHash>
#include <QString>
#include <array>
#include <cstdint>
#include <dirent.h>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace orb {

// The process step of the refresh pass: reads <sysroot>/proc/<pid>/stat of every process
// and turns it into two snapshots, processor share per display name (from the scheduler
// ticks since the previous scan) and resident size per display name. A process is known
// by its pid and start time, so a reused pid starts afresh under its new name. One
// instance lives as long as the collector; it is only called from the pass.
class ProcessScanner : public ModuleSampler {
public:
    // The machine's clock-tick rate and page size (sysconf); tests give their own.
    ProcessScanner();
    ProcessScanner(long clockTicks, uint64_t pageSize, ApplicationNames names);
    ~ProcessScanner() override;
    ProcessScanner(const ProcessScanner &) = delete;
    ProcessScanner &operator=(const ProcessScanner &) = delete;

    // Scans and appends to both histories in `data.processes` (a new value each time).
    void sample(const PassContext &context, SensorData &data) override;

    struct Scan {
        SnapshotPtr cpu;    // null for the first scan: a share needs a previous one
        SnapshotPtr memory; // null when /proc could not be listed
    };
    // One scan at monotonic time `now`. The shares divide by the seconds since the previous
    // scan, at least one (back-to-back passes of `sample` and `snapshot` count as one second).
    Scan scan(const Sysroot &root, double now);

    std::size_t knownProcesses() const { return processes_.size(); }
    std::size_t keptFiles() const { return heldFds_; }

private:
    struct Process {
        uint64_t startTime = 0;
        uint64_t ticks = 0;   // utime + stime at the previous scan
        uint32_t seen = 0;    // scan number that last saw it
        int nameId = -1;
        int fd = -1; // its stat file, kept open between scans
        uint32_t namesGeneration = 0;
        std::string comm;
    };
    struct StatLine {
        std::string_view comm;
        char state = '?';
        uint64_t flags = 0;
        uint64_t ticks = 0;
        uint64_t startTime = 0;
        int64_t rssPages = 0;
    };
    static bool parseStat(std::string_view text, StatLine &out);
    // The display name's id for a process seen for the first time (or renamed).
    int resolveName(int dirFd, std::string_view pidText, const StatLine &stat);
    int internName(const QString &name);
    void forget(int &fd);
    void compactNames();

    long clockTicks_;
    uint64_t pageSize_;
    ApplicationNames appNames_;
    std::unordered_map<int, Process> processes_;
    // Display names by id; the sums per id are reset after every scan.
    std::vector<QString> names_;
    QHash<QString, int> nameIds_;
    std::vector<double> cpuSums_;
    std::vector<double> memSums_;
    std::vector<int> touched_;
    std::array<char, 1024> statLine_{};
    std::array<char, 4096> cmdline_{};
    std::string procPath_;
    std::string procRoot_;
    DIR *procDir_ = nullptr; // the tree's /proc, kept open between scans
    std::size_t heldFds_ = 0;
    std::size_t maxHeldFds_ = 0;
    uint32_t scanNumber_ = 0;
    double lastScan_ = 0.0;
    bool hasBaseline_ = false;
    uint32_t garbledReported_ = 0;
};

} // namespace orb
