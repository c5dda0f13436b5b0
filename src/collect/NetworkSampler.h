#pragma once
#include "collect/Samples.h"
#include "platform/OpenProcFile.h"
#include "platform/Sysroot.h"

#include <cstdint>
#include <dirent.h>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orb {

class AddressWatcher;

// Wi-Fi levels in dBm of one interface as last read (0 = no reading).
struct WifiReading {
    std::string name;
    int rssi = 0;
    int noise = 0;
};

// Byte totals and Wi-Fi quality from <sysroot>/sys/class/net and /proc/net/wireless.
//
// Only interfaces backed by a device (those with a `device` link) are counted: loopback,
// bridges, veth pairs and tunnels carry traffic that a device already counted, or that
// never leaves the machine. Each interface keeps its own baseline, so the totals never go
// down: a counter that goes backwards adds nothing for that sample, an interface that
// disappears keeps what it added, and one that appears adds its counters.
//
// The counter files of the interfaces found are kept open and re-read in place each pass.
// The interfaces are listed again only when they may have changed: on the first sample of a
// tree, when the kernel reports a link added or removed (running machine only), after a
// counter could not be read, and every kListSeconds in any case. The link states are read
// with each listing, and on every pass of a tree whose link changes the kernel does not
// report (the kernel reports every change of a link's state).
// Used only by the collection pass, one pass at a time.
class NetworkSampler {
public:
    static constexpr double kListSeconds = 10.0;

    NetworkSampler();
    ~NetworkSampler();
    NetworkSampler(const NetworkSampler &) = delete;
    NetworkSampler &operator=(const NetworkSampler &) = delete;

    // One sample at monotonic time `now` (seconds). Nothing when the interface list cannot
    // be read.
    std::optional<NetworkSample> loadNetworkData(const Sysroot &root, double now);

    // Whether the interface names and the link states of the hardware interfaces are the same as at the previous call
    // (false on the first call). Reads what the last loadNetworkData found.
    bool checkInterfaceStatusChange();
    // Forgets the last snapshot, so the next check reports a change.
    void clearInterfaceStatusChange() { statusValid_ = false; }

    // Wi-Fi quality in 0..100 from a level in dBm: (100 × level + 9000) / 60, truncated,
    // and 1 for anything outside 0..100.
    static int64_t quality(int64_t dBm);

    // Levels of every Wi-Fi interface at the last sample.
    const std::vector<WifiReading> &wifiLevels() const { return wifiLevels_; }

    // Parses one /proc/net/wireless interface line (" wlan0: 0000   50.  -60.  -256 ...").
    // Level and noise in dBm; a noise of −256 (none) gives 0.
    static bool parseWirelessLine(std::string_view line, std::string_view &name, int &level, int &noise);

private:
    struct Counter {
        OpenProcFile file;
        uint64_t last = 0;
        bool valid = false;
    };
    struct Interface {
        std::string name;
        bool counted = false; // backed by a device
        bool wifi = false;
        bool seen = false;    // listed in this pass
        Counter tx, rx;
        OpenProcFile oper;
        std::string operstate;
    };

    // Lists the interfaces when they may have changed (see above); false when the list is empty.
    // `statesDue` says whether the link states must be read again this pass.
    bool rescan(const Sysroot &root, double now, bool &statesDue);
    bool listingDue(const Sysroot &root, double now);
    bool watchingLinks(const Sysroot &root) const;
    Interface makeInterface(const Sysroot &root, const std::string &name) const;
    // Re-reads one counter; adds the growth since its baseline to `total`.
    bool readCounter(const Sysroot &root, Counter &c, uint64_t &total, const std::string &ifName, const char *file);
    void readOperstate(const Sysroot &root, Interface &i);
    void readWireless(const Sysroot &root, int64_t &signal, int64_t &noise);

    std::string rootPath_;
    std::vector<Interface> interfaces_; // sorted by name
    std::vector<std::string> listing_;
    std::string buffer_;
    DIR *dir_ = nullptr;
    std::unique_ptr<AddressWatcher> links_; // running machine only
    std::optional<double> listedAt_;
    bool relist_ = true;
    OpenProcFile wireless_{"/proc/net/wireless", OpenProcFile::Text::ShortLines};
    uint64_t totalUp_ = 0;
    uint64_t totalDown_ = 0;
    std::optional<double> lastNow_;
    std::vector<WifiReading> wifiLevels_;

    // Snapshot for the status check: "name=operstate;" per interface.
    std::string status_;
    std::string lastStatus_;
    bool statusValid_ = false;
    bool reportedList_ = false;
    bool reportedCounter_ = false;
    bool reportedWireless_ = false;
};

} // namespace orb
