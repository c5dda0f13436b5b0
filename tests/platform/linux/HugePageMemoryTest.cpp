#include "platform/linux/HugePageMemory.h"

#include <gtest/gtest.h>
#include <cstring>
#include <memory>
#include <vector>
#include <fstream>
#include <sstream>
#include <sys/mman.h>

using namespace orb;

namespace {

constexpr std::uintptr_t kHuge = HugePageMemory::kHugePage;

// An aligned stretch of address space the test owns: `pages` huge pages, unmapped again at
// the end, with `length` bytes of it mapped at `offset` from the start.
class Block {
public:
    explicit Block(size_t pages)
    {
        void *raw = ::mmap(nullptr, (pages + 1) * kHuge, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        EXPECT_NE(raw, MAP_FAILED);
        const auto r = reinterpret_cast<std::uintptr_t>(raw);
        start_ = (r + kHuge - 1) & ~(kHuge - 1);
        end_ = start_ + pages * kHuge;
        // Only the aligned part is kept; the rest of the reservation is given back.
        if (start_ > r)
            ::munmap(raw, start_ - r);
        ::munmap(reinterpret_cast<void *>(end_), r + (pages + 1) * kHuge - end_);
        ::munmap(reinterpret_cast<void *>(start_), end_ - start_);
    }
    ~Block() { ::munmap(reinterpret_cast<void *>(start_), end_ - start_); }
    std::uintptr_t start() const { return start_; }
    std::uintptr_t end() const { return end_; }

    // Maps [start+offset, start+offset+length) filled with a pattern, with `protection`.
    char *map(size_t offset, size_t length, int protection)
    {
        void *p = ::mmap(reinterpret_cast<void *>(start_ + offset), length, PROT_READ | PROT_WRITE,
                         MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
        EXPECT_NE(p, MAP_FAILED);
        auto *bytes = static_cast<char *>(p);
        for (size_t i = 0; i < length; ++i)
            bytes[i] = static_cast<char>(i * 7 + 3);
        ::mprotect(p, length, protection);
        return bytes;
    }

private:
    std::uintptr_t start_ = 0;
    std::uintptr_t end_ = 0;
};

std::string ownMaps()
{
    std::ifstream in("/proc/self/maps");
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The mapping of /proc/self/maps that holds `address`.
HugePageMemory::Mapping mappingAt(std::uintptr_t address)
{
    for (const HugePageMemory::Mapping &m : HugePageMemory::parseMaps(ownMaps()))
        if (m.start <= address && address < m.end)
            return m;
    return {};
}

// kB of [start, end) backed by huge pages, from /proc/self/smaps.
long hugeKilobytesIn(std::uintptr_t start, std::uintptr_t end)
{
    std::ifstream in("/proc/self/smaps");
    std::string line;
    bool inside = false;
    long total = 0;
    while (std::getline(in, line)) {
        const auto header = HugePageMemory::parseMaps(line);
        if (!header.empty())
            inside = header[0].start >= start && header[0].end <= end;
        long kb = 0;
        if (inside && std::sscanf(line.c_str(), "AnonHugePages: %ld kB", &kb) == 1)
            total += kb;
    }
    return total;
}

// Whether this kernel gathers memory into huge pages on request (MADV_COLLAPSE, from 6.1):
// without it nothing is moved, by design.
bool kernelCollapses()
{
    Block block(1);
    block.map(0, kHuge, PROT_READ | PROT_WRITE);
    return ::madvise(reinterpret_cast<void *>(block.start()), kHuge, 25 /* MADV_COLLAPSE */) == 0;
}

bool sameBytes(const char *p, size_t length)
{
    for (size_t i = 0; i < length; ++i)
        if (p[i] != static_cast<char>(i * 7 + 3))
            return false;
    return true;
}

} // namespace

TEST(HugePageMemory, mapsLinesAreReadWithTheirPathsAndGarbledOnesAreLeftOut)
{
    const auto maps = HugePageMemory::parseMaps(
        "55d0c2a00000-55d0c2c24000 r-xp 00200000 fd:01 131 /opt/orb meter/bin/orbmeter\n"
        "55d0c3a00000-55d0c3e00000 rw-p 00000000 00:00 0                          [heap]\n"
        "7f1c2c000000-7f1c2c021000 rw-p 00000000 00:00 0 \n"
        "garbage\n"
        "7f00-7e00 r--p 00000000 00:00 0 backwards\n"
        "7f1c2d000000-7f1c2d001000 rwxpq 00000000 00:00 0 odd permissions\n"
        "7ffd1f7ea000-7ffd1f80b000 rw-p 00000000 00:00 0                          [stack]");
    ASSERT_EQ(maps.size(), 4u);
    EXPECT_EQ(maps[0].start, 0x55d0c2a00000u);
    EXPECT_EQ(maps[0].end, 0x55d0c2c24000u);
    EXPECT_EQ(maps[0].permissions, "r-xp");
    EXPECT_EQ(maps[0].offset, 0x200000u);
    EXPECT_EQ(maps[0].path, "/opt/orb meter/bin/orbmeter");
    EXPECT_EQ(maps[1].path, "[heap]");
    EXPECT_EQ(maps[2].path, "");
    EXPECT_EQ(maps[3].path, "[stack]");
}

TEST(HugePageMemory, onlyWholeHugePagesAndFreeNeighbourhoodsAreTaken)
{
    using Range = std::pair<std::uintptr_t, std::uintptr_t>;
    EXPECT_EQ(HugePageMemory::hugeRange(0x1ff000, 0x600000), Range(0x200000, 0x600000));
    EXPECT_EQ(HugePageMemory::hugeRange(0x201000, 0x5ff000), Range(0, 0)) << "no whole huge page inside";

    // Segments linked at 2 MB: each has its pages to itself, up to the unmapped gap after it,
    // except the relocated read-only data, which shares its page with the writable data.
    const auto aligned = HugePageMemory::parseMaps("00000000-0003d000 r--p 00000000 fd:01 9 /bin/x\n"
                                                   "00200000-00424000 r-xp 00200000 fd:01 9 /bin/x\n"
                                                   "00600000-00687000 r--p 00600000 fd:01 9 /bin/x\n"
                                                   "009f3000-009f8000 r--p 007f3000 fd:01 9 /bin/x\n"
                                                   "009f8000-00a06000 rw-p 007f8000 fd:01 9 /bin/x\n");
    EXPECT_EQ(HugePageMemory::coveringRange(aligned, 1), Range(0x200000, 0x600000));
    EXPECT_EQ(HugePageMemory::coveringRange(aligned, 2), Range(0x600000, 0x800000));
    EXPECT_EQ(HugePageMemory::coveringRange(aligned, 3), Range(0, 0));
    // Linked at 4 kB: the code shares its first page with the headers.
    const auto packed = HugePageMemory::parseMaps("00000000-0003d000 r--p 00000000 fd:01 9 /bin/x\n"
                                                  "0003d000-0025f000 r-xp 0003d000 fd:01 9 /bin/x\n");
    EXPECT_EQ(HugePageMemory::coveringRange(packed, 1), Range(0, 0));
}

TEST(HugePageMemory, libraryBlocksAreTakenOnlyWhenMostlyCodeAndSharedWithNothingWritable)
{
    using Range = std::pair<std::uintptr_t, std::uintptr_t>;
    const auto blocks = HugePageMemory::libraryCodeBlocks(HugePageMemory::parseMaps(
        // Laid out like a large toolkit library: headers, code, constants, then relocated and
        // writable data in its last block. Its first two blocks are taken, not the third.
        "7f0000000000-7f00000a6000 r--p 00000000 fe:00 1 /usr/lib/libbig.so\n"
        "7f00000a6000-7f0000363000 r-xp 000a6000 fe:00 1 /usr/lib/libbig.so\n"
        "7f0000363000-7f00004db000 r--p 00363000 fe:00 1 /usr/lib/libbig.so\n"
        "7f00004db000-7f00004e8000 r--p 004db000 fe:00 1 /usr/lib/libbig.so\n"
        "7f00004e8000-7f00004ee000 rw-p 004e8000 fe:00 1 /usr/lib/libbig.so\n"
        // Code that ends early in a block of locale tables.
        "7f0000600000-7f0000601000 r--p 00000000 fe:00 2 /usr/lib/libtables.so\n"
        "7f0000601000-7f0000602000 r-xp 00001000 fe:00 2 /usr/lib/libtables.so\n"
        "7f0000602000-7f0000a00000 r--p 00002000 fe:00 2 /usr/lib/libtables.so\n"
        // Linked for 2 MB pages the old way: an inaccessible hole after its code.
        "7f0000a00000-7f0000b80000 r-xp 00000000 fe:00 3 /usr/lib/libholes.so\n"
        "7f0000b80000-7f0000d7f000 ---p 00180000 fe:00 3 /usr/lib/libholes.so\n"
        "7f0000d7f000-7f0000d80000 r--p 0017f000 fe:00 3 /usr/lib/libholes.so\n"
        // Two libraries whose code meets in one block: neither owns it.
        "7f0000e00000-7f0000f00000 r-xp 00000000 fe:00 4 /usr/lib/liba.so\n"
        "7f0000f00000-7f0001000000 r-xp 00000000 fe:00 5 /usr/lib/libb.so\n"
        // A gap in the middle of one library's code.
        "7f0001000000-7f0001100000 r-xp 00000000 fe:00 6 /usr/lib/libgap.so\n"
        "7f0001101000-7f0001200000 r-xp 00101000 fe:00 6 /usr/lib/libgap.so\n"
        // The program itself (moved on its own) and anonymous code.
        "7f0001200000-7f0001400000 r-xp 00200000 fe:00 7 /opt/orbmeter\n"
        "7f0001400000-7f0001600000 r-xp 00000000 00:00 0 \n"),
        "/opt/orbmeter");
    EXPECT_EQ(blocks, (std::vector<Range>{{0x7f0000000000, 0x7f0000200000}, {0x7f0000200000, 0x7f0000400000}}));
}

TEST(HugePageMemory, aMovedMappingKeepsItsBytesAndProtectionAndTheRestOfItsPagesReadsZero)
{
    if (!kernelCollapses())
        GTEST_SKIP() << "the kernel cannot gather memory into huge pages on request";
    Block block(2);
    const size_t offset = 0x3000, length = kHuge + 0x5000;
    const char *bytes = block.map(offset, length, PROT_READ);
    ASSERT_TRUE(HugePageMemory::moveOntoHugePages(block.start() + offset, block.start() + offset + length,
                                                  block.start(), block.end(), PROT_READ));
    EXPECT_TRUE(sameBytes(bytes, length));
    const char *whole = reinterpret_cast<const char *>(block.start());
    EXPECT_EQ(whole[0], 0);
    EXPECT_EQ(whole[block.end() - block.start() - 1], 0);
    const HugePageMemory::Mapping m = mappingAt(block.start() + offset);
    EXPECT_EQ(m.start, block.start());
    EXPECT_EQ(m.end, block.end());
    EXPECT_EQ(m.permissions, "r--p");
    if (HugePageMemory::enabled()) {
        EXPECT_GT(hugeKilobytesIn(block.start(), block.end()), 0) << "the kernel offers huge pages; none were used";
    }
}

TEST(HugePageMemory, aFailedMoveLeavesTheOriginalInPlace)
{
    Block block(1);
    const char *bytes = block.map(0, 0x4000, PROT_READ);
    // No such protection: the last step before the move refuses it.
    EXPECT_FALSE(HugePageMemory::moveOntoHugePages(block.start(), block.start() + 0x4000, block.start(),
                                                   block.end(), 0x7fff0000));
    EXPECT_TRUE(sameBytes(bytes, 0x4000));
    const HugePageMemory::Mapping m = mappingAt(block.start());
    EXPECT_EQ(m.start, block.start());
    EXPECT_EQ(m.end, block.start() + 0x4000);
    EXPECT_EQ(m.permissions, "r--p");
}

#if defined(__x86_64__)
TEST(HugePageMemory, codeRunsTheSameAfterItsMove)
{
    if (!kernelCollapses())
        GTEST_SKIP() << "the kernel cannot gather memory into huge pages on request";
    Block block(1);
    char *code = block.map(0, 0x1000, PROT_READ | PROT_WRITE);
    const unsigned char returns42[] = {0xb8, 0x2a, 0x00, 0x00, 0x00, 0xc3}; // mov eax, 42; ret
    std::memcpy(code, returns42, sizeof returns42);
    ASSERT_EQ(::mprotect(code, 0x1000, PROT_READ | PROT_EXEC), 0);
    auto *function = reinterpret_cast<int (*)()>(code);
    ASSERT_EQ(function(), 42);
    ASSERT_TRUE(HugePageMemory::moveOntoHugePages(block.start(), block.start() + 0x1000, block.start(), block.end(),
                                                  PROT_READ | PROT_EXEC));
    EXPECT_EQ(function(), 42);
    EXPECT_EQ(mappingAt(block.start()).permissions, "r-xp");
}
#endif

TEST(HugePageMemory, theHeapIsAdvisedOnceForEachStretchItGrows)
{
    if (!HugePageMemory::enabled())
        GTEST_SKIP() << "the kernel offers no transparent huge pages";
    HugePageMemory::adviseHeap();
    EXPECT_EQ(HugePageMemory::adviseHeap(), 0u) << "nothing new since the last call";
    // Small blocks, so they come from the heap and not from mappings of their own.
    std::vector<std::unique_ptr<char[]>> blocks;
    for (int i = 0; i < 2048; ++i) {
        blocks.emplace_back(new char[4000]);
        std::memset(blocks.back().get(), 1, 4000);
    }
    EXPECT_GE(HugePageMemory::adviseHeap(), kHuge);
    EXPECT_EQ(HugePageMemory::adviseHeap(), 0u);
}
