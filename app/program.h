// Program start: the application title, the main window with the long-lived
// forms of its subsystems (the edit form, the query form and the report
// list belong to it and are reached through their commands), then the event
// loop until the main window closes.
#pragma once

#include <QStringList>
#include <memory>

namespace app {

class TMain;

// The main window of a run, which owns the other forms.
struct ProgramForms {
    // How start-up ended (TMain::StartResult); the forms exist either way.
    int started = 0;
    bool ready() const { return started == 0; }
    std::unique_ptr<TMain> main;
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

}  // namespace app
