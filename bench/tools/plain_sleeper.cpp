// The least any program that wakes each second costs on this machine: no toolkit, no
// threads, one sleep and one read of /proc/stat per second. Beside the Qt floor it shows
// how much of a figure is the machine's price for waking at all (on a shared VM this alone
// can be 100-200 us of CPU per second).
#include <array>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

int main()
{
    const int fd = ::open("/proc/stat", O_RDONLY | O_CLOEXEC);
    std::array<char, 8192> buffer{};
    for (;;) {
        timespec second{1, 0};
        ::nanosleep(&second, nullptr);
        if (fd >= 0 && ::pread(fd, buffer.data(), buffer.size(), 0) < 0)
            return 1;
    }
}
