// ViewerGrid's class: a table view with eliding titles that can hand an
// open cell editor's value to the model on demand (before a record is posted
// or the window closes), and that asks for the current record to be deleted
// on Ctrl+Delete while its cells can be edited (the main window confirms and
// deletes).
#pragma once

#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionHeader>
#include <QTableView>

#include <algorithm>

namespace app {

// The grid's column titles. A caption wider than its column ends in an
// ellipsis (whatever the title alignment) instead of being cut at both sides
// when it is centred; the style sheet that colours the titles would
// otherwise lose the header's own eliding.
class GridTitles : public QHeaderView {
  public:
    explicit GridTitles(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {}

  protected:
    void initStyleOptionForIndex(QStyleOptionHeader* option, int logicalIndex) const override {
        QHeaderView::initStyleOptionForIndex(option, logicalIndex);
        const int margin = style()->pixelMetric(QStyle::PM_HeaderMargin, option, this);
        const int room = sectionSize(logicalIndex) - 2 * margin - 2;
        option->text =
            option->fontMetrics.elidedText(option->text, Qt::ElideRight, std::max(room, 0));
    }
};

class ViewerGridView : public QTableView {
    Q_OBJECT
  public:
    explicit ViewerGridView(QWidget* parent = nullptr) : QTableView(parent) {
        setHorizontalHeader(new GridTitles(this));
    }

    // Writes the value of an open cell editor to the model and closes it.
    void commitOpenEditor() {
        if (state() != EditingState)
            return;
        if (QWidget* editor = indexWidget(currentIndex())) {
            commitData(editor);
            closeEditor(editor, QAbstractItemDelegate::NoHint);
        }
    }

    // Lays the rows out now (not at the next event) and shows the current
    // cell whole: a row just inserted lies below the rows laid out so far.
    void showCurrentNow() {
        doItemsLayout();
        scrollTo(currentIndex());
    }
    // Puts the horizontal scroll back after a reload, which resets it.
    void restoreHorizontalScroll(int value) {
        doItemsLayout();
        horizontalScrollBar()->setValue(value);
    }

  signals:
    void deleteRequested();

  protected:
    // Ctrl+Home and Ctrl+End go to the first and the last record and keep
    // the column the user is in.
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override {
        const QModelIndex current = currentIndex();
        if ((action == MoveHome || action == MoveEnd) && (modifiers & Qt::ControlModifier) &&
            current.isValid() && model()->rowCount() > 0) {
            const int row = action == MoveHome ? 0 : model()->rowCount() - 1;
            return model()->index(row, current.column());
        }
        return QTableView::moveCursor(action, modifiers);
    }
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::ControlModifier &&
            editTriggers() != NoEditTriggers && state() != EditingState) {
            emit deleteRequested();
            return;
        }
        QTableView::keyPressEvent(event);
    }
};

}  // namespace app
