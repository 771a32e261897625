// The main window's commands of the edit subsystem: Add, Edit and Copy (the
// edit form in the run's edit mode) and List Maintenance.
#pragma once

namespace ui {
class MainWindowLink;
}

namespace editui {

// Creates the edit form (a window of the main window, kept for the whole
// run) and registers the handlers of EditRecord and ListMaintenance.
void registerHandlers(ui::MainWindowLink& main);

// The list maintenance dialog for list `listNumber` (1 to 9; any other
// number does nothing).
void runListMaintenance(ui::MainWindowLink& main, int listNumber);

}  // namespace editui
