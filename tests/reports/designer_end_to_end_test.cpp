// The report designer from end to end, driven through the windows as a user
// would: a new two-line report with labels, fields, a filler, grouping and
// totals designed from the report list through "Report Definition",
// "Specify Report Layout" and "Select Report Part"; saved, read back from
// "TMKBOOK.URP", reopened, printed to a text file and to the PDF printer;
// renamed with each answer and deleted, the list following each time.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

#include "data/run_state.h"
#include "reports/definition_file.h"
#include "reports/ui/tmyreport.h"
#include "reports/ui/treplayout.h"
#include "reports/ui/treportpart.h"
#include "reports/ui/tuserreport.h"
#include "settings/settings.h"
#include "tests/reports/engine_support.h"
#include "tests/reports/report_window_support.h"
#include "tests/support/book_samples.h"
#include "tests/support/scripted_prompter.h"

using reportsui::TMyReport;
using reportsui::TRepLayout;
using reportsui::TReportPart;
using reportsui::TUserReport;

namespace {

using reports::kTotalsRow;

enum class Kind { Filler, Label, Field };

// One click in the layout and what is chosen in "Select Report Part".
struct Step {
    int row, item;
    Kind kind;
    QString width;  // as typed; empty keeps what is shown
    QString label;  // label text, for a label
    int field = 0;  // list row + 1, for a field
    QString selected;
};

// Line 1: label "Title:", the title, a filler, the author. Line 2: the
// year, label "Cost:", the cost filling the rest. Totals: label "Total
// cost:", the Cost total.
const std::vector<Step> kSteps{
    {1, 1, Kind::Label, "8", "Title:", 0, "Line 1, Item 1"},
    {1, 2, Kind::Field, "50", {}, 1, "Line 1, Item 2"},
    {1, 3, Kind::Filler, "2", {}, 0, "Line 1, Item 3"},
    {1, 4, Kind::Field, {}, {}, 2, "Line 1, Item 4"},
    {2, 1, Kind::Field, "6", {}, 3, "Line 2, Item 1"},
    {2, 2, Kind::Label, "6", "Cost:", 0, "Line 2, Item 2"},
    {2, 3, Kind::Field, "0", {}, 7, "Line 2, Item 3"},
    {kTotalsRow, 1, Kind::Label, "12", "Total cost:", 0, "Totals Line, Item 1"},
    {kTotalsRow, 2, Kind::Field, "20", {}, 1, "Totals Line, Item 2"},
};

reports::ReportItem label(int width, const QString& text) {
    return {reports::kLabelName, 0, width, text};
}
reports::ReportItem filler(int width) {
    return {reports::kFillerName, 0, width, {}};
}

// What the steps above must give, written out by hand.
reports::ReportDefinition designed() {
    reports::ReportDefinition d = reports::newReportDefinition();
    d.name = "Shelf List";
    d.title1 = "My Shelf";
    d.title2 = "By author";
    d.lineCount = 2;
    d.useTotals = true;
    d.groupLevel1 = true;
    d.marginLeft = 0.75;
    d.lines[0].items[0] = label(8, "Title:");
    d.lines[0].items[1] = {"Title", 1, 50, {}};
    d.lines[0].items[2] = filler(2);
    d.lines[0].items[3] = {"Author", 2, 30, {}};
    d.lines[1].items[0] = {"YearPub", 3, 6, {}};
    d.lines[1].items[1] = label(6, "Cost:");
    d.lines[1].items[2] = {"Cost", 7, 78, {}};
    d.totalsLine.items[0] = label(12, "Total cost:");
    d.totalsLine.items[1] = {"Cost", 1, 20, {}};
    d.totalsLine.items[2] = filler(58);
    return d;
}

void choose(TReportPart& part, const Step& step) {
    switch (step.kind) {
        case Kind::Filler:
            part.RadioFiller->click();
            break;
        case Kind::Label:
            part.RadioLabel->click();
            part.LabelName->setText(step.label);
            break;
        case Kind::Field:
            part.RadioField->click();
            part.FieldList->setCurrentRow(step.field - 1);
            break;
    }
    if (!step.width.isNull())
        part.FieldWidth->setText(step.width);
    part.OkButton->click();
}

QString readText(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()) : QString();
}

class DesignerEndToEndTest : public ::testing::Test {
  protected:
    void SetUp() override {
        main.runState().programDirectory = dir.path();
        ASSERT_TRUE(file().replaceAll(reports::builtInReports()));
        books_ = dir.filePath("MASTER.DBF");
        // Book 0 to 5 by Author 0, 1, 2, 0, 1, 2; costs 0.50 to 5.50.
        testsupport::writeSampleCollection(books_, 6);
        main.collection().setSortLevels({2, 0, 0, 0});  // by author
        main.collection().openWithSortTag(books_);
        list = std::make_unique<TMyReport>(main);
    }
    void TearDown() override {
        testsupport::stopModalCatchers();
        list.reset();
    }
    reports::DefinitionFile file() { return reports::DefinitionFile::inDirectory(dir.path()); }

    // Opens the designer from the list by `button` and runs `act` in it.
    void inDesigner(QPushButton* button, std::function<void(TUserReport&)> act) {
        bool opened = false;
        testsupport::closeNextModal(nullptr, [&](QWidget* d) {
            auto* w = qobject_cast<TUserReport*>(d);
            if (!w) {
                ADD_FAILURE() << "not Report Definition: " << d->objectName().toStdString();
                d->close();
                return;
            }
            opened = true;
            act(*w);
        });
        button->click();
        EXPECT_TRUE(opened);
    }
    // Presses "Specify Report Content" and runs `act` in the layout.
    static void inLayout(TUserReport& form, std::function<void(TRepLayout&)> act) {
        bool opened = false;
        testsupport::closeNextModal(nullptr, [&](QWidget* d) {
            auto* w = qobject_cast<TRepLayout*>(d);
            if (!w) {
                ADD_FAILURE() << "not Specify Report Layout: " << d->objectName().toStdString();
                d->close();
                return;
            }
            opened = true;
            act(*w);
        });
        form.SpecifyButton->click();
        EXPECT_TRUE(opened);
    }
    QStringList listed() const {
        QStringList names;
        for (int i = 0; i < list->ReportBox->count(); ++i)
            names << list->ReportBox->item(i)->text();
        return names;
    }

    QTemporaryDir dir;
    QString books_;
    testsupport::PrinterMainLink main;
    std::unique_ptr<TMyReport> list;
};

TEST_F(DesignerEndToEndTest, ANewTwoLineReportIsDesignedSavedReopenedAndPrinted) {
    list->show();
    inDesigner(list->NewButton, [](TUserReport& form) {
        EXPECT_FALSE(form.DeleteButton->isEnabled());
        EXPECT_TRUE(form.Chars90->isChecked());
        form.ReportName->setText("Shelf List");
        form.Title1->setText("My Shelf");
        form.Title2->setText("By author");
        form.LeftMargin->setText("0.75");
        form.NumLines->setText("2");
        form.NumLinesExit();
        form.UseTotals->setChecked(true);
        form.Level1Group->setChecked(true);
        inLayout(form, [](TRepLayout& layout) {
            EXPECT_TRUE(layout.TotalsLabel->isVisible());
            for (const Step& step : kSteps)
                EXPECT_EQ(testsupport::clickLayoutItem(layout, step.row, step.item,
                                                       [&](TReportPart& p) { choose(p, step); }),
                          step.selected);
            layout.OkButton->click();
        });
        form.UpdateButton->click();
    });

    // Saved at the end of the file and selected in the list.
    const reports::ReportDefinition expected = designed();
    EXPECT_EQ(listed().size(), 9);
    EXPECT_EQ(listed().value(8), "Shelf List");
    EXPECT_EQ(list->ReportBox->currentRow(), 8);
    const auto stored = file().read(8);
    ASSERT_TRUE(stored);
    EXPECT_EQ(*stored, expected);

    // Reopened: every control and the picture show what was designed.
    const auto& captions = main.settings().fieldNames;
    inDesigner(list->ModifyButton, [&](TUserReport& form) {
        EXPECT_EQ(form.ReportName->text(), "Shelf List");
        EXPECT_EQ(form.Title1->text(), "My Shelf");
        EXPECT_EQ(form.Title2->text(), "By author");
        EXPECT_EQ(form.Title3->text(), "");
        EXPECT_TRUE(form.Chars90->isChecked());
        EXPECT_EQ(form.NumLines->text(), "2");
        EXPECT_TRUE(form.UseTotals->isChecked());
        EXPECT_TRUE(form.Level1Group->isChecked());
        EXPECT_FALSE(form.Level2Group->isChecked());
        EXPECT_FALSE(form.ColumnHeaders->isEnabled());
        EXPECT_TRUE(form.DateOnPage->isChecked());
        EXPECT_TRUE(form.PageNumbers->isChecked());
        EXPECT_FALSE(form.LandOrient->isChecked());
        EXPECT_EQ(form.TopMargin->text(), "0.50");
        EXPECT_EQ(form.LeftMargin->text(), "0.75");
        EXPECT_EQ(form.RepBodyDataFont->text(), "Courier New 10pt");
        EXPECT_TRUE(form.DeleteButton->isEnabled());
        inLayout(form, [&](TRepLayout& layout) {
            EXPECT_EQ(layout.ReportNameLabel->text(), "Report: Shelf List");
            QStringList shown;
            for (const reports::PictureCell& cell : layout.picture().cells())
                shown << cell.text;
            EXPECT_EQ(shown, (QStringList{"Title:", captions[1], "Filler", captions[2], captions[3],
                                          "Cost:", captions[7], "Total cost:", "Cost", "Filler"}));
            // The year item, as it was stored.
            testsupport::clickLayoutItem(layout, 2, 1, [](TReportPart& part) {
                EXPECT_TRUE(part.RadioField->isChecked());
                EXPECT_EQ(part.FieldList->currentRow(), 2);
                EXPECT_EQ(part.FieldWidth->text(), "6");
                part.CancelButton->click();
            });
            layout.CancelButton->click();
        });
        form.CancelButton->click();
    });
    EXPECT_EQ(file().read(8), expected);

    // Printed to a text file through the list.
    testsupport::StatusCloser closer;
    const QString text = dir.filePath("SHELF.TXT");
    {
        testsupport::ScriptedPrompter p;
        p.expectSaveFile(text, "Save Report As a Text File");
        list->FileButton->click();
    }
    const QString written = readText(text);
    for (const char* expectedText : {"My Shelf", "By author", "Title:Book 0", "Author 0",
                                     "1990   Cost:0.50", "Total cost:4.00", "Total cost:6.00",
                                     "Total cost:8.00", "GRAND TOTALS", "Total cost:18.00"})
        EXPECT_TRUE(written.contains(expectedText)) << expectedText << "\n"
                                                    << written.toStdString();
    // Grouped by author: the books of Author 0 come first.
    EXPECT_LT(written.indexOf("Book 3"), written.indexOf("Book 1"));
    EXPECT_LT(written.indexOf("Total cost:4.00"), written.indexOf("Book 1"));

    if (!testsupport::havePdfTools())
        GTEST_SKIP() << "pdfinfo and pdftotext are needed for the PDF check";
    const QString pdf = dir.filePath("shelf.pdf");
    {
        testsupport::ScriptedPrompter p;
        p.expectSaveFile(pdf, "Print to PDF File");
        list->PrintButton->click();
    }
    EXPECT_EQ(testsupport::pdfPageCount(pdf), 1);
    const QString printed = testsupport::pdfText(pdf);
    for (const char* expectedText :
         {"My Shelf", "Title:", "Book 5", "Author 2", "1995", "Total cost:", "18.00"})
        EXPECT_TRUE(printed.contains(expectedText)) << expectedText << "\n"
                                                    << printed.toStdString();
    list->close();
}

TEST_F(DesignerEndToEndTest, ARenameAsksHowToSaveAndADeleteAsksFirstWithTheListFollowing) {
    const QString renamed =
        "Report Title has changed!  Do you wish to save this as a new report?   (YES saves as "
        "new report.  NO overwrites old report.  CANCEL aborts.)";
    ASSERT_TRUE(file().append(designed()));
    list->LoadReportBox();
    list->show();
    auto renameTo = [&](const QString& name, ui::Answer answer) {
        list->ReportBox->setCurrentRow(8);
        inDesigner(list->ModifyButton, [&](TUserReport& form) {
            form.ReportName->setText(name);
            form.ReportNameExit();
            EXPECT_FALSE(form.DeleteButton->isEnabled());
            testsupport::ScriptedPrompter p;
            p.expectChoice("Warning", renamed, answer);
            form.UpdateButton->click();
            if (answer == ui::Answer::Cancel) {
                EXPECT_TRUE(form.isVisible());
                form.CancelButton->click();
            }
        });
    };

    renameTo("Shelf Kept", ui::Answer::Cancel);
    EXPECT_EQ(listed().size(), 9);
    EXPECT_EQ(listed().value(8), "Shelf List");
    EXPECT_EQ(file().read(8), designed());

    renameTo("Shelf Over", ui::Answer::No);
    EXPECT_EQ(listed().size(), 9);
    EXPECT_EQ(listed().value(8), "Shelf Over");
    EXPECT_EQ(list->ReportBox->currentRow(), 8);

    renameTo("Shelf Copy", ui::Answer::Yes);
    EXPECT_EQ(listed().mid(8), (QStringList{"Shelf Over", "Shelf Copy"}));
    EXPECT_EQ(list->ReportBox->currentRow(), 9);
    reports::ReportDefinition copy = designed();
    copy.name = "Shelf Copy";
    EXPECT_EQ(file().read(9), copy);

    // Delete: No keeps it; a name changed and put back enables the button
    // again; Yes deletes it and the list follows.
    list->ReportBox->setCurrentRow(8);
    inDesigner(list->ModifyButton, [&](TUserReport& form) {
        form.ReportName->setText("Elsewhere");
        form.ReportNameExit();
        EXPECT_FALSE(form.DeleteButton->isEnabled());
        form.ReportName->setText("Shelf Over");
        form.ReportNameExit();
        EXPECT_TRUE(form.DeleteButton->isEnabled());
        testsupport::ScriptedPrompter p;
        const QString question = "Are you sure you want to delete this report?";
        p.expectChoice("Warning", question, ui::Answer::No, false);
        form.DeleteButton->click();
        EXPECT_TRUE(form.isVisible());
        p.expectChoice("Warning", question, ui::Answer::Yes, false);
        form.DeleteButton->click();
    });
    EXPECT_EQ(listed().mid(7), (QStringList{reports::builtInReports()[7].name, "Shelf Copy"}));
    EXPECT_EQ(file().count(), 9);
    EXPECT_EQ(file().read(8), copy);
    list->close();
}

}  // namespace
