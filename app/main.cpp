#include <QApplication>
#include <QIcon>
#include <cstdio>
#include <string>
#include <vector>

#include <unistd.h>

#include "app/batch.h"
#include "app/command_line.h"
#include "app/display_check.h"
#include "app/program.h"

namespace {

// The work without a window. The report needs fonts and the PDF printer,
// hence an application of the graphical kind, but never a display: it runs
// on the offscreen platform whatever the environment says.
int runWithoutWindow(int argc, char** argv, const app::CommandLine& parsed) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("Tomekeep Books 95"));
    const QString collection = QString::fromLocal8Bit(parsed.collection.c_str());
    const bool terminal = isatty(fileno(stderr)) != 0;
    app::BatchResult result;
    switch (parsed.action) {
        case app::CommandLineAction::Report:
            result = app::batchReport(collection, QString::fromLocal8Bit(parsed.report.c_str()),
                                      QString::fromLocal8Bit(parsed.output.c_str()));
            break;
        case app::CommandLineAction::Export:
        case app::CommandLineAction::Import: {
            const bool exporting = parsed.action == app::CommandLineAction::Export;
            app::ProgressLine line(
                stderr, terminal, exporting ? QStringLiteral("Exported") : QStringLiteral("Added"));
            const auto progress = [&](std::uint64_t done, std::uint64_t total) {
                line.update(done, total);
            };
            const QString file = QString::fromLocal8Bit(parsed.file.c_str());
            result = exporting ? app::batchExport(collection, file, progress)
                               : app::batchImport(collection, file, progress);
            line.finish();
            break;
        }
        default:
            break;
    }
    if (result.ok)
        return 0;
    std::fprintf(stderr, "tomekeep: %s\n", result.message.toLocal8Bit().constData());
    return 1;
}

}  // namespace

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
        case app::CommandLineAction::Report:
        case app::CommandLineAction::Export:
        case app::CommandLineAction::Import:
            return runWithoutWindow(argc, argv, parsed);
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
