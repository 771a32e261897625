#include "data/open_collection.h"

#include <QFile>
#include <QFileInfo>
#include <optional>

#include "data/collection.h"
#include "data/database_files.h"
#include "data/error_text.h"

namespace books {

namespace {

const std::string kTag = kSortTagName;

bool isPending(const dbase::Table& t) {
    return t.isOpen() &&
           (t.state() == dbase::TableState::Edit || t.state() == dbase::TableState::Insert);
}

}  // namespace

OpenCollection::OpenCollection(QObject* parent)
    : QObject(parent),
      table_(std::make_unique<dbase::Table>()),
      check_(std::make_unique<dbase::Table>()) {}

OpenCollection::~OpenCollection() = default;

void OpenCollection::setSortLevels(const SortLevels& levels) {
    levels_ = levels;
    expression_ = buildSortString(levels);
}

void OpenCollection::point(const QString& path) {
    const TablePath p = splitTablePath(path);
    table_->close();
    (void)table_->takeOpenWarnings();  // the previous file's were told
    pointTable(*table_, p.fileName);
    path_ = p.fileName;
    name_ = p.tableName;
    indexPath_ = p.indexFile;
}

void OpenCollection::openShared() {
    dbase::Table& t = *table_;
    t.close();
    t.setMode(dbase::OpenMode::Shared);
    t.setReadOnly(false);
    try {
        t.open();
        return;
    } catch (const dbase::Error&) {
        if (t.indexTag().empty())
            throw;
    }
    t.setIndexTag({});
    t.open();
}

void OpenCollection::reopenShared() {
    openShared();
    emit recordsChanged();
    tellOpenWarnings();
}

// The warnings of the opens of the collection's file since they were last
// told. Those of the check table's opens are not the collection's (a layout
// check reads without the index, which the collection then rebuilds): they
// go unsaid.
void OpenCollection::tellOpenWarnings() {
    (void)check_->takeOpenWarnings();
    const std::vector<std::string> texts = table_->takeOpenWarnings();
    if (texts.empty())
        return;
    QStringList list;
    for (const std::string& t : texts)
        list.push_back(QString::fromStdString(t));
    emit openWarnings(list);
}

// The tag built afresh from the sort expression, with the table closed or
// open exclusive. In one step: the new tag replaces the old one in a new
// index file renamed over the old, so a failure or a crash part-way leaves
// the old tag. An empty expression only selects no tag.
void OpenCollection::rebuildSortTag() {
    dbase::Table& t = *table_;
    if (expression_.empty()) {
        // No order: only the selection goes. Dropping the tag would remove
        // the index file (it is the only tag) that other programs may read.
        t.setIndexTag({});
        return;
    }
    t.addIndexTag(kTag, expression_);
    t.setIndexTag(kTag);
}

void OpenCollection::openWithSortTag(const QString& path) {
    point(path);
    dbase::Table& t = *table_;
    t.setMode(dbase::OpenMode::Shared);
    t.setReadOnly(false);
    try {
        if (expression_.empty()) {
            t.setIndexTag({});
        } else {
            if (!t.hasIndexFile())
                t.addIndexTag(kTag, expression_);
            t.setIndexTag(kTag);
        }
        t.open();
    } catch (const dbase::Error&) {
        // An index without the tag (copied in from elsewhere): add it; when
        // even that fails the file opens in record order below.
        bool opened = false;
        if (!expression_.empty()) {
            try {
                t.close();
                t.addIndexTag(kTag, expression_);
                t.setIndexTag(kTag);
                t.open();
                opened = true;
            } catch (const dbase::Error&) {
                opened = false;
            }
        }
        if (!opened) {
            t.setIndexTag({});
            openShared();
        }
    }
    emit switched();
    emit recordsChanged();
    tellOpenWarnings();
}

void OpenCollection::switchTo(const QString& path, SortTagRule rule, std::string* tagProblem) {
    const QString previousPath = path_;
    const std::string previousTag = table_->indexTag();
    point(path);
    std::string problem;
    const bool rebuild = rule == SortTagRule::Always || !dbaseInUse(*check_, path_);
    if (rebuild) {
        try {
            rebuildSortTag();
        } catch (const dbase::Error& e) {
            table_->setIndexTag({});
            problem = e.what();
        }
    }
    try {
        openShared();
    } catch (const dbase::Error& e) {
        // The previous collection stays the open one. When even that cannot be
        // opened again the table is left closed, and the error says both: why
        // the switch failed (its kind) and why the previous one is not open.
        std::optional<Error> both;
        if (!previousPath.isEmpty()) {
            point(previousPath);
            table_->setIndexTag(previousTag);
            try {
                openShared();
            } catch (const dbase::Error& again) {
                table_->close();
                both = Error::followedBy(e, "The previous collection could not be opened again:\n" +
                                                std::string(again.what()));
            }
        }
        emit recordsChanged();
        tellOpenWarnings();
        if (both)
            throw *both;
        throw;
    }
    if (tagProblem)
        *tagProblem = problem;
    emit switched();
    emit recordsChanged();
    tellOpenWarnings();
}

OpenCollection::CreateResult OpenCollection::createNew(const QString& path) {
    const QString full = splitTablePath(path).fileName;
    // The open collection holds its own file: let go of it before testing
    // whether anyone else does, and take it back if nothing is created.
    const bool replacingOpen = full == path_;
    if (replacingOpen)
        table_->close();
    try {
        if (QFileInfo::exists(full) && dbaseInUse(*check_, full)) {
            if (replacingOpen)
                reopenShared();
            return CreateResult::InUse;
        }
        dbase::Table created;
        pointTable(created, full);
        createCollection(full);
        // An index left beside the replaced file describes records that are
        // gone; the new collection starts without one.
        if (created.hasIndexFile())
            QFile::remove(QString::fromStdString(created.indexFileName()));
    } catch (const dbase::Error&) {
        if (replacingOpen)
            reopenShared();
        throw;
    }
    switchTo(full, SortTagRule::Always);
    return CreateResult::Created;
}

namespace {

// Runs `work` on the table opened exclusive, then opens it shared again.
template <typename Work>
void exclusively(dbase::Table& t, Work work) {
    t.close();
    t.setMode(dbase::OpenMode::Exclusive);
    t.open();
    work(t);
    t.close();
    t.setMode(dbase::OpenMode::Shared);
    t.open();
}

}  // namespace

void OpenCollection::pack() {
    try {
        exclusively(*table_, [](dbase::Table& t) { t.pack(); });
    } catch (const dbase::Error&) {
        reopenShared();
        throw;
    }
    emit recordsChanged();
    tellOpenWarnings();
}

void OpenCollection::rebuildIndexes() {
    try {
        exclusively(*table_, [](dbase::Table& t) { t.regenerateIndexes(); });
    } catch (const dbase::Error&) {
        reopenShared();
        throw;
    }
    emit recordsChanged();
    tellOpenWarnings();
}

OpenCollection::SortResult OpenCollection::applySortOrder(const SortLevels& levels,
                                                          const std::function<void()>& persist,
                                                          std::string* failure) {
    dbase::Table& t = *table_;
    t.close();
    if (dbaseInUse(*check_, path_)) {
        reopenShared();
        return SortResult::InUse;
    }
    const SortLevels kept = levels_;
    try {
        t.setMode(dbase::OpenMode::Exclusive);
        t.open();
        setSortLevels(levels);
        rebuildSortTag();
        if (persist)
            persist();
        t.close();
        t.setMode(dbase::OpenMode::Shared);
        t.open();
        emit recordsChanged();
        tellOpenWarnings();
        return SortResult::Applied;
    } catch (const std::exception& e) {
        // An engine or settings failure (of its kind), or anything else
        // `persist` threw: the levels go back either way, and the caller
        // tells the user why.
        setSortLevels(kept);
        if (failure)
            *failure = e.what();
    }
    // The work may have got as far as replacing the tag: build it again from
    // the kept levels, so that the order shown (and found at the next start,
    // which reuses the tag) is the order the settings name. When this fails
    // too the table still opens below, in record order if need be; the
    // caller reports the failure either way.
    try {
        t.close();
        t.setMode(dbase::OpenMode::Exclusive);
        t.open();
        rebuildSortTag();
        t.close();
    } catch (const dbase::Error&) {
        t.close();
    }
    reopenShared();
    return SortResult::Failed;
}

void OpenCollection::setRecordFilter(dbase::Table::Filter filter) {
    table_->setFilter(std::move(filter));
}

void OpenCollection::clearRecordFilter() {
    table_->setFilter({});
}

bool OpenCollection::hasPendingRecord() const {
    return isPending(*table_);
}

void OpenCollection::post() {
    if (!isPending(*table_))
        return;
    table_->post();
    emit recordsChanged();
}

void OpenCollection::cancel() {
    if (!isPending(*table_))
        return;
    table_->cancel();
    emit recordsChanged();
}

void OpenCollection::insert() {
    post();
    table_->append();
    emit recordsChanged();
}

void OpenCollection::edit() {
    if (!table_->isOpen() || table_->state() != dbase::TableState::Browse || table_->isEmpty())
        return;
    table_->edit();
    emit recordsChanged();
}

void OpenCollection::deleteCurrent() {
    if (!table_->isOpen() || table_->isEmpty())
        return;
    if (isPending(*table_))
        table_->cancel();
    table_->deleteRecord();
    emit recordsChanged();
}

std::uint32_t OpenCollection::count() const {
    return table_->isOpen() ? table_->recordCount() : 0;
}

bool OpenCollection::countWaits() const {
    return table_->isOpen() && !table_->recordCountKnown() &&
           table_->physicalRecordCount() >= kCountLaterFrom;
}

}  // namespace books
