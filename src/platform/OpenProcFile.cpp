#include "platform/OpenProcFile.h"

#include "platform/Logging.h"
#include "platform/Sysroot.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace orb {

OpenProcFile::OpenProcFile(std::string machinePath, Text text) : machinePath_(std::move(machinePath)), text_(text) {}

OpenProcFile::~OpenProcFile() { close(); }

OpenProcFile::OpenProcFile(OpenProcFile &&other) noexcept
    : machinePath_(std::move(other.machinePath_)), text_(other.text_), root_(std::move(other.root_)),
      fd_(std::exchange(other.fd_, -1)), reported_(other.reported_), lastLength_(other.lastLength_)
{
}

OpenProcFile &OpenProcFile::operator=(OpenProcFile &&other) noexcept
{
    if (this != &other) {
        close();
        machinePath_ = std::move(other.machinePath_);
        text_ = other.text_;
        root_ = std::move(other.root_);
        fd_ = std::exchange(other.fd_, -1);
        reported_ = other.reported_;
        lastLength_ = other.lastLength_;
    }
    return *this;
}

void OpenProcFile::close()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

bool OpenProcFile::readAll(int fd, std::string &out, size_t cap, size_t expected, Text text)
{
    // Room for a file grown a little since the last read, so that one read finds its end.
    constexpr size_t kSlack = 512;
    const size_t first = expected > 0 ? expected + kSlack : std::max<size_t>(out.capacity(), 4096);
    out.resize(std::min(cap, first));
    size_t len = 0;
    for (;;) {
        if (len == out.size()) {
            if (len >= cap)
                break;
            out.resize(std::min(cap, len * 2));
        }
        const size_t asked = out.size() - len;
        const ssize_t n = ::pread(fd, out.data() + len, asked, static_cast<off_t>(len));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            out.clear();
            return false;
        }
        if (n == 0)
            break;
        len += static_cast<size_t>(n);
        const auto got = static_cast<size_t>(n);
        if (got < asked && (text == Text::Whole || (text == Text::ShortLines && got + kShortLineRoom <= kKernelPage)))
            break;
    }
    out.resize(len);
    return true;
}

ssize_t OpenProcFile::readStart(int fd, char *buf, size_t size)
{
    ssize_t n;
    do {
        n = ::pread(fd, buf, size, 0);
    } while (n < 0 && errno == EINTR);
    return n;
}

bool OpenProcFile::ensureOpen(const Sysroot &root, bool reopen)
{
    // Only the machine's own files are kept open: a captured tree's files may be replaced
    // by new ones (written beside and renamed over), which a kept descriptor would never see.
    if (fd_ >= 0 && !reopen && root.root() == root_ && root.isHostRoot())
        return true;
    close();
    root_ = root.root();
    const std::string path = root.path(machinePath_);
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    } while (fd < 0 && errno == EINTR);
    notRegular_ = false;
    if (fd < 0)
        return false;
    struct stat st{};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        notRegular_ = true;
        return false;
    }
    fd_ = fd;
    return true;
}

void OpenProcFile::failed(const Sysroot &root)
{
    const char *why = notRegular_ ? "not a regular file" : std::strerror(errno);
    close();
    if (reported_)
        return;
    reported_ = true;
    qCInfo(lcCollect, "cannot read %s (%s); tried again on the next pass", root.path(machinePath_).c_str(), why);
}

template <typename Read>
bool OpenProcFile::attempt(const Sysroot &root, Read &&read)
{
    // A descriptor that stops working is given one fresh open: the file may have been
    // made anew (an interface or device that went and came back under the same name).
    for (int tries = 0; tries < 2; ++tries) {
        if (!ensureOpen(root, tries > 0))
            break;
        if (read()) {
            reported_ = false;
            return true;
        }
    }
    failed(root);
    return false;
}

bool OpenProcFile::read(const Sysroot &root, std::string &out, size_t cap)
{
    if (attempt(root, [&] { return readAll(fd_, out, cap, lastLength_, text_); })) {
        lastLength_ = out.size();
        return true;
    }
    out.clear();
    return false;
}

bool OpenProcFile::read(const Sysroot &root, char *buf, size_t size, size_t &len)
{
    len = 0;
    ssize_t n = -1;
    if (!attempt(root, [&] { return (n = readStart(fd_, buf, size)) >= 0; }))
        return false;
    // Filling the whole buffer means the text may go on: not the attribute we expect.
    if (static_cast<size_t>(n) >= size)
        return false;
    len = static_cast<size_t>(n);
    return true;
}

} // namespace orb
