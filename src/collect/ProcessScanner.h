#pragma once
#include "collect/ApplicationNames.h"
#include "collect/ModuleSampler.h"
#include "collect/ProcessHistories.h"
#include "platform/OpenProcFile.h"

#include <QHash>
#include <QString>
#include <array>
#include <optional>
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
    // How many scans listed the /proc directory (the others read the known processes only).
    uint32_t listings() const { return listings_; }

    // A scan lists /proc when it cannot tell that no task was made since the last listing,
    // and at least this often.
    static constexpr uint32_t kMaxScansWithoutListing = 12;

private:
    // A schedstat line's nanoseconds on a processor and times put on one.
    struct RunFigures {
        uint64_t runtime = 0;
        uint64_t slices = 0;
        bool operator==(const RunFigures &) const = default;
    };
    struct Process {
        uint64_t startTime = 0;
        uint64_t ticks = 0;   // utime + stime at the previous scan
        uint32_t seen = 0;    // scan number that last saw it
        int nameId = -1;
        int fd = -1; // its stat file, kept open between scans
        // A kernel thread's schedstat, kept open too: its run time tells whether the
        // thread ran since the previous scan, and only then is its stat read again.
        int runFd = -1;
        RunFigures run;         // at the last stat read
        bool runTried = false;  // schedstat was opened once (kept or not)
        bool kernelThread = false;
        uint32_t namesGeneration = 0;
        std::string comm;
    };
    struct ScanContext {
        bool shares;
        double perTick;
        uint32_t namesGeneration;
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
    // The figures of a schedstat line; none when it has none, or only zeros (a kernel
    // without scheduler statistics).
    static std::optional<RunFigures> parseSchedstat(std::string_view text);
    // Whether this scan must list /proc: the newest pid in loadavg moved since the
    // listing before, or could not be read.
    bool listingDue(const Sysroot &root);
    // Reads one process for the scan in progress and adds it to the sums.
    void visit(int dirFd, int pid, const char *pidText, const ScanContext &context);
    // Whether the process ran since its stat was last read, as far as its kept run time
    // tells; true when nothing is kept.
    bool ranSinceLastRead(Process &process);
    void keepRuntime(int dirFd, const char *pidText, Process &process);
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
    OpenProcFile loadavg_{"/proc/loadavg"};
    uint64_t lastPid_ = 0;   // the newest pid when /proc was last listed
    bool listed_ = false;    // this tree's /proc has been listed
    uint32_t scansSinceListing_ = 0;
    uint32_t listings_ = 0;
    std::size_t heldFds_ = 0;
    std::size_t maxHeldFds_ = 0;
    uint32_t scanNumber_ = 0;
    double lastScan_ = 0.0;
    bool hasBaseline_ = false;
    uint32_t garbledReported_ = 0;
};

} // namespace orb
