// orbmeter-purge: writes dirty pages back and drops the clean page cache, dentries and
// inodes. Runs as root through pkexec, so it takes no arguments and reads no input.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

int main(int argc, char **)
{
    if (argc != 1) {
        std::fputs("orbmeter-purge: takes no arguments\n", stderr);
        return 2;
    }
    if (::geteuid() != 0) {
        std::fputs("orbmeter-purge: must run as root (through pkexec)\n", stderr);
        return 1;
    }
    // Only clean pages can be dropped, so write everything back first.
    ::sync();
    const int fd = ::open("/proc/sys/vm/drop_caches", O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        std::fprintf(stderr, "orbmeter-purge: cannot open /proc/sys/vm/drop_caches: %s\n", std::strerror(errno));
        return 1;
    }
    ssize_t written;
    do {
        written = ::write(fd, "3", 1);
    } while (written < 0 && errno == EINTR);
    const int writeError = errno;
    if (::close(fd) != 0 && written == 1) {
        std::fprintf(stderr, "orbmeter-purge: closing drop_caches failed: %s\n", std::strerror(errno));
        return 1;
    }
    if (written != 1) {
        std::fprintf(stderr, "orbmeter-purge: cannot write drop_caches: %s\n", std::strerror(writeError));
        return 1;
    }
    return 0;
}
