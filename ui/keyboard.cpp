#include "ui/keyboard.h"

#include <QApplication>
#include <QButtonGroup>
#include <QFocusEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPointer>
#include <QRadioButton>
#include <QTableView>

namespace ui {

namespace {

bool isCommandKey(const QKeyEvent* key) {
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return true;
    return key->key() >= Qt::Key_F1 && key->key() <= Qt::Key_F35;
}

// The grid whose cell (or cell editor) `w` is, when Tab moves between its
// cells.
QTableView* tabbingGridOf(QWidget* w) {
    for (QWidget* inner = w; inner; inner = inner->parentWidget()) {
        auto* grid = qobject_cast<QTableView*>(inner);
        if (!grid)
            continue;
        const bool cellOrEditor = inner == w || grid->viewport()->isAncestorOf(w);
        return cellOrEditor && grid->tabKeyNavigation() ? grid : nullptr;
    }
    return nullptr;
}

// Whether Tab (`forward`) or Shift+Tab from the current cell would go round
// the grid: no shown, enabled cell after (before) it in reading order.
bool atGridEdge(const QTableView* grid, bool forward) {
    const QModelIndex current = grid->currentIndex();
    if (!current.isValid())
        return true;
    const QAbstractItemModel* model = grid->model();
    const QHeaderView* columns = grid->horizontalHeader();
    const QHeaderView* rows = grid->verticalHeader();
    const int step = forward ? 1 : -1;
    for (int c = columns->visualIndex(current.column()) + step; c >= 0 && c < columns->count();
         c += step) {
        const int column = columns->logicalIndex(c);
        if (!columns->isSectionHidden(column) &&
            (model->flags(model->index(current.row(), column, current.parent())) &
             Qt::ItemIsEnabled))
            return false;
    }
    // Rows hold enabled cells: the grids of the program disable none.
    for (int r = rows->visualIndex(current.row()) + step; r >= 0 && r < rows->count(); r += step)
        if (!rows->isSectionHidden(rows->logicalIndex(r)))
            return false;
    return true;
}

// The focus to the control after (before) `grid` in the window's Tab order.
// An open cell editor loses the focus, which commits and closes it.
void leaveGrid(QTableView* grid, bool forward) {
    QWidget* window = grid->window();
    QWidget* w = grid;
    for (;;) {
        w = forward ? w->nextInFocusChain() : w->previousInFocusChain();
        if (w == grid)
            return;  // nothing else takes the focus
        if (!grid->isAncestorOf(w) && w->window() == window && !w->focusProxy() &&
            (w->focusPolicy() & Qt::TabFocus) && w->isVisible() && w->isEnabled())
            break;
    }
    w->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
}

// The checked button of the exclusive group `radio` belongs to, when it is
// another one.
QRadioButton* checkedPartner(const QRadioButton* radio) {
    if (radio->isChecked())
        return nullptr;
    QList<QAbstractButton*> group;
    if (const QButtonGroup* buttons = radio->group(); buttons && buttons->exclusive())
        group = buttons->buttons();
    else if (radio->autoExclusive() && radio->parentWidget())
        for (QRadioButton* r :
             radio->parentWidget()->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly))
            if (r->autoExclusive() && !r->group())
                group << r;
    for (QAbstractButton* b : group)
        if (b != radio && b->isChecked() && b->isVisible() && b->isEnabled())
            return qobject_cast<QRadioButton*>(b);
    return nullptr;
}

class KeyboardRules final : public QObject {
  public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!watched->isWidgetType())
            return false;
        if (event->type() == QEvent::ShortcutOverride)
            // Left unaccepted, the override lets the shortcut map try the
            // window's shortcuts before the control takes the key.
            return isCommandKey(static_cast<QKeyEvent*>(event));
        if (event->type() == QEvent::KeyPress)
            return tabOutOfGrid(static_cast<QWidget*>(watched), static_cast<QKeyEvent*>(event));
        if (event->type() == QEvent::FocusIn)
            toCheckedRadio(watched, static_cast<QFocusEvent*>(event)->reason());
        return false;
    }

  private:
    // Tab into a group of radio buttons stops at the one that is checked
    // (the toolkit stops at the group's first), so Space there changes
    // nothing and the arrows move from the choice in force.
    static void toCheckedRadio(QObject* watched, Qt::FocusReason reason) {
        auto* radio = qobject_cast<QRadioButton*>(watched);
        if (!radio || (reason != Qt::TabFocusReason && reason != Qt::BacktabFocusReason))
            return;
        if (QRadioButton* checked = checkedPartner(radio))
            QMetaObject::invokeMethod(
                checked, [checked, reason] { checked->setFocus(reason); }, Qt::QueuedConnection);
    }

    static bool tabOutOfGrid(QWidget* w, const QKeyEvent* key) {
        const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
        const bool forward = key->key() == Qt::Key_Tab && mods == Qt::NoModifier;
        const bool backward = key->key() == Qt::Key_Backtab ||
                              (key->key() == Qt::Key_Tab && mods == Qt::ShiftModifier);
        if (!forward && !backward)
            return false;
        QTableView* grid = tabbingGridOf(w);
        if (!grid || !atGridEdge(grid, forward))
            return false;
        leaveGrid(grid, forward);
        return true;
    }
};

}  // namespace

void chainTabOrder(std::initializer_list<QWidget*> controls) {
    QWidget* previous = nullptr;
    for (QWidget* w : controls) {
        if (previous)
            QWidget::setTabOrder(previous, w);
        previous = w;
    }
}

void installKeyboardRules() {
    static QPointer<KeyboardRules> installed;
    QCoreApplication* app = QCoreApplication::instance();
    if (installed || !app)
        return;
    installed = new KeyboardRules(app);
    app->installEventFilter(installed);
}

}  // namespace ui
