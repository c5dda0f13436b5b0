#pragma once
#include <atomic>
#include <cstddef>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace orb {

// A module's readings, oldest first, at most kCapacity of them. A History is a view that
// never changes: `appended` returns a new view, and a reader holding an older one (another
// thread's snapshot) keeps seeing exactly what it saw.
//
// Views share one block of slots. Appending to the newest view writes the next free slot
// and moves the window; the slots an older view covers are never written again. Only when
// the block is full, or when an older view is appended to (a branch), are the last entries
// copied into a new block: amortised, an append costs one sample, not a history.
template <typename Sample>
class History {
public:
    static constexpr std::size_t kCapacity = 512;

    History() = default;

    bool empty() const { return begin_ == end_; }
    std::size_t size() const { return end_ - begin_; }
    const Sample &operator[](std::size_t i) const { return block_->slots[begin_ + i]; }
    const Sample &back() const { return block_->slots[end_ - 1]; }
    const Sample &front() const { return block_->slots[begin_]; }
    auto begin() const
    {
        return block_ ? block_->slots.cbegin() + static_cast<std::ptrdiff_t>(begin_)
                      : typename std::vector<Sample>::const_iterator();
    }
    auto end() const
    {
        return block_ ? block_->slots.cbegin() + static_cast<std::ptrdiff_t>(end_)
                      : typename std::vector<Sample>::const_iterator();
    }
    // Tells views apart: equal identities hold the same readings.
    std::pair<const void *, std::size_t> identity() const { return {block_.get(), end_}; }
    // How many readings this view holds beyond `older` when it grew from it by appending
    // (the same storage, nothing copied); none otherwise. A reader that worked something out
    // from `older` then only needs to look at the new readings.
    std::optional<std::size_t> grownFrom(const History &older) const
    {
        if (!block_ || block_ != older.block_ || end_ < older.end_)
            return std::nullopt;
        return end_ - older.end_;
    }

    History appended(Sample sample) const
    {
        History h;
        std::size_t expected = end_;
        // The newest view of a block with room claims the next slot; anything else copies.
        if (block_ && end_ < block_->slots.size() && block_->used.compare_exchange_strong(expected, end_ + 1)) {
            block_->slots[end_] = std::move(sample);
            h.block_ = block_;
            h.begin_ = end_ + 1 > kCapacity + begin_ ? begin_ + 1 : begin_;
            h.end_ = end_ + 1;
            return h;
        }
        const std::size_t keep = size() + 1 > kCapacity ? kCapacity - 1 : size();
        auto block = std::make_shared<Block>();
        for (std::size_t i = end_ - keep; i < end_; ++i)
            block->slots[i - (end_ - keep)] = block_->slots[i];
        block->slots[keep] = std::move(sample);
        block->used.store(keep + 1);
        h.block_ = std::move(block);
        h.begin_ = 0;
        h.end_ = keep + 1;
        return h;
    }

private:
    struct Block {
        // Twice the capacity: a full history slides kCapacity times before it is copied.
        std::vector<Sample> slots = std::vector<Sample>(2 * kCapacity);
        std::atomic<std::size_t> used{0};
    };
    std::shared_ptr<Block> block_;
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
};

} // namespace orb
