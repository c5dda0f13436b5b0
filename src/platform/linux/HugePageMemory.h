#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace orb {

// Puts the memory the monitor touches on every pass on 2 MB pages.
//
// A pass touches a few hundred distinct 4 KB pages of code and heap, once a second, after a
// sleep in which the machine has evicted them from the TLB. Each such touch costs a page-table
// walk, and on a virtual machine a nested one: measured on these VMs at 1 to 2.5 us a page,
// most of the monitor's cost. On 2 MB pages the same code and heap take a handful of walks.
//
// Three steps, each best effort (a kernel without transparent huge pages, or a policy that
// forbids executable anonymous memory, leaves the program as it was and says so in the log):
//  - tuneAllocator() and moveCode(), once before other threads start: malloc grows one heap
//    from a 2 MB boundary in steps of several huge pages, and the code and read-only data of
//    the executable and of its larger libraries (Qt's, the C++ runtime) are copied to
//    anonymous memory advised for huge pages and moved over their original mappings, so the
//    same addresses hold the same bytes;
//  - adviseHeap(), after each pass: once the heap has grown by a 2 MB page, its full 2 MB
//    ranges are advised for huge pages and collapsed.
// ORBMETER_HUGE_PAGES=off in the environment skips all three (profilers then name the functions
// of the moved code, which they cannot find in anonymous memory).
class HugePageMemory {
public:
    static constexpr std::size_t kHugePage = std::size_t{2} << 20;

    struct Mapping {
        std::uintptr_t start = 0;
        std::uintptr_t end = 0;
        std::string permissions;
        std::uint64_t offset = 0;
        std::string path;
    };

    // Whether the kernel gives huge pages to memory advised for them ("always" or "madvise"
    // in /sys/kernel/mm/transparent_hugepage/enabled) and the environment does not refuse;
    // decided on the first call. Never in a sanitizer build.
    static bool enabled();

    // Bytes now on huge pages: the executable's code and constants, and its shared libraries'
    // blocks of code.
    struct MovedCode {
        std::size_t program = 0;
        std::size_t libraries = 0;
    };
    // Moves the executable's code and constants onto huge pages, then each 2 MB block of the
    // libraries loaded with it that is mostly code and shares no page with writable data (as
    // one executable huge page: the constants in that block become executable too, as in
    // binaries linked without separate code segments). Only while the program has a single
    // thread.
    static MovedCode moveCode();
    // Tunes malloc so the heap keeps its pages (no trimming, one arena, growth in huge pages
    // from a huge-page boundary). Only while the program has a single thread.
    static void tuneAllocator();
    // Advises and collapses the heap's full 2 MB ranges not advised yet; cheap when the heap
    // has not grown. Returns the bytes advised by this call. One thread at a time (the
    // controller's, after each pass).
    static std::size_t adviseHeap();

    // /proc/self/maps lines, parsed; exposed for tests.
    static std::vector<Mapping> parseMaps(std::string_view text);
    // The whole 2 MB pages inside [start, end).
    static std::pair<std::uintptr_t, std::uintptr_t> hugeRange(std::uintptr_t start, std::uintptr_t end);
    // The 2 MB pages that cover mapping `index` of `maps`, when no other mapping shares them
    // (the rest of its last page is the unmapped gap before the next segment); else {0, 0}.
    static std::pair<std::uintptr_t, std::uintptr_t> coveringRange(const std::vector<Mapping> &maps, size_t index);

    // The 2 MB blocks of shared libraries that are at least a quarter code and lie wholly in
    // one library's readable, unwritable mappings (headers, code, constants).
    static std::vector<std::pair<std::uintptr_t, std::uintptr_t>> libraryCodeBlocks(const std::vector<Mapping> &maps,
                                                                                     const std::string &exe);

    // Moves the mapping [start, end) onto fresh anonymous memory advised for huge pages that
    // spans the aligned [blockStart, blockEnd) around it, keeping its bytes (the rest reads as
    // zeros) and giving the whole `protection`. False, with the original mapping untouched,
    // when a step fails. Exposed for tests.
    static bool moveOntoHugePages(std::uintptr_t start, std::uintptr_t end, std::uintptr_t blockStart,
                                  std::uintptr_t blockEnd, int protection);
};

} // namespace orb
