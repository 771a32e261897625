// The order of an index tag as the table's cursor walks it: the tag's record
// numbers in key order (equal keys by record number), held in memory so that
// stepping, positions and counts never go back to the index file.
//
// The list is loaded from the index when first needed and again after
// invalidate() (a record changed its key, or another user may have changed
// the index). Stepping from the record last reached costs nothing; finding
// an arbitrary record searches the list.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "dbase/record_order.h"

namespace dbase {

class IndexOrder final : public RecordOrder {
  public:
    using Loader = std::function<std::vector<std::uint32_t>()>;

    explicit IndexOrder(Loader loader) : loader_(std::move(loader)) {}

    std::uint32_t first() override {
        load();
        return recs_.empty() ? 0 : recs_.front();
    }
    std::uint32_t last() override {
        load();
        return recs_.empty() ? 0 : recs_.back();
    }
    std::uint32_t next(std::uint32_t recNo) override {
        const size_t p = positionOf(recNo);
        if (p == kNone || p + 1 >= recs_.size())
            return 0;
        hint_ = p + 1;
        return recs_[hint_];
    }
    std::uint32_t prior(std::uint32_t recNo) override {
        const size_t p = positionOf(recNo);
        if (p == kNone || p == 0)
            return 0;
        hint_ = p - 1;
        return recs_[hint_];
    }

    // The record `distance` places after the one last reached, or 0: what a
    // walk will read soon, so that it can be fetched ahead.
    std::uint32_t ahead(size_t distance) const {
        return loaded_ && hint_ + distance < recs_.size() ? recs_[hint_ + distance] : 0;
    }

    // The list must be loaded again before it is next used.
    void invalidate() { loaded_ = false; }
    // Loads the list if needed (an error of the loader passes through).
    const std::vector<std::uint32_t>& records() {
        load();
        return recs_;
    }

  private:
    static constexpr size_t kNone = static_cast<size_t>(-1);

    void load() {
        if (loaded_)
            return;
        recs_ = loader_();
        loaded_ = true;
        hint_ = 0;
    }
    size_t positionOf(std::uint32_t recNo) {
        load();
        if (hint_ < recs_.size() && recs_[hint_] == recNo)
            return hint_;
        for (size_t d = 1; d <= 2; ++d) {  // one step off, as after a neighbour moved
            if (hint_ + d < recs_.size() && recs_[hint_ + d] == recNo)
                return hint_ + d;
            if (hint_ >= d && recs_[hint_ - d] == recNo)
                return hint_ - d;
        }
        for (size_t i = 0; i < recs_.size(); ++i)
            if (recs_[i] == recNo)
                return hint_ = i;
        return kNone;
    }

    Loader loader_;
    std::vector<std::uint32_t> recs_;
    bool loaded_ = false;
    size_t hint_ = 0;
};

}  // namespace dbase
