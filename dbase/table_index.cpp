// The production index of a table: selecting, adding, deleting and
// regenerating tags.
#include "dbase/table_impl.h"

namespace dbase {

// ======================================================================
// The production index

void Table::Impl::naturalOrder() {
    order = std::make_unique<NaturalOrder>(header.recordCount);
    indexOrder = nullptr;
    dropVisible();
}

void Table::Impl::selectTag(const std::string& name) {
    if (!indexSet) {
        if (indexUnavailable)
            throw *indexUnavailable;
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
            indexDamage = e.message();
        throw;
    }
    indexOrder = o.get();
    order = std::move(o);
    tagName = indexSet->tagNames()[static_cast<size_t>(tag)];
    dropVisible();
}

std::vector<std::uint32_t> Table::Impl::loadOrder(int tag) {
    // Appends and edits change the records, the count and the index under
    // the header lock, so under it the index holds every counted record once:
    // one missing is a writer killed between counting a record (or taking its
    // old key out) and entering its key. Such records are put back, read from
    // the table; the walk itself reads the index only.
    auto walk = [this, tag](std::vector<std::uint32_t>* missing) {
        LockGuard lock(file, OsFile::kHeaderLockByte, OsFile::LockType::Shared);
        const std::uint32_t onDisk = readCountFromDisk();
        std::vector<std::uint32_t> recs = indexSet->order(tag, onDisk, true, missing);
        // Records other users added since this table last looked wait for refresh().
        if (onDisk > header.recordCount)
            recs.erase(std::remove_if(recs.begin(), recs.end(),
                                      [this](std::uint32_t r) { return r > header.recordCount; }),
                       recs.end());
        return recs;
    };
    flushAppends();
    if (!writable)
        return walk(nullptr);
    std::vector<std::uint32_t> missing;
    std::vector<std::uint32_t> recs = walk(&missing);
    if (missing.empty())
        return recs;
    restoreMissingKeys();
    return walk(nullptr);
}

// Every tag gets back the records it lacks, under the header lock so that
// no other user changes records or keys meanwhile.
void Table::Impl::restoreMissingKeys() {
    LockGuard lock(file, OsFile::kHeaderLockByte, OsFile::LockType::Exclusive);
    const std::uint32_t onDisk = readCountFromDisk();
    std::vector<std::uint32_t> missing;
    std::vector<std::uint8_t> rec(header.recordLength);
    for (size_t tag = 0; tag < indexSet->tagCount(); ++tag) {
        (void)indexSet->order(static_cast<int>(tag), onDisk, true, &missing);
        for (std::uint32_t r : missing) {
            file.readExact(header.recordOffset(r), rec.data(), rec.size());
            updateIndex([&] { indexSet->insertRecord(static_cast<int>(tag), r, rec.data()); });
        }
    }
}

IndexDefinitions Table::Impl::currentIndexDefinitions() const {
    if (indexSet)
        return {indexSet->definitions(), {}, 0, true};
    // A damaged index: whatever tags can still be read are rebuilt.
    if (header.productionIndex != 0 && fileExists(indexPath()))
        return IndexSet::readDefinitions(indexPath());
    return {};
}

std::vector<TagDefinition> Table::Impl::rebuildableTags(std::string* lost) const {
    IndexDefinitions defs = currentIndexDefinitions();
    std::vector<TagDefinition> usable;
    std::vector<std::string> lostNames = defs.unreadable;
    for (const TagDefinition& t : defs.tags) {
        try {
            (void)Expression::compile(t.expression, header.fields, codePage);
            usable.push_back(t);
        } catch (const Error&) {
            lostNames.push_back(t.name);  // a damaged expression
        }
    }
    std::string names;
    for (const std::string& n : lostNames)
        names += (names.empty() ? "" : ", ") + n;
    if (defs.unnamed > 0)
        names += (names.empty() ? "" : " and ") + std::to_string(defs.unnamed) +
                 (defs.unnamed == 1 ? " tag whose name" : " tags whose names") + " cannot be read";
    if (!defs.tagListLegible)
        throw Error(Error::Kind::IndexDamaged,
                    "The list of tags in the index file cannot be read, so no tag could be "
                    "rebuilt. The file was left as it is; delete it and add the tags again.",
                    indexPath());
    if (usable.empty() && !names.empty())
        throw Error(Error::Kind::IndexDamaged,
                    "No tag of the index file could be rebuilt: the definition of " + names +
                        " cannot be read. The file was left as it is.",
                    indexPath());
    *lost = names.empty() ? std::string()
                          : "The indexes were rebuilt except " + names +
                                ": their definitions could not be read from the damaged index "
                                "file, so they are no longer in it. Add them again.";
    return usable;
}

bool Table::Impl::regenerate(bool onlyWhole, std::string* lost) {
    std::string lostTags;
    std::vector<TagDefinition> usable;
    try {
        usable = rebuildableTags(&lostTags);
    } catch (const Error&) {
        if (onlyWhole)
            return false;
        throw;
    }
    if (onlyWhole && !lostTags.empty())
        return false;
    rewriteIndex(usable);
    if (lost != nullptr)
        *lost = lostTags;
    return true;
}

// Writes the index file anew from the records with these tags (none: the
// file goes and the table's flag is cleared), then reopens it and selects
// the tag that was selected, if it is still there.
void Table::Impl::rewriteIndex(const std::vector<TagDefinition>& defs) {
    const std::string mdx = indexPath();
    flushAppends();
    header.recordCount = readCountFromDisk();
    // Keys gathered for exactly this index, from every record, are used
    // instead of reading the table; any other change ends the gathering.
    std::unique_ptr<Gathering> gathered = std::move(gathering);
    if (gathered &&
        !(defs.size() == 1 && equalNoCase(defs[0].name, gathered->tag.name) &&
          defs[0].expression == gathered->tag.expression &&
          defs[0].descending == gathered->tag.descending && gathered->fed == header.recordCount))
        gathered.reset();
    if (defs.empty()) {
        // The flag first: a crash in between leaves a table that opens. An
        // index file that cannot be removed (a folder that may not be
        // written) gets its flag back: the table is left as it was.
        const bool hadIndex = indexSet != nullptr;
        const std::uint8_t flagWas = header.productionIndex;
        indexSet.reset();
        setIndexFlag(false);
        if (fileExists(mdx) && std::remove(mdx.c_str()) != 0) {
            const int err = errno;
            writeIndexFlag(flagWas);
            naturalOrder();
            if (hadIndex) {
                try {
                    indexSet = std::make_unique<IndexSet>(mdx, header.fields, writable);
                } catch (const Error& e) {
                    indexDamage = e.message();
                }
            }
            throw Error(Error::Kind::Io,
                        std::string("Cannot remove the index file: ") + std::strerror(err), mdx);
        }
    } else {
        // The open index stays in charge until the new file is complete.
        std::string name = tableName.empty() ? tableNameOf(path) : tableName;
        // Read in order a stretch of the map at a time: the table never
        // becomes resident in this process, whatever its size.
        struct Release {
            MappedRecords& m;
            ~Release() { m.release(); }
        } release{mapped};
        if (gathered)
            gathered->builder->replace(mdx, name);
        else
            IndexSet::rebuild(
                mdx, name, header.fields, defs, header.recordCount,
                [this](std::uint32_t r) {
                    const std::uint8_t* p = mapped.inOrder(r);
                    return p != nullptr ? p : cache.record(r);
                },
                codePage);
        indexSet.reset();
        setIndexFlag(true);
        try {
            indexSet = std::make_unique<IndexSet>(mdx, header.fields, writable, codePage);
        } catch (const Error& e) {
            indexDamage = e.message();
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
    if ((header.productionIndex != 0) != on)
        writeIndexFlag(on ? 1 : 0);
}

void Table::Impl::writeIndexFlag(std::uint8_t flag) {
    if (header.productionIndex == flag)
        return;
    flushAppends();
    LockGuard lock(file, OsFile::kHeaderLockByte, OsFile::LockType::Exclusive);
    file.writeAt(dbf::kProductionIndex, &flag, 1);
    header.productionIndex = flag;
    // On disk before the index file comes or goes.
    file.sync();
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
    if (!fileExists(mdx))
        return names;
    const IndexDefinitions defs = IndexSet::readDefinitions(mdx);
    for (const TagDefinition& t : defs.tags)
        names.push_back(t.name);
    names.insert(names.end(), defs.unreadable.begin(), defs.unreadable.end());
    if (!defs.tagListLegible)
        throw Error(Error::Kind::IndexDamaged,
                    "The index file is damaged: its list of tags cannot be read.", mdx);
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
                           [&](const TagDefinition& t) { return equalNoCase(t.name, tagName); });
    if (it != defs.end())
        *it = {tagName, expression, false};
    else
        defs.push_back({tagName, expression, false});
    d.rewriteIndex(defs);
    d.settleOn(d.cur);
    d.notifyReset();
}

void Table::gatherIndexTag(const std::string& tagName, const std::string& expression) {
    Impl& d = *d_;
    d.requireWritable();
    if (d.mode != OpenMode::Exclusive)
        throw Error(Error::Kind::State,
                    "Keys can only be gathered while the table is open for exclusive use.", d.path);
    d.browseMode();
    d.flushAppends();
    d.gathering.reset();
    auto g = std::make_unique<Impl::Gathering>();
    g->tag = {tagName, expression, false};
    g->builder = std::make_unique<IndexBuilder>(d.header.fields, std::vector<TagDefinition>{g->tag},
                                                directoryOf(d.path), IndexBuilder::kDefaultBudget,
                                                d.codePage);
    // The records there now, read once in record order.
    struct Release {
        MappedRecords& m;
        ~Release() { m.release(); }
    } release{d.mapped};
    for (std::uint32_t r = 1; r <= d.header.recordCount; ++r) {
        const std::uint8_t* p = d.mapped.inOrder(r);
        g->builder->add(p != nullptr ? p : d.cache.record(r), r);
    }
    g->fed = d.header.recordCount;
    d.gathering = std::move(g);
}

void Table::deleteIndexTag(const std::string& tagName) {
    ExclusiveUse use(*this, d_->applyTagOnOpen);
    Impl& d = *d_;
    d.requireWritable();
    d.browseMode();
    std::vector<TagDefinition> defs = d.currentTagDefinitions();
    const auto kept = std::remove_if(defs.begin(), defs.end(), [&](const TagDefinition& t) {
        return equalNoCase(t.name, tagName);
    });
    if (kept == defs.end())
        return;  // no such tag: nothing changes
    defs.erase(kept, defs.end());
    if (equalNoCase(d.tagName, tagName))
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
    // A change still pending after the index refused it is posted once the
    // index is whole again.
    if (!d.editing() || d.indexDamage.empty())
        d.browseMode();
    std::string lost;
    d.regenerate(false, &lost);
    if (!lost.empty())
        throw Error(Error::Kind::IndexDamaged, lost, d.indexPath());
    d.browseMode();
    d.settleOn(d.cur);
    d.notifyReset();
}

void Table::pack() {
    d_->pack();
}

}  // namespace dbase
