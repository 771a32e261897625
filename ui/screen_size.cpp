#include "ui/screen_size.h"

#include "data/run_state.h"
#include "settings/settings.h"
#include "ui/messages.h"

#include <QGuiApplication>
#include <QScreen>

namespace ui {

double presetFactor(int preset) {
    switch (preset) {
        case 640:
            return 1.0;
        case 800:
            return 1.25;
        case 1024:
            return 1.6;
        case 1280:
            return 2.0;
        default:
            return 0.0;
    }
}

QSize presetScreen(int preset) {
    switch (preset) {
        case 800:
            return {800, 600};
        case 1024:
            return {1024, 768};
        case 1280:
            return {1280, 1024};
        default:
            return {0, 0};
    }
}

bool screenAllows(int preset, const QSize& screen) {
    if (presetFactor(preset) == 0.0)
        return false;
    const QSize need = presetScreen(preset);
    return screen.width() >= need.width() && screen.height() >= need.height();
}

QString presetRefusal(int preset) {
    if (preset != 800 && preset != 1024 && preset != 1280)
        return {};
    const QSize need = presetScreen(preset);
    return QStringLiteral("Your current screen resolution does not support %1 x %2 pixels.")
        .arg(need.width())
        .arg(need.height());
}

QSize measuredScreen() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().size() : QSize(640, 480);
}

int choosePresetAtStartup(books::RunState& run, const settings::Settings& settings,
                          const QSize& screen) {
    const int stored = settings.windowSize;
    run.screenPreset = screenAllows(stored, screen) ? stored : 640;
    return run.screenPreset;
}

bool choosePreset(QWidget* parent, int preset, books::RunState& run, settings::Settings& settings,
                  const QSize& screen) {
    int& current = run.screenPreset;
    if (preset == current || presetFactor(preset) == 0.0)
        return false;
    if (!screenAllows(preset, screen)) {
        showError(parent, presetRefusal(preset));
        return false;
    }
    current = preset;
    settings.windowSize = preset;
    return true;
}

}  // namespace ui
