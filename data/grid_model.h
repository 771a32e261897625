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
#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QStringList>
#include <array>
#include <functional>
#include <optional>

#include "dbase/table.h"
#include "fields/book_fields.h"

namespace books {

class GridModel : public QAbstractTableModel, public dbase::TableObserver {
    Q_OBJECT
  public:
    // `table` is not owned and must outlive the model.
    explicit GridModel(dbase::Table* table, QObject* parent = nullptr);
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
    bool editing_ = false;
    int alignment_ = 2;
    int indicator_ = -1;
    QStringList captions_;

    mutable std::optional<int> count_;
    mutable std::array<int, fields::kFieldCount> fieldIndex_{};
    mutable bool fieldsMapped_ = false;
    mutable QHash<int, Row> cache_;
};

}  // namespace books
