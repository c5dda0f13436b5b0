#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orb {

// The root every read of the machine goes through, so samplers run unchanged on
// captured fixture trees. Immutable; safe to share between threads.
class Sysroot {
public:
    explicit Sysroot(std::string root = "/");

    // ORBMETER_SYSROOT when set, else "/".
    static Sysroot fromEnvironment();

    const std::string &root() const { return root_; }
    bool isHostRoot() const { return root_ == "/"; }

    // Absolute path of `machinePath` (such as "/proc/stat") under the root.
    std::string path(std::string_view machinePath) const;
    // The same into `out`, whose storage is reused.
    void pathInto(std::string_view machinePath, std::string &out) const;

    // Reads a whole file into `out` (reusing its capacity), at most `cap` bytes.
    // Returns false when the file cannot be opened or read, or is not a regular file.
    bool readFile(std::string_view machinePath, std::string &out, size_t cap = 4u << 20) const;
    std::optional<std::string> readText(std::string_view machinePath, size_t cap = 4u << 20) const;
    // The first line of a small sysfs attribute, without its line end.
    std::optional<std::string> readLine(std::string_view machinePath) const;
    std::optional<long long> readInteger(std::string_view machinePath) const;

    // Entry names of a directory (without "." and ".."), sorted; empty when absent.
    std::vector<std::string> listDirectory(std::string_view machinePath) const;
    bool exists(std::string_view machinePath) const;

private:
    std::string root_;
};

} // namespace orb
