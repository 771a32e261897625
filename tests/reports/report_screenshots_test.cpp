// Pictures of the report list, a preview page and "Page Printing" for
// checking their look by eye: written to the folder TK_SCREENSHOT_DIR names
// (skipped without it). The preview picture must show a page with print on
// it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QListWidget>
#include <QTemporaryDir>

#include "data/run_state.h"
#include "reports/definition_file.h"
#include "reports/report_definition.h"
#include "reports/ui/tmypreview.h"
#include "reports/ui/tmyreport.h"
#include "settings/settings.h"
#include "tests/reports/report_window_support.h"

using reportsui::TMyPreview;
using reportsui::TMyReport;
using reportsui::TPrintRange;

namespace {

// The share of pixels much darker than white in the middle of `image`.
double inkShare(const QImage& image) {
    const QRect middle(image.width() / 4, image.height() / 4, image.width() / 2,
                       image.height() / 2);
    int dark = 0;
    for (int y = middle.top(); y <= middle.bottom(); ++y)
        for (int x = middle.left(); x <= middle.right(); ++x)
            dark += qGray(image.pixel(x, y)) < 128 ? 1 : 0;
    return double(dark) / (middle.width() * middle.height());
}

TEST(ReportScreenshots, TheReportListAPreviewPageAndPagePrinting) {
    const QString folder = qEnvironmentVariable("TK_SCREENSHOT_DIR");
    if (folder.isEmpty())
        GTEST_SKIP() << "set TK_SCREENSHOT_DIR to write the screenshots";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(
        reports::DefinitionFile::inDirectory(dir.path()).replaceAll(reports::builtInReports()));
    const QString path = dir.filePath(QStringLiteral("MASTER.DBF"));
    testsupport::writeSampleCollection(path, 60);
    testsupport::PrinterMainLink main;
    main.runState().programDirectory = dir.path();
    main.collection().setSortLevels({2, 0, 0, 0});
    main.collection().openWithSortTag(path);
    const auto save = [&](QWidget& w, const char* name) {
        QApplication::processEvents();
        const QImage shot = w.grab().toImage();
        EXPECT_TRUE(shot.save(folder + QLatin1Char('/') + QLatin1String(name) + ".png")) << name;
        return shot;
    };

    TMyReport list(main);
    list.show();
    list.ReportBox->setCurrentRow(3);
    save(list, "report_list");
    list.hide();

    // The "Full Report" laid out as View lays it out.
    const reports::ReportDefinition definition = reports::builtInReports()[3];
    reports::PageStream stream;
    {
        testsupport::StatusCloser closer;
        ASSERT_TRUE(reportsui::runReport(main, definition, reports::OutputMode::View, &stream));
    }
    ASSERT_GE(stream.pageCount(), 2);
    TMyPreview preview(main, stream, definition.name);
    preview.resize(900, 700);
    preview.show();
    const QImage page = save(preview, "preview");
    EXPECT_GT(inkShare(page), 0.002);

    const settings::Settings defaults;
    TPrintRange range(stream.pageCount(), defaults, 1.0);
    range.show();
    save(range, "print_range");
}

}  // namespace
