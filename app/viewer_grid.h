// ViewerGrid's class: a table view that can hand an open cell editor's value
// to the model on demand (before a record is posted or the window closes),
// and that asks for the current record to be deleted on Ctrl+Delete while
// its cells can be edited (the main window confirms and deletes).
#pragma once

#include <QKeyEvent>
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

signals:
    void deleteRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::ControlModifier &&
            editTriggers() != NoEditTriggers && state() != EditingState) {
            emit deleteRequested();
            return;
        }
        QTableView::keyPressEvent(event);
    }
};

}  // namespace mainwin
