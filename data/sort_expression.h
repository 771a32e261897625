// The sort order of the viewer: up to four levels, each a book field number
// (1 to 36) or 0 for none, turned into one dBase index expression that is
// kept as the tag "NewIndex" of the collection's production index.
#pragma once

#include <array>
#include <string>

namespace books {

inline constexpr const char* kSortTagName = "NewIndex";

using SortLevels = std::array<int, 4>;  // primary, secondary, third, fourth

// Strings sort case-blind on their first 20 characters, integers and floats by
// their right-aligned text, dates chronologically. Levels outside 1 to 36 add
// nothing; no level gives an empty expression. The same field may stand on
// several levels.
std::string buildSortString(const SortLevels& levels);

}  // namespace books
