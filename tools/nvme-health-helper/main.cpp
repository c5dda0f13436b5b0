// orbmeter-nvme-health: prints the SMART / health information log (log page 02h) of every
// NVMe controller, one line each: "nvme<N> <1024 lower-case hex digits>". Runs as root
// through pkexec, so it takes no arguments, reads no input and sends the drives nothing but
// the read-only Get Log Page command.
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <linux/nvme_ioctl.h>
#include <string>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

constexpr unsigned kLogSize = 512;
constexpr unsigned char kGetLogPage = 0x02;
constexpr unsigned kHealthLog = 0x02;
constexpr int kMaxControllers = 64;

// "nvme" followed by digits only: a controller, never a namespace or anything else.
bool controllerName(const char *name)
{
    if (std::strncmp(name, "nvme", 4) != 0 || name[4] == '\0' || std::strlen(name) > 8)
        return false;
    for (const char *p = name + 4; *p; ++p)
        if (!std::isdigit(static_cast<unsigned char>(*p)))
            return false;
    return true;
}

bool readHealthLog(const std::string &name, unsigned char (&log)[kLogSize])
{
    const std::string device = "/dev/" + name;
    const int fd = ::open(device.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        std::fprintf(stderr, "orbmeter-nvme-health: cannot open %s: %s\n", device.c_str(), std::strerror(errno));
        return false;
    }
    nvme_passthru_cmd cmd{};
    cmd.opcode = kGetLogPage;
    cmd.nsid = 0xffffffffu; // the controller as a whole
    cmd.addr = reinterpret_cast<unsigned long long>(log);
    cmd.data_len = kLogSize;
    cmd.cdw10 = kHealthLog | ((kLogSize / 4 - 1) << 16); // log id, number of dwords − 1
    cmd.timeout_ms = 5000;
    const int rc = ::ioctl(fd, NVME_IOCTL_ADMIN_CMD, &cmd);
    const int error = errno;
    ::close(fd);
    if (rc != 0) {
        std::fprintf(stderr, "orbmeter-nvme-health: %s: Get Log Page failed (%d): %s\n", device.c_str(), rc,
                     rc < 0 ? std::strerror(error) : "status from the drive");
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char **)
{
    if (argc != 1) {
        std::fputs("orbmeter-nvme-health: takes no arguments\n", stderr);
        return 2;
    }
    if (::geteuid() != 0) {
        std::fputs("orbmeter-nvme-health: must run as root (through pkexec)\n", stderr);
        return 1;
    }
    DIR *dir = ::opendir("/sys/class/nvme");
    if (!dir)
        return 0; // no NVMe controller at all
    int done = 0;
    int failed = 0;
    while (dirent *entry = ::readdir(dir)) {
        if (!controllerName(entry->d_name) || done >= kMaxControllers)
            continue;
        unsigned char log[kLogSize] = {};
        if (!readHealthLog(entry->d_name, log)) {
            ++failed;
            continue;
        }
        std::printf("%s ", entry->d_name);
        for (unsigned char byte : log)
            std::printf("%02x", byte);
        std::printf("\n");
        ++done;
    }
    ::closedir(dir);
    return done == 0 && failed > 0 ? 1 : 0;
}
