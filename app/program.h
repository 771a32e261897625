// Program start: the application title, the four long-lived forms created in
// their order (the main window, the edit form, which belongs to the main
// window and is reached through its command, the report list, the query
// form), then the event loop until the main window closes.
#pragma once

#include <QStringList>
#include <memory>

class TMain;
class TMyReport;

// The four forms of a run, in creation order; destroyed in reverse.
struct ProgramForms {
    // How start-up ended (TMain::StartResult); the forms exist either way.
    int started = 0;
    bool ready() const { return started == 0; }
    std::unique_ptr<TMain> main;
    std::unique_ptr<TMyReport> report;
    ProgramForms();
    ~ProgramForms();
    ProgramForms(ProgramForms&&) noexcept;
    ProgramForms& operator=(ProgramForms&&) noexcept;
};

// Sets the title and creates the forms. `arguments` excludes the program name.
ProgramForms createForms(const QStringList& arguments);

// createForms, then, when start-up is ready, show the main window and run
// the event loop. Returns the exit status: 1 when there is no collection to
// show, 0 when the user cancelled choosing one.
int runProgram(const QStringList& arguments);
