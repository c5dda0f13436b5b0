#include "platform/Sysroot.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orb {

Sysroot::Sysroot(std::string root) : root_(std::move(root))
{
    if (root_.empty())
        root_.assign(1, '/');
    while (root_.size() > 1 && root_.back() == '/')
        root_.pop_back();
}

Sysroot Sysroot::fromEnvironment()
{
    const char *env = std::getenv("ORBMETER_SYSROOT");
    return Sysroot(env && *env ? env : "/");
}

std::string Sysroot::path(std::string_view machinePath) const
{
    std::string p;
    pathInto(machinePath, p);
    return p;
}

void Sysroot::pathInto(std::string_view machinePath, std::string &out) const
{
    out.clear();
    if (root_ != "/") {
        out.reserve(root_.size() + machinePath.size() + 1);
        out.append(root_);
        if (machinePath.empty() || machinePath.front() != '/')
            out.push_back('/');
    }
    out.append(machinePath.data(), machinePath.size());
}

bool Sysroot::readFile(std::string_view machinePath, std::string &out, size_t cap) const
{
    out.clear();
    const std::string p = path(machinePath);
    // Without waiting for a writer: a FIFO in a file's place must not stall the pass.
    const int fd = ::open(p.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return false;
    // procfs and sysfs files are regular files; anything else (FIFO, device, directory)
    // is not one of the files we read.
    struct stat st{};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    // /proc files report size 0, so read in chunks into the reused buffer.
    if (out.capacity() < 4096)
        out.reserve(4096);
    bool ok = true;
    while (out.size() < cap) {
        const size_t old = out.size();
        size_t want = std::min(cap - old, std::max<size_t>(out.capacity() - old, 4096));
        out.resize(old + want);
        ssize_t n;
        do {
            n = ::read(fd, out.data() + old, want);
        } while (n < 0 && errno == EINTR);
        if (n < 0) {
            out.resize(old);
            ok = false;
            break;
        }
        out.resize(old + static_cast<size_t>(n));
        if (n == 0)
            break;
    }
    ::close(fd);
    return ok;
}

std::optional<std::string> Sysroot::readText(std::string_view machinePath, size_t cap) const
{
    std::string s;
    if (!readFile(machinePath, s, cap))
        return std::nullopt;
    return s;
}

std::optional<std::string> Sysroot::readLine(std::string_view machinePath) const
{
    auto s = readText(machinePath, 64 * 1024);
    if (!s)
        return std::nullopt;
    const auto nl = s->find('\n');
    if (nl != std::string::npos)
        s->resize(nl);
    while (!s->empty() && (s->back() == '\r' || s->back() == ' ' || s->back() == '\t'))
        s->pop_back();
    return s;
}

std::optional<long long> Sysroot::readInteger(std::string_view machinePath) const
{
    auto s = readLine(machinePath);
    if (!s)
        return std::nullopt;
    const char *b = s->data();
    const char *e = b + s->size();
    while (b < e && (*b == ' ' || *b == '\t'))
        ++b;
    long long v = 0;
    auto [ptr, ec] = std::from_chars(b, e, v);
    if (ec != std::errc() || ptr == b)
        return std::nullopt;
    return v;
}

std::vector<std::string> Sysroot::listDirectory(std::string_view machinePath) const
{
    std::vector<std::string> names;
    const std::string p = path(machinePath);
    DIR *dir = ::opendir(p.c_str());
    if (!dir)
        return names;
    while (dirent *entry = ::readdir(dir)) {
        std::string_view n(entry->d_name);
        if (n == "." || n == "..")
            continue;
        names.emplace_back(n);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

bool Sysroot::exists(std::string_view machinePath) const
{
    struct stat st{};
    return ::stat(path(machinePath).c_str(), &st) == 0;
}

} // namespace orb
