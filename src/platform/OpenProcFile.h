#pragma once
#include <cstddef>
#include <string>
#include <sys/types.h>

namespace orb {

class Sysroot;

// A /proc or /sys file kept open between passes and read again from its start each time.
// procfs and sysfs make a file's text anew on a read at offset 0, so a pass pays a pread
// (and, for a table of records, one more that finds the end) instead of open, fstat, read,
// read and close.
//
// The file is opened through the Sysroot seam on first use, and again when the tree read
// changes. A read that fails (the device behind an attribute went away: ENODEV) reopens the
// file by its name once; when that fails too the read fails, said once in the log until a
// read succeeds again, and the next read tries to open it anew. Like Sysroot::readFile, only
// regular files are read (a FIFO in a fixture tree never stalls the pass). One thread at a
// time.
class OpenProcFile {
public:
    static constexpr size_t kDefaultCap = 1u << 20;

    // How the kernel hands the text out. Most /proc tables come a run of records per read,
    // so only a read that finds nothing says the end was reached. A single-record procfs
    // file (/proc/stat, /proc/meminfo) or a sysfs attribute is made whole and handed out
    // in one read when the buffer is large enough: a short read already reached the end,
    // and the read that would find nothing is spared. A table of short lines
    // (/proc/diskstats, /proc/vmstat) comes at most a page of whole lines per read, and a
    // read stops short of what was asked only at the end or where the next line would not
    // fit in that page: a short read that leaves room for any line of the table in the page
    // reached the end too.
    enum class Text { Records, Whole, ShortLines };
    // The room a short read of ShortLines must leave in a page to be the end: more than the
    // longest line of such a table.
    static constexpr size_t kShortLineRoom = 1024;
    static constexpr size_t kKernelPage = 4096;

    OpenProcFile() = default;
    // `machinePath` as the machine names it ("/proc/stat"), the sysroot is given per read.
    explicit OpenProcFile(std::string machinePath, Text text = Text::Records);
    ~OpenProcFile();
    OpenProcFile(OpenProcFile &&other) noexcept;
    OpenProcFile &operator=(OpenProcFile &&other) noexcept;
    OpenProcFile(const OpenProcFile &) = delete;
    OpenProcFile &operator=(const OpenProcFile &) = delete;

    const std::string &machinePath() const { return machinePath_; }
    bool isOpen() const { return fd_ >= 0; }
    // The kept descriptor, −1 while closed.
    int descriptor() const { return fd_; }

    // The whole file under `root` into `out` (its capacity reused), at most `cap` bytes.
    bool read(const Sysroot &root, std::string &out, size_t cap = kDefaultCap);
    // A small attribute (a counter, a state) into `buf`; false when it does not fit in
    // `size` − 1 bytes. `len` is the length read.
    bool read(const Sysroot &root, char *buf, size_t size, size_t &len);

    // Closes the descriptor; the next read opens the file again.
    void close();

    // The read loops, for descriptors kept elsewhere (opened relative to a directory, or
    // held by a shared table). Both read from offset 0 and retry on EINTR.
    // Everything up to the end, or `cap` bytes, into `out`; false on a read error. The first
    // read asks for `expected` bytes and a little more (by default the buffer's capacity or
    // 4 KiB); what it reads past is not cleared first.
    static bool readAll(int fd, std::string &out, size_t cap = kDefaultCap, size_t expected = 0,
                        Text text = Text::Records);
    // One read into `buf`: the bytes read, or −1 (errno set). A sysfs attribute or a
    // /proc/<pid> line is produced whole by it.
    static ssize_t readStart(int fd, char *buf, size_t size);

private:
    // Makes sure the file under `root` is open (anew when `reopen`); false when it cannot be.
    bool ensureOpen(const Sysroot &root, bool reopen);
    // Runs `read` on the open descriptor, with one fresh open when it fails.
    template <typename Read>
    bool attempt(const Sysroot &root, Read &&read);
    void failed(const Sysroot &root);

    std::string machinePath_;
    Text text_ = Text::Records;
    std::string root_; // the tree the descriptor belongs to
    int fd_ = -1;
    bool notRegular_ = false; // the last open found something else than a regular file
    bool reported_ = false;
    // The length of the last whole read: the buffer is grown to about that, not cleared up
    // to its capacity, before the next (a second after, clearing it was a cache miss a line).
    size_t lastLength_ = 0;
};

} // namespace orb
