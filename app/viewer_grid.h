// ViewerGrid's class: a table view that can hand an open cell editor's value
// to the model on demand (before a record is posted or the window closes).
#pragma once

#include <QTableView>

namespace mainwin {

class ViewerGridView : public QTableView {
    Q_OBJECT
public:
    using QTableView::QTableView;

    // Writes the value of an open cell editor to the model and closes it.
    void commitOpenEditor() {
        if (state() != EditingState) return;
        if (QWidget* editor = indexWidget(currentIndex())) {
            commitData(editor);
            closeEditor(editor, QAbstractItemDelegate::NoHint);
        }
    }
};

}  // namespace mainwin
