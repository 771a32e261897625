// The state of a run that the main window sets and other windows read:
// where the program's files live, the search state, browse mode, what the
// edit form is opened for and the screen preset in force.
#pragma once

#include <QString>

namespace books {

enum class EditMode { Add = 1, Edit = 2, Copy = 3 };

struct RunState {
    QString programDirectory;  // no trailing "/"
    QString startDirectory;    // no trailing "/"
    bool searchActive = false;
    bool browseMode = false;
    EditMode editMode = EditMode::Add;
    // The screen-size preset of the run (640, 800, 1024 or 1280); dialogs
    // are scaled by its factor. 640 until start-up chooses it.
    int screenPreset = 640;
};

// The one instance of the run.
RunState& runState();

// True when the first command-line argument asks for browse mode: "/BROWSE"
// in any letter case (compared on its first 30 characters), or "--browse".
bool isBrowseArgument(const QString& firstArgument);

}  // namespace books
