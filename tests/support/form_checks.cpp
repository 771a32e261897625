#include "tests/support/form_checks.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScreen>
#include <QStackedWidget>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>
#include <QWidget>
#include <QWindow>

#include <cmath>
#include <optional>

namespace testsupport {

namespace {

QString rectText(const QRect& r) {
    return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

// A widget's name in its parent: its objectName, or its class with its
// place among the unnamed siblings of that class (a page of a notebook by
// its page number, which does not change when the notebook raises a page).
QString nameIn(const QWidget* w) {
    if (!w->objectName().isEmpty())
        return w->objectName();
    const QString cls = QString::fromLatin1(w->metaObject()->className());
    if (const auto* stack = qobject_cast<const QStackedWidget*>(w->parentWidget()))
        return cls + QStringLiteral("[page %1]").arg(stack->indexOf(const_cast<QWidget*>(w)));
    int place = 0;
    if (const QObject* parent = w->parent()) {
        for (const QObject* sibling : parent->children()) {
            if (sibling == w)
                break;
            if (sibling->metaObject() == w->metaObject() && sibling->objectName().isEmpty())
                ++place;
        }
    }
    return cls + QStringLiteral("#%1").arg(place);
}

void collect(QWidget* parent, const QString& path, FormShape& out) {
    for (QObject* child : parent->children()) {
        auto* w = qobject_cast<QWidget*>(child);
        if (!w || w->isWindow())
            continue;
        if (!w->isVisibleTo(parent->window()))
            continue;
        const QString name = path + QLatin1Char('/') + nameIn(w);
        const QFont& f = w->font();
        out.insert(name, {w->geometry(), w->isVisibleTo(parent->window()),
                          f.pointSizeF() > 0 ? f.pointSizeF() : f.pixelSize()});
        // A scrolled view's scroll bars come and go with what it holds.
        if (!qobject_cast<QAbstractScrollArea*>(w))
            collect(w, name, out);
    }
}

// Parts a control lays out inside itself; they are its business.
bool isInnerPart(const QWidget* w) {
    const QWidget* parent = w->parentWidget();
    if (!parent)
        return false;
    return qobject_cast<const QAbstractScrollArea*>(parent) ||
           qobject_cast<const QComboBox*>(parent) || qobject_cast<const QTabBar*>(parent) ||
           qobject_cast<const QTabWidget*>(parent) ||
           qobject_cast<const QAbstractSpinBox*>(parent) || qobject_cast<const QLineEdit*>(parent);
}

bool isFramedGroup(const QWidget* w) {
    if (qobject_cast<const QGroupBox*>(w))
        return true;
    const auto* frame = qobject_cast<const QFrame*>(w);
    return frame && !qobject_cast<const QLabel*>(w) &&
           !qobject_cast<const QAbstractScrollArea*>(w) && frame->frameShape() != QFrame::NoFrame &&
           frame->frameShape() != QFrame::HLine && frame->frameShape() != QFrame::VLine;
}

bool isLine(const QWidget* w) {
    const auto* frame = qobject_cast<const QFrame*>(w);
    return frame && (frame->frameShape() == QFrame::HLine || frame->frameShape() == QFrame::VLine);
}

QList<QWidget*> shownChildren(QWidget* container) {
    QList<QWidget*> out;
    for (QObject* child : container->children()) {
        auto* w = qobject_cast<QWidget*>(child);
        if (w && !w->isWindow() && w->isVisibleTo(container) && !isInnerPart(w))
            out << w;
    }
    return out;
}

bool isContainer(const QWidget* w) {
    if (qobject_cast<const QGroupBox*>(w) || qobject_cast<const QStackedWidget*>(w) ||
        qobject_cast<const QTabWidget*>(w))
        return true;
    if (qobject_cast<const QAbstractScrollArea*>(w) || qobject_cast<const QAbstractButton*>(w) ||
        qobject_cast<const QLabel*>(w) || qobject_cast<const QComboBox*>(w) ||
        qobject_cast<const QLineEdit*>(w) || qobject_cast<const QTabBar*>(w) ||
        qobject_cast<const QMenuBar*>(w))
        return false;
    return !w->children().isEmpty();
}

double luminance(const QColor& c) {
    const auto channel = [](double v) {
        v /= 255.0;
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    const QColor rgb = c.toRgb();
    return 0.2126 * channel(rgb.red()) + 0.7152 * channel(rgb.green()) +
           0.0722 * channel(rgb.blue());
}

// The colour behind a control that does not fill itself: the nearest
// ancestor's (or its own) that does, else the window's.
QColor backgroundBehind(const QWidget* w, QPalette::ColorGroup group) {
    for (const QWidget* a = w; a; a = a->parentWidget()) {
        if (a->autoFillBackground() || a->isWindow())
            return a->palette().color(group, a->backgroundRole());
    }
    return w->palette().color(group, QPalette::Window);
}

struct Pair {
    QColor text;
    QColor back;
};

// What a control's text is drawn in, and on, as the program's style draws it.
std::optional<Pair> textColours(const QWidget* w) {
    const QPalette& p = w->palette();
    const QPalette::ColorGroup g = w->isEnabled() ? QPalette::Active : QPalette::Disabled;
    if (const auto* label = qobject_cast<const QLabel*>(w)) {
        if (label->text().trimmed().isEmpty())
            return std::nullopt;
        return Pair{p.color(g, label->foregroundRole()), backgroundBehind(w, g)};
    }
    if (qobject_cast<const QCheckBox*>(w) || qobject_cast<const QRadioButton*>(w) ||
        qobject_cast<const QGroupBox*>(w))
        return Pair{p.color(g, QPalette::WindowText), backgroundBehind(w, g)};
    if (const auto* tool = qobject_cast<const QToolButton*>(w)) {
        if (tool->text().isEmpty() || tool->toolButtonStyle() == Qt::ToolButtonIconOnly)
            return std::nullopt;
        return Pair{p.color(g, QPalette::ButtonText),
                    tool->autoRaise() ? backgroundBehind(w, g) : p.color(g, QPalette::Button)};
    }
    if (const auto* button = qobject_cast<const QAbstractButton*>(w)) {
        if (button->text().isEmpty())
            return std::nullopt;
        return Pair{p.color(g, QPalette::ButtonText), p.color(g, QPalette::Button)};
    }
    if (qobject_cast<const QHeaderView*>(w))
        return Pair{p.color(g, QPalette::ButtonText), p.color(g, QPalette::Button)};
    if (qobject_cast<const QLineEdit*>(w) || qobject_cast<const QAbstractScrollArea*>(w))
        return Pair{p.color(g, QPalette::Text), p.color(g, QPalette::Base)};
    if (const auto* combo = qobject_cast<const QComboBox*>(w)) {
        if (combo->isEditable())
            return Pair{p.color(g, QPalette::Text), p.color(g, QPalette::Base)};
        return Pair{p.color(g, QPalette::ButtonText), p.color(g, QPalette::Button)};
    }
    if (qobject_cast<const QMenuBar*>(w))
        return Pair{p.color(g, QPalette::ButtonText), p.color(g, QPalette::Window)};
    if (qobject_cast<const QTabBar*>(w))  // tabs are filled with the button colour
        return Pair{p.color(g, QPalette::WindowText), p.color(g, QPalette::Button)};
    return std::nullopt;
}

QString pathOf(const QWidget* w, const QWidget* window) {
    QStringList parts;
    for (const QWidget* a = w; a && a != window; a = a->parentWidget())
        parts.prepend(nameIn(a));
    return parts.join(QLatin1Char('/'));
}

}  // namespace

FormShape shapeOf(QWidget* window) {
    FormShape out;
    const QFont& f = window->font();
    out.insert(QStringLiteral("."), {QRect(QPoint(), window->size()), window->isVisible(),
                                     f.pointSizeF() > 0 ? f.pointSizeF() : f.pixelSize()});
    collect(window, QString(), out);
    return out;
}

QStringList shapeDifferences(const FormShape& before, const FormShape& after) {
    QStringList out;
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        const auto other = after.constFind(it.key());
        if (other == after.cend()) {
            out << it.key() + QStringLiteral(": gone");
            continue;
        }
        const ControlShape& a = it.value();
        const ControlShape& b = other.value();
        if (a == b)
            continue;
        out << QStringLiteral("%1: %2%3 %4pt -> %5%6 %7pt")
                   .arg(it.key(), rectText(a.geometry),
                        a.visible ? QString() : QStringLiteral(" hidden"))
                   .arg(a.fontSize)
                   .arg(rectText(b.geometry), b.visible ? QString() : QStringLiteral(" hidden"))
                   .arg(b.fontSize);
    }
    for (auto it = after.cbegin(); it != after.cend(); ++it) {
        if (!before.contains(it.key()))
            out << it.key() + QStringLiteral(": new");
    }
    return out;
}

QStringList layoutFaults(QWidget* container) {
    QStringList out;
    const QList<QWidget*> shown = shownChildren(container);
    const QRect inside = container->rect();
    for (QWidget* w : shown) {
        const QString name = pathOf(w, container->window());
        if (w->width() <= 0 || w->height() <= 0)
            out << name + QStringLiteral(": no size (") + rectText(w->geometry()) + u')';
        else if (!inside.contains(w->geometry()) && !qobject_cast<const QMenuBar*>(w))
            out << name + QStringLiteral(": outside its container (") + rectText(w->geometry()) +
                       QStringLiteral(" in ") + rectText(inside) + u')';
    }
    for (qsizetype i = 0; i < shown.size(); ++i) {
        for (qsizetype j = i + 1; j < shown.size(); ++j) {
            QWidget* a = shown[i];
            QWidget* b = shown[j];
            const QRect overlap = a->geometry().intersected(b->geometry());
            if (overlap.isEmpty() || isLine(a) || isLine(b))
                continue;
            // A group drawn around controls that are its siblings.
            if ((isFramedGroup(a) && a->geometry().contains(b->geometry())) ||
                (isFramedGroup(b) && b->geometry().contains(a->geometry())))
                continue;
            out << QStringLiteral("%1 (%2) overlaps %3 (%4)")
                       .arg(pathOf(a, container->window()), rectText(a->geometry()),
                            pathOf(b, container->window()), rectText(b->geometry()));
        }
    }
    return out;
}

QStringList layoutFaultsOfShown(QWidget* window) {
    QStringList out = layoutFaults(window);
    QList<QWidget*> todo = shownChildren(window);
    while (!todo.isEmpty()) {
        QWidget* w = todo.takeFirst();
        if (!isContainer(w))
            continue;
        if (!qobject_cast<QTabWidget*>(w) && !qobject_cast<QStackedWidget*>(w))
            out << layoutFaults(w);
        if (auto* tabs = qobject_cast<QTabWidget*>(w)) {
            if (QWidget* page = tabs->currentWidget()) {
                out << layoutFaults(page);
                todo << shownChildren(page);
            }
            continue;
        }
        if (auto* stack = qobject_cast<QStackedWidget*>(w)) {
            if (QWidget* page = stack->currentWidget())
                todo << page;
            continue;
        }
        todo << shownChildren(w);
    }
    return out;
}

QStringList cutTabs(QWidget* window) {
    QStringList out;
    for (QTabBar* bar : window->findChildren<QTabBar*>()) {
        if (!bar->isVisibleTo(window))
            continue;
        const QString name = pathOf(bar, window);
        for (QToolButton* arrow : bar->findChildren<QToolButton*>()) {
            if (arrow->isVisibleTo(bar))
                out << name + QStringLiteral(": scroll arrows shown");
        }
        if (!bar->parentWidget()->rect().contains(bar->geometry()))
            out << name + QStringLiteral(": bar outside its notebook (") +
                       rectText(bar->geometry()) + u')';
        for (int i = 0; i < bar->count(); ++i) {
            const QRect tab = bar->tabRect(i);
            QString text = bar->tabText(i);
            text.remove(QRegularExpression(QStringLiteral("&(?!&)")));
            const int wanted = bar->fontMetrics().horizontalAdvance(text) + 8;
            if (!bar->rect().contains(tab) || tab.width() < wanted)
                out << QStringLiteral("%1: tab \"%2\" cut (%3, wants %4 wide, bar %5)")
                           .arg(name, bar->tabText(i), rectText(tab))
                           .arg(wanted)
                           .arg(rectText(bar->rect()));
        }
    }
    return out;
}

QStringList cutTexts(QWidget* window) {
    QStringList out;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window) || w->window() != window)
            continue;
        QString text;
        int room = w->width();
        if (auto* label = qobject_cast<QLabel*>(w)) {
            if (label->wordWrap() || label->textFormat() == Qt::RichText ||
                Qt::mightBeRichText(label->text()) || label->text().contains(QLatin1Char('\n')))
                continue;
            text = label->text();
            room = label->contentsRect().width() - 2 * label->margin() - label->indent();
        } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            if (qobject_cast<QToolButton*>(w))
                continue;
            text = button->text();
            // What the style needs besides the text: the box or circle of a
            // check or radio button, the frame of a push button.
            QString without = text;
            button->setText(QString());
            const int frame = button->sizeHint().width();
            button->setText(without);
            room -= qobject_cast<QPushButton*>(w) ? std::min(frame, 16) : frame;
        } else {
            continue;
        }
        text.remove(QRegularExpression(QStringLiteral("&(?!&)")));
        if (text.trimmed().isEmpty())
            continue;
        const int needed = w->fontMetrics().horizontalAdvance(text);
        if (needed > room)
            out << QStringLiteral("%1: \"%2\" needs %3 pixels, has %4")
                       .arg(pathOf(w, window), text)
                       .arg(needed)
                       .arg(room);
    }
    return out;
}

QStringList offScreen(QWidget* window) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return {QStringLiteral("no screen")};
    const QRect area = screen->availableGeometry();
    const QRect frame = window->frameGeometry();
    if (area.contains(frame))
        return {};
    return {QStringLiteral("%1 at %2 does not fit the screen's %3")
                .arg(window->objectName(), rectText(frame), rectText(area))};
}

double contrastRatio(const QColor& a, const QColor& b) {
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QStringList poorContrast(QWidget* window, double minimum,
                         const std::function<bool(const QWidget*)>& which) {
    QStringList out;
    QList<QWidget*> all{window};
    all << window->findChildren<QWidget*>();
    for (QWidget* w : all) {
        if (w->isWindow() && w != window)
            continue;
        if ((!w->isVisibleTo(window) && w != window) || !w->isEnabled() || (which && !which(w)))
            continue;
        const std::optional<Pair> pair = textColours(w);
        if (!pair)
            continue;
        const double ratio = contrastRatio(pair->text, pair->back);
        if (ratio < minimum)
            out << QStringLiteral("%1: %2 on %3 (%4)")
                       .arg(pathOf(w, window), pair->text.name(), pair->back.name())
                       .arg(ratio, 0, 'f', 2);
    }
    return out;
}

}  // namespace testsupport
