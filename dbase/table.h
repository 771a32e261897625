// A dBase table on disk, with its production index, as one cursor.
//
// A Table is pointed at a file (directory + table name, or a full path), given
// an open mode, and opened. While open it has a current record and a state
// (browse, edit, insert) in the manner of a classic data-aware cursor:
// navigation moves through the visible records in the current order (natural
// record order, or the order of the selected index tag), skipping deleted
// records and records the record filter refuses.
//
// Text crosses this interface as UTF-8; on disk it is in the table's code page
// (named by the language-driver byte; Windows-1252 for tables the engine
// creates). Field widths are widths in the table's bytes.
//
// Locking: a table opened Shared can be opened Shared by any number of other
// table objects and processes; Exclusive opening fails with Error::Kind::Locked
// while anyone else has the file open, and keeps everyone else out while open.
// Locks are advisory file locks held for as long as the table is open and they
// vanish when the process dies.
//
// Every failure is a dbase::Error (error.h). A failed open leaves the file
// untouched and the table closed.
//
// Not thread-safe: one table object is used from one thread.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dbase/date.h"
#include "dbase/error.h"
#include "dbase/field.h"

namespace dbase {

enum class OpenMode { Shared, Exclusive };

enum class TableState { Inactive, Browse, Edit, Insert };

// Views attached to a table (the grid, the count) are told of changes through
// this interface. Notifications are held back between disableControls() and
// enableControls(); one tableReset() is sent on resuming if anything changed.
class TableObserver {
  public:
    virtual ~TableObserver() = default;
    // The set or order of visible records changed: open, close, refresh,
    // insert, delete, pack, index selection, filter change.
    virtual void tableReset() = 0;
    // The values of the record at this physical record number changed (post).
    virtual void recordChanged(std::uint32_t recNo) { (void)recNo; }
};

class Table {
  public:
    // Consulted for each candidate record as the table is read; the candidate
    // is the table's current record while the predicate runs, so it reads
    // values with the usual accessors. Records it refuses are not visible.
    using Filter = std::function<bool(const Table&)>;

    Table();
    ~Table();
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;

    // ---- Pointing and opening (the table must be closed) --------------------
    // The table name is the file name without its extension; the file is
    // "<directory>/<tableName>.DBF", found without regard to the letter case of
    // the extension.
    void setPath(const std::string& directory, const std::string& tableName);
    void setFileName(const std::string& path);  // a full path to the .DBF
    std::string directory() const;
    std::string tableName() const;
    std::string fileName() const;  // full path of the table file
    std::string indexFileName()
        const;  // the production index beside it, as found or as it would be created

    void setMode(OpenMode mode);
    OpenMode mode() const;
    void setReadOnly(bool readOnly);
    bool readOnly() const;

    // A read-only open (asked for, or a table of a kind the engine does not
    // write) does without a production index it cannot use (missing, or
    // holding tags the engine could not keep current): the table opens in
    // record order and openWarnings() says so.
    void open();
    // Cancels a pending edit or insert. The table is closed even when closing
    // fails; the failure (changes of bulk work that could not be put on disk,
    // a file the system could not close) is thrown after (Error::Kind::Io).
    void close();
    bool isOpen() const;
    // What the last open() worked around rather than refusing the table: a
    // header counting more records than the file holds (the whole records
    // are used; the count is corrected by the next change), an index left
    // unused. Empty when the table opened as it is.
    const std::vector<std::string>& openWarnings() const;
    // The warnings of every open since the last call, each text once: also
    // those of the opens that adding or deleting a tag makes on a closed
    // table, which the next open would otherwise replace unseen.
    std::vector<std::string> takeOpenWarnings();

    // Creates a table from field definitions, with no index, replacing any
    // file of that name. Character, numeric, float and date fields.
    static void create(const std::string& path, const std::vector<FieldDef>& fields);
    // Throws Locked when another user holds the file `path` open, so that it
    // cannot be replaced; does nothing when it is free or missing.
    static void checkReplaceable(const std::string& path);
    // Gives the finished file `built` (a closed table) the name `path`,
    // replacing a file of that name unless another user holds it (Locked,
    // `built` left as it is).
    static void replaceFile(const std::string& built, const std::string& path);

    // ---- Structure --------------------------------------------------------
    int fieldCount() const;
    const Field& field(int index) const;          // 0-based, physical order
    int findField(std::string_view name) const;   // without regard to case; -1 if absent
    int fieldIndex(std::string_view name) const;  // as findField, but throws if absent
    std::string codePage() const;                 // e.g. "cp1252"

    // ---- Navigation (through the current order and the filter) -------------
    void first();
    void last();
    void next();   // at the last visible record, sets eof() and stays
    void prior();  // at the first visible record, sets bof() and stays
    bool eof() const;
    bool bof() const;
    bool isEmpty() const;  // no visible record
    std::uint32_t recNo()
        const;  // physical record number (1-based) of the current record; 0 if none
    // Makes the record with this physical number current, if it is visible.
    bool gotoRecNo(std::uint32_t recNo);

    // ---- Positions in the current order (what a grid needs) ---------------
    // The number of visible records, the record at 0-based position k, and the
    // position of the current record. Cheap after the first call for an order
    // and filter; never reads the whole table per call.
    std::uint32_t recordCount();
    void moveToPosition(std::uint32_t position);
    std::uint32_t position();
    // Reads the record at a position without moving the cursor (a grid reads
    // the rows on screen this way). Returns the physical record number.
    // Positions near the top of the order (the first few thousand, with no
    // filter) are found without counting, so a first screen never waits for
    // a pass over a large table.
    std::uint32_t recNoAtPosition(std::uint32_t position);
    // Whether recordCount() is known without reading the table, and until
    // it is, the most it can be: the records of the current order, deleted
    // ones and those the filter refuses included.
    bool recordCountKnown() const;
    std::uint32_t recordCountBound();

    // All records in the file, deleted ones included (the header's count).
    std::uint32_t physicalRecordCount() const;

    // ---- Values of the current record (or of the edit buffer) -------------
    std::string asString(int field) const;  // UTF-8, trailing blanks removed
    // As asString, into a string whose storage is reused (for scans).
    void readString(int field, std::string& out) const;
    double asFloat(int field) const;  // blank numeric reads as 0
    Date asDate(int field) const;     // blank date reads as a null Date
    bool asBool(int field) const;     // logical fields
    bool isBlank(int field) const;
    // Reads a field of any record by physical number without moving the cursor.
    std::string stringAt(std::uint32_t recNo, int field) const;
    // The field's bytes as stored (the table's code page, padded to the
    // field's width), for copying between tables and for long scans that
    // convert them themselves. Valid until the cursor moves or the table
    // changes.
    std::string_view fieldBytes(int field) const;
    // The whole current record so (the deleted flag first, then the fields
    // at their offsets), on the same terms.
    std::string_view recordBytes() const;

    // Writes go to the edit buffer (state Edit or Insert). A text longer than a
    // character field is cut to its width; a text that is not a number, or a
    // number too wide for a numeric field, or a character the code page cannot
    // hold, throws Error::Kind::InvalidValue naming the value and the field.
    void setString(int field, std::string_view utf8);
    void setFloat(int field, double value);
    void setDate(int field, Date value);
    void clearField(int field);
    // Stores bytes into the edit buffer as they are, without conversion:
    // exactly the field's width of them, which the caller vouches for as a
    // value of the field (fieldBytes() of a field of the same type, width
    // and code page). Bytes of another length throw Error::Kind::InvalidValue.
    void setFieldBytes(int field, std::string_view bytes);
    // The same for the fields `first` to `last` at once, which lie one after
    // the other in the record: `bytes` holds each of them so, exactly as
    // many as they take together (a stretch of recordBytes() of a table
    // with these fields).
    void setFieldsBytes(int first, int last, std::string_view bytes);

    // ---- Changes ----------------------------------------------------------
    TableState state() const;
    void append();  // a blank new record in the edit buffer (state Insert)
    void edit();    // the current record into the edit buffer (state Edit)
    // Writes the buffer; keeps every index tag current. An edit of a record
    // that another user changed since edit() read it is refused with
    // Error::Kind::RecordChanged: the table stays in Edit with its values,
    // and the record on disk (what the current record reads after cancel())
    // keeps the other user's.
    void post();
    void cancel();        // drops the buffer
    void deleteRecord();  // marks the current record deleted; the next visible one becomes current
    // A bulk append (an import, a generated table): with the table open for
    // exclusive use, the records posted until endBulkAppend() are written in
    // batches, each with one write of the records and one of the header,
    // instead of one of each per record. Records of the batch not yet
    // written are read from memory; a process killed during a bulk append
    // loses at most the batch being gathered, never the records before it.
    // Any other change, refresh, pack, index change and close writes the
    // batch first. With shared use every record is written as it is posted.
    // A bulk append is bulk work (beginBulk()): on disk at endBulkAppend().
    void beginBulkAppend();
    void endBulkAppend();
    // For a table this program does not read again soon after writing it
    // (an export): the whole batches of a bulk append go to the disk past
    // the file cache (see dbase/direct_writer.h), which saves filling the
    // cache with it. The table reads the same either way.
    void setWritePastCache(bool on);
    // Re-reads the file (records added by others, a changed filter) and tells
    // the observers.
    void refresh();

    // Durability: a post or delete is on disk (table and index) when the call
    // returns. Bulk work (an import, generated records) brackets its changes
    // with beginBulk() and endBulk(): in between they are not put on disk one
    // by one; endBulk() puts them all on disk at once, and so does close()
    // when endBulk() was not called. Brackets nest; the outermost endBulk()
    // syncs. Throws Error::Kind::Io when the disk refuses.
    void beginBulk();
    void endBulk();

    // ---- Filter -----------------------------------------------------------
    void setFilter(Filter filter);  // an empty function accepts every record
    bool hasFilter() const;

    // ---- Observers --------------------------------------------------------
    void addObserver(TableObserver* observer);
    void removeObserver(TableObserver* observer);
    void disableControls();  // nests
    void enableControls();
    bool controlsDisabled() const;

    // ---- Production index -------------------------------------------------
    // The production index is the ".MDX" file beside the table, found
    // without regard to the letter case of its extension; a new one takes the
    // case of the table's extension. Every tag of it is kept current by every
    // post, delete and pack; a table holding a tag the engine cannot keep
    // current (an expression it cannot evaluate, a unique tag, a FOR
    // condition) fails to open with a clear error.
    //
    // Records a killed writer left out of a tag are put back by the next
    // writable table that walks the tag or changes such a record. An index
    // that a program stopped part-way through changing (killed, a power cut,
    // a failed write or sync) is marked so, and the next writable open that
    // has the table to itself rebuilds it from the records (openWarnings()
    // says so).
    // A damaged index file does not stop the table opening for exclusive use
    // (so that it can be regenerated; opened in the order of a damaged tag it
    // is regenerated at once when every tag can be), nor opening read-only (in record order,
    // with a warning), nor opening without a selected tag; it is reported
    // (Error::Kind::IndexDamaged) when a tag is selected, when a writable
    // table opening shared has a tag selected, and when a record would be
    // changed: changes wait until the index is regenerated.
    //
    // Selects the tag that orders the table; an empty name selects natural
    // record order. The tag name is matched without regard to case. On a
    // closed table the name is kept and the tag selected when it opens.
    // Equal keys follow record-number order.
    void setIndexTag(const std::string& tagName);
    std::string indexTag() const;
    // The tags of the index file (also of a closed table's; as far as they
    // can be read from a damaged file).
    std::vector<std::string> indexTags() const;
    bool hasIndexFile() const;
    // Adding and deleting tags need the table closed or open Exclusive. Adding
    // creates the index file when needed and sets the header flag; an existing
    // tag of that name is replaced; a bad expression or tag name is refused
    // before anything changes. Deleting a tag the index does not hold changes
    // nothing; deleting the last one removes the index file and clears the flag.
    void addIndexTag(const std::string& tagName, const std::string& expression);
    // Open Exclusive, for a tag the index does not hold: reads the keys of
    // the records there now and from then on takes the key of every record
    // appended, so that adding this very tag (same name and expression)
    // afterwards writes it from those keys instead of reading the table
    // again. The keys are held in the bounded memory of a tag build. Any
    // other change of a record, another change of the index, a failed
    // append and closing drop them; the tag is then built from the records
    // as usual. A bad expression is refused at once.
    void gatherIndexTag(const std::string& tagName, const std::string& expression);
    void deleteIndexTag(const std::string& tagName);
    // Open Exclusive: rebuilds every tag of the production index from the
    // records (also an index file found damaged). Tags whose definition a
    // damaged file no longer shows are named in an IndexDamaged error after
    // the others are rebuilt; when none can be rebuilt nothing changes. A
    // change pending after the damaged index refused it is posted after.
    void regenerateIndexes();
    // Open Exclusive: removes deleted records for good and regenerates the
    // indexes. A crash part-way never loses the table.
    void pack();

  private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

}  // namespace dbase
