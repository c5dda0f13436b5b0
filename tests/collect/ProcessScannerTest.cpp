#include "collect/ProcessScanner.h"

#include "ProcessTrees.h"
#include "TestEnvironment.h"

#include <QTemporaryDir>
#include <atomic>
#include <cstdlib>
#include <gtest/gtest.h>
#include <map>
#include <new>

// Counts heap allocations while `g_counting` is set (the steady-state scan test).
static std::atomic<bool> g_counting{false};
static std::atomic<long> g_allocations{0};

// Not under ThreadSanitizer: it would take Qt's own allocations for this program's, and
// Qt's hand-overs between threads are invisible to it.
#if defined(__SANITIZE_THREAD__)
#define ORB_COUNTS_ALLOCATIONS 0
#else
#define ORB_COUNTS_ALLOCATIONS 1
static void *countedMalloc(std::size_t size)
{
    if (g_counting.load(std::memory_order_relaxed))
        g_allocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size ? size : 1);
}
void *operator new(std::size_t size)
{
    if (void *p = countedMalloc(size))
        return p;
    throw std::bad_alloc();
}
// The library's no-throw form (temporary buffers) is freed by the deletes below: it must come
// from the same malloc.
void *operator new(std::size_t size, const std::nothrow_t &) noexcept { return countedMalloc(size); }
void operator delete(void *p) noexcept { std::free(p); }
void operator delete(void *p, std::size_t) noexcept { std::free(p); }
#endif

using namespace orb;

namespace {

constexpr long kHz = 100;
constexpr uint64_t kPage = 4096;

Sysroot tree(const char *name) { return Sysroot(test::fixturePath(QString::fromLatin1(name)).toStdString()); }

ProcessScanner makeScanner(long hz = kHz, uint64_t page = kPage)
{
    return ProcessScanner(hz, page, ApplicationNames({QStringLiteral("/home/user/.local/share"), QStringLiteral("/usr/share")}, {}));
}

std::map<QString, double> asMap(const SnapshotPtr &s)
{
    std::map<QString, double> m;
    if (s)
        for (const ProcessShare &e : s->entries)
            m[e.name] = e.value;
    return m;
}

class EdgeTrees : public ::testing::Test {
protected:
    void SetUp() override
    {
        first = scanner.scan(tree("procs-edge-a"), 100.0);
        second = scanner.scan(tree("procs-edge-b"), 101.0);
    }
    ProcessScanner scanner = makeScanner();
    ProcessScanner::Scan first;
    ProcessScanner::Scan second;
};

} // namespace

TEST_F(EdgeTrees, FirstScanHasMemoryButNoShares)
{
    EXPECT_EQ(first.cpu, nullptr);
    ASSERT_NE(first.memory, nullptr);
    const auto mem = asMap(first.memory);
    EXPECT_DOUBLE_EQ(mem.at("oldjob"), 5000 * 4.0);
    EXPECT_DOUBLE_EQ(mem.at("leaving"), 700 * 4.0);
}

TEST_F(EdgeTrees, SharesPerDisplayNameFromTickDeltas)
{
    ASSERT_NE(second.cpu, nullptr);
    // Per cent of one processor: ticks in the second at 100 per second.
    const std::map<QString, double> expected = {
        {"systemd", 1},
        {"kworker/0:1-events", 3},       // kernel thread under its own name
        {"odd) (name)", 50},             // "(" and ")" inside the name
        {"worker", 35},                  // two processes of one name: 15 + 20
        {"System Monitor", 6},           // cut command name, application from the command line
        {"Meld (mine)", 2},              // script under its interpreter; the user's entry wins
        {"Firefox ESR", 25},             // Exec with a full path and a field code
        {"evil<b>?name", 1},             // line feed in a command name made visible
        {"Evil App <b>&amp;</b> $(rm -rf ~)", 2},
        {"plainjob", 4},                 // its entry is hidden
        {"newjob", 30},                  // pid 900 reused: the new process's own ticks
    };
    EXPECT_EQ(asMap(second.cpu), expected);
}

TEST_F(EdgeTrees, ResidentSizesAndWhatIsLeftOut)
{
    const auto mem = asMap(second.memory);
    EXPECT_DOUBLE_EQ(mem.at("worker"), (1000 + 1500) * 4.0);
    EXPECT_DOUBLE_EQ(mem.at("Firefox ESR"), 100000 * 4.0);
    EXPECT_DOUBLE_EQ(mem.at("newjob"), 800 * 4.0);
    for (const char *gone : {"oldjob", "leaving", "defunct-child", "kthreadd", "broken", "self"})
        EXPECT_EQ(mem.count(QString::fromLatin1(gone)), 0u) << gone;
    // pid 1000 (no stat left) and the garbled pid 1100 are not kept either.
    EXPECT_EQ(scanner.knownProcesses(), 14u);
}

TEST_F(EdgeTrees, SnapshotsListLargestFirst)
{
    for (const SnapshotPtr &s : {second.cpu, second.memory}) {
        ASSERT_NE(s, nullptr);
        ASSERT_GE(s->entries.size(), 2u);
        for (size_t i = 1; i < s->entries.size(); ++i)
            EXPECT_GE(s->entries[i - 1].value, s->entries[i].value);
    }
    EXPECT_EQ(second.cpu->entries.front().name, QStringLiteral("odd) (name)"));
    EXPECT_EQ(second.memory->entries.front().name, QStringLiteral("Firefox ESR"));
    EXPECT_DOUBLE_EQ(second.cpu->value("worker"), 35);
    EXPECT_DOUBLE_EQ(second.cpu->value("not running"), 0);
}

TEST(ProcessScanner, ShareArithmetic)
{
    struct Case {
        const char *what;
        long hz;
        uint64_t page;
        uint64_t ticksBefore, ticksAfter;
        double seconds;
        int64_t rssPages;
        double share;  // expected per cent of one processor; 0 = not listed
        double rssKiB; // expected
    };
    const Case cases[] = {
        {"a process using one and a half processors", 100, 4096, 1000, 1150, 1.0, 256, 150, 1024},
        {"five seconds between scans", 100, 4096, 1000, 1025, 5.0, 256, 5, 1024},
        {"another clock rate", 250, 4096, 0, 250, 2.0, 1, 50, 4},
        {"16 KiB pages", 100, 16384, 0, 10, 1.0, 256, 10, 4096},
        {"back-to-back scans count as one second", 100, 4096, 0, 40, 0.001, 1, 40, 4},
        {"a counter that went back", 100, 4096, 500, 400, 1.0, 1, 0, 4},
        {"idle, no memory: listed nowhere", 100, 4096, 7, 7, 1.0, 0, 0, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir a, b;
        test::writeProcess(a.path(), {.pid = 42, .comm = "job", .utime = c.ticksBefore, .rssPages = c.rssPages});
        test::writeProcess(b.path(), {.pid = 42, .comm = "job", .utime = c.ticksAfter, .rssPages = c.rssPages});
        ProcessScanner scanner = makeScanner(c.hz, c.page);
        scanner.scan(Sysroot(a.path().toStdString()), 10.0);
        const auto s = scanner.scan(Sysroot(b.path().toStdString()), 10.0 + c.seconds);
        ASSERT_NE(s.cpu, nullptr);
        EXPECT_NEAR(s.cpu->value("job"), c.share, 1e-9);
        EXPECT_EQ(s.cpu->entries.size(), c.share > 0 ? 1u : 0u);
        EXPECT_NEAR(s.memory->value("job"), c.rssKiB, 1e-9);
    }
}

TEST(ProcessScanner, GarbledAndTruncatedLinesAreSkipped)
{
    const QByteArray lines[] = {
        "42 (job S 1 42 42 0 -1 4194560 120 0 0 0 5 5 0 0 20 0 1 0 100 1 1\n", // no ")"
        "42 (job) S 1 42 42 0 -1 4194560 120 0 0 0 5 5 0 0 20 0 1 0 100\n",     // cut before rss
        "42 (job) S 1 42 42 0 -1 4194560 120 0 0 0 5x 5 0 0 20 0 1 0 100 1 1\n", // not a number
        "",
    };
    for (const QByteArray &line : lines) {
        SCOPED_TRACE(line.toStdString());
        QTemporaryDir dir;
        test::writeFile(dir.path() + "/proc/42/stat", line);
        test::writeProcess(dir.path(), {.pid = 7, .comm = "fine", .rssPages = 3});
        ProcessScanner scanner = makeScanner();
        const auto s = scanner.scan(Sysroot(dir.path().toStdString()), 0.0);
        ASSERT_NE(s.memory, nullptr);
        EXPECT_EQ(asMap(s.memory), (std::map<QString, double>{{"fine", 12}}));
    }
}

TEST(ProcessScanner, NoProcDirectoryGivesNoSnapshot)
{
    QTemporaryDir empty;
    ProcessScanner scanner = makeScanner();
    const auto s = scanner.scan(Sysroot(empty.path().toStdString()), 0.0);
    EXPECT_EQ(s.cpu, nullptr);
    EXPECT_EQ(s.memory, nullptr);
    SensorData data;
    scanner.sample(PassContext{Sysroot(empty.path().toStdString()), 0.0}, data);
    EXPECT_EQ(data.processes, nullptr);
}

TEST(ProcessScanner, FourHundredProcessesComeAndGo)
{
    QTemporaryDir a, b;
    for (int i = 0; i < 400; ++i) {
        const QByteArray comm = "p" + QByteArray::number(i % 100);
        // Every process runs one tick per second more; every third one is idle.
        test::writeProcess(a.path(), {.pid = 1000 + i, .comm = comm, .utime = 50, .rssPages = 10});
        if (i < 200)
            test::writeProcess(b.path(), {.pid = 1000 + i, .comm = comm, .utime = i % 3 ? 51u : 50u, .rssPages = 10});
    }
    ProcessScanner scanner = makeScanner();
    const auto first = scanner.scan(Sysroot(a.path().toStdString()), 0.0);
    EXPECT_EQ(scanner.knownProcesses(), 400u);
    ASSERT_EQ(first.memory->entries.size(), 100u);
    EXPECT_DOUBLE_EQ(first.memory->value("p7"), 4 * 10 * 4.0);

    const auto second = scanner.scan(Sysroot(b.path().toStdString()), 1.0);
    EXPECT_EQ(scanner.knownProcesses(), 200u);
    // pids 1000..1199 remain: names p0..p99 twice each; p0's pids 1000 and 1100 both idle.
    EXPECT_DOUBLE_EQ(second.memory->value("p7"), 2 * 10 * 4.0);
    EXPECT_DOUBLE_EQ(second.cpu->value("p1"), 2.0);
    EXPECT_DOUBLE_EQ(second.cpu->value("p0"), 1.0); // pid 1000 idle, pid 1100 (i = 100) busy
    EXPECT_DOUBLE_EQ(second.cpu->value("p3"), 1.0); // i = 3 idle, i = 103 busy
}

TEST(ProcessScanner, SteadyScanAllocationsDoNotGrowWithProcesses)
{
    if (!ORB_COUNTS_ALLOCATIONS)
        GTEST_SKIP() << "allocations are not counted under ThreadSanitizer";
    const auto allocationsFor = [](int processes) {
        QTemporaryDir dir;
        for (int i = 0; i < processes; ++i)
            test::writeProcess(dir.path(), {.pid = 100 + i, .comm = "p" + QByteArray::number(i % 7), .utime = 5, .rssPages = 2});
        const Sysroot root(dir.path().toStdString());
        ProcessScanner scanner = makeScanner();
        scanner.scan(root, 0.0);
        scanner.scan(root, 1.0);
        g_allocations = 0;
        g_counting = true;
        scanner.scan(root, 2.0);
        g_counting = false;
        return g_allocations.load();
    };
    const long few = allocationsFor(7);
    const long many = allocationsFor(350);
    EXPECT_EQ(many, few) << "a scan of known processes allocates per process";
    EXPECT_LT(few, 16);
}

TEST(ProcessScanner, HistoriesKeepTheNewest256AndNeverChangeInPlace)
{
    QTemporaryDir dir;
    test::writeProcess(dir.path(), {.pid = 9, .comm = "job", .rssPages = 1});
    const Sysroot root(dir.path().toStdString());
    ProcessScanner scanner = makeScanner();
    SensorData data;
    std::shared_ptr<const ProcessHistories> held;
    for (int pass = 0; pass < 300; ++pass) {
        scanner.sample(PassContext{root, double(pass)}, data);
        if (pass == 99)
            held = data.processes;
    }
    ASSERT_NE(data.processes, nullptr);
    EXPECT_EQ(data.processes->memory.size(), 256u);
    EXPECT_EQ(data.processes->cpu.size(), 256u);
    EXPECT_DOUBLE_EQ(data.processes->memory.front()->time, 300 - 256);
    EXPECT_DOUBLE_EQ(data.processes->memory.back()->time, 299);
    EXPECT_DOUBLE_EQ(data.processes->cpu.front()->time, 300 - 256);
    // The value handed out at pass 99 still holds what it held then.
    EXPECT_EQ(held->memory.size(), 100u);
    EXPECT_EQ(held->cpu.size(), 99u);
    EXPECT_DOUBLE_EQ(held->memory.back()->time, 99);
}

TEST(ProcessScanner, ListsProcOnlyWhenAPidWasHandedOutSinceTheLastListing)
{
    QTemporaryDir dir;
    const QString root = dir.path();
    const auto loadavg = [&](const QByteArray &lastPid) {
        test::writeFile(root + "/proc/loadavg", "0.08 0.03 0.01 1/93 " + lastPid + "\n");
    };
    loadavg("500");
    test::writeProcess(root, {.pid = 42, .comm = "job", .utime = 10, .rssPages = 5});
    ProcessScanner scanner = makeScanner();
    const Sysroot sysroot(root.toStdString());
    scanner.scan(sysroot, 0.0);
    EXPECT_EQ(scanner.listings(), 1u);

    // No pid handed out: the known process is read again through its kept file.
    test::writeProcess(root, {.pid = 42, .comm = "job", .utime = 30, .rssPages = 5});
    test::writeProcess(root, {.pid = 43, .comm = "late", .rssPages = 1});
    auto s = scanner.scan(sysroot, 1.0);
    EXPECT_EQ(scanner.listings(), 1u);
    EXPECT_DOUBLE_EQ(s.cpu->value("job"), 20.0);
    EXPECT_EQ(s.memory->entries.size(), 1u);

    // A new pid: the directory is listed and the new process found.
    loadavg("501");
    s = scanner.scan(sysroot, 2.0);
    EXPECT_EQ(scanner.listings(), 2u);
    EXPECT_DOUBLE_EQ(s.memory->value("late"), 4.0);

    // However quiet the machine, a listing comes round again.
    uint32_t scans = 0;
    while (scanner.listings() == 2u && scans < 100) {
        scanner.scan(sysroot, 3.0 + scans);
        ++scans;
    }
    EXPECT_EQ(scans, ProcessScanner::kMaxScansWithoutListing);

    // A loadavg that tells nothing: every scan lists.
    for (const QByteArray &garbled : {QByteArray("0.08 0.03 0.01 1/93\n"), QByteArray(""), QByteArray("1 2 3 4/5 x\n")}) {
        test::writeFile(root + "/proc/loadavg", garbled);
        ProcessScanner fresh = makeScanner();
        fresh.scan(sysroot, 0.0);
        fresh.scan(sysroot, 1.0);
        EXPECT_EQ(fresh.listings(), 2u) << garbled.constData();
    }
}

TEST(ProcessScanner, AKernelThreadsStatIsReadAgainOnlyOnceItRan)
{
    QTemporaryDir dir;
    const QString root = dir.path();
    constexpr uint64_t kKernelThread = 0x00208040;
    test::ProcessLine worker{.pid = 7, .comm = "kworker/0:1-events", .utime = 5, .flags = kKernelThread};
    test::ProcessLine job{.pid = 42, .comm = "job", .utime = 10, .rssPages = 5};
    test::writeProcess(root, worker);
    test::writeProcess(root, job);
    test::writeFile(root + "/proc/7/schedstat", "50000000 2000 9\n");
    test::writeFile(root + "/proc/42/schedstat", "100000000 2000 9\n");
    ProcessScanner scanner = makeScanner();
    const Sysroot sysroot(root.toStdString());
    scanner.scan(sysroot, 0.0);
    EXPECT_EQ(scanner.keptFiles(), 3u); // both stat files and the thread's schedstat

    // The thread's run time stands still, so its stat is not read; a user process's stat is
    // read whatever its main thread's schedstat says (other threads, memory).
    worker.utime = 8;
    worker.comm = "kworker/0:1-mm_percpu_wq";
    job.utime = 14;
    test::writeProcess(root, worker);
    test::writeProcess(root, job);
    auto s = scanner.scan(sysroot, 1.0);
    EXPECT_EQ(asMap(s.cpu), (std::map<QString, double>{{"job", 4}}));

    // It ran: its ticks since the last read, under the name it has now.
    test::writeFile(root + "/proc/7/schedstat", "80000000 2000 12\n");
    s = scanner.scan(sysroot, 2.0);
    EXPECT_EQ(asMap(s.cpu), (std::map<QString, double>{{"kworker/0:1-mm_percpu_wq", 3}}));
    // Put on a processor without a measurable run time yet counts as having run too.
    worker.utime = 9;
    test::writeProcess(root, worker);
    test::writeFile(root + "/proc/7/schedstat", "80000000 2000 13\n");
    s = scanner.scan(sysroot, 3.0);
    EXPECT_EQ(asMap(s.cpu), (std::map<QString, double>{{"kworker/0:1-mm_percpu_wq", 1}}));
    // A thread that has not run since it was made still has its count.
    test::writeProcess(root, {.pid = 8, .comm = "kworker/R-rcu_gp", .flags = kKernelThread});
    test::writeFile(root + "/proc/8/schedstat", "0 0 2\n");
    test::writeFile(root + "/proc/loadavg", "0 0 0 1/2 8\n");
    scanner.scan(sysroot, 4.0);
    EXPECT_EQ(scanner.keptFiles(), 5u);

    // A kernel without scheduler figures prints zeros: then the stat is read every time.
    QTemporaryDir bare;
    test::writeProcess(bare.path(), {.pid = 7, .comm = "kswapd0", .utime = 5, .flags = kKernelThread});
    test::writeFile(bare.path() + "/proc/7/schedstat", "0 0 0\n");
    ProcessScanner plain = makeScanner();
    const Sysroot bareRoot(bare.path().toStdString());
    plain.scan(bareRoot, 0.0);
    EXPECT_EQ(plain.keptFiles(), 1u);
    test::writeProcess(bare.path(), {.pid = 7, .comm = "kswapd0", .utime = 9, .flags = kKernelThread});
    s = plain.scan(bareRoot, 1.0);
    EXPECT_EQ(asMap(s.cpu), (std::map<QString, double>{{"kswapd0", 4}}));
}
