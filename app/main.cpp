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
    const command_line::Parsed parsed =
        command_line::parse(std::vector<std::string>(argv + 1, argv + argc));
    switch (parsed.action) {
        case command_line::Action::Help:
            std::fputs(command_line::usage().c_str(), stdout);
            return 0;
        case command_line::Action::Version:
            std::fputs(command_line::versionText().c_str(), stdout);
            return 0;
        case command_line::Action::BadUsage:
            std::fprintf(stderr, "tomekeep: %s\n\n%s", parsed.error.c_str(),
                         command_line::usage().c_str());
            return 2;
        case command_line::Action::Run:
            break;
    }

    // Without a display the toolkit would abort with a long diagnostic.
    const std::string problem = display::problem(display::fromProcess());
    if (!problem.empty()) {
        std::fprintf(stderr, "%s\n", problem.c_str());
        return 1;
    }
    QApplication app(argc, argv);
    // The installed desktop entry and icon carry the program's application id,
    // so the desktop matches the running windows to its menu entry.
    QGuiApplication::setDesktopFileName(QStringLiteral(TK_APP_ID));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral(TK_APP_ID)));
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    return runProgram(arguments);
}
