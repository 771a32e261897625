// The whole way from the main window to paper: "&Print" in the File menu
// and the Reports speed button open the report list; View lays the report
// out, the preview shows it, and "Print &Report" and "Print Ran&ge" send it
// from the same stream to the PDF printer (page counts read with pdfinfo).
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPrinter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

#include "reports/ui/tmypreview.h"
#include "reports/ui/tmyreport.h"
#include "tests/app/main_fixture.h"
#include "tests/reports/engine_support.h"
#include "tests/reports/report_window_support.h"

using reportsui::TMyPreview;
using reportsui::TMyReport;
using reportsui::TPrintRange;

namespace {

// Runs `act` once on the first modal window called `name` to come up; its
// own timer, so that it also fires inside another catcher's modal loop.
void whenModal(const QString& name, std::function<void(QWidget*)> act) {
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, name, act, ticks = 0]() mutable {
        QWidget* w = QApplication::activeModalWidget();
        const bool found = w && w->objectName() == name;
        if (found || ++ticks > 2000) {
            timer->stop();
            timer->deleteLater();
        }
        if (found)
            act(w);
    });
    timer->start();
}

class ReportCommandsTest : public MainFixture {
  protected:
    int sampleBooks() const override { return 150; }
};

TEST_F(ReportCommandsTest, PrintReachesTheListAndThePreviewPrintsAllAndARangeToPdf) {
    if (!testsupport::havePdfTools())
        GTEST_SKIP() << "pdfinfo and pdftotext are needed";
    QTemporaryDir dir;
    const QString all = dir.filePath("all.pdf"), range = dir.filePath("range.pdf");
    static_cast<ui::MainWindowLink*>(main)->printer()->setOutputFormat(QPrinter::PdfFormat);
    testsupport::StatusCloser closer;
    int pages = 0;
    QString previewTitle;
    bool rangeShown = false;
    whenModal("MyReport", [&](QWidget* w) {
        auto* list = qobject_cast<TMyReport*>(w);
        ASSERT_NE(list, nullptr);
        ASSERT_GT(list->ReportBox->count(), 0);
        list->ReportBox->setCurrentRow(0);
        whenModal("MyPreview", [&](QWidget* p) {
            auto* preview = qobject_cast<TMyPreview*>(p);
            ASSERT_NE(preview, nullptr);
            previewTitle = preview->windowTitle();
            pages = preview->MyFilePreview.PageCount();
            {
                testsupport::ScriptedPrompter prompter;
                prompter.expectSaveFile(all, "Print to PDF File");
                preview->MenuPrintReport->trigger();
            }
            {
                testsupport::ScriptedPrompter prompter;
                prompter.expectSaveFile(range, "Print to PDF File");
                whenModal("PrintRange", [&](QWidget* r) {
                    auto* dialog = qobject_cast<TPrintRange*>(r);
                    ASSERT_NE(dialog, nullptr);
                    rangeShown = true;
                    dialog->StartPage->setText("2");
                    dialog->EndPage->setText("3");
                    dialog->PrintButton->click();
                });
                preview->MenuPrintRange->trigger();
            }
            preview->SBDone->click();
        });
        list->ViewButton->click();
        list->ExitButton->click();
    });
    child<QAction>("MenuPrint")->trigger();
    EXPECT_EQ(previewTitle, forms.main->findChild<TMyReport*>()->ReportBox->item(0)->text());
    ASSERT_GE(pages, 3);
    EXPECT_TRUE(rangeShown);
    EXPECT_EQ(testsupport::pdfPageCount(all), pages);
    EXPECT_EQ(testsupport::pdfPageCount(range), 2);
    EXPECT_TRUE(testsupport::pdfText(range, 1).contains("Page 2"));

    // The Reports speed button opens the same list.
    QString seen;
    testsupport::closeNextModal(&seen);
    main->ButtonBarClick(1);
    child<QToolButton>("ReportSpeed")->click();
    EXPECT_EQ(seen, "MyReport");
}

}  // namespace
