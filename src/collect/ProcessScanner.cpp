#include "collect/ProcessScanner.h"

#include "platform/Logging.h"
#include "platform/OpenProcFile.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace orb {
namespace {

// Kernel threads carry this flag in the ninth field of their stat line.
constexpr uint64_t kKernelThreadFlag = 0x00200000;
constexpr int kLastField = 24; // rss
constexpr uint32_t kMaxGarbledReports = 20;

bool parsePid(const char *name, int &pid)
{
    const std::string_view n(name);
    if (n.empty() || n.size() > 9)
        return false;
    const auto [end, ec] = std::from_chars(n.data(), n.data() + n.size(), pid);
    return ec == std::errc() && end == n.data() + n.size() && pid > 0;
}

// Opens a /proc file relative to `dirFd`; −1 when the process is gone.
int openRelative(int dirFd, const char *relative)
{
    int fd;
    do {
        fd = ::openat(dirFd, relative, O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// The text of a small /proc file through `fd`, read again from its start (procfs makes it
// anew); empty once the process it was opened for has gone, even when its pid has been
// given to another.
std::string_view readText(int fd, char *buf, size_t size)
{
    const ssize_t n = OpenProcFile::readStart(fd, buf, size);
    return std::string_view(buf, n > 0 ? static_cast<size_t>(n) : 0);
}

// A command name as one menu line: control characters (a process may name itself
// anything) become "?".
QString commandName(std::string_view comm)
{
    QString name = QString::fromUtf8(comm.data(), static_cast<qsizetype>(comm.size()));
    for (QChar &c : name)
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            c = QLatin1Char('?');
    return name;
}

} // namespace

ProcessScanner::ProcessScanner()
    : ProcessScanner(::sysconf(_SC_CLK_TCK), static_cast<uint64_t>(std::max(0L, ::sysconf(_SC_PAGESIZE))), ApplicationNames())
{
}

ProcessScanner::ProcessScanner(long clockTicks, uint64_t pageSize, ApplicationNames names)
    : clockTicks_(clockTicks > 0 ? clockTicks : 100), pageSize_(pageSize > 0 ? pageSize : 4096),
      appNames_(std::move(names))
{
    // Keeping a process's stat open saves two of three system calls per process and scan.
    // Half of the descriptors the process may open are left to everything else.
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        maxHeldFds_ = static_cast<size_t>(std::min<rlim_t>(limit.rlim_cur / 2, 4096));
    else
        maxHeldFds_ = 4096;
}

ProcessScanner::~ProcessScanner()
{
    for (auto &[pid, process] : processes_) {
        forget(process.fd);
        forget(process.runFd);
    }
    if (procDir_)
        ::closedir(procDir_);
}

void ProcessScanner::forget(int &fd)
{
    if (fd < 0)
        return;
    ::close(fd);
    fd = -1;
    --heldFds_;
}

bool ProcessScanner::parseStat(std::string_view text, StatLine &out)
{
    // "pid (comm) state ppid ...": the name may hold spaces and parentheses itself, so it
    // runs from the first "(" to the last ")".
    const size_t open = text.find('(');
    const size_t close = text.rfind(')');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open)
        return false;
    out.comm = text.substr(open + 1, close - open - 1);
    const char *p = text.data() + close + 1;
    const char *end = text.data() + text.size();
    uint64_t utime = 0;
    uint64_t stime = 0;
    int field = 3;
    while (field <= kLastField) {
        while (p < end && *p == ' ')
            ++p;
        const char *start = p;
        while (p < end && *p != ' ' && *p != '\n')
            ++p;
        if (p == start)
            return false;
        const auto number = [&](auto &value) {
            const auto [ptr, ec] = std::from_chars(start, p, value);
            return ec == std::errc() && ptr == p;
        };
        switch (field) {
        case 3:
            out.state = *start;
            break;
        case 9:
            if (!number(out.flags))
                return false;
            break;
        case 14:
            if (!number(utime))
                return false;
            break;
        case 15:
            if (!number(stime))
                return false;
            break;
        case 22:
            if (!number(out.startTime))
                return false;
            break;
        case 24:
            if (!number(out.rssPages))
                return false;
            break;
        default:
            break;
        }
        ++field;
    }
    out.ticks = utime + stime;
    return true;
}

int ProcessScanner::internName(const QString &name)
{
    const auto it = nameIds_.constFind(name);
    if (it != nameIds_.cend())
        return it.value();
    const int id = static_cast<int>(names_.size());
    names_.push_back(name);
    nameIds_.insert(name, id);
    cpuSums_.push_back(0.0);
    memSums_.push_back(0.0);
    return id;
}

void ProcessScanner::compactNames()
{
    std::vector<QString> old;
    old.swap(names_);
    nameIds_.clear();
    cpuSums_.clear();
    memSums_.clear();
    for (auto &[pid, process] : processes_)
        if (process.nameId >= 0)
            process.nameId = internName(old[static_cast<size_t>(process.nameId)]);
}

int ProcessScanner::resolveName(int dirFd, std::string_view pidText, const StatLine &stat)
{
    const QString *app = nullptr;
    if (!(stat.flags & kKernelThreadFlag)) {
        app = appNames_.lookup(stat.comm);
        if (!app) {
            // The command name is cut at 15 bytes and a script's is its file's name; the
            // program the command line starts with may still name an application.
            char relative[32];
            std::snprintf(relative, sizeof relative, "%.*s/cmdline", static_cast<int>(pidText.size()), pidText.data());
            const int fd = openRelative(dirFd, relative);
            std::string_view cmdline;
            if (fd >= 0) {
                cmdline = readText(fd, cmdline_.data(), cmdline_.size());
                ::close(fd);
            }
            if (!cmdline.empty()) {
                std::string_view argv0 = cmdline.substr(0, cmdline.find('\0'));
                const size_t slash = argv0.rfind('/');
                if (slash != std::string_view::npos)
                    argv0.remove_prefix(slash + 1);
                if (!argv0.empty() && argv0 != stat.comm)
                    app = appNames_.lookup(argv0);
            }
        }
    }
    if (app)
        return internName(*app);
    if (stat.comm.empty())
        return internName(QStringLiteral("(pid:_%1)").arg(QLatin1String(pidText.data(), static_cast<qsizetype>(pidText.size()))));
    return internName(commandName(stat.comm));
}

bool ProcessScanner::listingDue(const Sysroot &root)
{
    // Every task, thread or process, takes the next free pid, and loadavg's last field is
    // the newest one handed out. While it stays where it was at the last listing, no process
    // can have appeared that the listing did not see; ended ones fail their kept reads.
    char buf[128];
    size_t len = 0;
    const std::string_view text = loadavg_.read(root, buf, sizeof buf, len) ? std::string_view(buf, len) : std::string_view();
    uint64_t lastPid = 0;
    const size_t space = text.find_last_of(' ');
    bool known = false;
    if (space != std::string_view::npos) {
        std::string_view field = text.substr(space + 1);
        while (!field.empty() && field.back() == '\n')
            field.remove_suffix(1);
        const auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), lastPid);
        known = ec == std::errc() && end == field.data() + field.size() && !field.empty();
    }
    const bool due = !known || !listed_ || lastPid != lastPid_ || scansSinceListing_ + 1 >= kMaxScansWithoutListing;
    if (known)
        lastPid_ = lastPid;
    return due;
}

std::optional<ProcessScanner::RunFigures> ProcessScanner::parseSchedstat(std::string_view text)
{
    // "<ns on a processor> <ns waiting> <times on a processor>"
    uint64_t fields[3] = {};
    const char *p = text.data();
    const char *end = p + text.size();
    for (uint64_t &field : fields) {
        while (p < end && *p == ' ')
            ++p;
        const auto [next, ec] = std::from_chars(p, end, field);
        if (ec != std::errc() || (next != end && *next != ' ' && *next != '\n'))
            return std::nullopt;
        p = next;
    }
    if (fields[0] == 0 && fields[1] == 0 && fields[2] == 0)
        return std::nullopt;
    return RunFigures{fields[0], fields[2]};
}

bool ProcessScanner::ranSinceLastRead(Process &process)
{
    if (process.runFd < 0)
        return true;
    char buf[96];
    const std::optional<RunFigures> run = parseSchedstat(readText(process.runFd, buf, sizeof buf));
    // A read that fails (the thread ended) or finds no figures says nothing.
    if (!run) {
        forget(process.runFd);
        return true;
    }
    if (*run == process.run)
        return false;
    process.run = *run;
    return true;
}

void ProcessScanner::keepRuntime(int dirFd, const char *pidText, Process &process)
{
    // Only beside a kept stat file: a descriptor, unlike a pid, never passes on to another
    // process, so the two always speak of the same thread. Tried once per process.
    if (!process.kernelThread || process.runTried || process.fd < 0 || heldFds_ >= maxHeldFds_)
        return;
    process.runTried = true;
    char relative[32];
    std::snprintf(relative, sizeof relative, "%.9s/schedstat", pidText);
    const int fd = openRelative(dirFd, relative);
    if (fd < 0)
        return;
    char buf[96];
    const std::optional<RunFigures> run = parseSchedstat(readText(fd, buf, sizeof buf));
    if (!run) { // no scheduler figures on this kernel: the stat is read every time
        ::close(fd);
        return;
    }
    process.runFd = fd;
    process.run = *run;
    ++heldFds_;
}

void ProcessScanner::visit(int dirFd, int pid, const char *pidText, const ScanContext &context)
{
    // A process known from earlier scans is read through the descriptor kept for it;
    // when that fails (the process ended, perhaps with its pid taken by another) or
    // there is none, the file is opened by name.
    auto known = processes_.find(pid);
    if (known != processes_.end() && known->second.fd >= 0 && !ranSinceLastRead(known->second)) {
        // An idle kernel thread: no ticks since the last read and never any memory.
        known->second.seen = scanNumber_;
        return;
    }
    std::string_view text;
    if (known != processes_.end() && known->second.fd >= 0) {
        text = readText(known->second.fd, statLine_.data(), statLine_.size());
        if (text.empty()) {
            forget(known->second.fd);
            forget(known->second.runFd);
        }
    }
    int opened = -1; // a descriptor opened in this scan, to be kept
    if (text.empty()) {
        char relative[32];
        std::snprintf(relative, sizeof relative, "%.9s/stat", pidText); // a pid has at most 9 digits here
        // A process that ended since the listing has no stat left: skipped without a word.
        opened = openRelative(dirFd, relative);
        if (opened < 0)
            return;
        text = readText(opened, statLine_.data(), statLine_.size());
        if (text.empty() || heldFds_ >= maxHeldFds_) {
            ::close(opened);
            opened = -1;
        } else {
            ++heldFds_;
        }
        if (text.empty())
            return;
    }
    StatLine stat;
    if (!parseStat(text, stat)) {
        forget(opened);
        if (garbledReported_ < kMaxGarbledReports) {
            ++garbledReported_;
            qCWarning(lcCollect, "unreadable stat line of process %d, left out: \"%.*s\"%s", pid,
                      static_cast<int>(std::min<size_t>(text.size(), 80)), text.data(),
                      garbledReported_ == kMaxGarbledReports ? " (further ones are not reported)" : "");
        }
        return;
    }
    const bool inserted = known == processes_.end();
    if (inserted)
        known = processes_.try_emplace(pid).first;
    Process &process = known->second;
    if (opened >= 0)
        process.fd = opened;
    uint64_t delta = 0;
    if (inserted || process.startTime != stat.startTime) {
        // New since the previous scan (or a new process under a reused pid): all of its
        // ticks fell in between.
        const int fd = process.fd;
        forget(process.runFd);
        process = Process{};
        process.fd = fd;
        process.startTime = stat.startTime;
        process.kernelThread = (stat.flags & kKernelThreadFlag) != 0;
        delta = stat.ticks;
    } else if (stat.ticks > process.ticks) {
        delta = stat.ticks - process.ticks;
    }
    if (process.nameId < 0 || process.namesGeneration != context.namesGeneration || process.comm != stat.comm) {
        process.comm.assign(stat.comm);
        process.nameId = resolveName(dirFd, pidText, stat);
        process.namesGeneration = context.namesGeneration;
    }
    process.ticks = stat.ticks;
    process.seen = scanNumber_;
    keepRuntime(dirFd, pidText, process);

    const double cpu = context.shares ? static_cast<double>(delta) * context.perTick : 0.0;
    const double rss = stat.rssPages > 0 ? static_cast<double>(stat.rssPages) * static_cast<double>(pageSize_) / 1024.0 : 0.0;
    if (cpu <= 0.0 && rss <= 0.0)
        return;
    const auto id = static_cast<size_t>(process.nameId);
    if (cpuSums_[id] <= 0.0 && memSums_[id] <= 0.0)
        touched_.push_back(process.nameId);
    cpuSums_[id] += cpu;
    memSums_[id] += rss;
}

ProcessScanner::Scan ProcessScanner::scan(const Sysroot &root, double now)
{
    if (root.root() != procRoot_) {
        // Kept descriptors belong to the other tree; the baselines stay.
        for (auto &[pid, process] : processes_) {
            forget(process.fd);
            forget(process.runFd);
        }
        if (procDir_)
            ::closedir(procDir_);
        procDir_ = nullptr;
        listed_ = false;
        procRoot_ = root.root();
        procPath_ = root.path("/proc");
    }
    appNames_.refresh(root, now);
    if (!procDir_)
        procDir_ = ::opendir(procPath_.c_str());
    if (!procDir_) {
        qCWarning(lcCollect, "cannot list %s; no process figures this pass", procPath_.c_str());
        return {};
    }
    const int dirFd = ::dirfd(procDir_);
    ++scanNumber_;
    const double elapsed = std::max(now - lastScan_, 1.0);
    const ScanContext context{hasBaseline_, 100.0 / static_cast<double>(clockTicks_) / elapsed, appNames_.generation()};
    touched_.clear();

    if (listingDue(root)) {
        // /proc stays open between scans and is listed again from its start.
        ::rewinddir(procDir_);
        while (const dirent *entry = ::readdir(procDir_)) {
            int pid = 0;
            if (parsePid(entry->d_name, pid))
                visit(dirFd, pid, entry->d_name, context);
        }
        listed_ = true;
        scansSinceListing_ = 0;
        ++listings_;
    } else {
        for (auto &[pid, process] : processes_) {
            // to_chars: snprintf's format parsing was most of a scan of held descriptors.
            char pidText[16];
            *std::to_chars(pidText, pidText + sizeof pidText - 1, pid).ptr = '\0';
            visit(dirFd, pid, pidText, context);
        }
        ++scansSinceListing_;
    }

    for (auto it = processes_.begin(); it != processes_.end();) {
        if (it->second.seen == scanNumber_) {
            ++it;
            continue;
        }
        forget(it->second.fd);
        forget(it->second.runFd);
        it = processes_.erase(it);
    }

    const auto snapshotOf = [&](std::vector<double> &sums) {
        auto snapshot = std::make_shared<ProcessSnapshot>();
        snapshot->time = now;
        snapshot->entries.reserve(touched_.size());
        for (const int id : touched_) {
            const auto i = static_cast<size_t>(id);
            if (sums[i] > 0.0)
                snapshot->entries.push_back({names_[i], sums[i]});
        }
        std::sort(snapshot->entries.begin(), snapshot->entries.end(), [](const ProcessShare &a, const ProcessShare &b) {
            return a.value != b.value ? a.value > b.value : a.name < b.name;
        });
        return snapshot;
    };
    Scan result;
    if (context.shares)
        result.cpu = snapshotOf(cpuSums_);
    result.memory = snapshotOf(memSums_);
    for (const int id : touched_) {
        cpuSums_[static_cast<size_t>(id)] = 0.0;
        memSums_[static_cast<size_t>(id)] = 0.0;
    }
    lastScan_ = now;
    hasBaseline_ = true;
    // Names of processes long gone are dropped once they outnumber the living.
    if (names_.size() > 2 * processes_.size() + 256)
        compactNames();
    return result;
}

void ProcessScanner::sample(const PassContext &context, SensorData &data)
{
    Scan s = scan(context.root, context.now);
    if (!s.cpu && !s.memory)
        return;
    auto next = std::make_shared<ProcessHistories>(data.processes ? *data.processes : ProcessHistories());
    ProcessHistories::append(next->cpu, std::move(s.cpu));
    ProcessHistories::append(next->memory, std::move(s.memory));
    data.processes = std::move(next);
}

} // namespace orb
