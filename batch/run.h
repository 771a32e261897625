// The command line's work without a window, from its parsed options to the
// exit status: what failed is said on standard error.
#pragma once

#include "batch/command_line.h"

namespace batch {

// Runs the report, export or import `parsed` asks for and returns the exit
// status (0 done, 1 failed). The report needs fonts and the PDF printer,
// hence an application of the graphical kind, but never a display: the run
// makes its own on the offscreen platform whatever the environment says.
int runWithoutWindow(int argc, char** argv, const CommandLine& parsed);

}  // namespace batch
