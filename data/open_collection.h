// OpenCollection: the collection the program has open, without any window.
//
// It owns the table object of the open collection and a second one for
// inspecting other files, knows the collection's path, its name (the file
// name cut before its first ".", shown in the window caption), its index
// file, the sort expression and the tag "NewIndex" that keeps it, and carries
// out every change of the open file: opening with the sort tag, switching to
// another file, creating a new one, packing, rebuilding the indexes and
// changing the sort order. It also holds the record filter a search installs
// and the pending record (insert, edit, post, cancel, delete).
//
// Contract: every operation leaves the table open shared when it returns,
// unless the file could not be opened at all. A file that cannot be switched
// to leaves the previous collection open, at the path and in the order it
// had, and the engine's error propagates (dbase::Error, with its kind).
//
// Windows observe it: switched() when another file became the open
// collection (caption, last files), recordsChanged() whenever the records or
// the state of the current record may have changed (count, grid).
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>
#include <string>

#include "data/sort_expression.h"
#include "dbase/table.h"

namespace books {

// Whether a switch rebuilds the sort tag: always (a new, empty collection)
// or unless another program holds the file (its index is left alone then).
enum class SortTagRule { Always, UnlessHeld };

class OpenCollection : public QObject {
    Q_OBJECT
  public:
    explicit OpenCollection(QObject* parent = nullptr);
    ~OpenCollection() override;

    dbase::Table& table() { return *table_; }
    const dbase::Table& table() const { return *table_; }
    // A table object for inspecting other files (layout checks, the in-use
    // test, conversion); left closed by whoever uses it.
    dbase::Table& checkTable() { return *check_; }

    bool isOpen() const { return table_->isOpen(); }
    // The full path of the table file; empty before the first open.
    QString path() const { return path_; }
    // The table name: the file name cut before its first ".".
    QString name() const { return name_; }
    // Directory + table name + ".MDX".
    QString indexPath() const { return indexPath_; }

    // The sort levels (field numbers, 0 for none) and the index expression
    // built from them. Setting them changes no file.
    void setSortLevels(const SortLevels& levels);
    const SortLevels& sortLevels() const { return levels_; }
    QString sortExpression() const { return QString::fromStdString(expression_); }

    // Start-up: makes `path` the open collection and opens it shared with the
    // sort tag, reusing the tag when the index holds it and adding it when
    // the index lacks it; when the tag cannot be added the file opens in
    // record order. Throws dbase::Error when the file cannot be opened at
    // all (nothing is open then).
    void openWithSortTag(const QString& path);

    // Makes `path` the open collection: the sort tag is rebuilt as `rule`
    // says, then the file opens shared. When the file cannot be opened the
    // previous collection is open again as it was and the error propagates;
    // switched() is sent only on success. A sort tag that cannot be rebuilt
    // does not stop the switch (the file opens in record order): its error
    // is returned in `tagProblem` when given.
    void switchTo(const QString& path, SortTagRule rule, std::string* tagProblem = nullptr);

    // Creates an empty collection at `path`, replacing a file of that name
    // unless another program holds it (InUse, nothing changed), and switches
    // to it with the sort tag rebuilt. Engine refusals propagate; the
    // previous collection stays open then.
    enum class CreateResult { Created, InUse };
    CreateResult createNew(const QString& path);

    // Opens the table shared again; when the selected tag is not in the file
    // (a collection held by another program keeps the selection it had),
    // opens it in record order instead. Throws dbase::Error.
    void reopenShared();

    // Pack and rebuild need exclusive use. On a refusal (another program
    // holds the file) or any other failure the table is open shared again and
    // the error propagates.
    void pack();
    void rebuildIndexes();

    // The sort order: refuses with InUse (nothing changed) when another
    // program holds the file; otherwise, with the table open exclusive, takes
    // the levels, rebuilds the tag and runs `persist` (which records the
    // levels and may throw a dbase::Error or books::Error). On any failure
    // the previous levels and their tag are put back, the failure's text (of
    // its kind) goes to `failure` when given, and Failed is returned.
    enum class SortResult { Applied, InUse, Failed };
    SortResult applySortOrder(const SortLevels& levels, const std::function<void()>& persist,
                              std::string* failure = nullptr);

    // The record filter a search installs; while none is installed every
    // record passes and browsing costs nothing per record.
    void setRecordFilter(dbase::Table::Filter filter);
    void clearRecordFilter();
    bool hasRecordFilter() const { return table_->hasFilter(); }

    // ---- The pending record --------------------------------------------
    // True while a record is being inserted or edited.
    bool hasPendingRecord() const;
    // Writes the pending record, if any. Throws dbase::Error with the record
    // still pending when the engine refuses it.
    void post();
    // Drops the pending record, if any.
    void cancel();
    // A blank new record (a pending one is posted first).
    void insert();
    // The current record into the edit buffer, when the table browses and
    // is not empty.
    void edit();
    // Marks the current record deleted (a pending change is dropped first).
    void deleteCurrent();
    // The number of visible records; 0 when closed or unreadable.
    std::uint32_t count() const;
    // Whether count() reads a large table before it can answer (a window
    // shows its first screen first, then counts).
    bool countWaits() const;
    // From this many records on, a count not yet known waits for the first
    // screen.
    static constexpr std::uint32_t kCountLaterFrom = 100000;

  signals:
    void switched();
    void recordsChanged();
    // What the engine worked around when an operation opened the
    // collection's file (a header counting records the file does not hold,
    // an index rebuilt after a program stopped changing it, an index left
    // aside), sent once at the end of the operation, each text once.
    void openWarnings(const QStringList& texts);

  private:
    void point(const QString& path);
    void rebuildSortTag();
    void openShared();
    void tellOpenWarnings();

    std::unique_ptr<dbase::Table> table_, check_;
    QString path_, name_, indexPath_;
    SortLevels levels_{};
    std::string expression_;
};

}  // namespace books
