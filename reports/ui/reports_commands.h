// The main window's Reports and Print commands: the report list.
#pragma once

namespace ui {
class MainWindowLink;
}

namespace reportsui {

// Makes the report list (a window of the main window, kept for the run)
// and registers it as the handler of the Reports command.
void registerHandlers(ui::MainWindowLink& main);

}  // namespace reportsui
