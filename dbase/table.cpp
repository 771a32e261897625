// Opening and closing, writing, navigation, values and changes of a table.
#include <optional>

#include "dbase/table_impl.h"

#include <exception>
#include <utility>

#include "dbase/direct_writer.h"
#include "dbase/file_system.h"
#include "dbase/pack_in_place.h"

namespace dbase {

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
    warnings.clear();
    const std::string p = tablePath();
    OsFile f;
    for (int attempt = 0;; ++attempt) {
        if (readOnlyRequested && mode == OpenMode::Exclusive) {
            // Exclusive use needs a writable descriptor for its lock; read only in every other
            // respect.
            try {
                f = OsFile::open(p, OsFile::Access::ReadWrite);
            } catch (const Error&) {
                f = OsFile::open(p, OsFile::Access::Read);
            }
        } else {
            f = OsFile::open(p,
                             readOnlyRequested ? OsFile::Access::Read : OsFile::Access::ReadWrite);
        }
        takeOpenLock(f);
        // A pack by another program may have renamed its new table over the
        // name between the open and the lock: the lock must be on the file
        // the name stands for.
        if (f.isAt(p) || attempt == 3)
            break;
    }
    // Holding the lock, nobody is packing the table: a pack stopped part-way
    // is finished or undone now.
    const PackRecovery recovery = finishInterruptedPack(f, p, !readOnlyRequested && f.writable(),
                                                        mode != OpenMode::Exclusive);
    const std::string& packDamage = recovery.damage;

    // The header under the header lock, so that no append by another user is
    // met half written; and before the size: an append writes the record
    // before the count, so a size taken after the count always covers it.
    std::vector<std::uint8_t> bytes(dbf::kTableHeaderSize, 0);
    std::size_t all = 0;
    std::uint64_t size = 0;
    {
        LockGuard headerLock(f, OsFile::kHeaderLockByte, OsFile::LockType::Shared);
        const std::size_t got = f.readAt(0, bytes.data(), bytes.size());
        (void)got;  // a short file is judged by its size below
        const std::uint16_t headerLength = announcedHeaderLength(bytes.data(), f.size(), p);
        bytes.resize(headerLength);
        all = f.readAt(0, bytes.data(), headerLength);
        size = f.size();
    }
    DbfHeader h = parseTableHeader(bytes.data(), all, size, p);
    const bool canWrite = !readOnlyRequested && h.writableVersion() && f.writable();

    std::vector<std::string> notes;
    if (h.countAhead()) {
        notes.push_back("The table header counts " + std::to_string(h.announcedCount) +
                        " records, but the file holds only " + std::to_string(h.recordCount) +
                        " whole records; those are used. The header is corrected when the table "
                        "is next changed.");
    }
    MemoFile m;
    if (h.hasMemoFields())
        m.open(p, h.version);
    // The index is opened with the table. Tags the engine cannot keep current
    // refuse the table; a damaged index file does not: it is reported when
    // used and regenerating it repairs it. A table opened for reading only
    // needs no index: one it cannot use is left aside.
    std::unique_ptr<IndexSet> ix;
    std::string damage;
    std::optional<Error> unavailable;
    const std::string mdx = siblingWithExtension(p, "MDX");
    if (h.productionIndex != 0) {
        try {
            if (!fileExists(mdx)) {
                throw Error(Error::Kind::NotFound, "The production index of the table is missing.",
                            mdx);
            }
            ix = std::make_unique<IndexSet>(mdx, h.fields, canWrite,
                                            &CodePage::forLanguageDriver(h.languageDriver));
        } catch (const Error& e) {
            if (e.kind() == Error::Kind::IndexDamaged) {
                damage = e.message();
            } else if (!canWrite) {
                unavailable = e;
                notes.push_back(e.message() +
                                " The table is read in record order, without its "
                                "index.");
            } else {
                throw;
            }
        }
        if (!packDamage.empty()) {
            ix.reset();
            damage = packDamage;
        }
    }
    // An index whose count of changers is above zero although nobody else
    // has the table open was left part-way through a change by a program
    // that stopped: it is rebuilt from the records (a file damaged so too).
    // A shared user has the table to itself when it can take the open lock
    // exclusively; it holds it so while rebuilding.
    bool rebuildIndex = false;
    bool lockRaised = recovery.lockRaised;
    if (!recovery.rebuildIndex && canWrite && h.productionIndex != 0 && packDamage.empty() &&
        (ix || !damage.empty()) && (ix ? ix->changersAtOpen() : MdxFile::changersOf(mdx)) > 0) {
        if (mode == OpenMode::Exclusive) {
            rebuildIndex = true;
        } else if (f.tryLock(OsFile::kOpenLockByte, OsFile::LockType::Exclusive)) {
            rebuildIndex = true;
            lockRaised = true;
        }
    }

    // Nothing can fail from here on.
    file = std::move(f);
    path = p;
    header = std::move(h);
    memo = std::move(m);
    codePage = &CodePage::forLanguageDriver(header.languageDriver);
    writable = canWrite;
    if (readOnlyRequested) {
        readOnlyReason = "The table was opened for reading only.";
    } else if (!header.writableVersion()) {
        readOnlyReason =
            "The table is a FoxPro table, which this program can read but not change: it "
            "changes only dBase III and dBase IV tables.";
    } else {
        readOnlyReason = "The table file may not be written.";
    }
    warnings = std::move(notes);
    dateStamped = false;
    cache.reset(&file, header.headerLength, header.recordLength);
    blankRecord.assign(header.recordLength, ' ');
    editBuf = blankRecord;
    oldBuf = blankRecord;
    order = std::make_unique<NaturalOrder>(header.recordCount);
    visible.clear();
    dropVisible();
    candidate = 0;
    indexSet = std::move(ix);
    indexDamage = damage;
    indexUnavailable = std::move(unavailable);
    indexOrder = nullptr;
    mapped.reset(file.fd(), header.headerLength, header.recordLength);
    mappedSteps = 0;
    state = TableState::Browse;
    changeFailed = false;
    if (recovery.rebuildIndex)
        finishRecoveredPack(lockRaised);
    else if (rebuildIndex)
        rebuildUnfinishedIndex(lockRaised);
    refoldOldCaseKeys();
    if (!tagName.empty() && applyTagOnOpen) {
        try {
            selectTag(tagName);
        } catch (const Error& e) {
            // Exclusive use is how a damaged index gets repaired, so it still
            // opens (and is regenerated at once when every tag can be); so does a
            // read-only table, without its index.
            const bool damaged = e.kind() == Error::Kind::IndexDamaged;
            const bool repairable = mode == OpenMode::Exclusive && damaged;
            if (!writable && damaged)
                warnings.push_back(e.message() + " The table is read in record order.");
            if (!repairable && !indexUnavailable && !(!writable && damaged)) {
                close();
                throw;
            }
            if (writable && repairable) {
                try {
                    regenerate(true, nullptr);
                } catch (const Error&) {
                    // Left damaged, in record order: the user's rebuild reports why.
                }
            }
        }
    }
    for (const std::string& w : warnings)
        if (std::find(untoldWarnings.begin(), untoldWarnings.end(), w) == untoldWarnings.end())
            untoldWarnings.push_back(w);
    first();
    notifyReset();
}

void Table::Impl::rebuildUnfinishedIndex(bool backToShared) {
    // The tag to select is selected by the open, after this.
    const std::string selected = std::exchange(tagName, std::string());
    bool rebuilt = false;
    try {
        rebuilt = regenerate(true, nullptr);
    } catch (const Error& e) {
        indexDamage = e.message();
    }
    tagName = selected;
    if (rebuilt)
        warnings.push_back(
            "The index was rebuilt: the program that last changed the table stopped before it "
            "had finished changing the index.");
    if (backToShared)
        (void)file.tryLock(OsFile::kOpenLockByte, OsFile::LockType::Shared);
}

// The table of a stopped pack was finished from the journal before it was
// read; its index still numbers the records as they were, so it is built
// anew from the tags it defines before the journal goes. Until then the
// journal stays, and the next open tries again.
void Table::Impl::finishRecoveredPack(bool backToShared) {
    const std::string selected = std::exchange(tagName, std::string());
    try {
        std::string lost;
        if (header.productionIndex != 0) {
            regenerate(false, &lost);
            if (!lost.empty())
                warnings.push_back(lost);
        }
        OsFile::remove(packJournalName(path));
    } catch (...) {
        closeNow();
        throw;
    }
    tagName = selected;
    warnings.push_back(
        "The table was packed when it was opened: the program that packed it stopped before "
        "it had finished.");
    if (backToShared)
        (void)file.tryLock(OsFile::kOpenLockByte, OsFile::LockType::Shared);
}

// The table is closed whatever fails; the first failure (a batch of a bulk
// append or changes of bulk work that could not be put on disk, a file the
// system could not close) is thrown after.
void Table::Impl::close() {
    if (state == TableState::Inactive)
        return;
    bulkAppend = false;
    std::exception_ptr failure;
    auto attempt = [&failure](auto&& step) {
        try {
            step();
        } catch (const Error&) {
            if (!failure)
                failure = std::current_exception();
        }
    };
    attempt([this] { flushAppends(); });
    attempt([this] { syncBulk(); });
    // Every change on disk and none failed: this user leaves the changers
    // of the index. Otherwise the index stays marked for a rebuild.
    if (indexSet && !failure && !changeFailed && indexDamage.empty())
        attempt([this] { indexSet->endChanges(); });
    if (indexSet)
        attempt([this] { indexSet->close(); });
    attempt([this] { file.close(); });
    closeNow();
    if (failure)
        std::rethrow_exception(failure);
}

void Table::Impl::closeNow() {
    gathering.reset();
    streamFirst = 0;
    batchWriter.reset();
    clearPending();
    unsynced = false;
    bulk = 0;
    state = TableState::Inactive;
    memo.close();
    file.release();
    cur = 0;
    atBof = atEof = true;
    visible.clear();
    dropVisible();
    indexSet.reset();
    indexDamage.clear();
    indexUnavailable.reset();
    indexOrder = nullptr;
    order = std::make_unique<NaturalOrder>(header.recordCount);
    mapped.unmap();
    header = DbfHeader{};
    notifyReset();
}

// An index written when UPPER and LOWER changed ASCII letters only is brought
// to the code page's letter case once, by the first user who may write it:
// only entries with non-ASCII bytes are looked at, and the file is marked
// so that later openings look at nothing.
void Table::Impl::refoldOldCaseKeys() {
    if (!indexSet || !writable || indexSet->caseFoldedByCodePage())
        return;
    try {
        LockGuard lock(file, OsFile::kHeaderLockByte, OsFile::LockType::Exclusive);
        diskBuf.resize(header.recordLength);
        indexSet->refoldCase(readCountFromDisk(), [this](std::uint32_t r) {
            file.readExact(header.recordOffset(r), diskBuf.data(), diskBuf.size());
            return diskBuf.data();
        });
    } catch (const Error& e) {
        indexDamage = e.message();
    }
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

// Called under the header lock with the first change: a header that counted
// records the file does not hold is corrected at the same time.
void Table::Impl::stampDate() {
    if (dateStamped)
        return;
    std::uint8_t head[dbf::kTableHeaderSize];
    stampUpdateDate(head);
    std::size_t length = 3;
    if (header.countAhead()) {
        writeU32(head + dbf::kRecordCount, readCountFromDisk());
        length = 7;
        header.announcedCount = 0;
    }
    file.writeAt(dbf::kUpdateYear, head + dbf::kUpdateYear, length);
    dateStamped = true;
}

void Table::Impl::writeRecord(std::uint32_t recNo, const std::uint8_t* newBytes,
                              const std::uint8_t* expected) {
    forgetTop();
    flushAppends();
    gathering.reset();  // a key gathered may change
    requireIndexIntact();
    // Under the header lock, like an append: a walk in key order by another
    // user never sees the record between leaving its old key and joining the
    // new one, so every walk finds each counted record exactly once.
    LockGuard lock(file, OsFile::kHeaderLockByte, OsFile::LockType::Exclusive);
    // The index holds the keys of the record as it is on disk now, which
    // another user may have changed since this one began editing it.
    diskBuf.resize(header.recordLength);
    file.readExact(header.recordOffset(recNo), diskBuf.data(), diskBuf.size());
    const std::uint8_t* oldBytes = diskBuf.data();
    if (expected != nullptr && std::memcmp(oldBytes, expected, diskBuf.size()) != 0) {
        // Neither version is lost: the caller keeps its pending values, the
        // file the other user's, which this table now shows.
        cache.patch(recNo, oldBytes);
        throw Error(Error::Kind::RecordChanged,
                    "The record was changed by another user after you began editing it, so "
                    "your changes were not saved.\nCancel to see the other user's version, then "
                    "edit the record again.",
                    path);
    }
    FailureWatch watch{changeFailed};
    // Old keys out, record written, new keys in: a process killed part-way
    // leaves the record missing from the index (reported as damage when the
    // tag is walked), never indexed under a key it no longer has.
    bool moved = false;
    if (indexSet) {
        try {
            moved = indexSet->removeMovingKeys(recNo, oldBytes, newBytes);
            // The old keys leave the disk before the record changes on it: a
            // power cut never leaves the new record under its old key.
            if (moved && bulk == 0)
                indexSet->sync();
        } catch (const Error& e) {
            indexDamage = e.message();
            throw Error(Error::Kind::IndexDamaged,
                        std::string("The record was not saved: the index could not be updated.\n") +
                            e.message(),
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
        // And the record is on disk before its new keys: a power cut never
        // leaves the old record under a new key either.
        if (bulk == 0)
            file.sync();
        updateIndex([&] { indexSet->addMovedKeys(recNo, newBytes); });
        if (indexOrder != nullptr) {
            indexOrder->invalidate();
            dropVisible();
            keyMoved = true;
        }
    }
    changed(moved);
}

std::uint32_t Table::Impl::appendRecord(const std::uint8_t* newBytes) {
    forgetTop();
    if (bulkAppend && mode == OpenMode::Exclusive)
        return appendPending(newBytes);
    // Another user may have appended since this table last looked: the count
    // is re-read under the header lock, and the record, the end mark and the
    // count are written in that order, so the file is consistent at every step.
    // With exclusive use no one else appends: the count is the table's own
    // (the whole records, when the header counted more).
    const bool shared = mode != OpenMode::Exclusive;
    std::optional<LockGuard> lock;
    std::uint32_t onDisk = header.recordCount;
    if (shared) {
        lock.emplace(file, OsFile::kHeaderLockByte, OsFile::LockType::Exclusive);
        std::uint8_t bytes[4];
        file.readExact(dbf::kRecordCount, bytes, sizeof bytes);
        onDisk = readU32(bytes);
        const std::uint64_t size = file.size();
        if (header.headerLength + std::uint64_t{onDisk} * header.recordLength > size) {
            // A count ahead of the records (the end of the file lost): the
            // new record follows the last whole one and the count is corrected.
            onDisk = static_cast<std::uint32_t>(
                size > header.headerLength ? (size - header.headerLength) / header.recordLength
                                           : 0);
        }
    }
    if (onDisk == UINT32_MAX)
        throw Error(Error::Kind::InvalidValue, "The table cannot hold more records.", path);
    requireIndexIntact();
    FailureWatch watch{changeFailed};
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
    header.announcedCount = 0;
    const std::uint32_t before = header.recordCount;
    header.recordCount = recNo;
    cache.patch(recNo, newBytes);
    if (visibleValid && (recNo != before + 1 || !order->ascendingRecNo()))
        dropVisible();
    // Still under the header lock: whoever lists the index under that lock
    // sees every counted record in it.
    if (indexSet) {
        if (indexOrder != nullptr)
            indexOrder->invalidate();
        updateIndex([&] { indexSet->recordAdded(recNo, newBytes); });
    }
    gather(recNo, newBytes);
    changed(true);
    return recNo;
}

// A bulk append with exclusive use: the record waits in memory with the
// number it will have, and a batch is written in one go.
std::uint32_t Table::Impl::appendPending(const std::uint8_t* newBytes) {
    forgetTop();
    requireIndexIntact();
    if (pendingCount == 0)
        pendingFirst = header.recordCount + 1;
    if (header.recordCount == UINT32_MAX)
        throw Error(Error::Kind::InvalidValue, "The table cannot hold more records.", path);
    const std::uint32_t recNo = header.recordCount + 1;
    if (streamFirst != 0 && pendingCount == 0 && !indexSet) {
        streamRecord(recNo, newBytes);  // straight into the stream's buffer
    } else {
        pending.insert(pending.end(), newBytes, newBytes + header.recordLength);
        ++pendingCount;
    }
    header.recordCount = recNo;
    if (visibleValid && !order->ascendingRecNo())
        dropVisible();
    if (indexOrder != nullptr)
        indexOrder->invalidate();
    gather(recNo, newBytes);
    if (!indexSet) {
        if (pending.size() >= kAppendBatch)
            streamAppends();
    } else if (pastCache) {
        if (pending.size() >= kAppendBatch)
            flushAppends();
    } else {
        // Through the cache a batch waits until it completes an aligned
        // piece at least kAppendBatch past where it starts.
        const std::uint64_t start = header.recordOffset(pendingFirst);
        const std::uint64_t end = start + pending.size();
        if (end / kAlignedPiece * kAlignedPiece >= start + kAppendBatch)
            flushAppends(false);
    }
    return recNo;
}

// Writes the records waiting in a bulk append: the records and the end mark
// in one write, then the count, then their index keys. A process killed
// part-way leaves the table as it was before the batch (the count is written
// last), and at worst records missing from the index, as any append does.
//
// A batch cut short (`whole` false) is written up to the last multiple of
// kAlignedPiece it reaches, the end mark after its last whole record: the
// record cut in two stays pending with those after it, and the next batch
// starts with it. So every batch but the first fills whole aligned pieces of
// the file in one write, which the file cache keeps as pieces of that size.
void Table::Impl::flushAppends(bool whole) {
    if (streamFirst != 0) {
        endStream();
        return;
    }
    if (pendingCount == 0)
        return;
    FailureWatch watch{changeFailed};
    const std::uint32_t first = pendingFirst;
    const std::uint32_t recLen = header.recordLength;
    const std::uint64_t base = header.recordOffset(first);
    std::size_t upTo = pending.size();  // bytes of `pending` this batch writes
    if (!whole)
        upTo = static_cast<std::size_t>((base + upTo) / kAlignedPiece * kAlignedPiece - base);
    const auto count = static_cast<std::uint32_t>(upTo / recLen);  // its whole records
    if (count == 0)
        return;
    struct Drop {
        Impl& d;
        std::uint32_t records;
        ~Drop() {
            d.pending.erase(d.pending.begin(),
                            d.pending.begin() + std::ptrdiff_t{records} * d.header.recordLength);
            d.pendingFirst += records;
            d.pendingCount -= records;
        }
    } drop{*this, count};
    try {
        if (whole) {
            pending.push_back(static_cast<std::uint8_t>(dbf::kEndOfFile));
            ++upTo;
        }
        if (pastCache && upTo > kAppendBatch) {
            writer().writeAt(base, pending.data(), upTo);
        } else {
            file.writeAt(base, pending.data(), upTo);
        }
        if (whole) {
            pending.pop_back();
        } else {
            const std::uint8_t mark = dbf::kEndOfFile;
            file.writeAt(base + std::uint64_t{count} * recLen, &mark, 1);
        }
        std::uint8_t head[8];
        stampUpdateDate(head);
        writeU32(head + dbf::kRecordCount, first + count - 1);
        file.writeAt(dbf::kUpdateYear, head + dbf::kUpdateYear, 7);
        dateStamped = true;
        header.announcedCount = 0;  // the count is right again
        unsynced = true;            // a bulk append is bulk work: synced at its end
    } catch (...) {
        // The batch and the records after it are lost, the table is as it
        // was before the batch.
        header.recordCount = first - 1;
        pending.clear();
        drop.records = pendingCount = 0;
        gathering.reset();
        dropVisible();
        cache.invalidate();
        throw;
    }
    for (std::uint32_t i = 0; i < count; ++i)
        cache.patch(first + i, pending.data() + std::size_t{i} * recLen);
    if (indexSet) {
        updateIndex([&] {
            for (std::uint32_t i = 0; i < count; ++i)
                indexSet->recordAdded(first + i, pending.data() + std::size_t{i} * recLen);
        });
    }
}

// Hands a batch on to the stream (see streamFirst), which begins with the
// first batch; the records after it go into the stream one by one
// (streamRecord). The records are counted on disk once the file holds them,
// by the stream's thread after each buffer it writes (a write of the count
// from here would wait for the file while the thread writes); a failure
// loses the records the disk does not count.
void Table::Impl::streamAppends() {
    FailureWatch watch{changeFailed};
    const std::uint32_t first = pendingFirst;
    const std::uint32_t count = pendingCount;
    const ClearPendingAtExit clear{*this};
    try {
        DirectWriter& w = writer();
        if (streamFirst == 0) {
            streamFirst = first;
            streamCounted = first - 1;
            streamOnDisk = first - 1;
            w.setAfterWrite(
                [this, first](std::uint64_t written) { writeStreamCount(first, written); });
            w.begin(header.recordOffset(first));
        }
        w.append(pending.data(), pending.size());
        noteStreamCount();
    } catch (...) {
        loseStream(first);
        throw;
    }
    for (std::uint32_t i = 0; i < count; ++i)
        cache.patch(first + i, pending.data() + std::size_t{i} * header.recordLength);
    streamLast = first + count - 1;
    streamTail.assign(pending.end() - header.recordLength, pending.end());
    streamLastBytes = streamTail.data();
    streamedSince = 0;
}

// Appends a record to the stream as it comes, without a batch of its own
// (see streamAppends), and counts the records in the file on disk once a
// batch's worth of them was appended so.
void Table::Impl::streamRecord(std::uint32_t recNo, const std::uint8_t* newBytes) {
    FailureWatch watch{changeFailed};
    DirectWriter& w = *batchWriter;
    const std::uint64_t offset = header.recordOffset(recNo);
    try {
        w.append(newBytes, header.recordLength);
        if (++streamedSince >= kAppendBatch / header.recordLength) {
            streamedSince = 0;
            (void)w.written();  // reports a failed write
            noteStreamCount();
        }
    } catch (...) {
        loseStream(recNo);
        throw;
    }
    cache.patch(recNo, newBytes);
    streamLast = recNo;
    streamLastBytes = w.held(offset, header.recordLength);
    if (streamLastBytes == nullptr) {  // begun in the buffer handed on
        streamTail.assign(newBytes, newBytes + header.recordLength);
        streamLastBytes = streamTail.data();
    }
}

// Writes the rest of the stream, its end mark and the whole count.
void Table::Impl::endStream() {
    FailureWatch watch{changeFailed};
    const std::uint32_t first = pendingFirst;
    const std::uint32_t count = pendingCount;
    const ClearPendingAtExit clear{*this};
    try {
        pending.push_back(static_cast<std::uint8_t>(dbf::kEndOfFile));
        DirectWriter& w = *batchWriter;
        w.append(pending.data(), pending.size());
        w.finish();  // the thread is idle from here on
        writeStreamCount(streamFirst, header.recordOffset(streamFirst) +
                                          std::uint64_t{header.recordCount - streamFirst + 1} *
                                              header.recordLength);
        noteStreamCount();
        streamFirst = 0;
    } catch (...) {
        loseStream(first);
        throw;
    }
    for (std::uint32_t i = 0; i < count; ++i)
        cache.patch(first + i, pending.data() + std::size_t{i} * header.recordLength);
}

// Writes on disk the count of the stream's records (the first numbered
// `first`) that the file holds up to `written`: on the stream's thread, or
// once it is idle. The header is written only once the stream's first
// buffer is in the file: that buffer may hold the header's block as it was
// when the stream began.
void Table::Impl::writeStreamCount(std::uint32_t first, std::uint64_t written) {
    const std::uint64_t from = header.recordOffset(first);
    if (written <= from)
        return;
    const std::uint32_t inFile =
        first - 1 + static_cast<std::uint32_t>((written - from) / header.recordLength);
    if (inFile <= streamOnDisk.load())
        return;
    std::uint8_t head[8];
    stampUpdateDate(head);
    writeU32(head + dbf::kRecordCount, inFile);
    file.writeAt(dbf::kUpdateYear, head + dbf::kUpdateYear, 7);
    streamOnDisk = inFile;
}

// Takes note of the count the stream's thread wrote on disk.
void Table::Impl::noteStreamCount() noexcept {
    const std::uint32_t onDisk = streamOnDisk.load();
    if (onDisk <= streamCounted)
        return;
    dateStamped = true;
    header.announcedCount = 0;
    unsynced = true;  // bulk work: synced at its end
    streamCounted = onDisk;
}

// After a failure of the stream (or of the batch from `batchFirst` on,
// before any stream began) the table has the records its count on disk
// says; the writes still waiting are given up.
void Table::Impl::loseStream(std::uint32_t batchFirst) noexcept {
    batchWriter.reset();  // its thread ends: the count on disk is final
    if (streamFirst != 0)
        noteStreamCount();
    header.recordCount = streamFirst != 0 ? streamCounted : batchFirst - 1;
    streamFirst = 0;
    gathering.reset();
    dropVisible();
    cache.invalidate();
}

// ======================================================================
// Navigation

bool Table::Impl::isVisible(std::uint32_t recNo, bool backward) {
    if (indexOrder != nullptr && !inRecordOrder) {
        // Walking in key order jumps about the file. A long walk has the
        // whole map filled in one pass of the kernel (cheaper than a fault
        // per page); a few screens of a grid only touch their own pages.
        if (++mappedSteps == kPopulateAfter)
            mapped.populate();
        mapped.prefetch(indexOrder->ahead(16));
    }
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
    if (indexOrder == nullptr) {
        for (std::uint32_t r = order->first(); r != 0; r = order->next(r)) {
            if (isVisible(r))
                visible.push_back(r);
        }
        visibleValid = true;
        return;
    }
    // In key order the records are judged in record order, reading the file
    // straight through a stretch of the map at a time (in little memory),
    // and then listed in the tag's order.
    const std::vector<std::uint32_t>& recs = indexOrder->records();
    std::vector<bool> shown(std::size_t{header.recordCount} + 1, false);
    {
        inRecordOrder = true;
        struct Restore {
            Impl& d;
            ~Restore() {
                d.inRecordOrder = false;
                d.mapped.release();
            }
        } restore{*this};
        for (std::uint32_t r = 1; r <= header.recordCount; ++r)
            shown[r] = isVisible(r);
    }
    visible.reserve(recs.size());
    for (const std::uint32_t r : recs) {
        if (r <= header.recordCount && shown[r])
            visible.push_back(r);
    }
    visibleValid = true;
}

bool Table::Impl::listTop(std::uint32_t position) {
    if (visibleValid || filter || position >= kTopPositions)
        return false;
    if (topOrder != order.get()) {
        forgetTop();
        topOrder = order.get();
    }
    const std::vector<std::uint32_t>* recs =
        indexOrder != nullptr ? &indexOrder->records() : nullptr;
    const std::size_t places = recs != nullptr ? recs->size() : header.recordCount;
    while (top.size() <= position) {
        if (topScanned == places) {
            // The whole order was listed: that is the count too.
            visible = top;
            visibleValid = true;
            return true;
        }
        if (topScanned == kTopScanLimit)
            return false;  // many records not shown: the full pass is cheaper
        const std::uint32_t r =
            recs != nullptr ? (*recs)[topScanned] : static_cast<std::uint32_t>(topScanned + 1);
        ++topScanned;
        if (r <= header.recordCount && isVisible(r))
            top.push_back(r);
    }
    return true;
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
            codePage->decode(value::numberText(raw(rec, f)), out);
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
                out.push_back(value::parseLogical(raw(rec, f)) ? 'T' : 'F');
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
        writeRecord(cur, editBuf.data(), oldBuf.data());
        state = TableState::Browse;
        const std::uint32_t recNo = cur;
        if (keyMoved) {
            settleOn(recNo);
            notifyReset();
        } else if (filter && !isVisible(recNo)) {
            dropVisible();
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
    flushAppends();
    file.readExact(header.recordOffset(recNo), oldBuf.data(), oldBuf.size());
    editBuf = oldBuf;
    editBuf[0] = static_cast<std::uint8_t>(dbf::kDeleted);
    writeRecord(recNo, editBuf.data());
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
    flushAppends();
    header.recordCount = readCountFromDisk();
    cache.invalidate();
    dropVisible();
    if (indexOrder != nullptr)
        indexOrder->invalidate();  // another user may have changed the index
    settleOn(cur);
    notifyReset();
}

namespace {

// The names a pack writes its new files under until they replace the table
// and its index.
std::string packingName(const std::string& path) {
    return path + ".packing";
}

void removeIfThere(const std::string& path) {
    if (FileSystem::current().unlink(path) != 0 && errno != ENOENT) {
        throw Error(Error::Kind::Io,
                    std::string("A file left by an interrupted pack cannot be removed: ") +
                        std::strerror(errno),
                    path);
    }
}

}  // namespace

void (*packStepHook)(const char* step) = nullptr;

namespace {
void packStep(const char* step) {
    if (packStepHook != nullptr)
        packStepHook(step);
}
}  // namespace

// A pack moves the records that stay down over the deleted ones inside the
// table file, with a journal that lets the next open finish it
// (pack_in_place.h), then writes the new index under a temporary name and
// renames it over the old one. Whoever next opens the table finishes a pack
// that was stopped: the moves from the journal's checkpoint, the table, then
// (after the open has read the table) the index, rebuilt from its tags.
//
// Packs of earlier versions wrote a packed copy beside the table and renamed
// it over the table; what such a pack left is put right too:
// - the packed table is still beside the table: the old table and index
//   are whole, and what the pack wrote goes;
// - only the new index is left: the table was replaced, and the new index
//   that belongs to it replaces the old one.
Table::Impl::PackRecovery Table::Impl::finishInterruptedPack(OsFile& f,
                                                             const std::string& tablePath,
                                                             bool canWrite, bool shared) {
    PackRecovery done;
    const std::string journal = packJournalName(tablePath);
    const std::string index = packingName(siblingWithExtension(tablePath, "MDX"));
    if (fileExists(journal)) {
        // What the table holds now is neither the table before the pack nor
        // after it: it is finished here or not shown at all.
        const std::string why =
            "A pack of the table was stopped before it had finished. Open the table for "
            "writing, with no one else using it, to finish the pack.";
        if (!canWrite)
            throw Error(Error::Kind::State, why, tablePath);
        if (shared) {
            if (!f.tryLock(OsFile::kOpenLockByte, OsFile::LockType::Exclusive))
                throw Error(Error::Kind::Locked, why, tablePath);
            done.lockRaised = true;
        }
        try {
            InPlacePack pack = InPlacePack::resume(f, tablePath);
            pack.moveAll(nullptr, nullptr);
            pack.finishTable(std::nullopt, false);
            removeIfThere(index);
        } catch (...) {
            if (done.lockRaised)
                (void)f.tryLock(OsFile::kOpenLockByte, OsFile::LockType::Shared);
            throw;
        }
        done.rebuildIndex = true;
        return done;
    }
    if (canWrite)
        OsFile::discard(journal + ".new");  // the pack never began
    const std::string table = packingName(tablePath);
    if (fileExists(table)) {
        if (canWrite) {
            removeIfThere(index);
            removeIfThere(table);
        }
        return done;
    }
    if (!fileExists(index))
        return done;
    if (canWrite &&
        FileSystem::current().rename(index, siblingWithExtension(tablePath, "MDX")) == 0) {
        OsFile::syncDirectoryOf(tablePath);
        return done;
    }
    done.damage =
        "The table was packed, but its index was not replaced before the pack was stopped.";
    return done;
}

void Table::Impl::pack() {
    requireWritable();
    gathering.reset();
    if (mode != OpenMode::Exclusive) {
        throw Error(Error::Kind::State, "The table must be open for exclusive use to be packed.",
                    path);
    }
    // A change still pending after the index refused it: the index is
    // repaired first so that the change can be posted.
    if (editing() && !indexDamage.empty()) {
        std::string lost;
        regenerate(false, &lost);
        if (!lost.empty())
            throw Error(Error::Kind::IndexDamaged, lost, indexPath());
    }
    browseMode();
    flushAppends();
    batchWriter.reset();  // it writes to the file the pack changes
    header.recordCount = readCountFromDisk();

    // Records before the first deleted one stay where they are; with none
    // deleted there is nothing to write (a damaged index is still rebuilt).
    std::uint32_t firstDeleted = 0;
    for (std::uint32_t r = 1; r <= header.recordCount && firstDeleted == 0; ++r) {
        const std::uint8_t* rec = mapped.inOrder(r, 1);
        if ((rec != nullptr ? rec : cache.record(r))[0] == static_cast<std::uint8_t>(dbf::kDeleted))
            firstDeleted = r;
    }
    mapped.release();
    if (firstDeleted == 0) {
        if (!indexDamage.empty()) {
            std::string lost;
            regenerate(false, &lost);
            if (!lost.empty())
                throw Error(Error::Kind::IndexDamaged, lost, indexPath());
        }
        first();
        notifyReset();
        return;
    }

    // The tags to rebuild, known (and their expressions compiled) before
    // anything is written; a damaged index that has tags none of which can
    // be rebuilt stops the pack here rather than losing them unsaid.
    const bool hadIndex = indexSet || !indexDamage.empty() || header.productionIndex != 0;
    std::string lostTags;
    const std::vector<TagDefinition> defs =
        hadIndex ? rebuildableTags(&lostTags) : std::vector<TagDefinition>{};
    const std::string mdx = indexPath();
    std::unique_ptr<IndexBuilder> builder;
    if (!defs.empty())
        builder = std::make_unique<IndexBuilder>(header.fields, defs, directoryOf(path),
                                                 IndexBuilder::kDefaultBudget, codePage);
    // The records that stay where they are go into the new index first.
    std::uint32_t kept = 0;
    if (builder) {
        struct Release {
            MappedRecords& m;
            ~Release() { m.release(); }
        } release{mapped};
        for (; kept + 1 < firstDeleted; ++kept) {
            const std::uint8_t* rec = mapped.inOrder(kept + 1);
            builder->add(rec != nullptr ? rec : cache.record(kept + 1), kept + 1);
        }
    }
    kept = firstDeleted - 1;

    struct stat st;
    const mode_t perms = ::fstat(file.fd(), &st) == 0 ? (st.st_mode & 07777) : 0644;
    packStep("started");
    // Until the journal is in place the table is untouched, and a failure
    // leaves it as it was, open.
    InPlacePack mover = InPlacePack::begin(file, path, firstDeleted, perms);
    const std::string tempIndex = packingName(mdx);
    try {
        packStep("journal written");
        mover.moveAll(
            [&](const std::uint8_t* rec) {
                ++kept;
                if (builder)
                    builder->add(rec, kept);
            },
            [] { packStep("moved"); });
        mover.finishTable(static_cast<std::uint8_t>(defs.empty() ? 0 : 1), true);
        packStep("table written");
        indexSet.reset();
        if (builder) {
            builder->write(tempIndex, tableName.empty() ? tableNameOf(path) : tableName);
            builder.reset();
            packStep("index written");
            OsFile::rename(tempIndex, mdx);
        } else if (fileExists(mdx)) {
            OsFile::discard(mdx);
        }
        OsFile::syncDirectoryOf(path);
        packStep("index replaced");
        mover.removeJournal();
    } catch (const Error& e) {
        // The table is part-way: it is not shown. The next open finishes the
        // pack.
        OsFile::discard(tempIndex);
        closeNow();
        throw Error(
            e.kind(),
            e.message() + "\nThe pack was stopped; it is finished when the table is next opened.",
            e.file());
    } catch (...) {
        OsFile::discard(tempIndex);
        closeNow();
        throw;
    }
    header.recordCount = kept;
    header.productionIndex = defs.empty() ? 0 : 1;
    cache.reset(&file, header.headerLength, header.recordLength);
    mapped.reset(file.fd(), header.headerLength, header.recordLength);
    mappedSteps = 0;
    dateStamped = true;
    dropVisible();
    unsynced = false;  // the packed table is on disk
    naturalOrder();
    indexDamage.clear();
    if (!defs.empty()) {
        try {
            indexSet = std::make_unique<IndexSet>(mdx, header.fields, writable, codePage);
        } catch (const Error& e) {
            indexDamage = e.message();
        }
    }
    if (!tagName.empty()) {
        if (indexSet && indexSet->findTag(tagName) >= 0)
            selectTag(tagName);
        else
            tagName.clear();
    }
    first();
    notifyReset();
    if (!lostTags.empty())
        throw Error(Error::Kind::IndexDamaged, lostTags, mdx);
}

}  // namespace dbase
