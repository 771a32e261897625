// Edit form benchmark: the real book edit form over a large collection
// opened with its sort tag (Author). Prints one line per measurement,
// "<op> <records> <seconds>".
//
//   tk_edit_bench FILE   (a table of tk_bench generate; the sort tag is
//                        added on the first run, untimed)
//
// edit_form_open: the form shown in edit mode on the record in the middle
//   of the sort order (the record loaded into the controls and the snapshot
//   taken).
// edit_update: "Up&date" after the Author was changed (the record written
//   back, its sort key moved); the old value is put back afterwards, untimed.
// edit_next_1000: "&Next" pressed 1,000 times on unchanged records.
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QPushButton>

#include <cstdio>

#include "data/open_collection.h"
#include "data/pick_lists.h"
#include "data/run_state.h"
#include "edit/ui/tmyedit.h"
#include "settings/formats.h"
#include "settings/settings.h"
#include "ui/main_window_link.h"

namespace {

void report(const char* op, long records, double value) {
    std::printf("%s %ld %.4f\n", op, records, value);
    std::fflush(stdout);
}

double seconds(const QElapsedTimer& t) {
    return static_cast<double>(t.nsecsElapsed()) / 1e9;
}

// Just enough of a main window for the form.
class BenchLink : public ui::MainWindowLink {
  public:
    QWidget* dialogParent() override { return &parent_; }
    books::OpenCollection& collection() override { return collection_; }
    books::PickLists& pickLists() override { return lists_; }
    // The program's own, as the benchmark sets them.
    settings::Settings& settings() override { return settings::settings(); }
    books::RunState& runState() override { return books::runState(); }
    bool postPending() override { return true; }
    void refreshCount() override { (void)collection_.count(); }
    void reapplyViewerOptions() override {}
    void reloadPickLists() override {}
    void refreshPickLists() override {}
    bool beginSearch(std::function<bool(const dbase::Table&)>) override { return false; }
    void endSearch() override {}
    bool searchActive() const override { return false; }
    std::function<bool(const dbase::Table&)> activeSearch() const override { return {}; }
    bool browseMode() const override { return false; }
    void setHandler(ui::Command, ui::CommandHandler) override {}

  private:
    QWidget parent_;
    books::OpenCollection collection_;
    books::PickLists lists_;  // no folder: the form writes no list files
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tk_edit_bench FILE\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    settings::settings().formats.setDateFormat(7);
    try {
        BenchLink link;
        books::OpenCollection& c = link.collection();
        c.setSortLevels({2, 0, 0, 0});
        c.openWithSortTag(QString::fromLocal8Bit(argv[1]));
        dbase::Table& t = c.table();
        const long records = static_cast<long>(t.recordCount());
        t.moveToPosition(static_cast<std::uint32_t>(records / 2));

        editui::TMyEdit form(link, link.dialogParent());
        books::runState().editMode = books::EditMode::Edit;
        QElapsedTimer timer;
        timer.start();
        form.show();
        report("edit_form_open", records, seconds(timer));

        auto* author = form.findChild<QComboBox*>(QStringLiteral("Author"));
        const QString before = author->currentText();
        author->setEditText(QStringLiteral("Zz Benchmark, Author"));
        timer.restart();
        form.findChild<QPushButton*>(QStringLiteral("UpdateButton"))->click();
        report("edit_update", records, seconds(timer));
        author->setEditText(before);
        form.findChild<QPushButton*>(QStringLiteral("UpdateButton"))->click();

        timer.restart();
        auto* next = form.findChild<QPushButton*>(QStringLiteral("NextButton"));
        for (int k = 0; k < 1000; ++k)
            next->click();
        report("edit_next_1000", records, seconds(timer));
        form.hide();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tk_edit_bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
