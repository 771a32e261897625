// A pack done inside the table file: the records that stay move down over
// the deleted ones, the file is cut after the last, and a journal beside the
// table (<table>.packlog) lets whoever next opens the table finish a pack
// that was stopped, whatever write or sync failed or was lost.
//
// The journal holds two slots, written in turn, each checksummed and made
// durable with a sync; the newer whole slot is the one that counts, so a
// slot torn by a power cut leaves the one before it. A slot says where the
// move stands, as a checkpoint (w, r): every record before position w is
// in its final place and on disk, and no record from position r on has been
// written by the pack (the table was synced before the journal existed).
// Between checkpoints, records are only written to positions below the
// checkpoint's r, so redoing the moves from it reads nothing the pack
// changed. While that room is small (few deletions passed), a move carries
// its packed records in the slot itself, synced before the table is
// written, and the redo writes them again from there.
//
// Once every record is in place and synced, a last slot says so; only then
// are the count, the end mark and the length of the table changed, which
// doing again is harmless. The journal goes after the new index is in place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "dbase/os_file.h"

namespace dbase {

// How much one move handles. Tests make them tiny so that a table of a few
// records goes through every path.
struct PackChunkSizes {
    std::size_t journalBytes = std::size_t{16} << 20;   // most packed bytes a slot carries
    std::size_t directBytes = std::size_t{32} << 20;    // most bytes read for one move
    std::size_t minDirectBytes = std::size_t{8} << 20;  // least room worth a move without
                                                        // the journal
};
extern PackChunkSizes packChunkSizes;

// The journal of a pack of the table at this path.
std::string packJournalName(const std::string& tablePath);

class InPlacePack {
  public:
    InPlacePack(InPlacePack&&) = default;
    InPlacePack& operator=(InPlacePack&&) = default;

    // Starts a pack of `table` (open for writing, locked for exclusive use)
    // whose first deleted record is `firstDeleted`: puts the table on disk,
    // then the journal in place. Until it returns, the table is untouched.
    static InPlacePack begin(OsFile& table, const std::string& tablePath,
                             std::uint32_t firstDeleted, unsigned permissions);
    // Takes up a pack that was stopped, from its journal. Error::Kind::Damaged
    // when the journal has no whole slot or does not fit the table: nothing
    // is written then.
    static InPlacePack resume(OsFile& table, const std::string& tablePath);

    // Moves the remaining records; `kept` sees each record that stays, as it
    // is moved, and `moved` is called after each move. Ends with every record
    // in place, on disk, and the journal saying so.
    void moveAll(const std::function<void(const std::uint8_t* record)>& kept,
                 const std::function<void()>& moved);
    // Sets the count (and the index flag, and the date when asked), writes
    // the end mark, cuts the file and syncs it. Only after moveAll.
    void finishTable(std::optional<std::uint8_t> indexFlag, bool stampDate);
    // Removes the journal and puts the folder on disk: the pack is over.
    void removeJournal();

    std::uint32_t keptCount() const { return w_ - 1; }

  private:
    InPlacePack(OsFile& table, std::string journalPath)
        : table_(&table), journalPath_(std::move(journalPath)) {}

    enum Phase : std::uint32_t { kMoving = 1, kTableDone = 2 };
    std::uint64_t offsetOf(std::uint32_t recNo) const {
        return headerLength_ + std::uint64_t{recNo - 1} * recordLength_;
    }
    void writeSlotData(const std::uint8_t* data, std::size_t length);
    void writeSlot(Phase phase, std::uint32_t w2, std::uint32_t r2, const std::uint8_t* data,
                   std::size_t length, bool dataWritten = false);
    void checkpoint();

    OsFile* table_;
    OsFile journal_;
    std::string journalPath_;
    std::uint32_t oldCount_ = 0;
    std::uint32_t headerLength_ = 0;
    std::uint32_t recordLength_ = 0;
    std::uint64_t dataCapacity_ = 0;  // bytes of packed records one slot can carry
    std::uint64_t seq_ = 0;           // of the newest slot
    int nextSlot_ = 0;
    std::uint32_t w_ = 0, r_ = 0;      // next destination, next source
    std::uint32_t ckW_ = 0, ckR_ = 0;  // the durable checkpoint
    bool moved_ = false;               // every record in place
    bool tableDirty_ = false;          // records written since the table was synced
};

}  // namespace dbase
