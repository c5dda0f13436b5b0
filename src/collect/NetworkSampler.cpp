#include "collect/NetworkSampler.h"

#include "collect/AddressWatcher.h"
#include "collect/ProcText.h"
#include "platform/Logging.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <dirent.h>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace orb {
namespace {

constexpr const char *kClassNet = "/sys/class/net";
constexpr const char *kWireless = "/proc/net/wireless";

int64_t saturated(uint64_t v)
{
    return v > static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) ? std::numeric_limits<int64_t>::max()
                                                                         : static_cast<int64_t>(v);
}

uint64_t addSaturated(uint64_t a, uint64_t b)
{
    return a > std::numeric_limits<uint64_t>::max() - b ? std::numeric_limits<uint64_t>::max() : a + b;
}

// A level token of /proc/net/wireless: "-60." (the dot marks an updated value) or "-256".
bool parseLevel(std::string_view token, int &out)
{
    while (!token.empty() && (token.back() == '.' || token.back() == ' '))
        token.remove_suffix(1);
    if (token.empty())
        return false;
    const char *b = token.data();
    const char *e = b + token.size();
    auto [p, ec] = std::from_chars(b, e, out);
    return ec == std::errc() && p == e;
}

} // namespace

NetworkSampler::NetworkSampler() = default;

NetworkSampler::~NetworkSampler()
{
    if (dir_)
        ::closedir(dir_);
}

int64_t NetworkSampler::quality(int64_t dBm)
{
    const int64_t q = (100 * dBm + 9000) / 60;
    return q < 0 || q > 100 ? 1 : q;
}

bool NetworkSampler::parseWirelessLine(std::string_view line, std::string_view &name, int &level, int &noise)
{
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos)
        return false;
    name = proctext::trimmed(line.substr(0, colon));
    if (name.empty())
        return false;
    std::string_view rest = line.substr(colon + 1);
    const std::string_view status = proctext::nextToken(rest);
    const std::string_view link = proctext::nextToken(rest);
    const std::string_view lvl = proctext::nextToken(rest);
    const std::string_view nse = proctext::nextToken(rest);
    int ignored = 0;
    if (status.empty() || !parseLevel(link, ignored) || !parseLevel(lvl, level) || !parseLevel(nse, noise))
        return false;
    if (noise == -256)
        noise = 0;
    if (level == -256)
        level = 0;
    return true;
}

NetworkSampler::Interface NetworkSampler::makeInterface(const Sysroot &root, const std::string &name) const
{
    Interface i;
    i.name = name;
    const std::string dir = std::string(kClassNet) + '/' + name;
    i.tx.file = OpenProcFile(dir + "/statistics/tx_bytes");
    i.rx.file = OpenProcFile(dir + "/statistics/rx_bytes");
    i.oper = OpenProcFile(dir + "/operstate");
    struct stat st{};
    // The link itself decides, even when what it points at is missing from the tree.
    i.counted = ::lstat(root.path(dir + "/device").c_str(), &st) == 0;
    i.wifi = root.exists(dir + "/wireless");
    if (!i.wifi) {
        if (const auto uevent = root.readText(dir + "/uevent", 16 * 1024)) {
            proctext::forEachLine(*uevent, [&](std::string_view line) {
                if (proctext::trimmed(line) == "DEVTYPE=wlan")
                    i.wifi = true;
            });
        }
    }
    return i;
}

bool NetworkSampler::listingDue(const Sysroot &root, double now)
{
    if (root.root() != rootPath_) {
        // Another tree (tests and `sample --sysroot` switch them): the files follow by
        // themselves, the baselines stay with the interface names.
        if (dir_)
            ::closedir(dir_);
        dir_ = nullptr;
        rootPath_ = root.root();
        relist_ = true;
        if (root.isHostRoot() && !links_)
            links_ = std::make_unique<AddressWatcher>(AddressWatcher::Kind::Links);
    }
    // Drained every pass, so a burst of link changes makes one listing.
    const bool linksChanged = root.isHostRoot() && links_ && links_->changed();
    return relist_ || linksChanged || interfaces_.empty() || !listedAt_ || now < *listedAt_
           || now - *listedAt_ >= kListSeconds;
}

bool NetworkSampler::watchingLinks(const Sysroot &root) const
{
    return root.isHostRoot() && links_ && links_->isValid();
}

bool NetworkSampler::rescan(const Sysroot &root, double now, bool &statesDue)
{
    const bool rootChanged = root.root() != rootPath_;
    statesDue = true;
    if (!listingDue(root, now)) {
        statesDue = !watchingLinks(root);
        return true;
    }
    listing_.clear();
    // The directory stays open and is read again from its start.
    if (!dir_)
        dir_ = ::opendir(root.path(kClassNet).c_str());
    else
        ::rewinddir(dir_);
    if (dir_) {
        while (dirent *entry = ::readdir(dir_)) {
            const std::string_view n(entry->d_name);
            if (n == "." || n == ".." || n.empty())
                continue;
            listing_.emplace_back(n);
        }
    }
    std::sort(listing_.begin(), listing_.end());
    // An unreadable list changes nothing: the baselines wait for the next good one.
    if (listing_.empty())
        return false;
    relist_ = false;
    listedAt_ = now;

    for (Interface &i : interfaces_)
        i.seen = false;
    for (const std::string &name : listing_) {
        auto it = std::lower_bound(interfaces_.begin(), interfaces_.end(), name,
                                   [](const Interface &i, const std::string &n) { return i.name < n; });
        if (it != interfaces_.end() && it->name == name) {
            it->seen = true;
            if (rootChanged) {
                const Interface probed = makeInterface(root, name);
                it->counted = probed.counted;
                it->wifi = probed.wifi;
            }
            continue;
        }
        Interface fresh = makeInterface(root, name);
        fresh.seen = true;
        interfaces_.insert(it, std::move(fresh));
    }
    // Interfaces gone from the list keep what they added to the totals and nothing more.
    std::erase_if(interfaces_, [](const Interface &i) { return !i.seen; });
    return true;
}

bool NetworkSampler::readCounter(const Sysroot &root, Counter &c, uint64_t &total, const std::string &ifName,
                                 const char *file)
{
    char buf[40];
    size_t len = 0;
    uint64_t v = 0;
    if (!c.file.read(root, buf, sizeof buf, len)
        || !proctext::parseUnsigned(proctext::trimmed(std::string_view(buf, len)), v)) {
        if (!reportedCounter_)
            qCWarning(lcCollect, "cannot read %s of %s; its traffic is left out of this sample", file,
                      ifName.c_str());
        reportedCounter_ = true;
        return false;
    }
    if (!c.valid) {
        total = addSaturated(total, v);
    } else if (v >= c.last) {
        total = addSaturated(total, v - c.last);
    }
    // A counter that went backwards (driver reset, interface re-created between samples)
    // starts a new baseline and adds nothing now.
    c.last = v;
    c.valid = true;
    return true;
}

void NetworkSampler::readOperstate(const Sysroot &root, Interface &i)
{
    char buf[32];
    size_t len = 0;
    i.operstate.clear();
    if (i.oper.read(root, buf, sizeof buf, len))
        i.operstate.assign(proctext::trimmed(std::string_view(buf, len)));
}

void NetworkSampler::readWireless(const Sysroot &root, int64_t &signal, int64_t &noise)
{
    wifiLevels_.clear();
    int64_t count = 0;
    int64_t sigSum = 0;
    int64_t noiseSum = 0;
    bool haveFile = false;
    for (const Interface &i : interfaces_) {
        if (!i.wifi)
            continue;
        if (!haveFile) {
            haveFile = wireless_.read(root, buffer_);
            if (!haveFile)
                buffer_.clear();
        }
        WifiReading level;
        level.name = i.name;
        // A Wi-Fi interface the file does not list (down, not associated) has no reading.
        bool garbled = false;
        proctext::forEachLine(buffer_, [&](std::string_view line) {
            std::string_view name;
            int l = 0, n = 0;
            const size_t colon = line.find(':');
            if (colon == std::string_view::npos || proctext::trimmed(line.substr(0, colon)) != i.name)
                return true;
            if (!parseWirelessLine(line, name, l, n)) {
                garbled = true;
                return false;
            }
            level.rssi = l;
            level.noise = n;
            return false;
        });
        if (garbled && !reportedWireless_) {
            qCWarning(lcCollect, "unreadable line for %s in %s; counted as no reading", i.name.c_str(),
                      root.path(kWireless).c_str());
            reportedWireless_ = true;
        }
        sigSum += quality(level.rssi);
        noiseSum += quality(level.noise);
        ++count;
        wifiLevels_.push_back(std::move(level));
    }
    signal = count ? sigSum / count : 0;
    noise = count ? noiseSum / count : 0;
}

std::optional<NetworkSample> NetworkSampler::loadNetworkData(const Sysroot &root, double now)
{
    bool statesDue = true;
    if (!rescan(root, now, statesDue)) {
        if (!reportedList_)
            qCWarning(lcCollect, "no interfaces under %s; no network sample", root.path(kClassNet).c_str());
        reportedList_ = true;
        return std::nullopt;
    }
    reportedList_ = false;

    status_.clear();
    bool allRead = true;
    for (Interface &i : interfaces_) {
        // The names of all interfaces (tunnels come and go) and the link states of the
        // hardware ones make the status snapshot.
        status_.append(i.name);
        if (i.counted) {
            if (statesDue)
                readOperstate(root, i);
            status_.append(1, '=').append(i.operstate);
            allRead = readCounter(root, i.tx, totalUp_, i.name, "tx_bytes") && allRead;
            allRead = readCounter(root, i.rx, totalDown_, i.name, "rx_bytes") && allRead;
        }
        status_.append(1, ';');
    }
    if (allRead)
        reportedCounter_ = false;
    else
        relist_ = true; // the interface may have gone

    NetworkSample s;
    s.up = saturated(totalUp_);
    s.down = saturated(totalDown_);
    // Seconds that really passed since the previous sample, whole, at least one.
    double elapsed = lastNow_ ? std::floor(now - *lastNow_) : 1.0;
    if (!std::isfinite(elapsed) || elapsed < 1.0)
        elapsed = 1.0;
    s.interval = elapsed;
    lastNow_ = now;
    readWireless(root, s.signal, s.noise);
    return s;
}

bool NetworkSampler::checkInterfaceStatusChange()
{
    if (statusValid_ && status_ == lastStatus_)
        return true;
    lastStatus_ = status_;
    statusValid_ = true;
    return false;
}

} // namespace orb
