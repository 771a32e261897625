// GridDelegate: the cell editors of the viewer grid. The nine list fields
// edit in a drop-down box filled from their pick list (the main window's
// MyCombo... boxes hold the items and the font); other fields edit as text.
#pragma once

#include <QStyledItemDelegate>
#include <array>

class QComboBox;

namespace app {

class GridDelegate : public QStyledItemDelegate {
    Q_OBJECT
  public:
    explicit GridDelegate(QObject* parent = nullptr);

    // The box whose items feed the editor of book field `fieldNumber`.
    void setListBox(int fieldNumber, QComboBox* box);
    QComboBox* listBox(int fieldNumber) const;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;

  private:
    std::array<QComboBox*, 36> boxes_{};
};

}  // namespace app
