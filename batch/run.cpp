#include "batch/run.h"

#include <QGuiApplication>

#include <cstdio>

#include <unistd.h>

#include "batch/batch.h"

namespace batch {

int runWithoutWindow(int argc, char** argv, const CommandLine& parsed) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("Tomekeep Books 95"));
    const QString collection = QString::fromLocal8Bit(parsed.collection.c_str());
    const bool terminal = isatty(fileno(stderr)) != 0;
    BatchResult result;
    switch (parsed.action) {
        case CommandLineAction::Report:
            result = batchReport(collection, QString::fromLocal8Bit(parsed.report.c_str()),
                                 QString::fromLocal8Bit(parsed.output.c_str()));
            break;
        case CommandLineAction::Export:
        case CommandLineAction::Import: {
            const bool exporting = parsed.action == CommandLineAction::Export;
            ProgressLine line(stderr, terminal,
                              exporting ? QStringLiteral("Exported") : QStringLiteral("Added"));
            const auto progress = [&](std::uint64_t done, std::uint64_t total) {
                line.update(done, total);
            };
            const QString file = QString::fromLocal8Bit(parsed.file.c_str());
            result = exporting ? batchExport(collection, file, progress)
                               : batchImport(collection, file, progress);
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

}  // namespace batch
