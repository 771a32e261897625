// Gathers the keys of a tag from the records of a table and puts them in tag
// order (keys ascending, or descending for a descending tag; equal keys by
// record number), ready for the index file writer.
//
// Records are added in ascending record-number order. The builder holds at
// most about `memoryBudget` bytes of keys and sort entries: beyond that it
// sorts what it holds into a run, writes the run to a temporary file in the
// spill folder (removed by the system when the builder goes), and merges the
// runs at the end. A tag of a million wide keys is thus built in the same
// small memory as one of a thousand.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "dbase/expr.h"
#include "dbase/mdx_file.h"

namespace dbase {

class TagBuilder {
  public:
    static constexpr size_t kDefaultBudget = size_t{48} << 20;
    using Emit = std::function<void(std::string_view key, std::uint32_t recNo)>;

    // The expression must outlive the builder. An empty spill folder means
    // the system's temporary folder.
    TagBuilder(const std::string& name, const Expression& expression, bool descending = false,
               size_t memoryBudget = kDefaultBudget, std::string spillDirectory = {});
    ~TagBuilder();
    TagBuilder(TagBuilder&& other) noexcept;
    TagBuilder(const TagBuilder&) = delete;
    TagBuilder& operator=(const TagBuilder&) = delete;
    TagBuilder& operator=(TagBuilder&&) = delete;

    void reserve(size_t records);
    void add(const unsigned char* record, std::uint32_t recNo);
    // Hands every entry to `emit` in tag order; the builder is empty afterwards.
    void finish(const Emit& emit);
    // The sorted tag whole in memory; the builder is empty afterwards.
    MdxTagBuild finish();

    const std::string& name() const { return name_; }
    const std::string& expressionText() const { return expression_.text(); }
    KeyType keyType() const { return keyType_; }
    int keyLength() const { return keyLength_; }
    bool descending() const { return descending_; }
    // Runs written to the spill file so far (for tests).
    size_t spilledRuns() const { return runs_.size(); }

  private:
    struct Run {
        std::uint64_t offset;  // in the spill file
        std::uint64_t count;
    };
    void sortHeld(std::vector<std::uint32_t>& order) const;
    bool sortByRank(std::vector<std::uint32_t>& order) const;
    // Held entries from which repeated keys are looked for (sortByRank).
    static constexpr size_t kRankFrom = 1024;
    void spill();
    void merge(const Emit& emit, const std::vector<std::uint32_t>& held);

    const Expression& expression_;
    std::string name_;
    KeyType keyType_;
    int keyLength_;
    bool descending_;
    size_t maxHeld_;  // entries held before a run is written
    std::string spillDirectory_;
    std::string keys_;  // held entries: keyLength_ bytes each
    std::vector<std::uint32_t> recNos_;
    std::string key_;
    int spillFd_ = -1;
    std::uint64_t spillSize_ = 0;
    std::vector<Run> runs_;
};

}  // namespace dbase
