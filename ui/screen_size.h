// Screen-size presets: 640 (factor 1.0), 800 (1.25), 1024 (1.6) and 1280
// (2.0). A preset is usable when the measured (primary) screen is at least
// 800 by 600, 1024 by 768 or 1280 by 1024 respectively; 640 always is. The
// preset in force is the run state's (books::RunState::screenPreset); its
// factor scales every dialog the next time it is shown; the main window
// itself is not scaled.
#pragma once

#include <QSize>
#include <QString>

class QWidget;

namespace books {
struct RunState;
}
namespace settings {
struct Settings;
}

namespace ui {

inline constexpr int kPresets[4] = {640, 800, 1024, 1280};

// 1.0, 1.25, 1.6 or 2.0; 0 for a value that is not a preset.
double presetFactor(int preset);
// The smallest screen on which `preset` can be used.
QSize presetScreen(int preset);
bool screenAllows(int preset, const QSize& screen);
// "Your current screen resolution does not support 800 x 600 pixels." and
// the like; empty for 640 and non-presets.
QString presetRefusal(int preset);

// The size of the primary screen.
QSize measuredScreen();

// Start-up: the stored preset of `settings` ("Window Size") becomes the
// preset of the run `run` when the screen allows it, otherwise 640 for this
// run while the stored value is kept. Returns the preset whose item to tick.
int choosePresetAtStartup(books::RunState& run, const settings::Settings& settings,
                          const QSize& screen = measuredScreen());

// A "Screen Si&ze" item: nothing when `preset` is already the run's;
// refused with its message (caption "Error") when the screen is too small;
// otherwise it becomes the run's and is stored in `settings`. Returns true
// when the run's preset changed (re-tick the items from run.screenPreset).
bool choosePreset(QWidget* parent, int preset, books::RunState& run, settings::Settings& settings,
                  const QSize& screen = measuredScreen());

}  // namespace ui
