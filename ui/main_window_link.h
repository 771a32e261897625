// MainWindowLink: all that a subsystem's window may ask of the main window.
//
// The windows of the edit form, search, reports, import and export, backup,
// the list editor and the others include this header, never the main
// window's own. They reach the open collection and the pick lists through it,
// tell the main window what to refresh, start and end a search, and register
// the handler of the command that opens them. Messages and dialogs go
// through ui/messages.h (owned by dialogParent()), the wait cursor through
// ui/wait_cursor.h. The process state a window reads or changes (the
// settings, with the formats in force, and the run state, with the screen
// preset of the run) comes from here too, never from a global, so a test
// hands a window its own values.
#pragma once

#include <functional>
#include <map>

class QPrinter;
class QWidget;

namespace dbase {
class Table;
}
namespace books {
class OpenCollection;
class PickLists;
struct RunState;
}  // namespace books
namespace settings {
struct Settings;
}

namespace ui {

// The commands whose windows other subsystems build. The int argument of a
// handler is the list number (ListMaintenance), the entry number (LastFile)
// or the edit mode 1 add, 2 edit, 3 copy (EditRecord, which the main
// window's Add, Edit and Copy run after setting the run's edit mode); 0
// otherwise.
enum class Command {
    New,
    Open,
    Import,
    Export,
    Search,
    Find,
    FindNext,
    Viewer,
    SortOrder,
    Backup,
    Restore,
    SearchReplace,
    Tips,
    Pack,
    Rebuild,
    LastFile,
    ListMaintenance,
    EditRecord,
    Reports,
};

class MainWindowLink;
using CommandHandler = std::function<void(MainWindowLink& main, int argument)>;

class MainWindowLink {
  public:
    virtual ~MainWindowLink() = default;

    // The owner of the messages and dialogs a subsystem shows.
    virtual QWidget* dialogParent() = 0;
    virtual books::OpenCollection& collection() = 0;
    virtual books::PickLists& pickLists() = 0;
    // The settings of the run (what the settings file keeps, and the formats
    // in force) and the run state (folders, search, browse and edit state,
    // the screen preset). The main window owns both for the run.
    virtual settings::Settings& settings() = 0;
    virtual books::RunState& runState() = 0;
    // The factor of the run's screen preset (1.0, 1.25, 1.6 or 2.0) by which
    // a dialog is scaled when shown.
    double scaleFactor();
    // The printer chosen in "Printer Setup" (printer, paper, orientation),
    // kept for the run; reports print on it. Null where there is none (a
    // stand-in main window that does not override it).
    virtual QPrinter* printer() { return nullptr; }

    // Writes what is typed in the grid and posts a pending record; false
    // (the engine's message shown, the record still open) when refused.
    virtual bool postPending() = 0;
    // Refreshes the count of books shown.
    virtual void refreshCount() = 0;
    // Applies the viewer settings again (columns, fonts, colours, editing).
    virtual void reapplyViewerOptions() = 0;
    // Reads the pick lists again and refills the lists the main window shows.
    virtual void reloadPickLists() = 0;
    // Refills the lists the main window shows (the grid's drop-down editors)
    // from pickLists() as they are in memory; no file is read.
    virtual void refreshPickLists() = 0;
    // Reads the report definitions file again into the report list (after
    // the file was replaced by a restore).
    virtual void reloadReportList() {}

    // The search state: beginning one installs `test` as the record filter
    // (replacing any other) and switches End Search on; it returns whether
    // any record passes, found by reading no further than the first that
    // does. When none passes the filter is off again on return and the
    // caller ends the search (reopening the collection). Ending one removes
    // the filter and reopens the collection in full. activeSearch() is the
    // test in force, empty when no search is active: a run that ends the
    // search for its duration begins it again with the same test.
    virtual bool beginSearch(std::function<bool(const dbase::Table&)> test) = 0;
    virtual void endSearch() = 0;
    virtual bool searchActive() const = 0;
    virtual std::function<bool(const dbase::Table&)> activeSearch() const = 0;
    virtual bool browseMode() const = 0;

    // Registers (or, with an empty handler, removes) the handler of a command.
    virtual void setHandler(Command command, CommandHandler handler) = 0;
};

// The handlers of one main window.
class CommandHandlers {
  public:
    void set(Command command, CommandHandler handler) {
        if (handler)
            handlers_[command] = std::move(handler);
        else
            handlers_.erase(command);
    }
    void clear() { handlers_.clear(); }
    const CommandHandler* find(Command command) const {
        const auto it = handlers_.find(command);
        return it == handlers_.end() ? nullptr : &it->second;
    }

  private:
    std::map<Command, CommandHandler> handlers_;
};

}  // namespace ui
