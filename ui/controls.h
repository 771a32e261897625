// The controls of a window, in the order a window walks them, and the kind
// of each. Fonts, colours and the design-geometry record all work from this
// one walk so that they agree on what a "component" is.
//
// The walk is depth-first in creation order. It goes into containers (plain
// widgets, panels, group boxes, notebooks and their pages) but not into the
// inner parts of a control (the edit line of a combo box, the viewport and
// headers of a grid), which follow their control.
#pragma once

#include <QList>

class QWidget;

namespace ui {

enum class ControlKind {
    Label,
    ListBox,  // list boxes, directory lists, trees
    CheckBox,
    RadioButton,
    GroupBox,    // group boxes and radio groups
    Grid,        // string grids and table views
    Edit,        // edit boxes, memos, spin and date boxes
    MaskedEdit,  // edit boxes with an input mask
    Combo,
    Button,       // push buttons
    SpeedButton,  // tool buttons
    Panel,        // framed containers
    Bevel,        // lines
    Notebook,     // tab widgets
    Other,
};

ControlKind controlKind(const QWidget* w);

// Every control below `window`, in walk order (the window itself excluded).
QList<QWidget*> controlsOf(QWidget* window);

}  // namespace ui
