#include "ui/form_geometry.h"

#include "ui/controls.h"
#include "ui/keyboard.h"
#include "ui/main_window_link.h"
#include "ui/messages.h"
#include "ui/screen_size.h"
#include "ui/user_fonts.h"

#include <QGuiApplication>
#include <QLayout>
#include <QPointer>
#include <QScreen>
#include <QScrollArea>
#include <QTabWidget>
#include <QWidget>
#include <QWindow>

#include <cmath>
#include <memory>

namespace ui {

namespace {

DimensionRecord::Slot slotOf(QWidget* w, const QRect& geometry) {
    DimensionRecord::Slot slot;
    slot.control = w;
    slot.geometry = geometry;
    const QFont& f = w->font();
    slot.fontInPixels = f.pointSizeF() <= 0;
    slot.fontSize = slot.fontInPixels ? f.pixelSize() : f.pointSizeF();
    return slot;
}

void restoreFont(QWidget* w, const DimensionRecord::Slot& slot) {
    if (slot.fontSize <= 0)
        return;
    QFont f = w->font();
    if (slot.fontInPixels) {
        f.setPixelSize(static_cast<int>(slot.fontSize));
    } else {
        f.setPointSizeF(slot.fontSize);
    }
    w->setFont(f);
}

// Kept on the form as a child object so it lives and dies with the form.
class DesignGeometry : public QObject {
  public:
    explicit DesignGeometry(QWidget* form) : QObject(form) {
        setObjectName(QStringLiteral("tkDesignGeometry"));
    }
    DimensionRecord record;
};

DesignGeometry* designOf(QWidget* form) {
    return form->findChild<DesignGeometry*>(QStringLiteral("tkDesignGeometry"),
                                            Qt::FindDirectChildrenOnly);
}

// A fixed-size widget (minimum equal to maximum) would refuse a new size.
void setSize(QWidget* w, const QSize& size) {
    if (w->minimumSize() == w->maximumSize()) {
        w->setFixedSize(size);
    } else {
        w->resize(size);
    }
}

bool layoutHolds(const QLayout* layout, const QWidget* w) {
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem* item = layout->itemAt(i);
        if (item->widget() == w)
            return true;
        if (item->layout() && layoutHolds(item->layout(), w))
            return true;
    }
    return false;
}

// A control placed by a layout, or by the container it is a part of (a
// notebook's tab bar and page stack, a scroll area's viewport and the widget
// it scrolls), gets its geometry from there; only its font is recorded,
// restored and scaled. Placing such a part by hand would leave it where it
// was put until the container happened to lay itself out again.
bool placedByContainer(const QWidget* w) {
    const QWidget* parent = w->parentWidget();
    if (!parent)
        return false;
    if (parent->layout() && layoutHolds(parent->layout(), w))
        return true;
    if (qobject_cast<const QTabWidget*>(parent) || qobject_cast<const QAbstractScrollArea*>(parent))
        return true;
    const QWidget* grandparent = parent->parentWidget();
    const auto* area = qobject_cast<const QAbstractScrollArea*>(grandparent);
    return area && area->viewport() == parent;
}

void place(QWidget* w, const QRect& geometry) {
    if (placedByContainer(w))
        return;
    w->move(geometry.topLeft());
    setSize(w, geometry.size());
}

// The size a form has on the screen before any scaling: what it was given,
// or for a form laid out by a layout and never sized, what the layout asks.
QSize designSize(const QWidget* form) {
    if (form->layout() && !form->testAttribute(Qt::WA_Resized) && !form->isVisible()) {
        return form->sizeHint().expandedTo(form->minimumSizeHint());
    }
    return form->size();
}

int scaled(int value, int percent) {
    return static_cast<int>(std::lround(static_cast<double>(value) * percent / 100.0));
}

}  // namespace

void DimensionRecord::record(QWidget* form, bool limit) {
    clientSize_ = designSize(form);
    form_ = slotOf(form, form->geometry());
    slots_.clear();
    const QList<QWidget*> controls = controlsOf(form);
    for (qsizetype i = 0; i < controls.size(); ++i) {
        if (limit && i == kSlots) {
            showError(form, QStringLiteral("Too many compenents to save dimensions."));
            break;
        }
        slots_.append(slotOf(controls[i], controls[i]->geometry()));
    }
}

void DimensionRecord::restore(QWidget* form) const {
    // Fonts first: a form arranged by a layout keeps the minimum size its
    // scaled fonts asked for until the layout runs again, and that minimum
    // would hold the form above its design size.
    restoreFont(form, form_);
    for (const Slot& slot : slots_) {
        if (slot.control)
            restoreFont(slot.control, slot);
    }
    if (form->layout())
        form->layout()->activate();
    if (clientSize_.isValid())
        setSize(form, clientSize_);
    for (const Slot& slot : slots_) {
        if (slot.control)
            place(slot.control, slot.geometry);
    }
}

void recordDesignGeometry(QWidget* form) {
    DesignGeometry* design = designOf(form);
    if (!design)
        design = new DesignGeometry(form);
    design->record.record(form, true);
}

void scaleForm(QWidget* form, int percent) {
    if (percent == 100)
        return;
    // Take every size before changing any, since a parent's font change
    // reaches the children that inherit it.
    struct Before {
        QPointer<QWidget> widget;
        QRect geometry;
        QFont font;
    };
    std::vector<Before> before;
    before.push_back({form, form->geometry(), form->font()});
    for (QWidget* w : controlsOf(form))
        before.push_back({w, w->geometry(), w->font()});

    for (const Before& b : before) {
        if (!b.widget)
            continue;
        QFont f = b.font;
        if (f.pointSizeF() > 0) {
            f.setPointSizeF(f.pointSizeF() * percent / 100.0);
        } else if (f.pixelSize() > 0) {
            f.setPixelSize(std::max(1, scaled(f.pixelSize(), percent)));
        }
        b.widget->setFont(f);
        const QRect g = b.geometry;
        if (b.widget == form) {
            setSize(form, {scaled(g.width(), percent), scaled(g.height(), percent)});
        } else {
            // Edges, not sizes, are scaled: controls that touch keep touching
            // and never overlap by a rounded pixel.
            const QPoint topLeft(scaled(g.x(), percent), scaled(g.y(), percent));
            const QPoint bottomRight(scaled(g.x() + g.width(), percent),
                                     scaled(g.y() + g.height(), percent));
            place(b.widget, QRect(topLeft, QSize(bottomRight.x() - topLeft.x(),
                                                 bottomRight.y() - topLeft.y())));
        }
    }
}

void centreForm(QWidget* form) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    // Integer division rounds toward zero, as the placement rule wants.
    const int left = (area.width() - form->width()) / 2;
    const int top = (area.height() - form->height()) / 2;
    form->move(area.x() + left, area.y() + top);
    keepOnScreen(form);
}

QRect availableArea() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 640, 480);
}

QMargins windowFrame(const QWidget* window) {
    const auto frameOf = [](const QWidget* w) {
        const QWindow* handle = w ? w->windowHandle() : nullptr;
        return handle ? handle->frameMargins() : QMargins();
    };
    QMargins frame = frameOf(window);
    if (frame.isNull() && window->parentWidget())
        frame = frameOf(window->parentWidget()->window());
    return frame;
}

int fittingPercent(const QWidget* form, int percent) {
    const QRect area = availableArea();
    const QMargins frame = windowFrame(form);
    const int roomWidth = area.width() - frame.left() - frame.right();
    const int roomHeight = area.height() - frame.top() - frame.bottom();
    if (form->width() > 0)
        percent = std::min(percent, roomWidth * 100 / form->width());
    if (form->height() > 0)
        percent = std::min(percent, roomHeight * 100 / form->height());
    return std::max(percent, 10);
}

void keepOnScreen(QWidget* window) {
    const QRect area = availableArea();
    const QMargins frame = windowFrame(window);
    // A window's position is that of its frame.
    const int outerWidth = window->width() + frame.left() + frame.right();
    const int outerHeight = window->height() + frame.top() + frame.bottom();
    const int x = std::max(area.left(), std::min(window->x(), area.right() + 1 - outerWidth));
    const int y = std::max(area.top(), std::min(window->y(), area.bottom() + 1 - outerHeight));
    if (x != window->x() || y != window->y())
        window->move(x, y);
}

void fitOnScreen(QWidget* window) {
    const QRect area = availableArea();
    const QMargins frame = windowFrame(window);
    const QSize room(area.width() - frame.left() - frame.right(),
                     area.height() - frame.top() - frame.bottom());
    if (window->width() > room.width() || window->height() > room.height())
        window->resize(window->size().boundedTo(room).expandedTo(window->minimumSize()));
    keepOnScreen(window);
}

double prepareForm(QWidget* form, const settings::Settings& settings, double factor) {
    installKeyboardRules();
    applyUserFonts(form, settings);
    DesignGeometry* design = designOf(form);
    if (!design) {
        design = new DesignGeometry(form);
        design->record.record(form, false);
    } else {
        design->record.restore(form);
    }
    const int percent = fittingPercent(form, static_cast<int>(std::lround(factor * 100.0)));
    scaleForm(form, percent);
    centreForm(form);
    return percent / 100.0;
}

double prepareForm(QWidget* form, MainWindowLink& main) {
    return prepareForm(form, main.settings(), main.scaleFactor());
}

}  // namespace ui
