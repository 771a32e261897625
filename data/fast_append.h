// Adding many books to the open collection quickly.
//
// With exclusive use the engine appends in batches; and when the books to
// add are many beside those already there, keeping the sort tag current book
// by book costs far more than building it again once from all the records
// (four fifths of an import's time went to the tag). So a large import takes
// the tag off, appends, and builds the tag again from the sort expression,
// from keys gathered as the books were added (not reading the table again).
// When another program holds the file, the books are added with shared use,
// one by one. Either way the collection is open shared afterwards, also when
// the work throws; a crash part-way leaves a table whose tag the next start
// adds again.
#pragma once

#include <cstdint>
#include <functional>

namespace dbase {
class Table;
}

namespace books {

class OpenCollection;

// Runs `work` on the collection's table as described above. `expected` is an
// estimate of the number of books to add.
void appendToCollection(OpenCollection& collection, std::uint64_t expected,
                        const std::function<void(dbase::Table&)>& work);

// Whether building the tag again costs less than keeping it current: the
// books to add are at least a twentieth of those there.
bool rebuildTagAfterwards(std::uint64_t existing, std::uint64_t expected);

}  // namespace books
