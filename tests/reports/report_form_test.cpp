// The "Report Status Screen": the job runs when the window shows, the label
// follows the pages, Cancel stops the job after the page in hand, and the
// report reaches the collection through the main window's link.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "reports/report_definition.h"
#include "reports/ui/treportform.h"
#include "settings/settings.h"
#include "tests/reports/engine_support.h"
#include "tests/support/book_samples.h"
#include "tests/support/fake_main_link.h"
#include "tests/support/scripted_prompter.h"

using reportsui::TReportForm;

namespace {

using reports::OutputMode;

// The main window stand-in with the printer of Printer Setup.
class PrinterMainLink : public testsupport::FakeMainLink {
  public:
    QPrinter* printer() override { return chosen.get(); }
    std::unique_ptr<QPrinter> chosen = testsupport::pdfPrinter();
};

class ReportFormTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const QString path = dir.filePath("MASTER.DBF");
        testsupport::writeSampleCollection(path, 60);
        main.collection().setSortLevels({2, 0, 0, 0});
        main.collection().openWithSortTag(path);
        ui::setPrompter(&prompter);
    }
    void TearDown() override { ui::setPrompter(nullptr); }

    QTemporaryDir dir;
    PrinterMainLink main;
    testsupport::ScriptedPrompter prompter;
    std::unique_ptr<QPrinter> printer = testsupport::pdfPrinter();
    reports::PageStream stream;
};

TEST_F(ReportFormTest, ShowingTheWindowRunsTheJobAndOffersOk) {
    QString seen;
    bool okShown = false, canceled = true;
    // Once the job that showing the window started has ended, press OK.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* form = qobject_cast<TReportForm*>(QApplication::activeModalWidget());
        if (!form || !form->ran())
            return;
        poll.stop();
        seen = form->objectName();
        okShown = form->BitBtn1->text() == "OK";
        canceled = form->cancelled();
        EXPECT_EQ(form->windowTitle(), "Report Status Screen");
        EXPECT_EQ(form->Label1->text(), "\nReport Completed!");
        form->BitBtn1->click();
    });
    poll.start(20);
    const bool done =
        reportsui::runReport(main, reports::builtInReports()[0], OutputMode::View, &stream);
    EXPECT_EQ(seen, "ReportForm");
    EXPECT_TRUE(done);
    EXPECT_TRUE(okShown);
    EXPECT_FALSE(canceled);
    EXPECT_EQ(stream.pageCount(), 2);  // 60 books, headings and totals
    EXPECT_GE(main.refreshed, 1);
}

TEST_F(ReportFormTest, CancelStopsAfterThePageAndClosesTheWindow) {
    const settings::Settings defaults;
    TReportForm form(OutputMode::View, defaults, 1.0);
    form.MyReportFiler.setPrinter(printer.get());
    form.MyReportFiler.setStream(&stream);
    reports::ReportDefinition d = reports::builtInReports()[0];
    reports::ReportLayout layout(d, main.collection().table(), OutputMode::View,
                                 reports::layoutSettingsOf(main.settings(), {2, 0, 0, 0}));
    layout.attach(form.engine());
    QStringList labels;
    form.MyReportFiler.statusLabel = [&](const QString& s) {
        labels << s;
        // Pressed while the first page is laid out.
        if (form.MyReportFiler.currentPage() == 1)
            QTimer::singleShot(0, form.BitBtn1, &QPushButton::click);
    };
    EXPECT_FALSE(form.runJob());
    EXPECT_TRUE(form.cancelled());
    EXPECT_EQ(stream.pageCount(), 1);
    EXPECT_EQ(form.result(), QDialog::Rejected);
    EXPECT_EQ(labels.first(), "Printing Page 1\r\r");
    EXPECT_EQ(labels.last(), "\rReport Canceled!");
}

TEST_F(ReportFormTest, AFailedJobIsShownAndLeavesNoTextFile) {
    const QString file = dir.filePath("missing/REPORT.TXT");
    QSaveFile probe(file);
    ASSERT_FALSE(probe.open(QIODevice::WriteOnly));
    prompter.expectError(QString("The report could not be written to \"%1\": %2")
                             .arg(QDir::toNativeSeparators(file), probe.errorString()));
    const settings::Settings defaults;
    TReportForm form(OutputMode::TextFile, defaults, 1.0);
    reports::PageStream counting;
    counting.setKeepPages(false);
    form.MyReportFiler.setPrinter(printer.get());
    form.MyReportFiler.setStream(&counting);
    reports::ReportLayout layout(reports::builtInReports()[1], main.collection().table(),
                                 OutputMode::TextFile,
                                 reports::layoutSettingsOf(main.settings(), {2, 0, 0, 0}));
    layout.setTextFileName(file);
    layout.attach(form.engine());
    EXPECT_FALSE(form.runJob());
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_EQ(form.BitBtn1->text(), "OK");
}

TEST_F(ReportFormTest, PrintingOnThePdfPrinterAsksForTheFileFirst) {
    // Cancelled: nothing runs.
    prompter.expectSaveFile(QString(), "Print to PDF File");
    EXPECT_FALSE(
        reportsui::runReport(main, reports::builtInReports()[4], OutputMode::Print, nullptr));
    EXPECT_EQ(main.refreshed, 0);

    const QString file = dir.filePath("report.pdf");
    prompter.expectSaveFile(file, "Print to PDF File");
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* form = qobject_cast<TReportForm*>(QApplication::activeModalWidget());
        if (form && form->ran()) {
            poll.stop();
            form->BitBtn1->click();
        }
    });
    poll.start(20);
    EXPECT_TRUE(
        reportsui::runReport(main, reports::builtInReports()[4], OutputMode::Print, nullptr));
    EXPECT_TRUE(QFile::exists(file));
    // The printer keeps asking: its own file name is back.
    EXPECT_TRUE(main.chosen->outputFileName().isEmpty());
    if (testsupport::havePdfTools()) {
        EXPECT_EQ(testsupport::pdfPageCount(file), 2);
        EXPECT_TRUE(testsupport::pdfText(file, 2).contains("Page 2"));
    }
}

TEST_F(ReportFormTest, ABookBeingTypedIsSavedBeforeTheReportWalksTheTable) {
    auto& table = main.collection().table();
    main.collection().insert();
    table.setString(table.fieldIndex("Title"), "Zed Book");
    table.setString(table.fieldIndex("Author"), "Author 9");
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* form = qobject_cast<TReportForm*>(QApplication::activeModalWidget());
        if (form && form->ran()) {
            poll.stop();
            form->BitBtn1->click();
        }
    });
    poll.start(20);
    ASSERT_TRUE(
        reportsui::runReport(main, reports::builtInReports()[4], OutputMode::View, &stream));
    EXPECT_EQ(main.collection().count(), 61u);
    testsupport::KeepingSink sink;
    stream.replay(stream.pageCount(), sink);
    EXPECT_TRUE(sink.texts().contains("Zed Book"));
}

}  // namespace
