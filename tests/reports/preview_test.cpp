// The preview window over a laid-out report: paging, the zoom and page
// boxes, the fixed zooms, printing the current page, a range through
// "Page Printing" and the whole report to the PDF printer from the same
// stream, the refusal while a print runs, and the window's place kept.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <map>

#include "reports/report_definition.h"
#include "reports/ui/tmypreview.h"
#include "reports/ui/treportform.h"
#include "settings/settings.h"
#include "tests/reports/engine_support.h"
#include "tests/support/book_samples.h"
#include "tests/support/fake_main_link.h"
#include "tests/support/key_driver.h"
#include "tests/support/scripted_prompter.h"

using reportsui::TMyPreview;
using reportsui::TPrintRange;
using reportsui::TReportForm;

namespace {

class PrinterMainLink : public testsupport::FakeMainLink {
  public:
    QPrinter* printer() override { return chosen.get(); }
    std::unique_ptr<QPrinter> chosen = testsupport::pdfPrinter();
};

class PreviewTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const QString path = dir.filePath("MASTER.DBF");
        testsupport::writeSampleCollection(path, 200);
        main.collection().setSortLevels({2, 0, 0, 0});
        main.collection().openWithSortTag(path);
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [] {
            auto* form = qobject_cast<TReportForm*>(QApplication::activeModalWidget());
            if (form && form->ran())
                form->BitBtn1->click();
        });
        closer.start(10);
        ASSERT_TRUE(reportsui::runReport(main, definition, reports::OutputMode::View, &stream));
        pages = stream.pageCount();
        ASSERT_GE(pages, 4);
    }
    // Prints with the file name answered, and returns the PDF's file.
    QString printed(const std::function<void()>& press, const QString& name) {
        const QString file = dir.filePath(name);
        testsupport::ScriptedPrompter p;
        p.expectSaveFile(file, "Print to PDF File");
        press();
        return file;
    }
    static void enter(QLineEdit* edit, const QString& text) {
        edit->setText(text);
        emit edit->editingFinished();
    }

    QTemporaryDir dir;
    PrinterMainLink main;
    reports::ReportDefinition definition = reports::builtInReports()[0];
    reports::PageStream stream;
    int pages = 0;
};

TEST_F(PreviewTest, PagesMoveByButtonsMenusAndThePageBox) {
    TMyPreview w(main, stream, definition.name);
    w.show();
    EXPECT_EQ(w.windowTitle(), definition.name);
    EXPECT_EQ(w.PageLabel->text(), QString("Page 1 of %1").arg(pages));
    EXPECT_EQ(w.PageEdit->text(), "1");
    w.SBPrevPage->click();
    EXPECT_EQ(w.MyFilePreview.CurrentPage(), 1);
    w.SBNextPage->click();
    w.MenuNextPage->trigger();
    EXPECT_EQ(w.PageLabel->text(), QString("Page 3 of %1").arg(pages));
    w.MenuPrevPage->trigger();
    EXPECT_EQ(w.PageEdit->text(), "2");
    w.MenuLastPage->trigger();
    EXPECT_EQ(w.MyFilePreview.CurrentPage(), pages);
    w.SBNextPage->click();
    EXPECT_EQ(w.MyFilePreview.CurrentPage(), pages);
    w.MenuFirstPage->trigger();
    EXPECT_EQ(w.MyFilePreview.CurrentPage(), 1);
    enter(w.PageEdit, "999");
    EXPECT_EQ(w.MyFilePreview.CurrentPage(), pages);
    enter(w.PageEdit, "0");
    EXPECT_EQ(w.MyFilePreview.CurrentPage(), 1);
    enter(w.PageEdit, "3");
    EXPECT_EQ(w.MyFilePreview.CurrentPage(), 3);
    enter(w.PageEdit, "two");  // no number: ignored
    EXPECT_EQ(w.MyFilePreview.CurrentPage(), 3);
    EXPECT_EQ(w.MyFilePreview.PageImage().isNull(), false);
    w.SBDone->click();
    EXPECT_FALSE(w.isVisible());
}

TEST_F(PreviewTest, TheZoomBoxTheStepsAndTheFixedZooms) {
    TMyPreview w(main, stream, definition.name);
    w.show();
    EXPECT_EQ(w.ZoomEdit->text(), "100.0");
    w.SBZoomIn->click();
    EXPECT_EQ(w.ZoomEdit->text(), "110.0");
    w.SBZoomOut->click();
    w.SBZoomOut->click();
    EXPECT_EQ(w.ZoomEdit->text(), "90.0");
    enter(w.ZoomEdit, "5");
    EXPECT_EQ(w.ZoomEdit->text(), "10.0");
    enter(w.ZoomEdit, "500");
    EXPECT_EQ(w.ZoomEdit->text(), "200.0");
    enter(w.ZoomEdit, "big");
    EXPECT_DOUBLE_EQ(w.MyFilePreview.ZoomFactor(), 200.0);
    const int wide = w.MyFilePreview.PageImage().width();
    w.findChild<QAction*>("ZoomOut3")->trigger();
    EXPECT_EQ(w.ZoomEdit->text(), "33.3");
    EXPECT_LT(w.MyFilePreview.PageImage().width(), wide / 5);
    w.findChild<QAction*>("ZoomIn2")->trigger();
    EXPECT_EQ(w.ZoomEdit->text(), "200.0");
    w.MenuZoomWholePage->trigger();
    EXPECT_LE(w.MyFilePreview.PageImage().height(), w.ScrollBox1->height());
    // Black and white and back.
    EXPECT_TRUE(w.MenuColor->isChecked());
    w.MenuColor->trigger();
    EXPECT_FALSE(w.MenuColor->isChecked());
    EXPECT_TRUE(w.MyFilePreview.monochrome);
    w.MenuColor->trigger();
    EXPECT_TRUE(w.MenuColor->isChecked());
    w.close();
}

TEST_F(PreviewTest, PrintsThePageTheRangeAndTheWholeReportFromTheStream) {
    if (!testsupport::havePdfTools())
        GTEST_SKIP() << "pdfinfo and pdftotext are needed";
    TMyPreview w(main, stream, definition.name);
    w.show();
    w.SBNextPage->click();
    const QString one = printed([&] { w.SBPrint->click(); }, "page.pdf");
    EXPECT_EQ(testsupport::pdfPageCount(one), 1);
    EXPECT_TRUE(testsupport::pdfText(one).contains("Page 2"));
    const QString all = printed([&] { w.MenuPrintReport->trigger(); }, "all.pdf");
    EXPECT_EQ(testsupport::pdfPageCount(all), pages);
    EXPECT_EQ(stream.pageCount(), pages);

    // "Page Printing": wrong pages are refused and the dialog stays open.
    const QString range = dir.filePath("range.pdf");
    {
        testsupport::ScriptedPrompter p;
        QString seen;
        testsupport::closeNextModal(&seen, [&](QWidget* d) {
            auto* r = qobject_cast<TPrintRange*>(d);
            ASSERT_NE(r, nullptr);
            EXPECT_EQ(r->windowTitle(), "Page Printing");
            EXPECT_EQ(r->StartPage->text(), "1");
            EXPECT_EQ(r->EndPage->text(), QString::number(pages));
            const QString badStart = "Invalid Starting Page specified. Please correct.";
            const QString badEnd = "Invalid Ending Page specified.  Please correct.";
            for (const auto& [start, end, message] :
                 std::vector<std::tuple<QString, QString, QString>>{
                     {"0", "2", badStart},
                     {QString::number(pages + 1), "2", badStart},
                     {"x", "2", badStart},
                     {"3", "2", badEnd},
                     {"2", QString::number(pages + 1), badEnd}}) {
                p.expectError(message);
                r->StartPage->setText(start);
                r->EndPage->setText(end);
                r->PrintButton->click();
                EXPECT_TRUE(r->isVisible()) << start.toStdString();
            }
            r->StartPage->setText(" 2 ");
            r->EndPage->setText("3");
            p.expectSaveFile(range, "Print to PDF File");
            r->PrintButton->click();
        });
        w.MenuPrintRange->trigger();
        EXPECT_EQ(seen, "PrintRange");
    }
    EXPECT_EQ(testsupport::pdfPageCount(range), 2);
    EXPECT_TRUE(testsupport::pdfText(range, 1).contains("Page 2"));
    EXPECT_TRUE(testsupport::pdfText(range, 2).contains("Page 3"));
    // Cancel prints nothing.
    QFile::remove(range);
    testsupport::closeNextModal(
        nullptr, [](QWidget* d) { qobject_cast<TPrintRange*>(d)->CancelButton->click(); });
    w.MenuPrintRange->trigger();
    EXPECT_FALSE(QFile::exists(range));
    w.close();
}

// Answers the PDF file name and, while the print is under way, asks for
// another print.
class NestedPrintPrompter : public ui::Prompter {
  public:
    std::function<void()> during;
    QString file;
    QStringList errors;
    void showError(QWidget*, const QString& text) override { errors << text; }
    void showNotice(QWidget*, const QString&, const QString&) override {}
    void showWarning(QWidget*, const QString&) override {}
    bool askYesNo(QWidget*, const QString&, const QString&) override { return false; }
    QString getOpenFileName(QWidget*, const QString&, const QString&, const QString&,
                            const QString&) override {
        return {};
    }
    QString getSaveFileName(QWidget*, const QString&, const QString&, const QString&,
                            const QString&) override {
        if (auto run = std::exchange(during, {}))
            run();
        return file;
    }
    QString getExistingDirectory(QWidget*, const QString&, const QString&) override { return {}; }
    std::optional<QColor> getColor(QWidget*, const QColor&) override { return {}; }
    std::optional<QFont> getFont(QWidget*, const QFont&) override { return {}; }
    bool setupPrinter(QWidget*, QPrinter*) override { return false; }
};

TEST_F(PreviewTest, APrintWhileOneRunsIsRefused) {
    TMyPreview w(main, stream, definition.name);
    w.show();
    NestedPrintPrompter p;
    p.file = dir.filePath("first.pdf");
    bool second = true;
    p.during = [&] { second = w.printRange(1, 1); };
    ui::setPrompter(&p);
    const bool first = w.printRange(0, 0);
    ui::setPrompter(nullptr);
    EXPECT_TRUE(first);
    EXPECT_FALSE(second);
    EXPECT_EQ(p.errors, QStringList{"Previous print job has not yet finished.  Try again later."});
    if (testsupport::havePdfTools()) {
        EXPECT_EQ(testsupport::pdfPageCount(p.file), pages);
    }
    w.close();
}

TEST_F(PreviewTest, TheWindowKeepsItsPlaceAndSize) {
    {
        TMyPreview w(main, stream, definition.name);
        w.show();
        w.move(40, 30);
        w.resize(700, 520);
        w.SBDone->click();
    }
    const settings::Settings& s = main.settings();
    EXPECT_EQ(s.reportViewWidth, 700);
    EXPECT_EQ(s.reportViewHeight, 520);
    TMyPreview again(main, stream, definition.name);
    again.show();
    EXPECT_EQ(again.size(), QSize(700, 520));
    EXPECT_EQ(again.x(), s.reportViewLeft);
    again.close();
}

// Every menu item with its caption and Ctrl shortcut, the separators, the
// toolbar hints and the two boxes; the shortcuts also act while the cursor
// is in the zoom or page box (which would otherwise take Ctrl+C, Ctrl+X and
// Ctrl+Z as copy, cut and undo).
TEST_F(PreviewTest, TheMenusShortcutsAndHintsAreThoseOfTheWindow) {
    TMyPreview w(main, stream, definition.name);
    w.show();
    auto* bar = w.findChild<QMenuBar*>("MainMenu");
    ASSERT_NE(bar, nullptr);
    QStringList menus;
    for (QAction* a : bar->actions())
        menus << a->text();
    EXPECT_EQ(menus, (QStringList{"&File", "&Navigate", "&View"}));
    // Each menu as "caption shortcut" lines, "-" for a separator.
    auto lines = [](QMenu* menu) {
        QStringList out;
        for (QAction* a : menu->actions())
            out << (a->isSeparator() ? QStringLiteral("-")
                                     : a->text() + ' ' + a->shortcut().toString());
        return out;
    };
    const QList<QAction*> tops = bar->actions();
    EXPECT_EQ(lines(tops[0]->menu()),
              (QStringList{"&Print Page Ctrl+P", "Print &Report Ctrl+R", "Print Ran&ge Ctrl+G",
                           "Printer &Setup Ctrl+S", "-", "E&xit Ctrl+X"}));
    EXPECT_EQ(lines(tops[1]->menu()),
              (QStringList{"&Previous Page Ctrl+E", "&Next Page Ctrl+N", "-", "&First Page Ctrl+F",
                           "&Last Page Ctrl+L"}));
    EXPECT_EQ(lines(tops[2]->menu()),
              (QStringList{"Use Color Ctrl+C", "-", "Zoom &In Ctrl+I", "Zoom &Out Ctrl+O",
                           "Zoom &Page Width Ctrl+Z", "Zoom &Whole Page Ctrl+W"}));
    QMenu* zoomIn = tops[2]->menu()->actions()[2]->menu();
    QMenu* zoomOut = tops[2]->menu()->actions()[3]->menu();
    ASSERT_NE(zoomIn, nullptr);
    ASSERT_NE(zoomOut, nullptr);
    EXPECT_EQ(lines(zoomIn), (QStringList{"&1 : 1 ", "&2 : 1 "}));
    EXPECT_EQ(lines(zoomOut), (QStringList{"1 : &1 ", "1 : &2 ", "1 : &3 ", "1 : &4 ", "1 : &5 "}));
    const std::vector<std::pair<QToolButton*, QString>> hints{
        {w.SBZoomIn, "Zoom In"},
        {w.SBZoomOut, "Zoom Out"},
        {w.SBZoomPageWidth, "Zoom Page Width"},
        {w.SBZoomPage, "Zoom Whole Page"},
        {w.SBPrevPage, "Prev Page"},
        {w.SBNextPage, "Next Page"},
        {w.SBPrint, "Print Page"},
        {w.SBDone, "Done"}};
    for (const auto& [button, hint] : hints)
        EXPECT_EQ(button->toolTip(), hint) << button->objectName().toStdString();
    EXPECT_EQ(w.Label1->text(), "Zoom %");
    EXPECT_EQ(w.Label2->text(), "Page #");
    EXPECT_EQ(w.ZoomEdit->maxLength(), 10);

    QApplication::setActiveWindow(&w);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    w.ZoomEdit->setFocus();
    QTest::keyClick(w.ZoomEdit, Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(w.MyFilePreview.CurrentPage(), 2);
    QTest::keyClick(w.ZoomEdit, Qt::Key_C, Qt::ControlModifier);
    EXPECT_FALSE(w.MenuColor->isChecked());
    QTest::keyClick(w.PageEdit, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(w.MyFilePreview.ZoomFactor(), w.MyFilePreview.PageWidthZoom());
    QTest::keyClick(w.PageEdit, Qt::Key_E, Qt::ControlModifier);
    EXPECT_EQ(w.MyFilePreview.CurrentPage(), 1);
    QTest::keyClick(w.ZoomEdit, Qt::Key_L, Qt::ControlModifier);
    EXPECT_EQ(w.MyFilePreview.CurrentPage(), pages);
    QTest::keyClick(w.ZoomEdit, Qt::Key_F, Qt::ControlModifier);
    EXPECT_EQ(w.MyFilePreview.CurrentPage(), 1);
    QTest::keyClick(w.ZoomEdit, Qt::Key_X, Qt::ControlModifier);
    EXPECT_FALSE(w.isVisible());
}

// With the commands cut off, every shortcut reaches its menu item from both
// boxes and from a button, and the boxes keep their text.
TEST_F(PreviewTest, EveryMenuShortcutRunsItsCommandFromTheBoxesAndTheButtons) {
    TMyPreview w(main, stream, definition.name);
    ASSERT_TRUE(testsupport::activate(&w));
    testsupport::giveDesktopTextKeys(&w);
    std::map<QAction*, int> runs;
    QList<QAction*> shortcuts;
    for (QAction* a : w.findChildren<QAction*>()) {
        if (a->shortcut().isEmpty())
            continue;
        shortcuts << a;
        QObject::disconnect(a, &QAction::triggered, nullptr, nullptr);
        QObject::connect(a, &QAction::triggered, &w, [&runs, a] { ++runs[a]; });
    }
    ASSERT_EQ(shortcuts.size(), 14);
    const std::function<bool()> focus[] = {
        [&] { return testsupport::focusOn(w.ZoomEdit); },
        [&] { return testsupport::focusOn(w.PageEdit); },
        [&] { return testsupport::focusOn(&w, testsupport::Control::Button) != nullptr; }};
    for (const auto& focusThere : focus) {
        for (QAction* a : shortcuts) {
            ASSERT_TRUE(focusThere());
            const QString zoom = w.ZoomEdit->text();
            const QString page = w.PageEdit->text();
            const int ran = runs[a];
            testsupport::press(&w, a->shortcut());
            EXPECT_EQ(runs[a], ran + 1) << a->shortcut().toString().toStdString() << " from "
                                        << testsupport::focusName(&w).toStdString();
            EXPECT_EQ(w.ZoomEdit->text(), zoom);
            EXPECT_EQ(w.PageEdit->text(), page);
        }
    }
}

// A report of one page: "Page 1 of 1", and neither page button moves.
TEST_F(PreviewTest, AOnePageReportStaysOnItsPage) {
    reports::PageStream one;
    {
        const QString path = dir.filePath("ONE.DBF");
        testsupport::writeSampleCollection(path, 3);
        main.collection().openWithSortTag(path);
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [] {
            auto* form = qobject_cast<TReportForm*>(QApplication::activeModalWidget());
            if (form && form->ran())
                form->BitBtn1->click();
        });
        closer.start(10);
        ASSERT_TRUE(reportsui::runReport(main, definition, reports::OutputMode::View, &one));
    }
    ASSERT_EQ(one.pageCount(), 1);
    TMyPreview w(main, one, definition.name);
    w.show();
    EXPECT_EQ(w.PageLabel->text(), "Page 1 of 1");
    w.SBNextPage->click();
    w.SBPrevPage->click();
    EXPECT_EQ(w.PageLabel->text(), "Page 1 of 1");
    EXPECT_EQ(w.PageEdit->text(), "1");
    // Printer Setup goes to the printer dialog with the preview's printer.
    testsupport::ScriptedPrompter p;
    p.expectPrinterSetup(false);
    w.MenuPrintSetup->trigger();
    w.close();
}

}  // namespace
