// The inside of a Table, shared by the files that implement it: table.cpp
// (opening, writing, navigation, changes, pack), table_access.cpp (the
// public interface: structure, values, observers) and table_index.cpp (the
// production index).
#pragma once

#include "dbase/table.h"

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <optional>

#include "dbase/code_page.h"
#include "dbase/dbf_header.h"
#include "dbase/direct_writer.h"
#include "dbase/expr.h"
#include "dbase/field_value.h"
#include "dbase/file_names.h"
#include "dbase/index_order.h"
#include "dbase/index_records.h"
#include "dbase/index_set.h"
#include "dbase/memo_file.h"
#include "dbase/os_file.h"
#include "dbase/record_cache.h"
#include "dbase/record_order.h"

namespace dbase {

inline std::string typeName(FieldType t) {
    switch (t) {
        case FieldType::Character:
            return "character";
        case FieldType::Numeric:
            return "numeric";
        case FieldType::Float:
            return "float";
        case FieldType::Date:
            return "date";
        case FieldType::Logical:
            return "logical";
        case FieldType::Memo:
            return "memo";
    }
    return std::string("'") + static_cast<char>(t) + "'";
}

inline bool knownType(FieldType t) {
    switch (t) {
        case FieldType::Character:
        case FieldType::Numeric:
        case FieldType::Float:
        case FieldType::Date:
        case FieldType::Logical:
        case FieldType::Memo:
            return true;
    }
    return false;
}

// Called with the name of each step of a pack as it is completed ("started"
// before anything is written, "journal written", "moved" after each move of
// records, "table written", "index written", "index replaced"); tests stop a
// pack there. Null normally.
extern void (*packStepHook)(const char* step);

struct Table::Impl {
    explicit Impl(Table& owner)
        : self(owner), order(std::make_unique<NaturalOrder>(header.recordCount)) {}

    Table& self;

    // Where the table is.
    std::string directory;
    std::string tableName;
    std::string explicitPath;  // set by setFileName; empty after setPath
    OpenMode mode = OpenMode::Shared;
    bool readOnlyRequested = false;

    // The open file.
    OsFile file;
    std::string path;  // of the open file
    DbfHeader header;
    const CodePage* codePage = &CodePage::windows1252();
    MemoFile memo;
    RecordCache cache;
    bool writable = false;
    std::string readOnlyReason;  // why the open table cannot be changed
    std::vector<std::string> warnings;
    std::vector<std::string> untoldWarnings;  // of the opens since takeOpenWarnings()
    bool dateStamped = false;                 // today's date is in the header already
    int bulk = 0;           // nesting of beginBulk(): changes are synced at its end
    bool unsynced = false;  // changes made in bulk work, not yet on disk
    // A change failed part-way since the table opened: the index may not
    // match the table on disk, so closing leaves it marked for a rebuild.
    bool changeFailed = false;
    std::unique_ptr<RecordOrder> order;

    // A bulk append with exclusive use: records not yet written, numbered
    // from pendingFirst (already counted in header.recordCount).
    bool bulkAppend = false;
    std::vector<std::uint8_t> pending;
    std::uint32_t pendingFirst = 0;
    std::uint32_t pendingCount = 0;
    static constexpr std::size_t kAppendBatch = std::size_t{1} << 20;
    // Batches written through the file cache end on multiples of this, so
    // that the cache holds the table in pieces of this size, which a map
    // covers with one entry each (a walk in key order jumps about the whole
    // table and otherwise waits on the processor's address lookups).
    static constexpr std::uint64_t kAlignedPiece = std::uint64_t{2} << 20;
    // With setWritePastCache(): whole batches go past the file cache.
    // Without a production index, the batches go on as one run of
    // batchWriter (the stream, from record streamFirst on), written by its
    // thread while the next batches fill, past the cache or through it in
    // aligned pieces; the count on disk follows the records the file holds
    // (streamCounted). The stream ends with flushAppends(), before anything
    // else reads or writes the table.
    bool pastCache = false;
    std::unique_ptr<DirectWriter> batchWriter;
    std::uint32_t streamFirst = 0;  // 0: no stream
    std::uint32_t streamCounted = 0;
    // The count the stream's thread wrote on disk last (writeStreamCount):
    // the caller takes note of it with noteStreamCount().
    std::atomic<std::uint32_t> streamOnDisk{0};
    std::uint32_t streamLast = 0;                   // the last record handed on,
    const std::uint8_t* streamLastBytes = nullptr;  // its bytes: in the stream's
    std::vector<std::uint8_t> streamTail;           // buffer or, if not whole there, here
    std::uint32_t streamedSince = 0;  // records streamed since the count was last looked at
    static constexpr std::size_t kStreamBuffer = std::size_t{4} << 20;
    static constexpr int kStreamBuffers = 3;
    DirectWriter& writer() {
        if (!batchWriter)
            batchWriter = std::make_unique<DirectWriter>(file, kStreamBuffer, kStreamBuffers,
                                                         pastCache ? 0 : kAlignedPiece);
        return *batchWriter;
    }

    // The cursor.
    TableState state = TableState::Inactive;
    std::uint32_t cur = 0;
    bool atBof = true;
    bool atEof = true;
    std::vector<std::uint8_t> editBuf;  // the record being edited or inserted
    std::vector<std::uint8_t> oldBuf;   // the record as it was when editing began
    std::vector<std::uint8_t> diskBuf;  // the record as it is on disk, while it is written
    std::vector<std::uint8_t> blankRecord;
    std::uint32_t candidate = 0;  // the record the filter is judging, 0 otherwise
    Filter filter;

    // Visible records in the current order, built on demand for positions.
    std::vector<std::uint32_t> visible;
    bool visibleValid = false;
    // The first visible records of the current order, listed without reading
    // the whole table (a grid's first screens before the count). Every
    // change that drops `visible` drops it too.
    std::vector<std::uint32_t> top;
    std::size_t topScanned = 0;             // places of the order examined for it
    const RecordOrder* topOrder = nullptr;  // the order it lists
    static constexpr std::uint32_t kTopPositions = 4096;
    static constexpr std::size_t kTopScanLimit = 4 * kTopPositions;
    void dropVisible() {
        visibleValid = false;
        forgetTop();
    }
    void forgetTop() {
        top.clear();
        topScanned = 0;
        topOrder = nullptr;
    }

    // The production index. The selected tag's name is kept while the table
    // is closed and applied when it opens.
    std::unique_ptr<IndexSet> indexSet;  // while open, when the table has an index
    std::string indexDamage;             // why the index cannot be used, when it cannot
    // Why a read-only open went without the index (selecting a tag reports it).
    std::optional<Error> indexUnavailable;
    std::string tagName;               // the selected tag; empty for record order
    IndexOrder* indexOrder = nullptr;  // the order, when a tag is selected
    MappedRecords mapped;              // records read in index order
    bool inRecordOrder = false;        // a pass in record order (see MappedRecords::inOrder)
    std::uint32_t mappedSteps = 0;     // records read through the map
    static constexpr std::uint32_t kPopulateAfter = 50000;
    // The keys of a tag being gathered as records are appended
    // (gatherIndexTag): `fed` records, 1 to fed, have given theirs.
    struct Gathering {
        TagDefinition tag;
        std::unique_ptr<IndexBuilder> builder;
        std::uint32_t fed = 0;
    };
    std::unique_ptr<Gathering> gathering;
    // Gives the gathering the key of record recNo, the next one; anything
    // out of step (or a failure of the build) ends the gathering instead.
    void gather(std::uint32_t recNo, const std::uint8_t* record) noexcept {
        if (!gathering)
            return;
        if (recNo != gathering->fed + 1) {
            gathering.reset();
            return;
        }
        try {
            gathering->builder->add(record, recNo);
            gathering->fed = recNo;
        } catch (...) {
            gathering.reset();
        }
    }
    bool keyMoved = false;  // the last writeRecord moved a key of the selected tag
    bool applyTagOnOpen = true;

    // Attached views.
    std::vector<TableObserver*> observers;
    int disabled = 0;
    bool pendingReset = false;

    std::string scratch;  // reused for conversions

    // ---- names ----------------------------------------------------------
    std::string tablePath() const {
        if (!explicitPath.empty())
            return explicitPath;
        return fileInDirectory(directory, tableName, "DBF");
    }

    // ---- checks ---------------------------------------------------------
    void requireOpen() const {
        if (state == TableState::Inactive)
            throw Error(Error::Kind::State, "The table is not open.", tablePath());
    }
    void requireClosed() const {
        if (state != TableState::Inactive) {
            throw Error(Error::Kind::State, "The table must be closed for this.", path);
        }
    }
    void requireWritable() const {
        requireOpen();
        if (!writable)
            throw Error(Error::Kind::ReadOnly, readOnlyReason, path);
    }
    void requireEditing() const {
        requireOpen();
        if (state != TableState::Edit && state != TableState::Insert) {
            throw Error(Error::Kind::State, "The table is not being edited.", path);
        }
    }
    const Field& fieldAt(int index) const {
        requireOpen();
        if (index < 0 || index >= static_cast<int>(header.fields.size())) {
            throw Error(Error::Kind::State,
                        "There is no field number " + std::to_string(index + 1) + ".", path);
        }
        return header.fields[static_cast<size_t>(index)];
    }

    // ---- opening --------------------------------------------------------
    void open();
    void close();
    void closeNow();
    void takeOpenLock(OsFile& f);
    // What the open must still do about a pack that was stopped.
    struct PackRecovery {
        std::string damage;         // why the index cannot be used, if so
        bool rebuildIndex = false;  // the table was finished from the journal
        bool lockRaised = false;    // a shared open took exclusive use to do it
    };
    static PackRecovery finishInterruptedPack(OsFile& f, const std::string& tablePath,
                                              bool canWrite, bool shared);
    void finishRecoveredPack(bool backToShared);
    std::uint32_t readCountFromDisk();
    void refoldOldCaseKeys();
    void rebuildUnfinishedIndex(bool backToShared);

    // ---- records --------------------------------------------------------
    const std::uint8_t* activeRecord() {
        if (candidate != 0)
            return recordAt(candidate);
        if (state == TableState::Edit || state == TableState::Insert)
            return editBuf.data();
        if (cur == 0)
            return blankRecord.data();
        return recordAt(cur);
    }
    // In index order records come in no file order: they are read through
    // the map rather than the sequential window.
    const std::uint8_t* recordAt(std::uint32_t recNo, bool backward = false) {
        if (pendingCount != 0 && recNo >= pendingFirst)
            return pending.data() + std::size_t{recNo - pendingFirst} * header.recordLength;
        if (streamFirst != 0 && recNo >= streamFirst) {
            if (recNo == streamLast)  // the record just appended, read as it is posted
                return streamLastBytes;
            flushAppends();  // in the file only once the stream has ended
        }
        if (inRecordOrder) {
            if (const std::uint8_t* p = mapped.inOrder(recNo, 1))  // the deleted flag
                return p;
        } else if (indexOrder != nullptr) {
            if (const std::uint8_t* p = mapped.record(recNo))
                return p;
        }
        return cache.record(recNo, backward);
    }
    std::string_view raw(const std::uint8_t* rec, const Field& f) const {
        return {reinterpret_cast<const char*>(rec) + f.offset, static_cast<size_t>(f.width)};
    }
    bool isVisible(std::uint32_t recNo, bool backward = false);

    // Every change of a record goes through writeRecord, every new record
    // through appendRecord: the places where index tags are kept current.
    // `expected`, when given, is the record as the change was based on it:
    // if the record on disk differs, another user changed it meanwhile and
    // the write is refused (Error::Kind::RecordChanged).
    void writeRecord(std::uint32_t recNo, const std::uint8_t* newBytes,
                     const std::uint8_t* expected = nullptr);
    std::uint32_t appendRecord(const std::uint8_t* newBytes);
    std::uint32_t appendPending(const std::uint8_t* newBytes);
    // Writes the records waiting in a bulk append. With `whole` false (the
    // batch grew large) only up to the last aligned piece they complete.
    void flushAppends(bool whole = true);
    void streamAppends();
    void streamRecord(std::uint32_t recNo, const std::uint8_t* newBytes);
    void endStream();
    void writeStreamCount(std::uint32_t first, std::uint64_t written);
    void noteStreamCount() noexcept;
    void loseStream(std::uint32_t batchFirst) noexcept;
    void clearPending() noexcept {
        pending.clear();
        pendingCount = 0;
    }
    // Empties the batch waiting in a bulk append when the scope ends.
    struct ClearPendingAtExit {
        Impl& d;
        ~ClearPendingAtExit() { d.clearPending(); }
    };
    // A change is on disk when the call that made it returns, except in bulk
    // work, which is put on disk once at its end. The table goes first, the
    // index after it: a power cut in between leaves a record the index lacks,
    // which walking the index reports, never a key that misleads.
    // Sets the flag when the scope is left by an exception.
    struct FailureWatch {
        bool& flag;
        int before = std::uncaught_exceptions();
        ~FailureWatch() {
            if (std::uncaught_exceptions() > before)
                flag = true;
        }
    };
    void changed(bool indexToo) {
        if (bulk > 0) {
            unsynced = true;
            return;
        }
        file.sync();
        if (indexToo && indexSet)
            indexSet->sync();
    }
    void syncBulk() {
        if (!unsynced)
            return;
        FailureWatch watch{changeFailed};
        file.sync();
        if (indexSet)
            indexSet->sync();
        unsynced = false;
    }
    void stampDate();

    // ---- production index -----------------------------------------------
    std::string indexPath() const { return siblingWithExtension(path, "MDX"); }
    void requireIndexIntact() const {
        if (!indexDamage.empty())
            throw Error(Error::Kind::IndexDamaged,
                        indexDamage + "\nRebuild the indexes before changing records.",
                        indexPath());
    }
    // Runs an index update after its record was written: a failure leaves
    // the index marked damaged so that no later change is made on top of it.
    template <typename F>
    void updateIndex(F&& update) {
        try {
            update();
        } catch (const Error& e) {
            indexDamage = e.message();
            throw Error(Error::Kind::IndexDamaged,
                        std::string("The record was saved, but the index could not be updated.\n") +
                            e.message(),
                        indexPath());
        }
    }
    void selectTag(const std::string& name);
    void naturalOrder();
    std::vector<std::uint32_t> loadOrder(int tag);
    void restoreMissingKeys();
    IndexDefinitions currentIndexDefinitions() const;
    std::vector<TagDefinition> currentTagDefinitions() const {
        return currentIndexDefinitions().tags;
    }
    // Rebuilds every tag whose definition can be read and returns true; the
    // tags it could not rebuild are named in *lost ("" when none). Throws
    // IndexDamaged, leaving the file as it is, when no tag can be rebuilt
    // though some are there. With `onlyWhole`, changes nothing and returns
    // false unless every tag can be rebuilt.
    bool regenerate(bool onlyWhole, std::string* lost);
    // The tags regenerating can rebuild; *lost is the message naming those
    // it cannot ("" when none). Throws IndexDamaged when there are tags but
    // none can be rebuilt, or the tag table cannot be read.
    std::vector<TagDefinition> rebuildableTags(std::string* lost) const;
    bool editing() const { return state == TableState::Edit || state == TableState::Insert; }
    void rewriteIndex(const std::vector<TagDefinition>& defs);
    void setIndexFlag(bool on);
    void writeIndexFlag(std::uint8_t flag);

    // ---- navigation -----------------------------------------------------
    std::uint32_t seekForward(std::uint32_t from);
    std::uint32_t seekBackward(std::uint32_t from);
    void browseMode() {
        if (state == TableState::Edit || state == TableState::Insert)
            post();
    }
    void first();
    void last();
    void settleOn(std::uint32_t preferred);
    void buildVisible();
    // Lists the visible records up to `position` when that is cheap (near the
    // top of an order, no filter, few deleted records on the way); false
    // otherwise. When the order ends first, `visible` is complete.
    bool listTop(std::uint32_t position);

    // ---- values ---------------------------------------------------------
    void readString(int index, std::string& out);
    void storeField(const Field& f, std::string_view bytes);
    [[noreturn]] void unsupportedField(const Field& f) const {
        throw Error(Error::Kind::Unsupported,
                    "The field " + f.name + " has the type " + typeName(f.type) +
                        ", which cannot be " + (knownType(f.type) ? "written." : "read."),
                    path);
    }
    [[noreturn]] void invalidValue(const std::string& what, const Field& f) const {
        throw Error(Error::Kind::InvalidValue, what + " (field " + f.name + ").", path);
    }
    std::uint32_t memoBlock(const std::uint8_t* rec, const Field& f) const;

    // ---- changes --------------------------------------------------------
    void post();
    void deleteCurrent();
    void refresh();
    void pack();

    // ---- observers ------------------------------------------------------
    void notifyReset() {
        if (disabled > 0) {
            pendingReset = true;
            return;
        }
        const auto copy = observers;
        for (TableObserver* o : copy)
            o->tableReset();
    }
    void notifyChanged(std::uint32_t recNo) {
        if (disabled > 0) {
            pendingReset = true;
            return;
        }
        const auto copy = observers;
        for (TableObserver* o : copy)
            o->recordChanged(recNo);
    }
};

}  // namespace dbase
