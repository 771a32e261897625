// Find benchmark: query by example, locate and search and replace over a
// large collection opened with its sort tag (Author). Prints one line per
// measurement, "<op> <records> <seconds>".
//
//   tk_find_bench FILE   (a table of tk_bench generate; the sort tag is
//                        added on the first run, untimed)
//
// scan_reference: Title, YearPub and Cost of every record in record order,
//   measured in the same run for comparison; walk_reference: ISBN of every
//   record in the sort order (what a locate through the whole table reads).
// find_query_first_screen: a three-level query (a title substring and a
//   year; a cost range; a purchase date) installed as the record filter and
//   the first 30 rows of the grid model read, all 36 columns.
// find_query_count: the same, to the grid's row count (the record count).
// find_scroll_step_max: the slowest of 20 jumps to a screen in the filtered
//   grid; find_ctrl_end: the last screen.
// find_locate_last: Locate (first, exact) of a value only the last record
//   in the sort order holds.
// find_replace: search and replace on Condition "Good" (about a sixth of the
//   records), the sort tag rebuilt; then put back, untimed.
#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>

#include "data/grid_model.h"
#include "data/open_collection.h"
#include "find/locate.h"
#include "find/query_filter.h"
#include "find/replace.h"
#include "find/search_items.h"
#include "settings/formats.h"
#include "settings/settings.h"

namespace {

constexpr int kScreenRows = 30;

void report(const char* op, long records, double value) {
    std::printf("%s %ld %.4f\n", op, records, value);
    std::fflush(stdout);
}

double seconds(const QElapsedTimer& t) {
    return static_cast<double>(t.nsecsElapsed()) / 1e9;
}

void readScreen(books::GridModel& model, int first) {
    for (int r = first; r < first + kScreenRows && r < model.rowCount(); ++r)
        for (int c = 0; c < model.columnCount(); ++c)
            (void)model.index(r, c).data();
}

find::SearchItems threeLevels() {
    using find::Comparison;
    find::SearchItems items;
    const auto level = [&](std::initializer_list<std::tuple<int, const char*, Comparison>> cells) {
        find::LevelCells c{};
        find::Comparisons o{};
        o.fill(Comparison::Equal);
        for (const auto& [no, text, cmp] : cells) {
            c[static_cast<size_t>(no - 1)] = QString::fromLatin1(text);
            o[static_cast<size_t>(no - 1)] = cmp;
        }
        if (items.addLevel(c, o, settings::settings().formats).status !=
            find::LevelResult::Status::Saved)
            std::fprintf(stderr, "tk_find_bench: level refused\n");
    };
    level({{1, "war", Comparison::Equal}, {3, "< 1900", Comparison::Less}});
    level({{7, "> 100 AND < 120", Comparison::Between}});
    level({{12, "> 01/01/2020", Comparison::Greater}});
    return items;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tk_find_bench FILE\n");
        return 2;
    }
    QCoreApplication app(argc, argv);
    settings::settings().formats.setDateFormat(7);  // m/d/yyyy
    try {
        books::OpenCollection c;
        c.setSortLevels({2, 0, 0, 0});
        c.openWithSortTag(QString::fromLocal8Bit(argv[1]));
        dbase::Table& t = c.table();
        const long records = static_cast<long>(t.physicalRecordCount());

        QElapsedTimer timer;
        {
            dbase::Table plain;
            plain.setFileName(argv[1]);
            plain.setReadOnly(true);
            plain.open();
            timer.start();
            const int title = plain.fieldIndex("Title"), year = plain.fieldIndex("YearPub"),
                      cost = plain.fieldIndex("Cost");
            std::string text;
            double sum = 0;
            for (plain.first(); !plain.eof(); plain.next()) {
                plain.readString(title, text);
                sum += plain.asFloat(year) + plain.asFloat(cost) + static_cast<double>(text.size());
            }
            report("scan_reference", records, seconds(timer));
            if (sum < 0)
                return 1;
        }

        books::GridModel model(&t, settings::settings());
        (void)model.rowCount();
        const find::SearchItems items = threeLevels();
        timer.restart();
        auto filter = std::make_shared<const find::QueryFilter>(items.items(), t);
        t.disableControls();
        c.setRecordFilter(find::QueryFilter::asRecordFilter(filter));
        const bool any = t.recNo() != 0;
        t.enableControls();
        readScreen(model, 0);
        report("find_query_first_screen", records, seconds(timer));
        const int rows = model.rowCount();
        (void)c.count();
        report("find_query_count", rows, seconds(timer));
        if (!any)
            std::fprintf(stderr, "tk_find_bench: the query matched nothing\n");
        double slowest = 0;
        for (int k = 1; k <= 20; ++k) {
            timer.restart();
            readScreen(model, static_cast<int>(static_cast<long long>(rows) * k / 21));
            slowest = std::max(slowest, seconds(timer));
        }
        report("find_scroll_step_max", rows, slowest);
        timer.restart();
        readScreen(model, std::max(0, rows - kScreenRows));
        report("find_ctrl_end", rows, seconds(timer));
        c.clearRecordFilter();

        // For comparison: one field of every record in the sort order.
        {
            const int isbnField = t.fieldIndex("ISBN");
            std::string text;
            std::size_t n = 0;
            timer.restart();
            for (t.first(); !t.eof(); t.next()) {
                t.readString(isbnField, text);
                n += text.size();
            }
            report("walk_reference", records, seconds(timer));
            if (n == 1)
                return 1;
        }

        // The last record in the sort order gets a value no other holds.
        const int isbn = t.fieldIndex("ISBN");
        t.last();
        t.edit();
        t.setString(isbn, "LOCATE-TARGET-9");
        t.post();
        t.first();
        timer.restart();
        const auto found =
            find::locateRecord(t, true, QStringLiteral("ISBN"), false, find::MatchType::Exact,
                               QStringLiteral("LOCATE-TARGET-9"), settings::settings().formats);
        report("find_locate_last", records, seconds(timer));
        if (found != find::LocateResult::Found)
            std::fprintf(stderr, "tk_find_bench: locate did not find the last record\n");

        timer.restart();
        const auto run =
            find::replaceValues(c,
                                {26, QStringLiteral("Good"), QStringLiteral("Good Copy"), false,
                                 settings::settings().formats},
                                {});
        report("find_replace", static_cast<long>(run.counts.changed), seconds(timer));
        if (run.outcome != find::ReplaceOutcome::Completed)
            std::fprintf(stderr, "tk_find_bench: replace: %s\n",
                         run.error.toLocal8Bit().constData());
        std::fprintf(stderr, "find_replace changed %u of %u records\n", run.counts.changed,
                     run.counts.processed);
        (void)find::replaceValues(c,
                                  {26, QStringLiteral("Good Copy"), QStringLiteral("Good"), false,
                                   settings::settings().formats},
                                  {});
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tk_find_bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
