#include "app/grid_delegate.h"

#include <QComboBox>
#include <QLineEdit>

namespace app {

GridDelegate::GridDelegate(QObject* parent) : QStyledItemDelegate(parent) {}

void GridDelegate::setListBox(int fieldNumber, QComboBox* box) {
    if (fieldNumber >= 1 && fieldNumber <= 36)
        boxes_[static_cast<size_t>(fieldNumber - 1)] = box;
}

QComboBox* GridDelegate::listBox(int fieldNumber) const {
    if (fieldNumber < 1 || fieldNumber > 36)
        return nullptr;
    return boxes_[static_cast<size_t>(fieldNumber - 1)];
}

QWidget* GridDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                    const QModelIndex& index) const {
    const QComboBox* source = listBox(index.column() + 1);
    if (!source)
        return QStyledItemDelegate::createEditor(parent, option, index);
    auto* box = new QComboBox(parent);
    box->setObjectName(source->objectName() + QStringLiteral("Editor"));
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setFont(source->font());
    for (int i = 0; i < source->count(); ++i)
        box->addItem(source->itemText(i));
    return box;
}

void GridDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    if (auto* box = qobject_cast<QComboBox*>(editor)) {
        box->setEditText(index.data(Qt::EditRole).toString());
        return;
    }
    QStyledItemDelegate::setEditorData(editor, index);
}

void GridDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                const QModelIndex& index) const {
    if (auto* box = qobject_cast<QComboBox*>(editor)) {
        model->setData(index, box->currentText(), Qt::EditRole);
        return;
    }
    QStyledItemDelegate::setModelData(editor, model, index);
}

}  // namespace app
