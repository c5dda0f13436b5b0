#include "FuzzSupport.h"

#include <QGuiApplication>
#include <QLoggingCategory>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace orb::fuzz {

const std::string &scratchRoot()
{
    static const std::string root = [] {
        const char *base = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
        std::string tmpl = std::string(base) + "/orbfuzz-XXXXXX";
        if (!::mkdtemp(tmpl.data())) {
            std::perror("mkdtemp");
            std::abort();
        }
        return tmpl;
    }();
    return root;
}

void putFile(std::string_view machinePath, std::string_view bytes)
{
    const std::filesystem::path path = scratchRoot() + std::string(machinePath);
    std::filesystem::create_directories(path.parent_path());
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        std::abort();
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0)
            std::abort();
        done += static_cast<size_t>(n);
    }
    ::close(fd);
}

std::pair<std::string_view, std::string_view> splitInput(const uint8_t *data, size_t size)
{
    const std::string_view all(reinterpret_cast<const char *>(data), size);
    const size_t cut = all.find('\x01');
    if (cut == std::string_view::npos)
        return {all, {}};
    return {all.substr(0, cut), all.substr(cut + 1)};
}

void initialize(int *argc, char ***argv)
{
    // Messages about bad input are expected here by the thousand.
    QLoggingCategory::setFilterRules(QStringLiteral("*=false"));
    const std::string home = scratchRoot() + "/home";
    std::filesystem::create_directories(home);
    ::setenv("HOME", home.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (home + "/.local/share").c_str(), 1);
    ::setenv("XDG_CACHE_HOME", (home + "/.cache").c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QGuiApplication app(*argc, *argv);
    // Leave the scratch tree behind only when it is needed to reproduce something.
    std::atexit([] {
        std::error_code ec;
        std::filesystem::remove_all(scratchRoot(), ec);
    });
}

} // namespace orb::fuzz
