// The main window's Search, Locate, Locate Next and Search and Replace
// commands.
#pragma once

namespace ui {
class MainWindowLink;
}

namespace findui {

// Creates the query form and the locate component, which live as long as
// the main window, and registers the handlers of the four commands.
void registerHandlers(ui::MainWindowLink& main);

}  // namespace findui
