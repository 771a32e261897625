// tk_backup_bench: backs up a collection beside `cp` of the same file to the
// same folder, in the same run, alternating which goes first.
//
//   tk_backup_bench FILE DESTDIR [ROUNDS]
//
// FILE is a collection (for example of `tk_bench generate`); DESTDIR an
// existing folder on the file system to measure. Each round times the
// database backup of the backup window's library (through a temporary file,
// synced, renamed; the progress bar of the window updated and repainted as
// it goes) and `cp FILE DESTDIR/CP_COPY.DBF; sync -f` of the same file, and
// removes both copies. Prints "backup <bytes> <seconds>" and
// "cp <bytes> <seconds>" lines per round, then the best of each and their
// ratio on stderr.
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProgressBar>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "backup/backup_runs.h"
#include "backup/ui/copy_feedback.h"
#include "bench/bench_report.h"
#include "data/open_collection.h"

namespace {

using tkbench::Clock;
using tkbench::since;

void line(const char* op, qint64 bytes, double seconds) {
    std::printf("%s %lld %.4f\n", op, static_cast<long long>(bytes), seconds);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: tk_backup_bench FILE DESTDIR [ROUNDS]\n");
        return 2;
    }
    const QString file = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
    const QString dest = QFileInfo(QString::fromLocal8Bit(argv[2])).absoluteFilePath();
    const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 3;
    const qint64 bytes = QFileInfo(file).size();

    books::OpenCollection collection;
    try {
        collection.openWithSortTag(file);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "cannot open %s: %s\n", argv[1], e.what());
        return 1;
    }
    const QString backupCopy = backup::inFolder(dest, collection.name() + ".DBF");
    const QString cpCopy = backup::inFolder(dest, "CP_COPY.DBF");
    QProgressBar bar;
    bar.resize(400, 12);
    bar.show();

    double bestBackup = std::numeric_limits<double>::max();
    double bestCp = bestBackup;
    auto runBackup = [&] {
        const auto start = Clock::now();
        backup::RunResult r;
        {
            backupui::CopyFeedback feedback(&bar);
            r = backup::backupDatabase(collection, dest, feedback.progress());
        }
        const double s = since(start);
        if (r.outcome != backup::Outcome::Done) {
            std::fprintf(stderr, "backup failed (%d) %s\n", static_cast<int>(r.outcome),
                         qPrintable(r.detail));
            std::exit(1);
        }
        line("backup", bytes, s);
        bestBackup = std::min(bestBackup, s);
        QFile::remove(backupCopy);
    };
    auto runCp = [&] {
        const auto start = Clock::now();
        // cp alone leaves its data in the page cache; the backup syncs, so
        // cp's copy is synced too for a like-for-like figure.
        const int rc = QProcess::execute(
            "sh", {"-c", "cp \"$1\" \"$2\" && sync -f \"$2\"", "sh", file, cpCopy});
        const double s = since(start);
        if (rc != 0) {
            std::fprintf(stderr, "cp failed\n");
            std::exit(1);
        }
        line("cp", bytes, s);
        bestCp = std::min(bestCp, s);
        QFile::remove(cpCopy);
    };
    for (int i = 0; i < rounds; ++i) {
        if (i % 2 == 0) {
            runBackup();
            runCp();
        } else {
            runCp();
            runBackup();
        }
    }
    const double mb = static_cast<double>(bytes) / 1e6;
    std::fprintf(stderr,
                 "best of %d: backup %.3f s (%.0f MB/s), cp %.3f s (%.0f MB/s); backup runs at "
                 "%.2f of cp's speed\n",
                 rounds, bestBackup, mb / bestBackup, bestCp, mb / bestCp, bestCp / bestBackup);
    return 0;
}
