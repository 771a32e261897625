// Scaling and centring of dialogs, and the design-geometry record that keeps
// scaling from accumulating.
//
// Every dialog calls prepareForm() from its show event: it puts the
// program's keyboard rules in force (ui/keyboard.h), takes the user fonts
// of the settings given, goes back to its design geometry, scales by the
// run's screen-size factor and centres itself on the primary screen. The
// design geometry is
// recorded the first time (or explicitly, with recordDesignGeometry(), by
// the three forms that live for the whole run), so showing a form again, or
// after another preset was chosen, scales from the design and never from an
// already scaled form.
#pragma once

#include <QList>
#include <QMargins>
#include <QPointer>
#include <QRect>
#include <QSize>

class QWidget;

namespace settings {
struct Settings;
}

namespace ui {

class MainWindowLink;

// The dimension record of a form: its client size, then one slot per
// control in walk order (at most 121), each with left, top, width, height
// and the font size. The form's own font size is kept too, so that nothing
// that inherits it grows from one showing to the next.
//
// A slot belongs to its control, not to a place in the walk: the walk's
// order changes while the form lives (a notebook raises the page it shows),
// and a slot restored by position would put one control where another was.
// Controls their container places itself (a notebook's tab bar and page
// stack, a scroll area's viewport, whatever a layout holds) keep only their
// font: the container lays them out again when it is resized or shown.
class DimensionRecord {
  public:
    static constexpr int kSlots = 121;

    struct Slot {
        QPointer<QWidget> control;
        QRect geometry;
        double fontSize = 0;  // points, or pixels when fontInPixels
        bool fontInPixels = false;
    };

    // Records `form`. With `limit`, stops after 121 controls and reports
    // "Too many compenents to save dimensions." (caption "Error") once;
    // without it records every control.
    void record(QWidget* form, bool limit = true);
    // Puts the recorded client size, geometries and font sizes back; controls
    // past the recorded ones, or made after the recording, are left alone.
    void restore(QWidget* form) const;

    bool isEmpty() const { return clientSize_.isEmpty() && slots_.isEmpty(); }

  private:
    QSize clientSize_;
    Slot form_;  // the form's own font
    QList<Slot> slots_;
};

// Records the design geometry of a long-lived form (call once, when it is
// created); prepareForm() restores from it on every showing.
void recordDesignGeometry(QWidget* form);

// Scales `form` and all its controls (positions, sizes, font sizes) by
// `percent` per cent; a control's edges are scaled and rounded, so controls
// that touch keep touching.
void scaleForm(QWidget* form, int percent);

// Centres `form` on the primary screen: left = (screen width - form width)
// div 2, and the same for the top; then keeps it on the screen's available
// area (clear of the desktop's panels), frame included.
void centreForm(QWidget* form);

// The primary screen's area for windows (without the desktop's panels).
QRect availableArea();
// The margins the window system draws around `window` (title bar, border):
// its own once shown, else those of the window it belongs to, else none.
QMargins windowFrame(const QWidget* window);
// The largest per cent, at most `percent`, by which `form` as it is now can
// be scaled and still fit the available area with its frame.
int fittingPercent(const QWidget* form, int percent);
// Moves `window` so that it lies on the available area with its frame, as
// far as it fits.
void keepOnScreen(QWidget* window);
// Shrinks a window the user sizes (never below its minimum size) to the
// available area and keeps it on it.
void fitOnScreen(QWidget* window);

// What every dialog does when shown: the user fonts of `settings`, design
// geometry back, scale by `factor` (rounded to whole per cent) or as far as
// the screen's available area allows, centre. Returns the factor the form
// was scaled by, for what the form sizes or draws itself.
double prepareForm(QWidget* form, const settings::Settings& settings, double factor);
// The same with the settings and the scale factor of the run `main` gives.
double prepareForm(QWidget* form, MainWindowLink& main);

}  // namespace ui
