#include <QApplication>
#include <QIcon>
#include <cstdio>
#include <string>
#include <vector>

#include "app/display_check.h"
#include "app/program.h"
#include "batch/command_line.h"
#include "batch/run.h"

int main(int argc, char** argv) {
    // --help, --version and a mistyped option answer before any display is needed.
    const batch::CommandLine parsed =
        batch::parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    switch (parsed.action) {
        case batch::CommandLineAction::Help:
            std::fputs(batch::usageText().c_str(), stdout);
            return 0;
        case batch::CommandLineAction::Version:
            std::fputs(batch::versionText().c_str(), stdout);
            return 0;
        case batch::CommandLineAction::BadUsage:
            std::fprintf(stderr, "tomekeep: %s\n\n%s", parsed.error.c_str(),
                         batch::usageText().c_str());
            return 2;
        case batch::CommandLineAction::Report:
        case batch::CommandLineAction::Export:
        case batch::CommandLineAction::Import:
            return batch::runWithoutWindow(argc, argv, parsed);
        case batch::CommandLineAction::Run:
            break;
    }

    // Without a display the toolkit would abort with a long diagnostic.
    const std::string problem = app::displayProblem(app::displayEnvironment());
    if (!problem.empty()) {
        std::fprintf(stderr, "%s\n", problem.c_str());
        return 1;
    }
    QApplication application(argc, argv);
    // The installed desktop entry and icon carry the program's application id,
    // so the desktop matches the running windows to its menu entry.
    QGuiApplication::setDesktopFileName(QStringLiteral(TK_APP_ID));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral(TK_APP_ID)));
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    return app::runProgram(arguments);
}
