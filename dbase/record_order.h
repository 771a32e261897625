// The order in which a table's cursor walks its records. Navigation and the
// grid positions go through this interface only, so an index order can
// stand in for the natural one. An order lists record numbers, deleted and
// filtered ones included; the table skips those it cannot show.
#pragma once

#include <cstdint>

namespace dbase {

class RecordOrder {
  public:
    virtual ~RecordOrder() = default;
    // The first and last record numbers of the order; 0 when there are none.
    virtual std::uint32_t first() = 0;
    virtual std::uint32_t last() = 0;
    // The record after / before recNo (a record of the order); 0 past the end.
    virtual std::uint32_t next(std::uint32_t recNo) = 0;
    virtual std::uint32_t prior(std::uint32_t recNo) = 0;
    // True when the order is ascending record numbers, so a position can be
    // found by binary search.
    virtual bool ascendingRecNo() const { return false; }
};

// Record number order: 1 to the table's current record count.
class NaturalOrder final : public RecordOrder {
  public:
    explicit NaturalOrder(const std::uint32_t& recordCount) : count_(recordCount) {}
    std::uint32_t first() override { return count_ > 0 ? 1 : 0; }
    std::uint32_t last() override { return count_; }
    std::uint32_t next(std::uint32_t recNo) override { return recNo < count_ ? recNo + 1 : 0; }
    std::uint32_t prior(std::uint32_t recNo) override {
        return recNo > 1 && recNo - 1 <= count_ ? recNo - 1 : 0;
    }
    bool ascendingRecNo() const override { return true; }

  private:
    const std::uint32_t& count_;
};

}  // namespace dbase
