// GridModel: the viewer grid's model over the open collection.
//
// One row per visible record of the table, in the table's current order and
// through its record filter; one column per book field, column c being field
// number c + 1 (the view arranges and hides columns). Rows are read from the
// engine by position only when the view asks for them, through a small row
// cache, so a table of any size costs the rows on screen.
//
// While the table is in Insert state one extra row at the end shows the edit
// buffer. "CheckOut" is a check box (CheckStateRole, "Yes"/"No"); other
// fields are text, dates in the program's short date form.
//
// Editing (setData) is allowed only while field editing is on. A cell edited
// while the table browses is written at once: the record is made current,
// edited, set and posted. While the table is already in Edit or Insert state
// (the navigator started it) the value goes to the edit buffer of the
// current record and waits for post. A value the engine refuses leaves the
// record as it was and is reported through editFailed().
//
// The model observes the table (dbase::TableObserver): whatever closes,
// reopens, refreshes or re-filters the table resets the model.
//
// A large table without a filter is not counted before its first screen:
// until the count, taken when the event loop runs again after the first rows
// were read for the screen (or after a short wait when no view reads any),
// the model has as many rows as the order has records (deleted ones
// included), and then loses the rows at the end that the count does not
// reach, and says countSettled(). The rows shown are the right records all
// along.
#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QStringList>
#include <QTimer>
#include <array>
#include <functional>
#include <optional>

#include "data/open_collection.h"
#include "dbase/table.h"
#include "fields/book_fields.h"
#include "settings/settings.h"

namespace books {

class GridModel : public QAbstractTableModel, public dbase::TableObserver {
    Q_OBJECT
  public:
    // `table` and `settings` (whose formats dates are shown and read in, and
    // whose captions name the fields in messages) are not owned and must
    // outlive the model.
    GridModel(dbase::Table* table, const settings::Settings& settings, QObject* parent = nullptr);
    ~GridModel() override;

    static constexpr int kCheckOutColumn = 16;  // field 17

    dbase::Table* table() const { return table_; }

    void setFieldEditing(bool on);
    bool fieldEditing() const { return editing_; }
    // Column captions by field number - 1 (36 strings).
    void setCaptions(const QStringList& captions);
    // 1 left, 2 centre, 3 right.
    void setTitleAlignment(int code);
    // The row marked in the indicator column (the current record), -1 none.
    void setIndicatorRow(int row);
    int indicatorRow() const { return indicator_; }
    // The row holding the pending new record while inserting, else -1.
    int insertRow() const;

    // Tables of this many records on are counted after the first screen
    // (OpenCollection::kCountLaterFrom unless changed).
    void setCountLaterFrom(std::uint32_t records) { countLaterFrom_ = records; }
    // Takes the count now if it was put off (the event loop does it too).
    void settleCount();
    bool countPutOff() const { return count_ && countEstimated_; }

    // Drops every cached row and count and tells the views (the table was
    // changed in a way the engine does not announce, such as a state change).
    void reload();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation o, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    // dbase::TableObserver
    void tableReset() override;
    void recordChanged(std::uint32_t recNo) override;

  signals:
    void editFailed(const QString& message);
    // A count put off for the first screen was taken.
    void countSettled();
    void recordPosted();

  private:
    struct Row {
        std::uint32_t recNo = 0;
        std::array<QString, fields::kFieldCount> values;
    };
    const Row* row(int r) const;
    void mapFields() const;
    QString fieldText(int fieldNumber, const std::string& raw) const;
    bool writeValue(int fieldNumber, const QVariant& value, QString* error);

    dbase::Table* table_;
    const settings::Settings& settings_;
    bool editing_ = false;
    int alignment_ = 2;
    int indicator_ = -1;
    QStringList captions_;

    mutable std::optional<int> count_;
    mutable bool countEstimated_ = false;  // count_ is the order's size, not yet the count
    QTimer* settleTimer_;
    mutable bool settleArmed_ = false;  // the next timeout takes the count
    mutable bool screenRead_ = false;   // a view read rows since the count was put off
    std::uint32_t countLaterFrom_;
    mutable std::array<int, fields::kFieldCount> fieldIndex_{};
    mutable bool fieldsMapped_ = false;
    mutable QHash<int, Row> cache_;
};

}  // namespace books
