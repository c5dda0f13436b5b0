#pragma once
#include <cstddef>
#include <memory>
#include <vector>

namespace orb {

// A module's readings, oldest first, at most kCapacity of them. Never changed in place:
// `appended` builds a new sequence, so a reader holding an older one keeps a stable snapshot.
template <typename Sample>
class History {
public:
    static constexpr std::size_t kCapacity = 512;

    History() = default;

    bool empty() const { return !items_ || items_->empty(); }
    std::size_t size() const { return items_ ? items_->size() : 0; }
    const Sample &operator[](std::size_t i) const { return (*items_)[i]; }
    const Sample &back() const { return items_->back(); }
    const Sample &front() const { return items_->front(); }
    auto begin() const { return items_ ? items_->cbegin() : typename std::vector<Sample>::const_iterator(); }
    auto end() const { return items_ ? items_->cend() : typename std::vector<Sample>::const_iterator(); }
    // Identity of the underlying sequence (tests check snapshot stability with it).
    const void *identity() const { return items_.get(); }

    History appended(Sample sample) const
    {
        auto next = std::make_shared<std::vector<Sample>>();
        const std::size_t old = size();
        const std::size_t skip = old + 1 > kCapacity ? old + 1 - kCapacity : 0;
        next->reserve(old - skip + 1);
        if (items_)
            next->insert(next->end(), items_->begin() + static_cast<std::ptrdiff_t>(skip), items_->end());
        next->push_back(std::move(sample));
        History h;
        h.items_ = std::move(next);
        return h;
    }

private:
    std::shared_ptr<const std::vector<Sample>> items_;
};

} // namespace orb
