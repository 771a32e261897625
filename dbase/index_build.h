// Gathers the keys of a tag from the records of a table and puts them in tag
// order (keys ascending, or descending for a descending tag; equal keys by
// record number), ready for MdxFile::write().
//
// Records are added in ascending record-number order.
#pragma once

#include <cstdint>
#include <string>

#include "dbase/expr.h"
#include "dbase/mdx_file.h"

namespace dbase {

class TagBuilder {
  public:
    // The expression must outlive the builder.
    TagBuilder(const std::string& name, const Expression& expression, bool descending = false);

    void reserve(size_t records);
    void add(const unsigned char* record, std::uint32_t recNo);
    // The sorted tag; the builder is empty afterwards.
    MdxTagBuild finish();

  private:
    const Expression& expression_;
    MdxTagBuild tag_;
    std::string key_;
};

}  // namespace dbase
