// "Specify Report Layout": its texts and headings, a click on an item opening
// "Select Report Part" for that item, OK keeping and Cancel discarding the
// changes, clicks that open nothing, and the picture it paints.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "data/run_state.h"
#include "reports/ui/treplayout.h"
#include "reports/ui/treportpart.h"
#include "reports/ui/tuserreport.h"
#include "settings/settings.h"
#include "tests/reports/report_window_support.h"
#include "tests/support/book_samples.h"
#include "tests/support/fake_main_link.h"
#include "tests/support/scripted_prompter.h"
#include "ui/screen_size.h"

using reportsui::TRepLayout;
using reportsui::TReportFonts;
using reportsui::TReportPart;
using reportsui::TUserReport;

namespace {

using reports::kTotalsRow;

// Two lines, 90 wide: line 1 label 30 "Title:", filler 10, Title 50;
// line 2 Author 90; the totals line of the built-in reports.
reports::ReportDefinition twoLines() {
    reports::ReportDefinition d = reports::newReportDefinition();
    d.name = "Two Lines";
    d.lineCount = 2;
    d.lines[0].items[0] = {reports::kLabelName, 0, 30, "Title:"};
    d.lines[0].items[1] = {reports::kFillerName, 0, 10, {}};
    d.lines[0].items[2] = {"Title", 1, 50, {}};
    d.lines[1].items[0] = {"Author", 2, 90, {}};
    d.totalsLine = reports::builtInReports()[0].totalsLine;
    return d;
}

// A fresh settings file, and its captions.
const settings::Settings freshSettings;
const reports::FieldCaptions captions = reports::fieldCaptions(freshSettings);

QPoint centreOf(const TRepLayout& w, int row, int item) {
    return testsupport::layoutItemCentre(w, row, item);
}

QString clickItem(TRepLayout& w, int row, int item, std::function<void(TReportPart&)> act) {
    const QString selected = testsupport::clickLayoutItem(w, row, item, std::move(act));
    testsupport::stopModalCatchers();
    return selected;
}

TEST(LayoutWindowTest, ShowsTheNameTheNoteAndOnlyTheHeadingsInUse) {
    reports::ReportDefinition buffer = twoLines();
    buffer.name = "A Report Name That Runs To Thirty";
    {
        TRepLayout w(buffer, 90, true, freshSettings, 1.0);
        w.show();
        EXPECT_EQ(w.windowTitle(), "Specify Report Layout");
        EXPECT_EQ(w.ReportNameLabel->text(), "Report: A Report Name That Runs To Thirty");
        EXPECT_EQ(w.NoteLabel->text(),
                  "Using the left mouse button, click on the area where you would like to add "
                  "or change the report layout.");
        EXPECT_EQ(w.NamePanel->palette().color(QPalette::Window), QColor(0, 128, 128));
        EXPECT_EQ(w.BodyLabel->text(), "Report Body");
        EXPECT_EQ(w.TotalsLabel->text(), "Report Totals");
        EXPECT_TRUE(w.BodyLabel->isVisible());
        EXPECT_TRUE(w.TotalsLabel->isVisible());
        EXPECT_EQ(w.OkButton->text(), "&Ok");
        EXPECT_EQ(w.CancelButton->text(), "&Cancel");
        w.close();
    }
    // A name is at most 30 characters when saved; one read from elsewhere
    // shows its first 38.
    buffer.name = QString(45, 'x');
    buffer.lineCount = 0;
    TRepLayout w(buffer, 90, false, freshSettings, 1.0);
    w.show();
    EXPECT_EQ(w.ReportNameLabel->text(), "Report: " + QString(38, 'x'));
    EXPECT_FALSE(w.BodyLabel->isVisible());
    EXPECT_FALSE(w.TotalsLabel->isVisible());
    w.close();
}

TEST(LayoutWindowTest, AClickedItemIsChangedInTheCopyAndOkCopiesItBack) {
    reports::ReportDefinition buffer = twoLines();
    const reports::ReportDefinition before = buffer;
    TRepLayout w(buffer, 90, true, freshSettings, 1.0);
    w.show();
    const QString selected = clickItem(w, 1, 2, [](TReportPart& part) {
        EXPECT_TRUE(part.RadioFiller->isChecked());
        EXPECT_EQ(part.FieldWidth->text(), "10");
        part.RadioField->setChecked(true);
        part.FieldList->setCurrentRow(2);  // YearPub
        part.FieldWidth->setText("5");
        part.OkButton->click();
    });
    EXPECT_EQ(selected, "Line 1, Item 2");
    EXPECT_EQ(buffer, before);  // nothing reaches the buffer before OK
    const reports::ReportItem& item = w.copy().lines[0].items[1];
    EXPECT_EQ(item.name, "YearPub");
    EXPECT_EQ(item.fieldNumber, 3);
    EXPECT_EQ(item.width, 5);
    // The line is fitted to 90 again: the first unused item takes the rest.
    EXPECT_EQ(w.copy().lines[0].items[2].width, 50);
    EXPECT_EQ(w.copy().lines[0].items[3].width, 5);
    EXPECT_EQ(w.picture().cells(1)[1].text, captions[3]);

    // The totals line offers the four totals.
    EXPECT_EQ(clickItem(w, kTotalsRow, 3,
                        [](TReportPart& part) {
                            EXPECT_EQ(part.FieldList->count(), 4);
                            EXPECT_EQ(part.FieldList->currentRow(), 0);  // Cost
                            part.FieldList->setCurrentRow(1);
                            part.OkButton->click();
                        }),
              "Totals Line, Item 3");
    EXPECT_EQ(w.copy().totalsLine.items[2].name, "Value");
    EXPECT_EQ(w.copy().totalsLine.items[2].fieldNumber, 2);

    // Cancel in "Select Report Part" leaves the item alone.
    const reports::ReportDefinition edited = w.copy();
    clickItem(w, 2, 1, [](TReportPart& part) {
        part.RadioLabel->setChecked(true);
        part.CancelButton->click();
    });
    EXPECT_EQ(w.copy(), edited);

    w.OkButton->click();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(buffer, edited);
}

TEST(LayoutWindowTest, CancelDiscardsEveryChange) {
    reports::ReportDefinition buffer = twoLines();
    const reports::ReportDefinition before = buffer;
    TRepLayout w(buffer, 90, true, freshSettings, 1.0);
    w.show();
    for (const int row : {1, 2, kTotalsRow})
        clickItem(w, row, 1, [](TReportPart& part) {
            part.RadioLabel->setChecked(true);
            part.LabelName->setText("Changed");
            part.OkButton->click();
        });
    EXPECT_EQ(w.copy().lines[1].items[0].labelText, "Changed");
    w.CancelButton->click();
    EXPECT_EQ(buffer, before);
}

TEST(LayoutWindowTest, OnlyALeftPressAndReleaseOnOneItemOpensIt) {
    reports::ReportDefinition buffer = twoLines();
    TRepLayout w(buffer, 90, false, freshSettings, 1.0);
    w.show();
    QString seen;
    testsupport::closeNextModal(&seen);
    // Pressed on one item, released on the next.
    QTest::mousePress(&w, Qt::LeftButton, {}, centreOf(w, 1, 1));
    QTest::mouseRelease(&w, Qt::LeftButton, {}, centreOf(w, 1, 2));
    // The right button.
    QTest::mouseClick(&w, Qt::RightButton, {}, centreOf(w, 1, 1));
    // Outside the rows, and where the hidden totals row would be.
    QTest::mouseClick(&w, Qt::LeftButton, {}, QPoint(300, 60));
    QTest::mouseClick(&w, Qt::LeftButton, {}, QPoint(300, 365));
    QTest::mouseClick(&w, Qt::LeftButton, {}, QPoint(300, 125));  // no third line
    testsupport::stopModalCatchers();
    EXPECT_TRUE(seen.isEmpty()) << seen.toStdString();
    w.close();
}

TEST(LayoutWindowTest, AtALargerScreenSizeThePictureScalesWithTheWindow) {
    reports::ReportDefinition buffer = twoLines();
    {
        TRepLayout w(buffer, 90, true, freshSettings, 1.25);
        w.show();
        EXPECT_EQ(w.width(), 791);  // 633 at 1.25
        const QRect row1 = w.picture().rowRect(1), totals = w.picture().rowRect(kTotalsRow);
        EXPECT_EQ(row1, QRect(5, 94, 781, 25));
        // The headings sit just above their rows, the buttons below them.
        EXPECT_LE(w.BodyLabel->geometry().bottom(), row1.top());
        EXPECT_GE(w.BodyLabel->geometry().bottom(), row1.top() - 8);
        EXPECT_LE(w.TotalsLabel->geometry().bottom(), totals.top());
        EXPECT_GT(w.OkButton->geometry().top(), totals.bottom());
        EXPECT_EQ(clickItem(w, 1, 3,
                            [](TReportPart& part) {
                                EXPECT_TRUE(part.RadioField->isChecked());
                                part.CancelButton->click();
                            }),
                  "Line 1, Item 3");
        w.close();
    }
    {
        // 1.6 would not fit the 800 x 600 test screen: the window and its
        // picture take the scale that fits.
        TRepLayout w(buffer, 90, true, freshSettings, 1.6);
        w.show();
        EXPECT_LT(w.width(), 800);
        EXPECT_GT(w.width(), 633);
        const QRect row1 = w.picture().rowRect(1);
        EXPECT_LE(row1.right(), w.width());
        EXPECT_GT(row1.width(), w.width() * 9 / 10);
        w.close();
    }
}

TEST(LayoutWindowTest, PaintsEachItemWithItsColour) {
    reports::ReportDefinition buffer = twoLines();
    buffer.lines[0].items[0].labelText = "WWWWWWWW";
    TRepLayout w(buffer, 90, true, freshSettings, 1.0);
    w.show();
    const QImage image = w.grab().toImage();
    auto count = [&](const QRect& r, auto test) {
        int n = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                n += test(QColor(image.pixel(x, y))) ? 1 : 0;
        return n;
    };
    const auto cells = w.picture().cells(1);
    auto reddish = [](const QColor& c) { return c.red() > 150 && c.green() < 100; };
    auto greenish = [](const QColor& c) { return c.green() > 80 && c.red() < 80; };
    auto white = [](const QColor& c) { return c == QColor(Qt::white); };
    EXPECT_GT(count(cells[0].rect, reddish), 0);   // the label's text
    EXPECT_GT(count(cells[1].rect, greenish), 0);  // "Filler"
    EXPECT_EQ(count(cells[2].rect, reddish), 0);   // a field is black
    // The label is right-aligned: its text lies in the right half.
    const QRect left(cells[0].rect.topLeft(), QSize(cells[0].rect.width() / 2, 20));
    EXPECT_EQ(count(left, reddish), 0);
    EXPECT_GT(count(cells[2].rect, white), cells[2].rect.width() * 10);
    w.close();
}

TEST(LayoutWindowTest, SpecifyOpensTheLayoutWithTheWidthAndTotalsChosen) {
    reports::ReportDefinition buffer = twoLines();
    buffer.widthChars = 150;
    testsupport::FakeMainLink main;
    main.settings().fieldNames[1] = QStringLiteral("Book Title");
    TUserReport form(main, buffer, -1);
    form.show();
    form.NumLines->setText("3");
    form.UseTotals->setChecked(false);  // not stored before a save
    int rows = -1;
    bool totals = true;
    QString name, caption;
    testsupport::closeNextModal(&name, [&](QWidget* d) {
        auto* w = qobject_cast<TRepLayout*>(d);
        ASSERT_NE(w, nullptr);
        rows = int(w->picture().rows().size());
        totals = w->TotalsLabel->isVisible();
        caption = w->picture().cells(1)[2].text;
        w->OkButton->click();
    });
    form.SpecifyButton->click();
    EXPECT_EQ(name, "RepLayout");
    EXPECT_EQ(rows, 3);
    EXPECT_FALSE(totals);
    EXPECT_EQ(caption, "Book Title");  // the main window's captions
    EXPECT_TRUE(buffer.useTotals);

    testsupport::ScriptedPrompter p;
    form.NumLines->setText("13");
    p.expectNotice("Number of lines must be in range of 0 to 12.  Please correct.");
    form.SpecifyButton->click();
    form.close();
}

}  // namespace

// Pictures of the four designer windows for a person to look at, written
// only when TK_SCREENSHOT_DIR names a folder.
TEST(LayoutWindowTest, ScreenshotsOfTheDesignerWindows) {
    const QString folder = qEnvironmentVariable("TK_SCREENSHOT_DIR");
    if (folder.isEmpty())
        GTEST_SKIP() << "set TK_SCREENSHOT_DIR to write the screenshots";
    reports::ReportDefinition buffer = twoLines();
    buffer.lines[1].items[0].width = 60;
    buffer.lines[1].items[1] = {reports::kLabelName, 0, 12, "Published:"};
    buffer.lines[1].items[2] = {"YearPub", 3, 18, {}};
    auto save = [&](QWidget& w, const char* name) {
        EXPECT_TRUE(w.grab().save(folder + "/designer_" + name + ".png")) << name;
    };
    testsupport::FakeMainLink main;
    TUserReport form(main, buffer, -1);
    form.show();
    save(form, "definition");
    TReportFonts fonts(buffer, freshSettings, 1.0);
    fonts.show();
    save(fonts, "fonts");
    TRepLayout layout(buffer, 90, true, freshSettings, 1.0);
    layout.show();
    save(layout, "layout");
    TReportPart part(buffer.lines[1], 2, 2, 90, freshSettings, 1.0);
    part.show();
    save(part, "part");
}
