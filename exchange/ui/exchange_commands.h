// The main window's Export and Import commands.
#pragma once

namespace ui {
class MainWindowLink;
}

namespace exchangeui {

// Registers the handlers of Export and Import with the main window.
void registerHandlers(ui::MainWindowLink& main);

// What the commands do: the export form, or the import format form (which
// opens the mapping form), modally; the count is refreshed afterwards.
void runExport(ui::MainWindowLink& main);
void runImport(ui::MainWindowLink& main);

}  // namespace exchangeui
