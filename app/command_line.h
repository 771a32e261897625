// The program's command line, read before any window exists so that --help
// and --version answer without a display.
//
// Options are the program's own ("/BROWSE" in any letter case, "--browse",
// "--help", "--version") and the toolkit's standard ones ("-platform NAME",
// "-style NAME", ...), which pass through to the application object. Any
// other argument that begins with "-" is an unknown option; other words are
// ignored, as they always were.
#pragma once

#include <string>
#include <vector>

namespace app {

enum class CommandLineAction {
    Run,       // start the program
    Help,      // print usageText() on standard output and end
    Version,   // print versionText() on standard output and end
    BadUsage,  // print the error and usageText() on standard error and end
};

struct CommandLine {
    CommandLineAction action = CommandLineAction::Run;
    std::string error;  // for BadUsage: what was wrong, in one line
};

// `arguments` excludes the program name. The first of --help and --version
// met decides; an unknown option is reported even after them.
CommandLine parseCommandLine(const std::vector<std::string>& arguments);

// The usage text: every option the program has, one a line.
std::string usageText();

// "Tomekeep Books 95 <version>".
std::string versionText();

}  // namespace app
