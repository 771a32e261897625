#include "ui/main_window_link.h"

#include "data/run_state.h"
#include "ui/screen_size.h"

namespace ui {

double MainWindowLink::scaleFactor() {
    return presetFactor(runState().screenPreset);
}

}  // namespace ui
