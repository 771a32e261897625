// The program's command line, read before any window exists so that --help
// and --version answer without a display.
//
// Options are the program's own ("/BROWSE" in any letter case, "--browse",
// "--help", "--version", and the work done without a window: "--report NAME
// --output FILE", "--export FILE", "--import FILE", each with an optional
// "--collection PATH") and the toolkit's standard ones ("-platform NAME",
// "-style NAME", ...), which pass through to the application object. An
// option's value may follow it or be joined to it by "=". Any other argument
// that begins with "-" is an unknown option; other words are ignored, as they
// always were.
#pragma once

#include <string>
#include <vector>

namespace batch {

enum class CommandLineAction {
    Run,       // start the program
    Help,      // print usageText() on standard output and end
    Version,   // print versionText() on standard output and end
    BadUsage,  // print the error and usageText() on standard error and end
    Report,    // print one report to a file, without a window
    Export,    // export the books to a file, without a window
    Import,    // import the books of a file, without a window
};

struct CommandLine {
    CommandLineAction action = CommandLineAction::Run;
    std::string error;       // for BadUsage: what was wrong, in one line
    std::string report;      // Report: the report's name
    std::string output;      // Report: the file to write
    std::string file;        // Export, Import: the file written or read
    std::string collection;  // Report, Export, Import: empty for the last one
};

// `arguments` excludes the program name. The first of --help and --version
// met decides; an unknown option is reported even after them, and so is a
// work option that lacks its partner or meets another.
CommandLine parseCommandLine(const std::vector<std::string>& arguments);

// The usage text: every option the program has, one a line.
std::string usageText();

// "Tomekeep Books 95 <version>".
std::string versionText();

}  // namespace batch
