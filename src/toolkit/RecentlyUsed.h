#pragma once
#include <QtGlobal>
#include <algorithm>
#include <vector>

namespace orb {

// The bound of the text caches. When one is full the half used longest ago goes: the texts
// drawn on every pass ("CPU", a percentage seen often) stay while a stream of new figures
// (free memory to two decimals) passes through. Entries carry a `used` stamp that grows
// with every use.
template <class Hash>
void dropLeastRecentlyUsedHalf(Hash &hash)
{
    if (hash.size() < 2) {
        hash.clear();
        return;
    }
    std::vector<quint64> stamps;
    stamps.reserve(static_cast<std::size_t>(hash.size()));
    for (auto it = hash.cbegin(); it != hash.cend(); ++it)
        stamps.push_back(it->used);
    const auto middle = stamps.begin() + static_cast<std::ptrdiff_t>(stamps.size() / 2);
    std::nth_element(stamps.begin(), middle, stamps.end());
    const quint64 keptFrom = *middle;
    hash.removeIf([keptFrom](typename Hash::iterator it) { return it->used < keptFrom; });
}

} // namespace orb
