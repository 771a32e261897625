// Benchmark of reports: a one-line list report (the built-in "Location
// Report": title and location, grouped by author) over a generated
// collection of N books sorted by author, laid out into the page stream of
// the preview, one page of it rendered for the screen, every page shown in
// turn as the preview pages forward, ten pages of the stream printed to the
// PDF printer, and the same report written to a text file.
//
//   tk_report_bench FOLDER N
//
// Prints "<op> <records> <seconds>" per step; "layout_pages" and
// "stream_kib" give the size of the stream, "peak_rss_mib" the most memory
// the process held up to the end of the layout (in place of seconds).
// "page_forward_slowest" and "page_forward_mean" are the slowest and the
// mean time from one page to the next in the preview's page box (the page
// rendered at 100% and put on the screen), over all pages.
#include <QApplication>
#include <QDir>
#include <QPageSize>
#include <QPrinter>
#include <QScrollArea>

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "bench_report.h"
#include "book_generator.h"
#include "data/open_collection.h"
#include "reports/page_stream.h"
#include "reports/print_engine.h"
#include "reports/report_definition.h"
#include "reports/report_layout.h"
#include "reports/ui/tfilepreview.h"
#include "settings/settings.h"

namespace {

using tkbench::Clock;
using tkbench::report;
using tkbench::since;

void generate(const QString& path, long n) {
    dbase::Table::create(path.toStdString(), tkbench::BookGenerator::fieldDefs());
    dbase::Table t;
    t.setFileName(path.toStdString());
    t.setMode(dbase::OpenMode::Exclusive);
    t.open();
    t.beginBulkAppend();
    tkbench::BookGenerator gen;
    for (long i = 0; i < n; ++i) {
        t.append();
        gen.fill(t);
        t.post();
    }
    t.endBulkAppend();
    t.close();
}

// Wall and processor time of one step: on a busy machine the wall time
// mostly measures the other programs.
struct Timer {
    Clock::time_point wall = Clock::now();
    std::clock_t cpu = std::clock();
    void report(const std::string& op, std::uint32_t records) const {
        tkbench::report(op.c_str(), records, since(wall));
        tkbench::report((op + "_cpu").c_str(), records,
                        static_cast<double>(std::clock() - cpu) / CLOCKS_PER_SEC);
    }
};

double peakRssMib() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: tk_report_bench FOLDER N\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    const long n = std::atol(argv[2]);
    const QString books = dir.filePath(QStringLiteral("BOOKS.DBF"));
    try {
        generate(books, n);
        books::OpenCollection collection;
        collection.setSortLevels({2, 0, 0, 0});
        collection.openWithSortTag(books);
        const auto records = std::uint32_t(n);

        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setPageSize(QPageSize(QPageSize::Letter));
        const reports::ReportDefinition definition = reports::builtInReports()[4];
        const settings::Settings& program = settings::settings();
        reports::LayoutSettings settings = reports::layoutSettingsOf(program, {2, 0, 0, 0});

        // Into the page stream, as the preview gets it.
        reports::PageStream stream;
        {
            reports::ReportLayout layout(definition, collection.table(), reports::OutputMode::View,
                                         settings);
            reports::TReportFiler filer(&printer, &stream);
            layout.attach(filer);
            const Timer timer;
            if (!filer.run()) {
                std::fprintf(stderr, "layout: %s\n", qPrintable(filer.error()));
                return 1;
            }
            timer.report("layout_stream", records);
        }
        report("layout_pages", records, stream.pageCount());
        report("stream_kib", records, double(stream.storedBytes()) / 1024);
        report("peak_rss_mib", records, peakRssMib());

        // One page for the screen, at 100% of 96 dots per inch: the first,
        // the middle and the last; the slowest is printed.
        double slowest = 0;
        for (const int page : {1, (stream.pageCount() + 1) / 2, stream.pageCount()}) {
            const auto start = Clock::now();
            const QImage image = reports::renderPageImage(stream, page, 96);
            slowest = std::max(slowest, since(start));
            if (image.isNull())
                return 1;
        }
        report("render_page", records, slowest);

        // Paging forward through the whole report in the preview's page box:
        // each page rendered and put on the screen, one after another.
        {
            QScrollArea box;
            box.resize(800, 600);
            box.show();
            reportsui::TFilePreview preview;
            preview.ScrollBox = &box;
            preview.setStream(&stream);
            auto start = Clock::now();
            preview.StartPreview();  // page 1
            QApplication::processEvents();
            double worst = since(start), sum = worst;
            for (int page = 2; page <= stream.pageCount(); ++page) {
                start = Clock::now();
                preview.NextPage();
                QApplication::processEvents();
                const double took = since(start);
                worst = std::max(worst, took);
                sum += took;
            }
            if (preview.CurrentPage() != stream.pageCount()) {
                std::fprintf(stderr, "preview stopped at page %d\n", preview.CurrentPage());
                return 1;
            }
            report("page_forward_slowest", records, worst);
            report("page_forward_mean", records, sum / stream.pageCount());
            preview.EndPreview();
        }

        // Ten pages from the middle of the stream to the PDF printer, as
        // "Page Printing" sends a range.
        {
            printer.setOutputFileName(dir.filePath(QStringLiteral("RANGE.PDF")));
            reports::TFilePrinter out(&stream, &printer);
            const int first = std::max(1, stream.pageCount() / 2);
            const Timer timer;
            if (!out.printPages(first, first + 9, 1) ||
                out.pagesPrinted() != std::min(10, stream.pageCount() - first + 1)) {
                std::fprintf(stderr, "print range: %s\n", qPrintable(out.error()));
                return 1;
            }
            timer.report("print_range_10", records);
        }

        // The same report to a text file.
        {
            reports::PageStream counting;
            counting.setKeepPages(false);
            reports::ReportLayout layout(definition, collection.table(),
                                         reports::OutputMode::TextFile, settings);
            layout.setTextFileName(dir.filePath(QStringLiteral("REPORT.TXT")));
            reports::TReportFiler filer(&printer, &counting);
            layout.attach(filer);
            const Timer timer;
            if (!filer.run()) {
                std::fprintf(stderr, "text file: %s\n", qPrintable(filer.error()));
                return 1;
            }
            timer.report("text_file", records);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
