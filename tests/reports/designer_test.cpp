// "Report Definition": what it shows, what it saves (reading back the
// same), a changed name with each of the three answers, delete, the width
// questions, and the numbers it refuses.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>

#include "data/run_state.h"
#include "reports/definition_file.h"
#include "reports/ui/tmyreport.h"
#include "reports/ui/treportpart.h"
#include "reports/ui/tuserreport.h"
#include "settings/settings.h"
#include "tests/support/book_samples.h"
#include "tests/support/fake_main_link.h"
#include "tests/support/scripted_prompter.h"
#include "ui/help_window.h"

using reportsui::TMyReport;
using reportsui::TReportFonts;
using reportsui::TReportPart;
using reportsui::TUserReport;

namespace {

const QString kRenamed =
    "Report Title has changed!  Do you wish to save this as a new report?   (YES saves as new "
    "report.  NO overwrites old report.  CANCEL aborts.)";

class DesignerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        main.runState().programDirectory = dir.path();
        ASSERT_TRUE(file().replaceAll(reports::builtInReports()));
        mine = reports::newReportDefinition();
        mine.name = "Mine";
        mine.widthChars = 150;
        mine.title1 = "First";
        mine.title3 = "Third";
        mine.lineCount = 2;
        mine.lines[0].items[0].width = 100;
        mine.lines[0].items[1] = {QStringLiteral("<LABEL>"), 0, 50, QStringLiteral("Note")};
        mine.marginLeft = 0.75;
        mine.landscape = true;
        mine.groupLevel1 = true;
        mine.groupLevel2 = true;
        mine.verticalLines = true;
        ASSERT_TRUE(file().append(mine));
    }
    reports::DefinitionFile file() { return reports::DefinitionFile::inDirectory(dir.path()); }

    QTemporaryDir dir;
    testsupport::FakeMainLink main;
    reports::ReportDefinition mine;
};

TEST_F(DesignerTest, ShowsTheDefinitionAndSavesItBackUnchanged) {
    reports::ReportDefinition buffer = mine;
    TUserReport w(main, buffer, 8);
    w.show();
    EXPECT_EQ(w.windowTitle(), "Report Definition");
    EXPECT_EQ(w.ReportName->text(), "Mine");
    EXPECT_TRUE(w.Chars150->isChecked());
    EXPECT_EQ(w.LeftMargin->text(), "0.75");
    EXPECT_EQ(w.NumLines->text(), "2");
    EXPECT_FALSE(w.ColumnHeaders->isEnabled());  // two lines: no box options
    EXPECT_TRUE(w.Level2Group->isChecked());
    EXPECT_EQ(w.RepBodyDataFont->text(),
              mine.bodyFont.name + " " + QString::number(mine.bodyFont.size) + "pt");
    EXPECT_TRUE(w.DeleteButton->isEnabled());
    w.UpdateButton->click();
    EXPECT_TRUE(w.changedFile());
    EXPECT_EQ(file().count(), 9);
    EXPECT_EQ(file().read(8), mine);
}

TEST_F(DesignerTest, ANewReportIsAppendedAndSelectedInTheList) {
    TMyReport list(main);
    list.show();
    testsupport::closeNextModal(nullptr, [](QWidget* d) {
        auto* w = qobject_cast<TUserReport*>(d);
        ASSERT_NE(w, nullptr);
        EXPECT_FALSE(w->DeleteButton->isEnabled());
        w->ReportName->setText("  Brand New  ");
        w->Title1->setText("Catalogue");
        w->NumLines->setText("3");
        w->UpdateButton->click();
    });
    list.NewButton->click();
    ASSERT_EQ(list.ReportBox->count(), 10);
    EXPECT_EQ(list.ReportBox->item(9)->text(), "Brand New");
    EXPECT_EQ(list.ReportBox->currentRow(), 9);
    const auto back = file().read(9);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->title1, "Catalogue");
    EXPECT_EQ(back->lineCount, 3);
    list.close();
}

TEST_F(DesignerTest, AChangedNameAsksWhetherToSaveAsNew) {
    for (const ui::Answer answer : {ui::Answer::Cancel, ui::Answer::No, ui::Answer::Yes}) {
        ASSERT_TRUE(file().replaceAll(reports::builtInReports()));
        ASSERT_TRUE(file().append(mine));
        reports::ReportDefinition buffer = mine;
        TUserReport w(main, buffer, 8);
        w.show();
        w.ReportName->setText("Renamed");
        w.ReportNameExit();
        EXPECT_FALSE(w.DeleteButton->isEnabled());
        testsupport::ScriptedPrompter p;
        p.expectChoice("Warning", kRenamed, answer);
        w.UpdateButton->click();
        const QStringList names = file().names();
        if (answer == ui::Answer::Cancel) {
            EXPECT_TRUE(w.isVisible());
            EXPECT_EQ(names.size(), 9);
            EXPECT_EQ(names[8], "Mine");
        } else if (answer == ui::Answer::No) {
            EXPECT_EQ(names.size(), 9);
            EXPECT_EQ(names[8], "Renamed");
        } else {
            EXPECT_EQ(names.size(), 10);
            EXPECT_EQ(names[8], "Mine");
            EXPECT_EQ(names[9], "Renamed");
            EXPECT_EQ(w.savedIndex(), 9);
        }
    }
}

TEST_F(DesignerTest, DeleteAsksFirst) {
    reports::ReportDefinition buffer = mine;
    TUserReport w(main, buffer, 8);
    w.show();
    testsupport::ScriptedPrompter p;
    p.expectChoice("Warning", "Are you sure you want to delete this report?", ui::Answer::No,
                   false);
    w.DeleteButton->click();
    EXPECT_EQ(file().count(), 9);
    p.expectChoice("Warning", "Are you sure you want to delete this report?", ui::Answer::Yes,
                   false);
    w.DeleteButton->click();
    EXPECT_EQ(file().count(), 8);
    EXPECT_TRUE(w.changedFile());
    EXPECT_FALSE(w.isVisible());
}

TEST_F(DesignerTest, TheWidthQuestionsAndTheLinesFitted) {
    reports::ReportDefinition buffer = mine;
    TUserReport w(main, buffer, 8);
    w.show();
    const QString to90 =
        "Switching to 90 characters from 120 or 150 will truncate the current defined lines.  In "
        "addition, the font size will be reset to a 10 point as a default.  Are you sure you "
        "wish to do this?";
    testsupport::ScriptedPrompter p;
    p.expectChoice("Warning", to90, ui::Answer::No, false);
    w.Chars90->click();
    EXPECT_TRUE(w.Chars150->isChecked());
    EXPECT_EQ(buffer.widthChars, 150);
    p.expectChoice("Warning", to90, ui::Answer::Yes, false);
    w.Chars90->click();
    EXPECT_EQ(buffer.widthChars, 90);
    EXPECT_EQ(buffer.lines[0].items[0].width, 90);
    EXPECT_EQ(buffer.lines[0].items[1].width, 0);
    EXPECT_TRUE(w.RepBodyDataFont->text().endsWith(" 10pt"));
    p.expectNotice(
        "The Report Body font size has been set to a 6 Point default size as a result "
        "of switching to 150 characters per line.");
    w.Chars150->click();
    EXPECT_EQ(buffer.lines[0].items[1].width, 60);
    EXPECT_TRUE(w.RepBodyDataFont->text().endsWith(" 6pt"));
}

TEST_F(DesignerTest, LinesAndMarginsThatCannotBeLaidOutAreRefused) {
    reports::ReportDefinition buffer = mine;
    TUserReport w(main, buffer, 8);
    w.show();
    testsupport::ScriptedPrompter p;
    w.NumLines->setText("13");
    p.expectNotice("Number of lines must be in range of 0 to 12.  Please correct.");
    w.UpdateButton->click();
    w.NumLines->setText("1");
    w.NumLinesExit();
    EXPECT_TRUE(w.ColumnHeaders->isEnabled());
    for (const char* bad : {"-1", "abc"}) {
        w.TopMargin->setText(bad);
        p.expectError("Invalid margin entered.  Please correct (0 to 10 inches).");
        w.UpdateButton->click();
        EXPECT_TRUE(w.isVisible());
    }
    EXPECT_EQ(file().read(8), mine);
    EXPECT_DOUBLE_EQ(buffer.marginTop, mine.marginTop);
}

TEST_F(DesignerTest, FontsAreChosenThroughTheFontDialog) {
    reports::ReportDefinition buffer = mine;
    TUserReport w(main, buffer, 8);
    w.show();
    testsupport::ScriptedPrompter p;
    QFont serif(QStringLiteral("Times New Roman"));
    serif.setPointSize(14);
    serif.setBold(true);
    p.expectFont(serif, QColor(255, 0, 0));
    p.expectFont(std::nullopt);  // cancelled: the footnote font stays
    testsupport::closeNextModal(nullptr, [](QWidget* d) {
        auto* f = qobject_cast<TReportFonts*>(d);
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->windowTitle(), "Report Fonts");
        f->NewFont[0]->click();
        f->NewFont[3]->click();
        EXPECT_TRUE(f->TitleFont->text().endsWith(" 14pt"));
        f->OkButton->click();
    });
    w.SetFonts->click();
    EXPECT_EQ(buffer.titleFont.size, 14);
    EXPECT_TRUE(buffer.titleFont.bold);
    EXPECT_EQ(buffer.titleFont.color, 0x0000FF);
    EXPECT_EQ(buffer.footnoteFont, mine.footnoteFont);
    EXPECT_TRUE(w.TitleLineFont->text().endsWith(" 14pt"));
    w.UpdateButton->click();
    EXPECT_EQ(file().read(8), buffer);
}

TEST_F(DesignerTest, SelectReportPartSetsTheItemAndRefusesWhatCannotBeLaidOut) {
    reports::ReportLine line = mine.lines[0];  // 100 filler, 50 label "Note"
    {
        TReportPart part(line, 1, 2, 150, main.settings(), 1.0);
        EXPECT_EQ(part.windowTitle(), "Select Report Part");
        EXPECT_EQ(part.SelPartLabel->text(), "Line 1, Item 2");
        EXPECT_TRUE(part.RadioLabel->isChecked());
        EXPECT_EQ(part.LabelName->text(), "Note");
        EXPECT_FALSE(part.FieldList->isEnabled());
        EXPECT_EQ(part.FieldList->count(), 36);
        testsupport::ScriptedPrompter p;
        for (const char* bad : {"-5", "x", "2.5"}) {
            part.FieldWidth->setText(bad);
            p.expectError("Invalid width entered.  Please correct.");
            part.OkButton->click();
        }
        // A field item needs a field.
        part.RadioField->setChecked(true);
        part.FieldWidth->setText("20");
        p.expectError("No field has been selected.  Please choose one.");
        part.OkButton->click();
        EXPECT_EQ(line, mine.lines[0]);
        part.FieldList->setCurrentRow(0);
        part.OkButton->click();
    }
    EXPECT_EQ(line.items[1].name, "Title");
    EXPECT_EQ(line.items[1].fieldNumber, 1);
    EXPECT_EQ(line.items[1].width, 20);
    EXPECT_EQ(line.items[2].width, 30);  // the rest of the line
    {
        TReportPart again(line, 1, 2, 150, main.settings(), 1.0);
        EXPECT_TRUE(again.RadioField->isChecked());
        EXPECT_EQ(again.FieldList->currentRow(), 0);
        // Width 0 fills the rest of the line.
        again.FieldWidth->setText("0");
        again.RadioFiller->setChecked(true);
        again.OkButton->click();
    }
    EXPECT_TRUE(line.items[1].isFiller());
    EXPECT_EQ(line.items[1].width, 50);
    EXPECT_EQ(line.items[2].width, 0);
    reports::ReportLine totals = reports::builtInReports()[0].totalsLine;
    TReportPart total(totals, 0, 1, 120, main.settings(), 1.0);
    EXPECT_EQ(total.SelPartLabel->text(), "Totals Line, Item 1");
    EXPECT_EQ(total.FieldList->count(), 4);
    EXPECT_EQ(total.FieldList->item(0)->text(), "Cost");
}

// Every group, caption and length limit of "Report Definition" and "Report
// Fonts", and help at the designer's topic.
TEST_F(DesignerTest, EveryCaptionAndLimitOfTheDefinitionAndFontWindows) {
    reports::ReportDefinition buffer = mine;
    TUserReport w(main, buffer, 8);
    w.show();
    QStringList groups;
    for (const QGroupBox* g : w.findChildren<QGroupBox*>(Qt::FindDirectChildrenOnly))
        groups << g->title();
    EXPECT_EQ(groups, (QStringList{"Report Name", "Report Width", "Report Fonts", "Report Titles",
                                   "Miscellaneous", "Report Content", "Margins (in inches)"}));
    QStringList labels;
    for (const QLabel* l : w.findChildren<QLabel*>())
        labels << l->text();
    for (const char* text : {"Title Lines", "Column Headers", "Report Body", "Footnotes",
                             "Number of Lines", "Top", "Bottom", "Left", "Right"})
        EXPECT_TRUE(labels.contains(text)) << text;
    const std::vector<std::pair<QAbstractButton*, QString>> captions{
        {w.Chars90, "90 Chars"},
        {w.Chars120, "120 Chars"},
        {w.Chars150, "150 Chars"},
        {w.SetFonts, "&Set Fonts"},
        {w.Level1Group, "Group by Level 1 Sort"},
        {w.Level2Group, "Group by Level 2 Sort"},
        {w.ColumnHeaders, "Column Headers"},
        {w.HorzLines, "Horizontal Lines"},
        {w.VertLines, "Vertical Lines"},
        {w.DateOnPage, "Date On Pages"},
        {w.PageNumbers, "Page Numbers"},
        {w.LandOrient, "Print Landscape"},
        {w.UseTotals, "Use Totals"},
        {w.SpecifyButton, "&Specify Report Content"},
        {w.UpdateButton, "&Update"},
        {w.CancelButton, "&Cancel"},
        {w.DeleteButton, "&Delete"},
        {w.HelpButton, "&Help"}};
    for (const auto& [button, caption] : captions)
        EXPECT_EQ(button->text(), caption) << button->objectName().toStdString();
    const std::vector<std::pair<QLineEdit*, int>> limits{
        {w.ReportName, 30},  {w.Title1, 80},    {w.Title2, 80},
        {w.Title3, 80},      {w.NumLines, 2},   {w.TopMargin, 5},
        {w.BottomMargin, 5}, {w.LeftMargin, 5}, {w.RightMargin, 5}};
    for (const auto& [edit, limit] : limits)
        EXPECT_EQ(edit->maxLength(), limit) << edit->objectName().toStdString();
    for (QLineEdit* font : {w.TitleLineFont, w.ColumnHeaderFont, w.RepBodyDataFont, w.FootnoteFont})
        EXPECT_TRUE(font->isReadOnly()) << font->objectName().toStdString();
    EXPECT_EQ(w.focusWidget(), w.ReportName);

    TReportFonts fonts(buffer, main.settings(), 1.0, &w);
    EXPECT_EQ(fonts.windowTitle(), "Report Fonts");
    QStringList fontSlots;
    for (const QGroupBox* g : fonts.findChildren<QGroupBox*>())
        fontSlots << g->title();
    EXPECT_EQ(fontSlots, (QStringList{"Titles Font", "Column Header Font", "Report Body Font",
                                      "Footnote Font"}));
    for (QPushButton* b : fonts.NewFont)
        EXPECT_EQ(b->text(), "New Font");
    EXPECT_EQ(fonts.OkButton->text(), "&Ok");
    EXPECT_EQ(fonts.FootnoteFont->text(),
              mine.footnoteFont.name + " " + QString::number(mine.footnoteFont.size) + "pt");
    // A font name is kept to 50 characters.
    testsupport::ScriptedPrompter p;
    QFont longName(QString(60, 'F'));
    longName.setPointSize(9);
    p.expectFont(longName);
    fonts.NewFont[2]->click();
    EXPECT_EQ(buffer.bodyFont.name.size(), 50);
    EXPECT_EQ(buffer.bodyFont.size, 9);

    w.HelpButton->click();
    ui::HelpWindow* help = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* h = qobject_cast<ui::HelpWindow*>(top); h && h->isVisible())
            help = h;
    ASSERT_NE(help, nullptr);
    ui::HelpWindow expected;
    ASSERT_TRUE(expected.showKeyword("User Defined Reports"));
    EXPECT_EQ(help->currentPage(), expected.currentPage());
    // The page speaks of the window's own options and buttons.
    const QString page = help->browser()->toPlainText().simplified();
    for (const QAbstractButton* b : std::initializer_list<const QAbstractButton*>{
             w.PageNumbers, w.LandOrient, w.UseTotals, w.SpecifyButton, w.UpdateButton,
             w.DeleteButton})
        EXPECT_TRUE(page.contains(QString(b->text()).remove('&'), Qt::CaseInsensitive))
            << b->text().toStdString();
    help->close();
}

// Level 2 grouping only with level 1; the box options only below two lines,
// keeping what they hold; Delete only while the name is the one opened.
TEST_F(DesignerTest, WhatIsEnabledFollowsTheGroupingTheLinesAndTheName) {
    reports::ReportDefinition buffer = mine;  // grouped on both levels, 2 lines
    TUserReport w(main, buffer, 8);
    w.show();
    EXPECT_TRUE(w.Level2Group->isEnabled());
    w.Level1Group->click();
    EXPECT_FALSE(w.Level2Group->isEnabled());
    w.Level1Group->click();
    EXPECT_TRUE(w.Level2Group->isEnabled());

    w.NumLines->setText("01");
    w.NumLinesExit();
    EXPECT_EQ(w.NumLines->text(), "1");
    EXPECT_EQ(buffer.lineCount, 1);
    for (QCheckBox* c : {w.ColumnHeaders, w.HorzLines, w.VertLines})
        EXPECT_TRUE(c->isEnabled()) << c->objectName().toStdString();
    w.NumLines->setText("2");
    w.NumLinesExit();
    for (QCheckBox* c : {w.ColumnHeaders, w.HorzLines, w.VertLines})
        EXPECT_FALSE(c->isEnabled()) << c->objectName().toStdString();

    w.ReportName->setText("Other");
    w.ReportNameExit();
    EXPECT_FALSE(w.DeleteButton->isEnabled());
    w.ReportName->setText("  Mine ");
    w.ReportNameExit();
    EXPECT_TRUE(w.DeleteButton->isEnabled());

    // Level 1 off: level 2 is not stored even though its box stays checked.
    w.Level1Group->click();
    w.UpdateButton->click();
    const auto back = file().read(8);
    ASSERT_TRUE(back);
    EXPECT_FALSE(back->groupLevel1);
    EXPECT_FALSE(back->groupLevel2);
    EXPECT_TRUE(back->verticalLines);  // disabled, kept as it was
    EXPECT_EQ(back->columnHeaders, mine.columnHeaders);
}

// 150 -> 120 asks and tells; 90 -> 120 neither asks nor tells; a new
// report has no Delete.
TEST_F(DesignerTest, TheQuestionAndNoticeOfTheWidthOf120) {
    reports::ReportDefinition buffer = mine;
    TUserReport w(main, buffer, 8);
    w.show();
    const QString to120 =
        "Switching to 120 characters from 150 will truncate the current defined lines.  In "
        "addition, the font size will be reset to a 8 point as a default.  Are you sure you "
        "wish to do this?";
    const QString set8 = "The Report Body font size has been set to a 8 Point default size as.";
    {
        testsupport::ScriptedPrompter p;
        p.expectChoice("Warning", to120, ui::Answer::Yes, false);
        p.expectNotice(set8);
        w.Chars120->click();
    }
    EXPECT_EQ(buffer.widthChars, 120);
    EXPECT_EQ(buffer.lines[0].items[0].width, 100);
    EXPECT_EQ(buffer.lines[0].items[1].width, 20);
    EXPECT_TRUE(w.RepBodyDataFont->text().endsWith(" 8pt"));

    reports::ReportDefinition fresh = reports::newReportDefinition();
    TUserReport n(main, fresh, -1);
    n.show();
    EXPECT_FALSE(n.DeleteButton->isEnabled());
    EXPECT_TRUE(n.Chars90->isChecked());
    {
        testsupport::ScriptedPrompter p;
        p.expectNotice(set8);
        n.Chars120->click();
    }
    EXPECT_EQ(fresh.widthChars, 120);
    n.ReportName->setText("Changed");
    n.ReportNameExit();
    EXPECT_FALSE(n.DeleteButton->isEnabled());
}

// "Select Report Part": the inputs follow the kind chosen; the limits; a
// label's text is trimmed.
TEST_F(DesignerTest, SelectReportPartInputsFollowTheKind) {
    reports::ReportLine line = mine.lines[0];
    main.settings().fieldNames[2] = QStringLiteral("Writer");
    TReportPart part(line, 1, 1, 150, main.settings(), 1.0);
    part.show();
    EXPECT_EQ(part.RadioFiller->text(), "Filler (empty space)");
    EXPECT_EQ(part.RadioLabel->text(), "Label (constant value)");
    EXPECT_EQ(part.RadioField->text(), "Field (database value)");
    EXPECT_EQ(part.OkButton->text(), "&Ok");
    EXPECT_TRUE(part.OkButton->isDefault());
    EXPECT_EQ(part.CancelButton->text(), "&Cancel");
    EXPECT_EQ(part.FieldWidth->maxLength(), 3);
    EXPECT_EQ(part.LabelName->maxLength(), 40);
    QStringList groups;
    for (const QGroupBox* g : part.findChildren<QGroupBox*>())
        groups << g->title();
    for (const char* title : {"Type", "Width", "Label Name", "Fields", "Selected Part"})
        EXPECT_TRUE(groups.contains(title)) << title;
    EXPECT_EQ(part.FieldList->item(1)->text(), QStringLiteral("Writer"));
    // Item 1 is a filler of 100.
    EXPECT_TRUE(part.RadioFiller->isChecked());
    EXPECT_EQ(part.FieldWidth->text(), "100");
    EXPECT_FALSE(part.LabelName->isEnabled());
    EXPECT_FALSE(part.FieldList->isEnabled());
    part.RadioField->click();
    EXPECT_TRUE(part.FieldList->isEnabled());
    EXPECT_FALSE(part.LabelName->isEnabled());
    part.RadioLabel->click();
    EXPECT_TRUE(part.LabelName->isEnabled());
    EXPECT_FALSE(part.FieldList->isEnabled());
    part.LabelName->setText("  Shelf  ");
    part.OkButton->click();
    EXPECT_TRUE(line.items[0].isLabel());
    EXPECT_EQ(line.items[0].labelText, "Shelf");
    EXPECT_EQ(line.items[0].width, 100);
}

// The window has no default button: Enter in a box presses nothing (it
// would otherwise open "Report Fonts" or save).
TEST_F(DesignerTest, EnterInABoxPressesNoButton) {
    reports::ReportDefinition buffer = mine;
    TUserReport w(main, buffer, 8);
    w.show();
    for (QPushButton* b : w.findChildren<QPushButton*>())
        EXPECT_FALSE(b->isDefault()) << b->objectName().toStdString();
    // Closes a window opened by mistake.
    QString seen;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        QWidget* m = QApplication::activeModalWidget();
        if (m && m != &w) {
            seen = m->objectName();
            m->close();
        }
    });
    closer.start(5);
    for (QLineEdit* e : {w.ReportName, w.NumLines, w.TopMargin, w.Title2})
        QTest::keyClick(e, Qt::Key_Return);
    EXPECT_TRUE(seen.isEmpty()) << seen.toStdString();
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(file().read(8), mine);
}

}  // namespace
