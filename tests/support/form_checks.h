// Checks of how a window looks, for the tests that show a window again and
// again: the shape of every control (to compare one showing with another),
// controls that collapsed or sit on top of each other, a notebook whose tabs
// are cut, a window that does not fit the screen, and the contrast of the
// texts a user reads.
//
// Each check returns the faults it found as readable lines (empty when
// none), so a test can print them:
//
//     EXPECT_NO_FAULTS(testsupport::layoutFaults(page));
#pragma once

#include <QColor>
#include <QMap>
#include <QRect>
#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

// Fails the test with the faults listed, one a line, when there are any.
#define EXPECT_NO_FAULTS(faults)                                                        \
    do {                                                                                \
        const QStringList found_ = (faults);                                            \
        EXPECT_TRUE(found_.isEmpty())                                                   \
            << #faults << ":\n  " << found_.join(QStringLiteral("\n  ")).toStdString(); \
    } while (false)

namespace testsupport {

// Where every shown widget of a window is: its path of object names (a
// widget without a name by its class and place) to its geometry in its
// parent and its font's size. Hidden widgets (other pages of a notebook)
// are not part of the look, nor are the inner parts of a scrolled view
// (its scroll bars come and go with what it holds).
struct ControlShape {
    QRect geometry;
    bool visible = false;
    double fontSize = 0;
    bool operator==(const ControlShape&) const = default;
};
using FormShape = QMap<QString, ControlShape>;

FormShape shapeOf(QWidget* window);
// The controls whose shape differs, one line each ("path: before -> after").
QStringList shapeDifferences(const FormShape& before, const FormShape& after);

// The visible controls directly inside `container` that have no size, lie
// (partly) outside it, or overlap a sibling. Labels may touch; a control
// lying wholly inside a framed sibling (a group drawn around it) is not an
// overlap.
QStringList layoutFaults(QWidget* container);
// The same for every visible container of `window` (the window itself, its
// panels, group boxes and notebook pages that are shown).
QStringList layoutFaultsOfShown(QWidget* window);

// Tabs of every shown notebook of `window` that are cut (narrower than they
// ask, outside the bar) or hidden behind scroll arrows.
QStringList cutTabs(QWidget* window);

// Shown controls of `window` whose caption does not fit them: a label (one
// line), a button, a check box or a radio button narrower than its text.
QStringList cutTexts(QWidget* window);

// `window` with its frame does not fit the primary screen's available area.
QStringList offScreen(QWidget* window);

// The contrast ratio of two colours (1 to 21) by their relative luminance.
double contrastRatio(const QColor& a, const QColor& b);
// The controls of `window` that show text to read (labels, buttons, check
// and radio buttons, group titles, edit boxes, combo boxes, tabs, menu bars,
// grids) whose text colour on their background is below `minimum`, each as
// "path: text on background (ratio)"; only those `which` accepts, when
// given. Disabled controls are not measured (their text is meant to fade).
QStringList poorContrast(QWidget* window, double minimum = 4.5,
                         const std::function<bool(const QWidget*)>& which = {});

}  // namespace testsupport
