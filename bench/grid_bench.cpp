// Grid benchmark: the viewer over a large collection. Prints one line per
// measurement, "<op> <records> <seconds>" (resident memory as
// "rss_mb <records> <megabytes>").
//
//   tk_grid_bench model FILE    the grid model alone: row count and one screen
//                               of data at the first, middle and last rows
//   tk_grid_bench window FILE   the program: start-up with FILE as the last
//                               database to the first screen of rows, then
//                               Ctrl+End in the grid, and resident memory
//                               (no sort level: record order)
//   tk_grid_bench window-sorted FILE   the same with the default sort level
//                               (Author); the first run builds the sort tag
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <fstream>
#include <string>

#include "app/program.h"
#include "app/tmain.h"
#include "data/grid_model.h"
#include "dbase/table.h"
#include "settings/settings.h"

namespace {

constexpr int kScreenRows = 30;

void report(const char* op, long records, double value) {
    std::printf("%s %ld %.6f\n", op, records, value);
    std::fflush(stdout);
}

double seconds(const QElapsedTimer& t) {
    return static_cast<double>(t.nsecsElapsed()) / 1e9;
}

double residentMegabytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;
    return 0;
}

// Reads every cell of one screen starting at `first`.
void readScreen(books::GridModel& model, int first) {
    for (int r = first; r < first + kScreenRows && r < model.rowCount(); ++r)
        for (int c = 0; c < model.columnCount(); ++c)
            (void)model.index(r, c).data();
}

int benchModel(const char* path) {
    QElapsedTimer t;
    t.start();
    dbase::Table table;
    table.setFileName(path);
    table.open();
    report("grid_open", static_cast<long>(table.physicalRecordCount()), seconds(t));
    books::GridModel model(&table, settings::settings());
    t.restart();
    const int rows = model.rowCount();
    report("grid_row_count", rows, seconds(t));
    for (auto [op, first] :
         {std::pair{"grid_screen_first", 0}, std::pair{"grid_screen_middle", rows / 2},
          std::pair{"grid_screen_end", std::max(0, rows - kScreenRows)}}) {
        model.reload();
        t.restart();
        readScreen(model, first);
        report(op, rows, seconds(t));
    }
    report("rss_mb", rows, residentMegabytes());
    return 0;
}

int benchWindow(const char* path, bool sorted) {
    QTemporaryDir home;
    qputenv("XDG_DATA_HOME", home.filePath("data").toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", home.filePath("config").toLocal8Bit());
    QDir().mkpath(home.filePath("config"));
    {
        QFile ini(home.filePath("config/TMKBOOK.INI"));
        if (!ini.open(QIODevice::WriteOnly))
            return 1;
        // The collection is the last database.
        ini.write("[Misc]\nLast Database=" + QByteArray(path) + "\nShow Tips=No\n" +
                  (sorted ? QByteArray() : QByteArray("[Sort Order]\nPrimary Sort=0\n")));
    }
    QElapsedTimer t;
    t.start();
    app::ProgramForms forms = app::createForms({});
    forms.main->show();
    if (!QTest::qWaitForWindowExposed(forms.main.get()))
        return 1;
    (void)forms.main->grab();  // paints the first screen of rows
    const long rows = forms.main->MyDataSource()->rowCount();
    report(sorted ? "window_sorted_first_screen" : "window_first_screen", rows, seconds(t));

    QTableView* grid = forms.main->findChild<QTableView*>(QStringLiteral("ViewerGrid"));
    grid->setFocus();
    grid->setCurrentIndex(forms.main->MyDataSource()->index(0, 0));
    QCoreApplication::processEvents();
    t.restart();
    QTest::keyClick(grid, Qt::Key_End, Qt::ControlModifier);
    (void)forms.main->grab();
    report(sorted ? "window_sorted_ctrl_end" : "window_ctrl_end", rows, seconds(t));
    if (grid->currentIndex().row() != rows - 1)
        std::fprintf(stderr, "Ctrl+End did not reach the last row\n");
    // A large collection is counted after its first screen; by now it shows.
    const auto* count = forms.main->findChild<QLabel*>(QStringLiteral("CountLabel"));
    if (count == nullptr || count->text() != QString::number(rows))
        std::fprintf(stderr, "the count shown is not %ld\n", rows);
    report("rss_mb", rows, residentMegabytes());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: tk_grid_bench model|window|window-sorted FILE\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::string command = argv[1];
    try {
        if (command == "model")
            return benchModel(argv[2]);
        if (command == "window")
            return benchWindow(argv[2], false);
        if (command == "window-sorted")
            return benchWindow(argv[2], true);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tk_grid_bench: %s\n", e.what());
        return 1;
    }
    std::fprintf(stderr, "tk_grid_bench: unknown command %s\n", argv[1]);
    return 2;
}
