#include "platform/linux/HugePageMemory.h"

#include "collect/ProcText.h"
#include "platform/Logging.h"
#include "platform/Sysroot.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define ORB_SANITIZED 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define ORB_SANITIZED 1
#endif

#ifndef MADV_COLLAPSE
#define MADV_COLLAPSE 25
#endif

namespace orb {

namespace {

std::vector<HugePageMemory::Mapping> ownMappings()
{
    std::string text;
    if (!Sysroot().readFile("/proc/self/maps", text))
        return {};
    return HugePageMemory::parseMaps(text);
}

std::string ownExecutable()
{
    char buf[4096];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    return n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string();
}

// The end of the heap already advised, and the heap's top when it was last looked at.
std::uintptr_t heapAdvisedEnd = 0;
std::uintptr_t heapTopLookedAt = 0;

} // namespace

bool HugePageMemory::enabled()
{
#ifdef ORB_SANITIZED
    // The sanitizers' allocators keep no brk heap, and their checks see copying the code's
    // read-only neighbours (redzones between globals) as overflows.
    return false;
#else
    static const bool on = [] {
        if (const char *env = std::getenv("ORBMETER_HUGE_PAGES"); env && std::strcmp(env, "off") == 0)
            return false;
        const std::optional<std::string> mode = Sysroot().readLine("/sys/kernel/mm/transparent_hugepage/enabled");
        return mode && (mode->find("[always]") != std::string::npos || mode->find("[madvise]") != std::string::npos);
    }();
    return on;
#endif
}

std::vector<HugePageMemory::Mapping> HugePageMemory::parseMaps(std::string_view text)
{
    using namespace proctext;
    std::vector<Mapping> out;
    forEachLine(text, [&](std::string_view line) {
        const std::string_view range = nextToken(line);
        const size_t dash = range.find('-');
        Mapping m;
        if (dash == std::string_view::npos || !parseHex(range.substr(0, dash), m.start)
            || !parseHex(range.substr(dash + 1), m.end) || m.end <= m.start)
            return;
        m.permissions = std::string(nextToken(line));
        if (m.permissions.size() != 4 || !parseHex(nextToken(line), m.offset))
            return;
        nextToken(line); // device
        nextToken(line); // inode
        m.path = std::string(skipBlanks(line));
        out.push_back(std::move(m));
    });
    return out;
}

std::pair<std::uintptr_t, std::uintptr_t> HugePageMemory::hugeRange(std::uintptr_t start, std::uintptr_t end)
{
    const std::uintptr_t from = (start + kHugePage - 1) & ~(kHugePage - 1);
    const std::uintptr_t to = end & ~(kHugePage - 1);
    return from < to ? std::pair{from, to} : std::pair<std::uintptr_t, std::uintptr_t>{0, 0};
}

std::pair<std::uintptr_t, std::uintptr_t> HugePageMemory::coveringRange(const std::vector<Mapping> &maps, size_t index)
{
    const Mapping &m = maps[index];
    const std::uintptr_t from = m.start & ~(kHugePage - 1);
    const std::uintptr_t to = (m.end + kHugePage - 1) & ~(kHugePage - 1);
    for (size_t i = 0; i < maps.size(); ++i)
        if (i != index && maps[i].start < to && maps[i].end > from)
            return {0, 0};
    return {from, to};
}

bool HugePageMemory::moveOntoHugePages(std::uintptr_t start, std::uintptr_t end, std::uintptr_t blockStart,
                                       std::uintptr_t blockEnd, int protection)
{
    const size_t length = blockEnd - blockStart;
    // An aligned stretch of fresh memory: reserve one huge page more and cut it to alignment.
    void *raw = ::mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED)
        return false;
    const auto rawStart = reinterpret_cast<std::uintptr_t>(raw);
    const std::uintptr_t copy = (rawStart + kHugePage - 1) & ~(kHugePage - 1);
    if (copy > rawStart)
        ::munmap(raw, copy - rawStart);
    if (const std::uintptr_t tail = rawStart + length + kHugePage - (copy + length))
        ::munmap(reinterpret_cast<void *>(copy + length), tail);
    auto *dst = reinterpret_cast<void *>(copy);
    ::madvise(dst, length, MADV_HUGEPAGE);
    std::memcpy(reinterpret_cast<void *>(copy + (start - blockStart)), reinterpret_cast<const void *>(start), end - start);
    // Pages the copy's faults did not get as huge ones are gathered now (kernels from 6.1).
    // Without huge pages the copy only costs memory, and a library's would no longer be shared
    // with other programs: it is dropped.
    // The code that runs this may live in the range being replaced: it keeps running, since
    // the bytes at every address stay the same across the move.
    if (::madvise(dst, length, MADV_COLLAPSE) != 0 || ::mprotect(dst, length, protection) != 0
        || ::mremap(dst, length, length, MREMAP_MAYMOVE | MREMAP_FIXED, reinterpret_cast<void *>(blockStart))
               == MAP_FAILED) {
        const int error = errno;
        ::munmap(dst, length);
        errno = error;
        return false;
    }
    return true;
}

HugePageMemory::MovedCode HugePageMemory::moveCode()
{
    MovedCode moved;
    if (!enabled())
        return moved;
    const std::string exe = ownExecutable();
    const std::vector<Mapping> maps = ownMappings();
    // The program's code and read-only data; not the headers and symbol tables at the file's
    // start, which only the loader reads.
    for (size_t i = 0; i < maps.size(); ++i) {
        const Mapping &m = maps[i];
        const bool code = m.permissions == "r-xp";
        if (m.path != exe || m.offset == 0 || (!code && m.permissions != "r--p"))
            continue;
        const auto [from, to] = coveringRange(maps, i);
        if (from == to)
            continue;
        if (!moveOntoHugePages(m.start, m.end, from, to, code ? PROT_READ | PROT_EXEC : PROT_READ)) {
            qCInfo(lcPlatform) << "program code stays on small pages:" << std::strerror(errno);
            break;
        }
        moved.program += m.end - m.start;
    }
    // The libraries' blocks lie apart from the program's mappings: the same list serves.
    for (const auto &[from, to] : libraryCodeBlocks(maps, exe)) {
        if (!moveOntoHugePages(from, to, from, to, PROT_READ | PROT_EXEC)) {
            qCInfo(lcPlatform) << "library code stays on small pages:" << std::strerror(errno);
            break;
        }
        moved.libraries += to - from;
    }
    return moved;
}

std::vector<std::pair<std::uintptr_t, std::uintptr_t>> HugePageMemory::libraryCodeBlocks(const std::vector<Mapping> &maps,
                                                                                         const std::string &exe)
{
    std::vector<std::pair<std::uintptr_t, std::uintptr_t>> blocks;
    size_t first = 0;
    while (first < maps.size()) {
        // A run of gapless, read-only mappings of one library file.
        size_t last = first;
        const Mapping &head = maps[first];
        const auto readOnlyOfHead = [&](const Mapping &m) {
            return m.path == head.path && m.permissions[0] == 'r' && m.permissions[1] != 'w';
        };
        if (head.path.empty() || head.path.front() != '/' || head.path == exe || !readOnlyOfHead(head)) {
            ++first;
            continue;
        }
        while (last + 1 < maps.size() && maps[last + 1].start == maps[last].end && readOnlyOfHead(maps[last + 1]))
            ++last;
        // The run's whole 2 MB blocks that are mostly code. A block that reaches past the run
        // shares its page with writable data or another library, and stays; one that is mostly
        // constants (a library of locale tables with a stub of code) is not worth its memory.
        const auto [from, to] = hugeRange(head.start, maps[last].end);
        for (std::uintptr_t block = from; block < to; block += kHugePage) {
            std::uintptr_t code = 0;
            for (size_t i = first; i <= last; ++i) {
                const std::uintptr_t from = std::max(maps[i].start, block);
                const std::uintptr_t to = std::min(maps[i].end, block + kHugePage);
                if (maps[i].permissions[2] == 'x' && from < to)
                    code += to - from;
            }
            if (code >= kHugePage / 4)
                blocks.emplace_back(block, block + kHugePage);
        }
        first = last + 1;
    }
    return blocks;
}

void HugePageMemory::tuneAllocator()
{
    if (!enabled())
        return;
    // One arena: the collection thread's allocations share the advised heap instead of an
    // arena of their own on small pages. Two threads hardly contend for it.
    ::mallopt(M_ARENA_MAX, 1);
    // Giving the heap's top back splits its last huge page; the heap of a monitor that has
    // started up barely changes size.
    ::mallopt(M_TRIM_THRESHOLD, 64 << 20);
    // The heap grows in steps of several huge pages, so the objects of a whole run share a
    // few of them and the partial page at its end is seldom reached.
    ::mallopt(M_TOP_PAD, static_cast<int>(4 * kHugePage));
    // Everything allocated from here on starts on a huge-page boundary: the break is moved up
    // to it while this is the only thread (malloc takes memory past a break moved by others).
    const auto brk = reinterpret_cast<std::uintptr_t>(::sbrk(0));
    if (const std::uintptr_t pad = ((brk + kHugePage - 1) & ~(kHugePage - 1)) - brk)
        ::sbrk(static_cast<intptr_t>(pad));
}

std::size_t HugePageMemory::adviseHeap()
{
    if (!enabled())
        return 0;
    // Measured from the last look, not the last advice: a heap that is not where malloc's
    // memory comes from (a replaced allocator, a break that could not move) is read once.
    const auto top = reinterpret_cast<std::uintptr_t>(::sbrk(0));
    if (heapTopLookedAt != 0 && top < heapTopLookedAt + kHugePage)
        return 0;
    heapTopLookedAt = top;
    std::size_t advised = 0;
    for (const Mapping &m : ownMappings()) {
        if (m.path != "[heap]")
            continue;
        const auto [from, to] = hugeRange(std::max(m.start, heapAdvisedEnd), m.end);
        if (from == to)
            continue;
        ::madvise(reinterpret_cast<void *>(from), to - from, MADV_HUGEPAGE);
        ::madvise(reinterpret_cast<void *>(from), to - from, MADV_COLLAPSE);
        advised += to - from;
        heapAdvisedEnd = std::max(heapAdvisedEnd, to);
    }
    return advised;
}

} // namespace orb
