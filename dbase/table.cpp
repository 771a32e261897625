#include "dbase/table.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "dbase/code_page.h"
#include "dbase/dbf_header.h"
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

namespace {

bool equalNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z')
            x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z')
            y = static_cast<char>(y - 'a' + 'A');
        if (x != y)
            return false;
    }
    return true;
}

std::string typeName(FieldType t) {
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

bool knownType(FieldType t) {
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

}  // namespace

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
    bool dateStamped = false;  // today's date is in the header already
    std::unique_ptr<RecordOrder> order;

    // The cursor.
    TableState state = TableState::Inactive;
    std::uint32_t cur = 0;
    bool atBof = true;
    bool atEof = true;
    std::vector<std::uint8_t> editBuf;  // the record being edited or inserted
    std::vector<std::uint8_t> oldBuf;   // the record as it was when editing began
    std::vector<std::uint8_t> blankRecord;
    std::uint32_t candidate = 0;  // the record the filter is judging, 0 otherwise
    Filter filter;

    // Visible records in the current order, built on demand for positions.
    std::vector<std::uint32_t> visible;
    bool visibleValid = false;

    // The production index. The selected tag's name is kept while the table
    // is closed and applied when it opens.
    std::unique_ptr<IndexSet> indexSet;  // while open, when the table has an index
    std::string indexDamage;           // why the index cannot be used, when it cannot
    std::string tagName;               // the selected tag; empty for record order
    IndexOrder* indexOrder = nullptr;  // the order, when a tag is selected
    MappedRecords mapped;              // records read in index order
    bool keyMoved = false;             // the last writeRecord moved a key of the selected tag
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
            throw Error(Error::Kind::ReadOnly, "The table is open for reading only.", path);
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
    void takeOpenLock(OsFile& f);
    std::uint32_t readCountFromDisk();

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
        if (indexOrder != nullptr) {
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
    void writeRecord(std::uint32_t recNo, const std::uint8_t* oldBytes,
                     const std::uint8_t* newBytes);
    std::uint32_t appendRecord(const std::uint8_t* newBytes);
    void stampDate();
    // Called after pack has replaced the file: the index tags are rebuilt here.
    void rebuildIndexesAfterPack() {
        if (!indexSet && indexDamage.empty() && header.productionIndex == 0)
            return;
        try {
            rewriteIndex(currentTagDefinitions());
        } catch (const Error& e) {
            // The old index names the records as they were before packing.
            indexSet.reset();
            indexDamage = e.what();
            naturalOrder();
            throw;
        }
    }

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
            indexDamage = e.what();
            throw Error(Error::Kind::IndexDamaged,
                        std::string("The record was saved, but the index could not be updated.\n") +
                            e.what(),
                        indexPath());
        }
    }
    void selectTag(const std::string& name);
    void naturalOrder();
    std::vector<std::uint32_t> loadOrder(int tag);
    std::vector<TagDefinition> currentTagDefinitions() const;
    void rewriteIndex(const std::vector<TagDefinition>& defs);
    void setIndexFlag(bool on);

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

// ======================================================================
// Opening and closing

void Table::Impl::takeOpenLock(OsFile& f) {
    using LT = OsFile::LockType;
    if (mode == OpenMode::Shared) {
        if (!f.tryLock(OsFile::kOpenLockByte, LT::Shared)) {
            throw Error(Error::Kind::Locked,
                        "The table is in exclusive use by another user or program.", f.path());
        }
        return;
    }
    if (f.writable()) {
        if (!f.tryLock(OsFile::kOpenLockByte, LT::Exclusive)) {
            throw Error(Error::Kind::Locked, "The table is in use by another user or program.",
                        f.path());
        }
        return;
    }
    // A file that may not be written cannot hold an exclusive lock: test for
    // other users, then hold a shared lock so no one else gets exclusive use.
    if (f.wouldConflict(OsFile::kOpenLockByte, LT::Exclusive) ||
        !f.tryLock(OsFile::kOpenLockByte, LT::Shared)) {
        throw Error(Error::Kind::Locked, "The table is in use by another user or program.",
                    f.path());
    }
}

void Table::Impl::open() {
    if (state != TableState::Inactive)
        return;
    const std::string p = tablePath();
    OsFile f;
    if (readOnlyRequested && mode == OpenMode::Exclusive) {
        // Exclusive use needs a writable descriptor for its lock; read only in every other respect.
        try {
            f = OsFile::open(p, OsFile::Access::ReadWrite);
        } catch (const Error&) {
            f = OsFile::open(p, OsFile::Access::Read);
        }
    } else {
        f = OsFile::open(p, readOnlyRequested ? OsFile::Access::Read : OsFile::Access::ReadWrite);
    }
    takeOpenLock(f);

    // The header before the size: another user appending writes the record
    // before the count, so a size taken after the count always covers it.
    std::vector<std::uint8_t> bytes(dbf::kTableHeaderSize, 0);
    const std::size_t got = f.readAt(0, bytes.data(), bytes.size());
    (void)got;  // a short file is judged by its size below
    const std::uint16_t headerLength = announcedHeaderLength(bytes.data(), f.size(), p);
    bytes.resize(headerLength);
    const std::size_t all = f.readAt(0, bytes.data(), headerLength);
    const std::uint64_t size = f.size();
    DbfHeader h = parseTableHeader(bytes.data(), all, size, p);

    if (h.productionIndex != 0) {
        const std::string mdx = siblingWithExtension(p, "MDX");
        if (!fileExists(mdx)) {
            throw Error(Error::Kind::NotFound, "The production index of the table is missing.",
                        mdx);
        }
    }
    MemoFile m;
    if (h.hasMemoFields())
        m.open(p, h.version);
    // The index is opened with the table. Tags the engine cannot keep current
    // refuse the table; a damaged index file does not: it is reported when
    // used and regenerating it repairs it.
    std::unique_ptr<IndexSet> ix;
    std::string damage;
    if (h.productionIndex != 0) {
        const bool canWrite = !readOnlyRequested && h.writableVersion() && f.writable();
        try {
            ix = std::make_unique<IndexSet>(siblingWithExtension(p, "MDX"), h.fields, canWrite);
        } catch (const Error& e) {
            if (e.kind() != Error::Kind::IndexDamaged)
                throw;
            damage = e.what();
        }
    }

    // Nothing can fail from here on.
    file = std::move(f);
    path = p;
    header = std::move(h);
    memo = std::move(m);
    codePage = &CodePage::forLanguageDriver(header.languageDriver);
    writable = !readOnlyRequested && header.writableVersion() && file.writable();
    dateStamped = false;
    cache.reset(&file, header.headerLength, header.recordLength);
    blankRecord.assign(header.recordLength, ' ');
    editBuf = blankRecord;
    oldBuf = blankRecord;
    order = std::make_unique<NaturalOrder>(header.recordCount);
    visible.clear();
    visibleValid = false;
    candidate = 0;
    indexSet = std::move(ix);
    indexDamage = damage;
    indexOrder = nullptr;
    mapped.reset(file.fd(), header.headerLength, header.recordLength);
    state = TableState::Browse;
    if (!tagName.empty() && applyTagOnOpen) {
        try {
            selectTag(tagName);
        } catch (const Error& e) {
            // Exclusive use is how a damaged index gets repaired, so it still opens.
            if (mode != OpenMode::Exclusive || e.kind() != Error::Kind::IndexDamaged) {
                close();
                throw;
            }
        }
    }
    first();
    notifyReset();
}

void Table::Impl::close() {
    if (state == TableState::Inactive)
        return;
    state = TableState::Inactive;
    memo.close();
    file.close();
    cur = 0;
    atBof = atEof = true;
    visible.clear();
    visibleValid = false;
    indexSet.reset();
    indexDamage.clear();
    indexOrder = nullptr;
    order = std::make_unique<NaturalOrder>(header.recordCount);
    mapped.unmap();
    header = DbfHeader{};
    notifyReset();
}

std::uint32_t Table::Impl::readCountFromDisk() {
    std::uint8_t bytes[4];
    file.readExact(dbf::kRecordCount, bytes, sizeof bytes);
    const std::uint32_t count = readU32(bytes);
    // Records are written before the count, so the count never runs past the
    // file; if it does, the file was damaged while open and only whole
    // records are used.
    const std::uint64_t size = file.size();
    const std::uint64_t present =
        size > header.headerLength ? (size - header.headerLength) / header.recordLength : 0;
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(count, present));
}

// ======================================================================
// Writing

void Table::Impl::stampDate() {
    if (dateStamped)
        return;
    std::uint8_t head[dbf::kTableHeaderSize];
    stampUpdateDate(head);
    file.writeAt(dbf::kUpdateYear, head + dbf::kUpdateYear, 3);
    dateStamped = true;
}

void Table::Impl::writeRecord(std::uint32_t recNo, const std::uint8_t* oldBytes,
                              const std::uint8_t* newBytes) {
    requireIndexIntact();
    // Under the header lock, like an append: a walk in key order by another
    // user never sees the record between leaving its old key and joining the
    // new one, so every walk finds each counted record exactly once.
    LockGuard lock(file, OsFile::kHeaderLockByte, OsFile::LockType::Exclusive);
    // Old keys out, record written, new keys in: a process killed part-way
    // leaves the record missing from the index (reported as damage when the
    // tag is walked), never indexed under a key it no longer has.
    bool moved = false;
    if (indexSet) {
        try {
            moved = indexSet->removeMovingKeys(recNo, oldBytes, newBytes);
        } catch (const Error& e) {
            indexDamage = e.what();
            throw Error(Error::Kind::IndexDamaged,
                        std::string("The record was not saved: the index could not be updated.\n") +
                            e.what(),
                        indexPath());
        }
    }
    try {
        file.writeAt(header.recordOffset(recNo), newBytes, header.recordLength);
    } catch (const Error&) {
        if (moved) {  // the record keeps its old keys
            updateIndex([&] { indexSet->addMovedKeys(recNo, oldBytes); });
        }
        throw;
    }
    cache.patch(recNo, newBytes);
    stampDate();
    keyMoved = false;
    if (moved) {
        updateIndex([&] { indexSet->addMovedKeys(recNo, newBytes); });
        if (indexOrder != nullptr) {
            indexOrder->invalidate();
            visibleValid = false;
            keyMoved = true;
        }
    }
}

std::uint32_t Table::Impl::appendRecord(const std::uint8_t* newBytes) {
    // Another user may have appended since this table last looked: the count
    // is re-read under the header lock, and the record, the end mark and the
    // count are written in that order, so the file is consistent at every step.
    LockGuard lock(file, OsFile::kHeaderLockByte, OsFile::LockType::Exclusive);
    std::uint8_t bytes[4];
    file.readExact(dbf::kRecordCount, bytes, sizeof bytes);
    const std::uint32_t onDisk = readU32(bytes);
    const std::uint64_t size = file.size();
    if (header.headerLength + std::uint64_t{onDisk} * header.recordLength > size) {
        throw Error(Error::Kind::Damaged,
                    "The record count in the header runs past the end of the file.", path);
    }
    if (onDisk == UINT32_MAX)
        throw Error(Error::Kind::InvalidValue, "The table cannot hold more records.", path);
    requireIndexIntact();
    const std::uint32_t recNo = onDisk + 1;
    scratch.assign(reinterpret_cast<const char*>(newBytes), header.recordLength);
    scratch.push_back(static_cast<char>(dbf::kEndOfFile));
    const std::uint64_t offset = header.headerLength + std::uint64_t{onDisk} * header.recordLength;
    file.writeAt(offset, scratch.data(), scratch.size());
    std::uint8_t head[8];
    stampUpdateDate(head);
    writeU32(head + dbf::kRecordCount, recNo);
    file.writeAt(dbf::kUpdateYear, head + dbf::kUpdateYear, 7);
    dateStamped = true;
    const std::uint32_t before = header.recordCount;
    header.recordCount = recNo;
    cache.patch(recNo, newBytes);
    if (visibleValid && (recNo != before + 1 || !order->ascendingRecNo()))
        visibleValid = false;
    // Still under the header lock: whoever lists the index under that lock
    // sees every counted record in it.
    if (indexSet) {
        if (indexOrder != nullptr)
            indexOrder->invalidate();
        updateIndex([&] { indexSet->recordAdded(recNo, newBytes); });
    }
    return recNo;
}

// ======================================================================
// Navigation

bool Table::Impl::isVisible(std::uint32_t recNo, bool backward) {
    if (indexOrder != nullptr)  // walking in key order jumps about the file: read ahead
        mapped.prefetch(indexOrder->ahead(16));
    const std::uint8_t* rec = recordAt(recNo, backward);
    if (rec[0] == static_cast<std::uint8_t>(dbf::kDeleted))
        return false;
    if (!filter)
        return true;
    struct Restore {
        std::uint32_t& slot;
        std::uint32_t saved;
        ~Restore() { slot = saved; }
    } restore{candidate, candidate};
    candidate = recNo;
    return filter(self);
}

std::uint32_t Table::Impl::seekForward(std::uint32_t from) {
    for (std::uint32_t r = from; r != 0; r = order->next(r)) {
        if (isVisible(r))
            return r;
    }
    return 0;
}

std::uint32_t Table::Impl::seekBackward(std::uint32_t from) {
    for (std::uint32_t r = from; r != 0; r = order->prior(r)) {
        if (isVisible(r, true))
            return r;
    }
    return 0;
}

void Table::Impl::first() {
    cur = seekForward(order->first());
    atBof = true;
    atEof = cur == 0;
}

void Table::Impl::last() {
    cur = seekBackward(order->last());
    atEof = true;
    atBof = cur == 0;
}

// Makes `preferred` current if visible, else the next visible record, else
// the one before it; used after the set of visible records changed.
void Table::Impl::settleOn(std::uint32_t preferred) {
    if (preferred == 0 || preferred > header.recordCount) {
        first();
        return;
    }
    std::uint32_t r = seekForward(preferred);
    if (r == 0)
        r = seekBackward(order->prior(preferred));
    cur = r;
    atBof = atEof = cur == 0;
}

void Table::Impl::buildVisible() {
    if (visibleValid)
        return;
    visible.clear();
    for (std::uint32_t r = order->first(); r != 0; r = order->next(r)) {
        if (isVisible(r))
            visible.push_back(r);
    }
    visibleValid = true;
    if (indexOrder != nullptr)
        mapped.release();
}

// ======================================================================
// Values

std::uint32_t Table::Impl::memoBlock(const std::uint8_t* rec, const Field& f) const {
    if (f.width == 4)
        return readU32(rec + f.offset);  // binary block numbers
    std::uint32_t block = 0;
    for (char c : value::trim(raw(rec, f))) {
        if (c < '0' || c > '9' || block > UINT32_MAX / 10) {
            throw Error(Error::Kind::Damaged,
                        "The memo reference of field " + f.name + " is damaged.", path);
        }
        block = block * 10 + static_cast<std::uint32_t>(c - '0');
    }
    return block;
}

void Table::Impl::readString(int index, std::string& out) {
    const Field& f = fieldAt(index);
    const std::uint8_t* rec = activeRecord();
    out.clear();
    switch (f.type) {
        case FieldType::Character:
            codePage->decode(value::trimRight(raw(rec, f)), out);
            return;
        case FieldType::Numeric:
        case FieldType::Float:
            codePage->decode(value::trim(raw(rec, f)), out);
            return;
        case FieldType::Date: {
            const Date d = value::parseDate(raw(rec, f));
            if (!d.isNull())
                out = value::formatDate(d);
            return;
        }
        case FieldType::Logical: {
            const char c = static_cast<char>(rec[f.offset]);
            if (c != ' ' && c != '?')
                out = value::parseLogical(raw(rec, f)) ? "T" : "F";
            return;
        }
        case FieldType::Memo: {
            const std::uint32_t block = memoBlock(rec, f);
            if (block != 0)
                codePage->decode(memo.read(block), out);
            return;
        }
    }
    unsupportedField(f);
}

void Table::Impl::storeField(const Field& f, std::string_view bytes) {
    std::memcpy(editBuf.data() + f.offset, bytes.data(), std::min<size_t>(bytes.size(), f.width));
}

// ======================================================================
// Changes

void Table::Impl::post() {
    if (state == TableState::Insert) {
        const std::uint32_t recNo = appendRecord(editBuf.data());
        state = TableState::Browse;
        if (visibleValid && isVisible(recNo))
            visible.push_back(recNo);
        settleOn(recNo);
        notifyReset();
    } else if (state == TableState::Edit) {
        writeRecord(cur, oldBuf.data(), editBuf.data());
        state = TableState::Browse;
        const std::uint32_t recNo = cur;
        if (keyMoved) {
            settleOn(recNo);
            notifyReset();
        } else if (filter && !isVisible(recNo)) {
            visibleValid = false;
            settleOn(recNo);
            notifyReset();
        } else {
            notifyChanged(recNo);
        }
    }
}

void Table::Impl::deleteCurrent() {
    requireWritable();
    if (state == TableState::Insert) {
        state = TableState::Browse;
        notifyReset();
        return;
    }
    state = TableState::Browse;
    if (cur == 0)
        throw Error(Error::Kind::State, "There is no record to delete.", path);
    const std::uint32_t recNo = cur;
    file.readExact(header.recordOffset(recNo), oldBuf.data(), oldBuf.size());
    editBuf = oldBuf;
    editBuf[0] = static_cast<std::uint8_t>(dbf::kDeleted);
    writeRecord(recNo, oldBuf.data(), editBuf.data());
    if (visibleValid) {
        auto it = order->ascendingRecNo() ? std::lower_bound(visible.begin(), visible.end(), recNo)
                                          : std::find(visible.begin(), visible.end(), recNo);
        if (it != visible.end() && *it == recNo)
            visible.erase(it);
    }
    std::uint32_t r = seekForward(order->next(recNo));
    if (r == 0)
        r = seekBackward(order->prior(recNo));
    cur = r;
    atBof = atEof = cur == 0;
    notifyReset();
}

void Table::Impl::refresh() {
    requireOpen();
    browseMode();
    header.recordCount = readCountFromDisk();
    cache.invalidate();
    visibleValid = false;
    if (indexOrder != nullptr)
        indexOrder->invalidate();  // another user may have changed the index
    settleOn(cur);
    notifyReset();
}

void Table::Impl::pack() {
    requireWritable();
    if (mode != OpenMode::Exclusive) {
        throw Error(Error::Kind::State, "The table must be open for exclusive use to be packed.",
                    path);
    }
    browseMode();
    header.recordCount = readCountFromDisk();

    // The packed table is written beside the old one and renamed over it
    // only when complete and on disk: a crash leaves either table whole.
    const std::string temp = path + ".packing";
    struct stat st;
    const mode_t perms = ::fstat(file.fd(), &st) == 0 ? (st.st_mode & 07777) : 0644;
    OsFile out = OsFile::create(temp, perms);
    try {
        // The new file is locked before it gets the table's name, so no one
        // can open it in between.
        if (!out.tryLock(OsFile::kOpenLockByte, OsFile::LockType::Exclusive)) {
            throw Error(Error::Kind::Locked, "The packed table could not be locked.", temp);
        }
        std::vector<std::uint8_t> head(header.headerLength);
        file.readExact(0, head.data(), head.size());
        out.writeAt(0, head.data(), head.size());

        const std::size_t recLen = header.recordLength;
        std::vector<std::uint8_t> chunk;
        chunk.reserve(std::max<std::size_t>(std::size_t{4} << 20, 2 * recLen));
        std::uint64_t outOffset = header.headerLength;
        std::uint32_t kept = 0;
        for (std::uint32_t r = 1; r <= header.recordCount; ++r) {
            const std::uint8_t* rec = cache.record(r);
            if (rec[0] == static_cast<std::uint8_t>(dbf::kDeleted))
                continue;
            if (chunk.size() + recLen > chunk.capacity()) {
                out.writeAt(outOffset, chunk.data(), chunk.size());
                outOffset += chunk.size();
                chunk.clear();
            }
            chunk.insert(chunk.end(), rec, rec + recLen);
            ++kept;
        }
        chunk.push_back(dbf::kEndOfFile);
        out.writeAt(outOffset, chunk.data(), chunk.size());
        stampUpdateDate(head.data());
        writeU32(head.data() + dbf::kRecordCount, kept);
        out.writeAt(0, head.data(), dbf::kTableHeaderSize);
        out.sync();
        if (std::rename(temp.c_str(), path.c_str()) != 0) {
            throw Error(Error::Kind::Io,
                        std::string("The packed table could not replace the old one: ") +
                            std::strerror(errno),
                        path);
        }
        header.recordCount = kept;
    } catch (...) {
        std::remove(temp.c_str());
        throw;
    }
    // The old file (and the header lock on it) goes; the new one is ours.
    const std::string keepPath = path;
    file = std::move(out);
    path = keepPath;
    cache.reset(&file, header.headerLength, header.recordLength);
    mapped.reset(file.fd(), header.headerLength, header.recordLength);
    dateStamped = true;
    visibleValid = false;
    rebuildIndexesAfterPack();
    first();
    notifyReset();
}

// ======================================================================
// The public interface

Table::Table() : d_(std::make_unique<Impl>(*this)) {}

Table::~Table() {
    try {
        d_->close();
    } catch (...) {
    }
}

void Table::setPath(const std::string& directory, const std::string& tableName) {
    d_->requireClosed();
    d_->directory = directory;
    d_->tableName = tableName;
    d_->explicitPath.clear();
}

void Table::setFileName(const std::string& path) {
    d_->requireClosed();
    std::string full = path;
    std::error_code ec;
    const auto abs = std::filesystem::absolute(path, ec);
    if (!ec)
        full = abs.lexically_normal().string();
    d_->explicitPath = full;
    d_->directory = directoryOf(full);
    d_->tableName = tableNameOf(full);
}

std::string Table::directory() const {
    return d_->directory;
}
std::string Table::tableName() const {
    return d_->tableName;
}
std::string Table::fileName() const {
    return isOpen() ? d_->path : d_->tablePath();
}
std::string Table::indexFileName() const {
    return siblingWithExtension(fileName(), "MDX");
}

void Table::setMode(OpenMode mode) {
    d_->requireClosed();
    d_->mode = mode;
}
OpenMode Table::mode() const {
    return d_->mode;
}
void Table::setReadOnly(bool readOnly) {
    d_->requireClosed();
    d_->readOnlyRequested = readOnly;
}
bool Table::readOnly() const {
    return isOpen() ? !d_->writable : d_->readOnlyRequested;
}

void Table::open() {
    d_->open();
}
void Table::close() {
    d_->close();
}
bool Table::isOpen() const {
    return d_->state != TableState::Inactive;
}

int Table::fieldCount() const {
    return static_cast<int>(d_->header.fields.size());
}
const Field& Table::field(int index) const {
    return d_->fieldAt(index);
}

int Table::findField(std::string_view name) const {
    const auto& fields = d_->header.fields;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (equalNoCase(fields[i].name, name))
            return static_cast<int>(i);
    }
    return -1;
}

int Table::fieldIndex(std::string_view name) const {
    d_->requireOpen();
    const int i = findField(name);
    if (i < 0) {
        throw Error(Error::Kind::InvalidValue,
                    "The table has no field named \"" + std::string(name) + "\".", d_->path);
    }
    return i;
}

std::string Table::codePage() const {
    return d_->codePage->name();
}

void Table::first() {
    d_->requireOpen();
    d_->browseMode();
    d_->first();
}

void Table::last() {
    d_->requireOpen();
    d_->browseMode();
    d_->last();
}

void Table::next() {
    d_->requireOpen();
    d_->browseMode();
    Impl& d = *d_;
    if (d.cur == 0) {
        d.atEof = true;
        return;
    }
    const std::uint32_t r = d.seekForward(d.order->next(d.cur));
    if (r == 0) {
        d.atEof = true;
    } else {
        d.cur = r;
        d.atEof = d.atBof = false;
    }
}

void Table::prior() {
    d_->requireOpen();
    d_->browseMode();
    Impl& d = *d_;
    if (d.cur == 0) {
        d.atBof = true;
        return;
    }
    const std::uint32_t r = d.seekBackward(d.order->prior(d.cur));
    if (r == 0) {
        d.atBof = true;
    } else {
        d.cur = r;
        d.atEof = d.atBof = false;
    }
}

bool Table::eof() const {
    return d_->atEof;
}
bool Table::bof() const {
    return d_->atBof;
}

bool Table::isEmpty() const {
    if (!isOpen())
        return true;
    if (d_->cur != 0)
        return false;
    return d_->seekForward(d_->order->first()) == 0;
}

std::uint32_t Table::recNo() const {
    return d_->state == TableState::Insert ? 0 : d_->cur;
}

bool Table::gotoRecNo(std::uint32_t recNo) {
    d_->requireOpen();
    d_->browseMode();
    if (recNo == 0 || recNo > d_->header.recordCount || !d_->isVisible(recNo))
        return false;
    d_->cur = recNo;
    d_->atBof = d_->atEof = false;
    return true;
}

std::uint32_t Table::recordCount() {
    if (!isOpen())
        return 0;
    d_->buildVisible();
    return static_cast<std::uint32_t>(d_->visible.size());
}

void Table::moveToPosition(std::uint32_t position) {
    d_->requireOpen();
    d_->browseMode();
    d_->buildVisible();
    const auto& v = d_->visible;
    if (v.empty()) {
        d_->cur = 0;
        d_->atBof = d_->atEof = true;
        return;
    }
    d_->cur = v[std::min<size_t>(position, v.size() - 1)];
    d_->atBof = d_->atEof = false;
}

std::uint32_t Table::position() {
    if (!isOpen() || d_->cur == 0)
        return 0;
    d_->buildVisible();
    const auto& v = d_->visible;
    auto it = d_->order->ascendingRecNo() ? std::lower_bound(v.begin(), v.end(), d_->cur)
                                          : std::find(v.begin(), v.end(), d_->cur);
    if (it == v.end() || *it != d_->cur)
        return 0;
    return static_cast<std::uint32_t>(it - v.begin());
}

std::uint32_t Table::recNoAtPosition(std::uint32_t position) {
    if (!isOpen())
        return 0;
    d_->buildVisible();
    return position < d_->visible.size() ? d_->visible[position] : 0;
}

std::uint32_t Table::physicalRecordCount() const {
    return d_->header.recordCount;
}

std::string Table::asString(int field) const {
    std::string out;
    d_->readString(field, out);
    return out;
}

void Table::readString(int field, std::string& out) const {
    d_->readString(field, out);
}

double Table::asFloat(int field) const {
    const Field& f = d_->fieldAt(field);
    const std::uint8_t* rec = d_->activeRecord();
    switch (f.type) {
        case FieldType::Numeric:
        case FieldType::Float:
        case FieldType::Character:
            return value::parseNumber(d_->raw(rec, f));
        case FieldType::Logical:
            return value::parseLogical(d_->raw(rec, f)) ? 1.0 : 0.0;
        case FieldType::Date:
            throw Error(Error::Kind::InvalidValue,
                        "The date field " + f.name + " cannot be read as a number.", d_->path);
        default:
            d_->unsupportedField(f);
    }
}

Date Table::asDate(int field) const {
    const Field& f = d_->fieldAt(field);
    const std::uint8_t* rec = d_->activeRecord();
    if (f.type == FieldType::Date)
        return value::parseDate(d_->raw(rec, f));
    if (f.type == FieldType::Character) {
        Date d;
        return value::parseDateText(value::trim(d_->raw(rec, f)), d) ? d : Date{};
    }
    throw Error(Error::Kind::InvalidValue, "The field " + f.name + " cannot be read as a date.",
                d_->path);
}

bool Table::asBool(int field) const {
    const Field& f = d_->fieldAt(field);
    const std::uint8_t* rec = d_->activeRecord();
    if (f.type == FieldType::Logical)
        return value::parseLogical(d_->raw(rec, f));
    const std::string_view t = value::trim(d_->raw(rec, f));
    return equalNoCase(t, "T") || equalNoCase(t, "Y") || equalNoCase(t, "YES") ||
           equalNoCase(t, "TRUE");
}

bool Table::isBlank(int field) const {
    const Field& f = d_->fieldAt(field);
    const std::uint8_t* rec = d_->activeRecord();
    if (f.type == FieldType::Date)
        return value::parseDate(d_->raw(rec, f)).isNull();
    if (f.type == FieldType::Memo)
        return d_->memoBlock(rec, f) == 0;
    return value::trim(d_->raw(rec, f)).empty();
}

std::string Table::stringAt(std::uint32_t recNo, int field) const {
    Impl& d = *d_;
    d.requireOpen();
    if (recNo == 0 || recNo > d.header.recordCount) {
        throw Error(Error::Kind::State, "There is no record number " + std::to_string(recNo) + ".",
                    d.path);
    }
    struct Restore {
        std::uint32_t& slot;
        std::uint32_t saved;
        ~Restore() { slot = saved; }
    } restore{d.candidate, d.candidate};
    d.candidate = recNo;
    std::string out;
    d.readString(field, out);
    return out;
}

void Table::setString(int field, std::string_view utf8) {
    d_->requireEditing();
    Impl& d = *d_;
    const Field& f = d.fieldAt(field);
    std::string& s = d.scratch;
    s.clear();
    switch (f.type) {
        case FieldType::Character: {
            if (!d.codePage->encode(utf8, s)) {
                d.invalidValue("The text \"" + std::string(utf8) +
                                   "\" holds a character that the table's code page (" +
                                   d.codePage->name() + ") cannot store",
                               f);
            }
            s.resize(static_cast<size_t>(f.width), ' ');  // a longer text is cut to the field
            d.storeField(f, s);
            return;
        }
        case FieldType::Numeric:
        case FieldType::Float: {
            switch (value::formatNumberText(utf8, f.width, f.decimals, s)) {
                case value::NumberResult::NotANumber:
                    d.invalidValue("\"" + std::string(utf8) + "\" is not a valid number", f);
                case value::NumberResult::TooWide:
                    d.invalidValue("The number " + std::string(utf8) + " does not fit in " +
                                       std::to_string(f.width) + " characters with " +
                                       std::to_string(f.decimals) + " decimals",
                                   f);
                default:
                    d.storeField(f, s);
                    return;
            }
        }
        case FieldType::Date: {
            Date dt;
            if (!value::parseDateText(utf8, dt))
                d.invalidValue("\"" + std::string(utf8) + "\" is not a valid date", f);
            d.storeField(f, value::formatDate(dt));
            return;
        }
        default:
            d.unsupportedField(f);
    }
}

void Table::setFloat(int field, double v) {
    d_->requireEditing();
    Impl& d = *d_;
    const Field& f = d.fieldAt(field);
    if (f.type == FieldType::Numeric || f.type == FieldType::Float) {
        std::string& s = d.scratch;
        switch (value::formatNumber(v, f.width, f.decimals, s)) {
            case value::NumberResult::NotANumber:
                d.invalidValue("The value is not a finite number", f);
            case value::NumberResult::TooWide:
                d.invalidValue("The number " + std::to_string(v) + " does not fit in " +
                                   std::to_string(f.width) + " characters with " +
                                   std::to_string(f.decimals) + " decimals",
                               f);
            default:
                d.storeField(f, s);
                return;
        }
    }
    if (f.type == FieldType::Character) {
        std::string text;
        if (value::formatNumber(v, 40, f.decimals, text) == value::NumberResult::TooWide)
            d.invalidValue("The number does not fit", f);
        setString(field, value::trim(text));
        return;
    }
    if (f.type == FieldType::Date)
        d.invalidValue("A number cannot be stored in a date field", f);
    d.unsupportedField(f);
}

void Table::setDate(int field, Date v) {
    d_->requireEditing();
    Impl& d = *d_;
    const Field& f = d.fieldAt(field);
    if (f.type != FieldType::Date) {
        if (f.type == FieldType::Character) {
            setString(field, value::trim(value::formatDate(v)));
            return;
        }
        d.invalidValue("A date cannot be stored in a " + typeName(f.type) + " field", f);
    }
    if (!v.isNull() && !v.isValid()) {
        d.invalidValue("The date " + std::to_string(v.year) + "-" + std::to_string(v.month) + "-" +
                           std::to_string(v.day) + " does not exist",
                       f);
    }
    d.storeField(f, value::formatDate(v));
}

void Table::clearField(int field) {
    d_->requireEditing();
    const Field& f = d_->fieldAt(field);
    if (!knownType(f.type) || f.type == FieldType::Memo || f.type == FieldType::Logical)
        d_->unsupportedField(f);
    std::memset(d_->editBuf.data() + f.offset, ' ', static_cast<size_t>(f.width));
}

TableState Table::state() const {
    return d_->state;
}

void Table::append() {
    d_->requireWritable();
    d_->browseMode();
    d_->editBuf = d_->blankRecord;
    d_->state = TableState::Insert;
}

void Table::edit() {
    d_->requireWritable();
    Impl& d = *d_;
    if (d.state == TableState::Edit || d.state == TableState::Insert)
        return;
    if (d.cur == 0)
        throw Error(Error::Kind::State, "There is no record to edit.", d.path);
    // The record as it is on disk now, not as this table last read it.
    d.file.readExact(d.header.recordOffset(d.cur), d.oldBuf.data(), d.oldBuf.size());
    d.cache.patch(d.cur, d.oldBuf.data());
    d.editBuf = d.oldBuf;
    d.state = TableState::Edit;
}

void Table::post() {
    d_->requireOpen();
    d_->post();
}

void Table::cancel() {
    if (d_->state == TableState::Edit || d_->state == TableState::Insert)
        d_->state = TableState::Browse;
}

void Table::deleteRecord() {
    d_->deleteCurrent();
}
void Table::refresh() {
    d_->refresh();
}

void Table::setFilter(Filter filter) {
    Impl& d = *d_;
    if (isOpen())
        d.browseMode();
    d.filter = std::move(filter);
    d.visibleValid = false;
    if (isOpen()) {
        d.settleOn(d.cur);
        d.notifyReset();
    }
}

bool Table::hasFilter() const {
    return static_cast<bool>(d_->filter);
}

void Table::addObserver(TableObserver* observer) {
    if (observer &&
        std::find(d_->observers.begin(), d_->observers.end(), observer) == d_->observers.end())
        d_->observers.push_back(observer);
}

void Table::removeObserver(TableObserver* observer) {
    auto& o = d_->observers;
    o.erase(std::remove(o.begin(), o.end(), observer), o.end());
}

void Table::disableControls() {
    ++d_->disabled;
}

void Table::enableControls() {
    if (d_->disabled == 0)
        return;
    if (--d_->disabled == 0 && d_->pendingReset) {
        d_->pendingReset = false;
        d_->notifyReset();
    }
}

bool Table::controlsDisabled() const {
    return d_->disabled > 0;
}

// ======================================================================
// The production index

void Table::Impl::naturalOrder() {
    order = std::make_unique<NaturalOrder>(header.recordCount);
    indexOrder = nullptr;
    visibleValid = false;
}

void Table::Impl::selectTag(const std::string& name) {
    if (!indexSet) {
        if (!indexDamage.empty())
            throw Error(Error::Kind::IndexDamaged, indexDamage, indexPath());
        throw Error(Error::Kind::InvalidValue,
                    "The table has no production index, so it has no tag " + name + ".", path);
    }
    const int tag = indexSet->findTag(name);
    if (tag < 0)
        throw Error(Error::Kind::InvalidValue, "The production index has no tag " + name + ".",
                    indexPath());
    auto o = std::make_unique<IndexOrder>([this, tag] { return loadOrder(tag); });
    try {
        o->records();  // a damaged tree is reported here, not in the middle of a walk
    } catch (const Error& e) {
        if (e.kind() == Error::Kind::IndexDamaged)
            indexDamage = e.what();
        throw;
    }
    indexOrder = o.get();
    order = std::move(o);
    tagName = indexSet->tagNames()[static_cast<size_t>(tag)];
    visibleValid = false;
}

std::vector<std::uint32_t> Table::Impl::loadOrder(int tag) {
    // Appends and edits change the records, the count and the index under
    // the header lock, so under it the index holds every counted record once:
    // one missing (a writer killed between the count and the index) is damage.
    LockGuard lock(file, OsFile::kHeaderLockByte, OsFile::LockType::Shared);
    const std::uint32_t onDisk = readCountFromDisk();
    std::vector<std::uint32_t> recs = indexSet->order(tag, onDisk, true);
    // Records other users added since this table last looked wait for refresh().
    if (onDisk > header.recordCount)
        recs.erase(std::remove_if(recs.begin(), recs.end(),
                                  [this](std::uint32_t r) { return r > header.recordCount; }),
                   recs.end());
    return recs;
}

std::vector<TagDefinition> Table::Impl::currentTagDefinitions() const {
    if (indexSet)
        return indexSet->definitions();
    // A damaged index: whatever tags can still be read are rebuilt.
    if (header.productionIndex != 0 && fileExists(indexPath()))
        return IndexSet::readDefinitions(indexPath());
    return {};
}

// Writes the index file anew from the records with these tags (none: the
// file goes and the table's flag is cleared), then reopens it and selects
// the tag that was selected, if it is still there.
void Table::Impl::rewriteIndex(const std::vector<TagDefinition>& defs) {
    const std::string mdx = indexPath();
    header.recordCount = readCountFromDisk();
    if (defs.empty()) {
        indexSet.reset();
        if (fileExists(mdx))
            std::remove(mdx.c_str());
        setIndexFlag(false);
    } else {
        // The open index stays in charge until the new file is complete.
        std::string name = tableName.empty() ? tableNameOf(path) : tableName;
        IndexSet::rebuild(mdx, name, header.fields, defs, header.recordCount,
                          [this](std::uint32_t r) {
                              // Mapped: no copy of the table through a buffer.
                              const std::uint8_t* p = mapped.record(r);
                              return p != nullptr ? p : cache.record(r);
                          });
        mapped.release();
        indexSet.reset();
        setIndexFlag(true);
        try {
            indexSet = std::make_unique<IndexSet>(mdx, header.fields, writable);
        } catch (const Error& e) {
            indexDamage = e.what();
            naturalOrder();
            throw;
        }
    }
    indexDamage.clear();
    naturalOrder();
    if (!tagName.empty()) {
        if (indexSet && indexSet->findTag(tagName) >= 0)
            selectTag(tagName);
        else
            tagName.clear();
    }
}

void Table::Impl::setIndexFlag(bool on) {
    const std::uint8_t flag = on ? 1 : 0;
    if (header.productionIndex == flag)
        return;
    LockGuard lock(file, OsFile::kHeaderLockByte, OsFile::LockType::Exclusive);
    file.writeAt(dbf::kProductionIndex, &flag, 1);
    header.productionIndex = flag;
}

namespace {

// Tags are added and deleted with the table open for exclusive use; a closed
// table is opened so for the length of the change.
class ExclusiveUse {
public:
    ExclusiveUse(Table& table, bool& applyTag) : table_(table), applyTag_(applyTag) {
        if (table.isOpen()) {
            if (table.mode() != OpenMode::Exclusive)
                throw Error(Error::Kind::State,
                            "Index tags can only be added or deleted while the table is closed "
                            "or open for exclusive use.",
                            table.fileName());
            return;
        }
        savedMode_ = table.mode();
        table.setMode(OpenMode::Exclusive);
        applyTag_ = false;  // the tag to select may be the one being added
        try {
            table.open();
        } catch (...) {
            applyTag_ = true;
            table.setMode(savedMode_);
            throw;
        }
        applyTag_ = true;
        opened_ = true;
    }
    ~ExclusiveUse() {
        if (!opened_)
            return;
        try {
            table_.close();
            table_.setMode(savedMode_);
        } catch (...) {
        }
    }
    ExclusiveUse(const ExclusiveUse&) = delete;
    ExclusiveUse& operator=(const ExclusiveUse&) = delete;

private:
    Table& table_;
    bool& applyTag_;
    OpenMode savedMode_ = OpenMode::Shared;
    bool opened_ = false;
};

bool sameTag(const std::string& a, const std::string& b) {
    return equalNoCase(a, b);
}

}  // namespace

void Table::setIndexTag(const std::string& tagName) {
    Impl& d = *d_;
    if (!isOpen()) {
        d.tagName = tagName;
        return;
    }
    d.browseMode();
    if (tagName.empty()) {
        d.tagName.clear();
        d.naturalOrder();
    } else {
        d.selectTag(tagName);
    }
    d.settleOn(d.cur);
    d.notifyReset();
}

std::string Table::indexTag() const {
    return d_->tagName;
}

std::vector<std::string> Table::indexTags() const {
    const Impl& d = *d_;
    if (d.indexSet)
        return d.indexSet->tagNames();
    std::vector<std::string> names;
    const std::string mdx = indexFileName();
    if (fileExists(mdx)) {
        try {
            for (const TagDefinition& t : IndexSet::readDefinitions(mdx))
                names.push_back(t.name);
        } catch (const Error&) {
        }
    }
    return names;
}

bool Table::hasIndexFile() const {
    return fileExists(indexFileName());
}

void Table::addIndexTag(const std::string& tagName, const std::string& expression) {
    ExclusiveUse use(*this, d_->applyTagOnOpen);
    Impl& d = *d_;
    d.requireWritable();
    d.browseMode();
    // A bad expression is refused before anything is written.
    (void)Expression::compile(expression, d.header.fields);
    std::vector<TagDefinition> defs = d.currentTagDefinitions();
    auto it = std::find_if(defs.begin(), defs.end(),
                           [&](const TagDefinition& t) { return sameTag(t.name, tagName); });
    if (it != defs.end())
        *it = {tagName, expression, false};
    else
        defs.push_back({tagName, expression, false});
    d.rewriteIndex(defs);
    d.settleOn(d.cur);
    d.notifyReset();
}

void Table::deleteIndexTag(const std::string& tagName) {
    ExclusiveUse use(*this, d_->applyTagOnOpen);
    Impl& d = *d_;
    d.requireWritable();
    d.browseMode();
    std::vector<TagDefinition> defs = d.currentTagDefinitions();
    const auto kept = std::remove_if(defs.begin(), defs.end(), [&](const TagDefinition& t) {
        return sameTag(t.name, tagName);
    });
    if (kept == defs.end())
        return;  // no such tag: nothing changes
    defs.erase(kept, defs.end());
    if (sameTag(d.tagName, tagName))
        d.tagName.clear();
    d.rewriteIndex(defs);
    d.settleOn(d.cur);
    d.notifyReset();
}

void Table::regenerateIndexes() {
    Impl& d = *d_;
    d.requireWritable();
    if (d.mode != OpenMode::Exclusive)
        throw Error(Error::Kind::State,
                    "The table must be open for exclusive use to regenerate its indexes.", d.path);
    d.browseMode();
    d.rewriteIndex(d.currentTagDefinitions());
    d.settleOn(d.cur);
    d.notifyReset();
}

void Table::pack() {
    d_->pack();
}

}  // namespace dbase
