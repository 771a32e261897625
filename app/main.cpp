#include <QApplication>
#include <QIcon>
#include <cstdio>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/display_check.h"
#include "app/program.h"

int main(int argc, char** argv) {
    // --help, --version and a mistyped option answer before any display is needed.
    const app::CommandLine parsed =
        app::parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    switch (parsed.action) {
        case app::CommandLineAction::Help:
            std::fputs(app::usageText().c_str(), stdout);
            return 0;
        case app::CommandLineAction::Version:
            std::fputs(app::versionText().c_str(), stdout);
            return 0;
        case app::CommandLineAction::BadUsage:
            std::fprintf(stderr, "tomekeep: %s\n\n%s", parsed.error.c_str(),
                         app::usageText().c_str());
            return 2;
        case app::CommandLineAction::Run:
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
