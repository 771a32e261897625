#include "ui/controls.h"

#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTextEdit>
#include <QToolButton>
#include <QTreeView>

namespace ui {

namespace {

bool isContainer(const QWidget* w) {
    switch (controlKind(w)) {
        case ControlKind::Panel:
        case ControlKind::GroupBox:
        case ControlKind::Notebook:
            return true;
        case ControlKind::Other:
            // Plain widgets (and a tab widget's page stack) hold controls; the
            // scroll bars and viewports of scrolled controls do not.
            if (qobject_cast<const QTabBar*>(w))
                return false;
            return qobject_cast<const QAbstractScrollArea*>(w) == nullptr ||
                   qobject_cast<const QScrollArea*>(w) != nullptr;
        default:
            return false;
    }
}

void walk(QWidget* parent, QList<QWidget*>& out) {
    for (QObject* child : parent->children()) {
        auto* w = qobject_cast<QWidget*>(child);
        if (!w || w->isWindow())
            continue;
        out.append(w);
        if (isContainer(w))
            walk(w, out);
    }
}

}  // namespace

ControlKind controlKind(const QWidget* w) {
    if (qobject_cast<const QLabel*>(w))
        return ControlKind::Label;
    if (qobject_cast<const QCheckBox*>(w))
        return ControlKind::CheckBox;
    if (qobject_cast<const QRadioButton*>(w))
        return ControlKind::RadioButton;
    if (qobject_cast<const QPushButton*>(w))
        return ControlKind::Button;
    if (qobject_cast<const QToolButton*>(w))
        return ControlKind::SpeedButton;
    if (qobject_cast<const QGroupBox*>(w))
        return ControlKind::GroupBox;
    if (qobject_cast<const QTableView*>(w))
        return ControlKind::Grid;
    if (qobject_cast<const QListView*>(w) || qobject_cast<const QTreeView*>(w))
        return ControlKind::ListBox;
    if (const auto* line = qobject_cast<const QLineEdit*>(w)) {
        return line->inputMask().isEmpty() ? ControlKind::Edit : ControlKind::MaskedEdit;
    }
    if (qobject_cast<const QTextEdit*>(w) || qobject_cast<const QPlainTextEdit*>(w) ||
        qobject_cast<const QAbstractSpinBox*>(w)) {
        return ControlKind::Edit;
    }
    if (qobject_cast<const QComboBox*>(w))
        return ControlKind::Combo;
    if (qobject_cast<const QTabWidget*>(w))
        return ControlKind::Notebook;
    if (const auto* frame = qobject_cast<const QFrame*>(w)) {
        if (qobject_cast<const QAbstractScrollArea*>(w))
            return ControlKind::Other;
        const auto shape = frame->frameShape();
        if (shape == QFrame::HLine || shape == QFrame::VLine)
            return ControlKind::Bevel;
        if (shape != QFrame::NoFrame || w->metaObject() == &QFrame::staticMetaObject)
            return ControlKind::Panel;
    }
    return ControlKind::Other;
}

QList<QWidget*> controlsOf(QWidget* window) {
    QList<QWidget*> out;
    if (window)
        walk(window, out);
    return out;
}

}  // namespace ui
