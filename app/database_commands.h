// The main window's commands on collection files: open, new, the last-files
// menu, switching the open collection, the start-up choice of collection,
// the conversion of the earlier versions' files, and the two maintenance
// commands pack and rebuild.
//
// Every function works on the main window's open collection and shows its
// messages through the message module. Whatever happens, the open
// collection (MyTable) is open shared again when a command returns, unless
// the engine refused to open it at all (then its error has been shown).
#pragma once

#include <QString>

#include <array>

#include "data/open_collection.h"

class QWidget;
namespace app {

class TMain;

// Registers the commands with the main window (New, Open, LastFile,
// SortOrder, Pack, Rebuild).
void registerHandlers(TMain& main);

enum class OpenResult { Cancelled, Refused, Switched };

// "&Open Database": the open dialog, the ".DBF" test (any letter case), the
// layout check, and the switch (the sort tag is rebuilt unless another
// program holds the file).
OpenResult DoOpen(TMain& main);

// "&New Database": the save dialog, the ".DBF" test, MakeNewDB and the
// switch (the sort tag always rebuilt).
void DoNew(TMain& main);

// Last-files item k (1 to 5): the layout check and the switch, no extension
// test; refreshes the count.
void OpenSaveFile(TMain& main, const QString& path);

// True when the file has the book layout; otherwise tells the user (the
// layout message, or the engine's error for a file that cannot be read).
bool CheckDBaseFormat(QWidget* owner, TMain& main, const QString& path);

// Switches the open collection to `path` (books::OpenCollection::switchTo):
// ends a search first; on success records the path as the last database,
// reapplies the viewer settings and updates the last-files list. A file that
// cannot be opened is reported once and the previous collection stays open
// and recorded. True on success.
bool switchTo(TMain& main, const QString& path, books::SortTagRule rule);

// Shows the last-files entries of the settings in the File menu.
void SetMenuLastFiles(TMain& main);

// Start-up: opens `path` when it has the book layout, selecting the sort tag
// (adding it when the index lacks it). Otherwise tells the user and repeats
// the open dialog until a valid collection is open. False when the user
// cancelled that dialog: there is nothing to show and the program ends.
bool openAtStartup(TMain& main, const QString& path);

// Start-up: offers to convert "B2LOG.DBF" and "BLOG.DBF" of the program
// directory into the open collection.
void CheckForConversion(TMain& main);

// "&Pack Database" and "&Rebuild Indexes".
void MenuPackClick(TMain& main);
void MenuRebuildClick(TMain& main);

// The sort order chosen in the sort-order dialog.
enum class SortResult { Applied, InUse, Failed };
// Closes MyTable; refuses with InUse (nothing changed, the table reopened)
// when another program holds the file; otherwise, with the table open
// exclusive, sets the four levels, rebuilds the sort expression and the tag
// and saves the settings. On any failure the previous levels are put back
// (and the expression rebuilt from them) and Failed is returned. The table
// is open shared afterwards in every case; what made it fail goes to
// `failure` (the engine's text, or why the settings could not be saved).
// Shows no message but the engine's error when even reopening fails.
SortResult applySortOrder(TMain& main, const std::array<int, 4>& levels,
                          QString* failure = nullptr);

}  // namespace app
