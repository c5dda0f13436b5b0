#include "platform/OpenProcFile.h"

#include "TestEnvironment.h"
#include "platform/Sysroot.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

using namespace orb;

namespace {

// A writable tree whose files are rewritten in place between reads, the way procfs and
// sysfs make their text anew.
class Tree {
public:
    Tree() : root_(dir_.path().toStdString()) {}
    const Sysroot &root() const { return root_; }
    QString path(const char *machinePath) const { return dir_.path() + QLatin1String(machinePath); }
    void write(const char *machinePath, const QByteArray &text) const
    {
        QDir().mkpath(QFileInfo(path(machinePath)).path());
        QFile f(path(machinePath));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
    }
    void remove(const char *machinePath) const { ASSERT_TRUE(QFile::remove(path(machinePath))); }

private:
    QTemporaryDir dir_;
    Sysroot root_;
};

// Makes the kept descriptor fail the way one of a removed device's attribute does: it now
// stands for a directory, and every read of it fails.
void breakDescriptor(const OpenProcFile &file, const Tree &tree)
{
    ASSERT_TRUE(file.isOpen());
    const int dir = ::open(tree.root().root().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(dir, 0);
    ASSERT_EQ(::dup2(dir, file.descriptor()), file.descriptor());
    ::close(dir);
}

std::string readSmall(OpenProcFile &file, const Sysroot &root, size_t size = 32)
{
    char buf[64];
    size_t len = 0;
    if (!file.read(root, buf, size, len))
        return "<failed>";
    return std::string(buf, len);
}

} // namespace

TEST(OpenProcFile, EachReadSeesTheTextOfThatMoment)
{
    // Texts around the size of the first buffer and far past it, read whole and under a cap.
    const QByteArray long1(10000, 'a');
    const QByteArray long2 = QByteArray(4095, 'b') + "\n" + QByteArray(9000, 'c');
    struct Step {
        QByteArray text;
        size_t cap;
        std::string expected;
    };
    const Step steps[] = {
        {"cpu0 1 2 3 4\n", OpenProcFile::kDefaultCap, "cpu0 1 2 3 4\n"},
        {"cpu0 5 6 7 8\ncpu1 9 9 9 9\n", OpenProcFile::kDefaultCap, "cpu0 5 6 7 8\ncpu1 9 9 9 9\n"},
        {long1, OpenProcFile::kDefaultCap, long1.toStdString()},
        {long2, OpenProcFile::kDefaultCap, long2.toStdString()},
        {"short again\n", OpenProcFile::kDefaultCap, "short again\n"},
        {long1, 6000, std::string(6000, 'a')},
        {"", OpenProcFile::kDefaultCap, ""},
    };
    Tree tree;
    // A file made whole in one read stops at a short read; one longer than a read asks for
    // still comes whole.
    for (const OpenProcFile::Text kind :
         {OpenProcFile::Text::Records, OpenProcFile::Text::Whole, OpenProcFile::Text::ShortLines}) {
        OpenProcFile file("/proc/stat", kind);
        std::string out;
        int descriptor = -1;
        for (const Step &s : steps) {
            SCOPED_TRACE(s.text.left(20).toStdString() + " (kind " + std::to_string(static_cast<int>(kind)) + ")");
            tree.write("/proc/stat", s.text);
            ASSERT_TRUE(file.read(tree.root(), out, s.cap));
            EXPECT_EQ(out, s.expected);
            // One descriptor serves every read.
            if (descriptor < 0)
                descriptor = file.descriptor();
            EXPECT_EQ(file.descriptor(), descriptor);
        }
    }

    struct Small {
        QByteArray text;
        std::string expected;
    };
    const Small attributes[] = {
        {"12345\n", "12345\n"},
        {"up\n", "up\n"},
        {QByteArray(31, '7'), std::string(31, '7')},
        {QByteArray(32, '7'), "<failed>"}, // as long as the buffer: it may go on
        {"0\n", "0\n"},
    };
    OpenProcFile counter("/sys/class/net/eth0/statistics/rx_bytes");
    for (const Small &a : attributes) {
        SCOPED_TRACE(a.text.toStdString());
        tree.write("/sys/class/net/eth0/statistics/rx_bytes", a.text);
        EXPECT_EQ(readSmall(counter, tree.root()), a.expected);
    }
}

TEST(OpenProcFile, AKernelTableOfShortLinesComesWholeOverManyPages)
{
    // The kernel's symbol table: a seq_file of short lines, steady while the machine runs and
    // many pages long. Each read stops short where the next line would overrun the page; only
    // the read that leaves room for any line is the end. Only the framing is compared, with a
    // plain read of the same bytes.
    QFile plain(QStringLiteral("/proc/kallsyms"));
    if (!plain.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        GTEST_SKIP() << "no /proc/kallsyms here";
    constexpr size_t kCap = 256 * 1024;
    QByteArray expected;
    while (static_cast<size_t>(expected.size()) < kCap) {
        const QByteArray part = plain.read(static_cast<qint64>(kCap) - expected.size());
        if (part.isEmpty())
            break;
        expected += part;
    }
    if (static_cast<size_t>(expected.size()) < 4 * OpenProcFile::kKernelPage)
        GTEST_SKIP() << "the symbol table here is shorter than a few pages";
    OpenProcFile table("/proc/kallsyms", OpenProcFile::Text::ShortLines);
    std::string out;
    ASSERT_TRUE(table.read(Sysroot("/"), out, kCap));
    EXPECT_EQ(out.size(), static_cast<size_t>(expected.size()));
    EXPECT_TRUE(out == expected.toStdString());
}

TEST(OpenProcFile, AFileThatGoesAwayFailsCleanlyAndIsFoundAgain)
{
    Tree tree;
    test::LogCapture log;
    OpenProcFile file("/sys/block/zram0/mm_stat");
    std::string out = "stale";

    // Not there yet: a failure, said once however often it is tried.
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(file.read(tree.root(), out));
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(log.lines().filter(QStringLiteral("mm_stat")).size(), 1);

    tree.write("/sys/block/zram0/mm_stat", "1 2 3\n");
    ASSERT_TRUE(file.read(tree.root(), out));
    EXPECT_EQ(out, "1 2 3\n");

    // The device went and came back under the same name: the old descriptor fails, one
    // fresh open reads the new file.
    tree.remove("/sys/block/zram0/mm_stat");
    tree.write("/sys/block/zram0/mm_stat", "4 5 6\n");
    breakDescriptor(file, tree);
    ASSERT_TRUE(file.read(tree.root(), out));
    EXPECT_EQ(out, "4 5 6\n");

    // Gone for good: failures, and a second episode is said once more.
    tree.remove("/sys/block/zram0/mm_stat");
    breakDescriptor(file, tree);
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(file.read(tree.root(), out));
    EXPECT_FALSE(file.isOpen());
    EXPECT_EQ(log.lines().filter(QStringLiteral("mm_stat")).size(), 2);
    EXPECT_EQ(readSmall(file, tree.root()), "<failed>");

    tree.write("/sys/block/zram0/mm_stat", "7 8 9\n");
    EXPECT_EQ(readSmall(file, tree.root()), "7 8 9\n");
    ASSERT_TRUE(file.read(tree.root(), out));
    EXPECT_EQ(out, "7 8 9\n");
}

TEST(OpenProcFile, FollowsTheTreeAndReadsOnlyRegularFiles)
{
    Tree a, b;
    a.write("/proc/meminfo", "MemTotal: 1 kB\n");
    b.write("/proc/meminfo", "MemTotal: 2 kB\n");
    OpenProcFile file("/proc/meminfo");
    std::string out;
    for (const Tree *t : {&a, &b, &a}) {
        ASSERT_TRUE(file.read(t->root(), out));
        EXPECT_EQ(out, t == &a ? "MemTotal: 1 kB\n" : "MemTotal: 2 kB\n");
    }

    // A FIFO in a captured tree is never waited on, nor is a directory read.
    Tree odd;
    QDir().mkpath(odd.path("/proc"));
    test::FifoTrap fifo(odd.path("/proc/meminfo"), 20000);
    ASSERT_TRUE(fifo.created());
    QDir().mkpath(odd.path("/proc/vmstat"));
    OpenProcFile vmstat("/proc/vmstat");
    EXPECT_FALSE(file.read(odd.root(), out));
    EXPECT_FALSE(vmstat.read(odd.root(), out));
    EXPECT_FALSE(fifo.stalled());

    // Moving keeps the descriptor with the object that reads.
    OpenProcFile moved(std::move(file));
    ASSERT_TRUE(moved.read(b.root(), out));
    EXPECT_EQ(out, "MemTotal: 2 kB\n");
    file = std::move(moved);
    ASSERT_TRUE(file.read(b.root(), out));
    EXPECT_EQ(out, "MemTotal: 2 kB\n");
}
