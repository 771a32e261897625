// The Viewer Configuration dialog, headless: its pages and texts, the
// settings it changes at once and those it changes when it closes.
#include "appearance/tviewconfig.h"

#include "settings/settings.h"
#include "tests/support/fake_main_link.h"
#include "tests/support/scripted_prompter.h"
#include "ui/font_color_dialog.h"
#include "ui/help_window.h"
#include "ui/window_colors.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>

#include <memory>

namespace {

using appearance::TViewConfig;

class ViewConfig : public ::testing::Test {
  protected:
    void TearDown() override { dialog.reset(); }

    TViewConfig* open() {
        dialog = std::make_unique<TViewConfig>(link);
        dialog->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        return dialog.get();
    }
    QPushButton* button(const char* name) const {
        return dialog->findChild<QPushButton*>(QString::fromLatin1(name));
    }
    static QString cell(QTableWidget* g, int row, int column) {
        const QTableWidgetItem* item = g->item(row, column);
        return item ? item->text() : QStringLiteral("<none>");
    }
    static void doubleClick(QTableWidget* g, int row, int column) {
        g->scrollToItem(g->item(row, column));
        const QRect r = g->visualItemRect(g->item(row, column));
        QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, r.center());
        QTest::mouseDClick(g->viewport(), Qt::LeftButton, {}, r.center());
    }
    static void type(QTableWidget* g, int row, const QString& text) {
        g->item(row, 1)->setText(text);
    }
    QStringList orderRows() const {
        QStringList rows;
        for (int r = 0; r < 36; ++r)
            rows << cell(dialog->FieldOrderGrid, r, 0);
        return rows;
    }

    testsupport::FakeMainLink link;  // its own settings and run state
    std::unique_ptr<TViewConfig> dialog;
};

TEST_F(ViewConfig, PagesControlsAndTexts) {
    TViewConfig* d = open();
    EXPECT_EQ(d->windowTitle(), "Viewer Configuration");
    const QStringList tabs = {"&Title",        "&Look and Feel", "Fields to &Show",
                              "Field &Widths", "Field &Order",   "Field &Names"};
    ASSERT_EQ(d->Notebook->count(), 6);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(d->Notebook->tabText(i), tabs[i]);
    EXPECT_EQ(button("HelpButton")->text(), "&Help");
    EXPECT_EQ(button("ExitButton")->text(), "E&xit");
    EXPECT_EQ(button("Button1")->text(), "New &Color");
    EXPECT_EQ(button("NewColorBUtton")->text(), "New &Color");
    EXPECT_EQ(button("TitleFontButton")->text(), "New &Font");
    EXPECT_EQ(button("NewFontButton")->text(), "New &Font");
    EXPECT_EQ(button("OrderUp")->text(), "&Up");
    EXPECT_EQ(button("OrderDown")->text(), "&Down");
    EXPECT_EQ(button("OrderDefaults")->text(), "D&efaults");
    EXPECT_EQ(d->ShowGridTitle->text(), "Show Column Titles");
    EXPECT_EQ(d->ColumnLines->text(), "Show lines between columns");
    EXPECT_EQ(d->RowLines->text(), "Show lines between rows");
    EXPECT_EQ(d->RowIndicator->text(), "Show current row indicator");
    EXPECT_EQ(d->FieldEditing->text(), "Allow field editing");
    EXPECT_EQ(d->TitleLeft->text(), "Left Justify");
    EXPECT_EQ(d->TitleCenter->text(), "Center");
    EXPECT_EQ(d->TitleRight->text(), "Right Justify");
    QStringList boxes;
    for (const QGroupBox* b : d->findChildren<QGroupBox*>())
        boxes << b->title();
    for (const char* heading :
         {"Background", "Title Font", "Alignment", "Grid Options", "Cell Color", "Cell Font"})
        EXPECT_TRUE(boxes.contains(QLatin1String(heading))) << heading;
    EXPECT_EQ(d->FieldLabel->text(), "Field");
    EXPECT_EQ(d->OrderingLabel->text(), "Ordering");
    EXPECT_EQ(d->DisplayText->text(),
              "For each field that you would like displayed in the Viewer, select 'Yes'.  If you "
              "do not wish a field to appear in the Viewer, then select 'No' for that field.  "
              "Double Click on the field to change between 'Yes' and 'No'.");
    const auto titles = [](QTableWidget* g) {
        QStringList t;
        for (int c = 0; c < g->columnCount(); ++c)
            t << g->horizontalHeaderItem(c)->text();
        return t;
    };
    EXPECT_EQ(titles(d->FieldsToDisplay), (QStringList{"FIELD", "DISPLAY IT"}));
    EXPECT_EQ(titles(d->FieldWidthGrid), (QStringList{"FIELD", "WIDTH"}));
    EXPECT_EQ(titles(d->FieldNameGrid), (QStringList{"FIELD", "NAME TO USE"}));
    EXPECT_EQ(d->FieldOrderGrid->columnCount(), 1);
    EXPECT_FALSE(d->FieldOrderGrid->horizontalHeader()->isVisible());
    EXPECT_TRUE(d->TitleFont->isReadOnly());
    EXPECT_TRUE(d->GridFont->isReadOnly());
    EXPECT_EQ(d->FieldWidthGrid->columnWidth(0), 200);
    EXPECT_EQ(d->FieldWidthGrid->columnWidth(1), 100);
    EXPECT_EQ(d->FieldNameGrid->columnWidth(1), 200);
    EXPECT_EQ(d->FieldOrderGrid->columnWidth(0), 200);
}

TEST_F(ViewConfig, ShowingFillsEveryPageFromTheSettings) {
    auto& s = link.settings();
    s.fieldNames[3] = "Year";
    s.displayFields[4] = false;
    s.fieldWidth[9] = 40;
    s.fieldOrder[1] = 2;
    s.fieldOrder[2] = 1;
    s.gridTitleAlignment = 3;
    s.gridTitleColor = 255;
    s.gridCellColor = 65280;
    s.gridTitleFont.name = "Courier New";
    s.gridRowLines = false;
    s.gridFieldEditing = true;
    TViewConfig* d = open();

    EXPECT_EQ(d->TitleFont->text(), "12pt Courier New");
    EXPECT_EQ(d->GridFont->text(), "10pt Arial");
    EXPECT_TRUE(d->TitleRight->isChecked());
    EXPECT_FALSE(d->TitleCenter->isChecked());
    EXPECT_EQ(d->TitleShape->palette().color(QPalette::Window), QColor(255, 0, 0));
    EXPECT_EQ(d->CellColorShape->palette().color(QPalette::Window), QColor(0, 255, 0));
    EXPECT_TRUE(d->ShowGridTitle->isChecked());
    EXPECT_FALSE(d->RowLines->isChecked());
    EXPECT_TRUE(d->FieldEditing->isChecked());

    for (QTableWidget* g : {d->FieldsToDisplay, d->FieldWidthGrid, d->FieldNameGrid})
        EXPECT_EQ(g->rowCount(), 36);
    EXPECT_EQ(cell(d->FieldWidthGrid, 2, 0), "Year");
    EXPECT_EQ(cell(d->FieldWidthGrid, 8, 1), "40");
    EXPECT_EQ(cell(d->FieldWidthGrid, 0, 1), "15");
    EXPECT_EQ(cell(d->FieldsToDisplay, 3, 1), "No");
    EXPECT_EQ(cell(d->FieldsToDisplay, 4, 1), "Yes");
    EXPECT_EQ(cell(d->FieldNameGrid, 8, 0), "Descriptio");
    EXPECT_EQ(cell(d->FieldNameGrid, 2, 0), "YearPub");
    EXPECT_EQ(cell(d->FieldNameGrid, 2, 1), "Year");
    EXPECT_EQ(orderRows().mid(0, 3), (QStringList{"Author", "Title", "Year"}));
    EXPECT_EQ(orderRows().last(), "User Defined 6");

    // Only the second column of the widths and names grids can be edited.
    const auto editable = [](QTableWidget* g, int column) {
        return (g->item(0, column)->flags() & Qt::ItemIsEditable) != 0;
    };
    EXPECT_TRUE(editable(d->FieldWidthGrid, 1));
    EXPECT_TRUE(editable(d->FieldNameGrid, 1));
    EXPECT_FALSE(editable(d->FieldWidthGrid, 0));
    EXPECT_FALSE(editable(d->FieldNameGrid, 0));
    EXPECT_FALSE(editable(d->FieldsToDisplay, 1));
    EXPECT_FALSE(editable(d->FieldOrderGrid, 0));
}

TEST_F(ViewConfig, CheckBoxesAndAlignmentChangeTheSettingsAtOnce) {
    auto& s = link.settings();
    TViewConfig* d = open();
    d->Notebook->setCurrentIndex(1);
    d->ColumnLines->click();
    d->RowIndicator->click();
    d->FieldEditing->click();
    EXPECT_FALSE(s.gridColumnLines);
    EXPECT_TRUE(s.gridRowLines);
    EXPECT_FALSE(s.gridRowIndicator);
    EXPECT_TRUE(s.gridFieldEditing);
    d->Notebook->setCurrentIndex(0);
    d->ShowGridTitle->click();
    EXPECT_FALSE(s.gridShowTitles);
    d->TitleLeft->click();
    EXPECT_EQ(s.gridTitleAlignment, 1);
    d->TitleRight->click();
    EXPECT_EQ(s.gridTitleAlignment, 3);
    d->TitleCenter->click();
    EXPECT_EQ(s.gridTitleAlignment, 2);
    d->ShowGridTitle->click();
    EXPECT_TRUE(s.gridShowTitles);
}

// The dialog changes the settings of the main window it is opened for, and
// its grids take the scale of that window's run.
TEST_F(ViewConfig, WorksOnTheSettingsAndScaleOfItsMainWindow) {
    const settings::Settings program = settings::settings();
    link.runState().screenPreset = 800;
    link.settings().fieldNames[1] = QStringLiteral("Name");
    TViewConfig* d = open();
    EXPECT_EQ(d->FieldWidthGrid->columnWidth(0), 250);
    EXPECT_EQ(d->FieldNameGrid->columnWidth(1), 250);
    d->Notebook->setCurrentIndex(1);
    d->ColumnLines->click();
    d->TitleRight->click();
    d->close();
    EXPECT_FALSE(link.settings().gridColumnLines);
    EXPECT_EQ(link.settings().gridTitleAlignment, 3);
    EXPECT_EQ(link.settings().fieldNames[1], QStringLiteral("Name"));
    EXPECT_EQ(settings::settings().gridColumnLines, program.gridColumnLines);
    EXPECT_EQ(settings::settings().gridTitleAlignment, program.gridTitleAlignment);
    EXPECT_EQ(settings::settings().fieldNames[1], program.fieldNames[1]);
}

TEST_F(ViewConfig, ColoursAndFontsGoThroughTheDialogModule) {
    auto& s = link.settings();
    s.gridFont.color = 255;
    TViewConfig* d = open();
    testsupport::ScriptedPrompter prompts;
    prompts.expectColor(QColor(1, 2, 3));
    prompts.expectColor(std::nullopt);
    prompts.expectFont(QFont("Courier New", 14, QFont::Bold), QColor(0, 128, 0));
    prompts.expectFont(std::nullopt);
    button("Button1")->click();
    EXPECT_EQ(s.gridTitleColor, 1 + 2 * 256 + 3 * 65536);
    EXPECT_EQ(d->TitleShape->palette().color(QPalette::Window), QColor(1, 2, 3));
    button("NewColorBUtton")->click();  // cancelled
    EXPECT_EQ(s.gridCellColor, settings::kLightGrey);
    button("NewFontButton")->click();
    EXPECT_EQ(s.gridFont.name, "Courier New");
    EXPECT_EQ(s.gridFont.size, 14);
    EXPECT_TRUE(s.gridFont.bold);
    EXPECT_EQ(s.gridFont.color, 128 * 256);
    EXPECT_EQ(d->GridFont->text(), "14pt Courier New");
    button("TitleFontButton")->click();  // cancelled
    EXPECT_EQ(s.gridTitleFont, settings::Settings().gridTitleFont);
    EXPECT_EQ(d->TitleFont->text(), "12pt Arial");
    // Each dialog opened on the current value, the fonts with their colour.
    ASSERT_EQ(prompts.asked().size(), 4);
    EXPECT_EQ(prompts.asked()[0], "Color #828282");
    EXPECT_EQ(prompts.asked()[1], "Color #c0c0c0");
    EXPECT_TRUE(prompts.asked()[2].startsWith("Font Arial,10,"))
        << prompts.asked()[2].toStdString();
    EXPECT_TRUE(prompts.asked()[2].endsWith(" #ff0000")) << prompts.asked()[2].toStdString();
    EXPECT_TRUE(prompts.asked()[3].startsWith("Font Arial,12,"))
        << prompts.asked()[3].toStdString();
    EXPECT_TRUE(prompts.asked()[3].endsWith(" #000000")) << prompts.asked()[3].toStdString();
}

// The font dialog of the grid fonts offers a colour beside the font's
// effects, starting on the font's own colour.
TEST(FontColorDialog, StartsOnTheColourAndGivesTheChoice) {
    QFont font("Courier New", 11);
    font.setUnderline(true);
    ui::FontColorDialog named(nullptr, font, QColor(0, 0, 128));
    EXPECT_EQ(named.colorList()->currentText(), "Navy");
    EXPECT_EQ(named.selectedColor(), QColor(0, 0, 128));
    EXPECT_TRUE(named.selectedFont().underline());
    EXPECT_EQ(named.selectedFont().pointSize(), 11);
    named.colorList()->setCurrentIndex(named.colorList()->findText("Red"));
    EXPECT_EQ(named.selectedColor(), QColor(255, 0, 0));

    // A colour that is none of the named ones is offered as it is.
    ui::FontColorDialog own(nullptr, font, QColor(1, 2, 3));
    EXPECT_EQ(own.selectedColor(), QColor(1, 2, 3));
    EXPECT_EQ(own.colorList()->count(), 17);
}

TEST_F(ViewConfig, DoubleClickTogglesDisplayItOnly) {
    TViewConfig* d = open();
    d->Notebook->setCurrentIndex(2);
    QTableWidget* g = d->FieldsToDisplay;
    doubleClick(g, 4, 1);
    EXPECT_EQ(cell(g, 4, 1), "No");
    doubleClick(g, 4, 1);
    EXPECT_EQ(cell(g, 4, 1), "Yes");
    doubleClick(g, 5, 1);
    doubleClick(g, 6, 0);  // the field's name: nothing
    EXPECT_EQ(cell(g, 6, 1), "Yes");
    EXPECT_EQ(cell(g, 6, 0), "Cost");
    d->close();
    EXPECT_FALSE(link.settings().displayFields[6]);
    EXPECT_TRUE(link.settings().displayFields[5]);
    EXPECT_TRUE(link.settings().displayFields[7]);
}

TEST_F(ViewConfig, UpDownAndDefaults) {
    TViewConfig* d = open();
    d->Notebook->setCurrentIndex(4);
    QTableWidget* g = d->FieldOrderGrid;
    const QStringList start = orderRows();
    g->setCurrentCell(0, 0);
    button("OrderUp")->click();
    EXPECT_EQ(orderRows(), start);
    EXPECT_EQ(g->currentRow(), 0);
    g->setCurrentCell(35, 0);
    button("OrderDown")->click();
    EXPECT_EQ(orderRows(), start);
    g->setCurrentCell(2, 0);
    button("OrderUp")->click();
    EXPECT_EQ(orderRows().mid(0, 3), (QStringList{"Title", "Year Pub", "Author"}));
    EXPECT_EQ(g->currentRow(), 1);  // the moved name stays selected
    button("OrderDown")->click();
    button("OrderDown")->click();
    EXPECT_EQ(orderRows().mid(0, 4), (QStringList{"Title", "Author", "Publisher", "Year Pub"}));
    EXPECT_EQ(g->currentRow(), 3);
    const QStringList moved = orderRows();

    testsupport::ScriptedPrompter prompts;
    const QString question =
        "This will set the order of fields to the program defaults.  Continue?";
    prompts.expectQuestion("Re-Order", question, false);
    button("OrderDefaults")->click();
    EXPECT_EQ(orderRows(), moved);
    prompts.expectQuestion("Re-Order", question, true);
    button("OrderDefaults")->click();
    EXPECT_EQ(orderRows(), start);
}

TEST_F(ViewConfig, ClosingStoresWidthsNamesFlagsAndOrder) {
    auto& s = link.settings();
    TViewConfig* d = open();
    type(d->FieldWidthGrid, 0, "0");
    type(d->FieldWidthGrid, 1, "300");
    type(d->FieldWidthGrid, 2, "");
    type(d->FieldWidthGrid, 3, "12abc");
    type(d->FieldWidthGrid, 4, " 33 ");
    type(d->FieldNameGrid, 8, "A description too long to keep");
    d->FieldOrderGrid->setCurrentCell(3, 0);
    d->OrderUpClick();
    // Nothing reaches the settings before the dialog closes.
    EXPECT_EQ(s.fieldWidth[1], 15);
    EXPECT_EQ(s.fieldNames[9], "Description");
    button("ExitButton")->click();
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(s.fieldWidth[1], 10);
    EXPECT_EQ(s.fieldWidth[2], 10);
    EXPECT_EQ(s.fieldWidth[3], 10);
    EXPECT_EQ(s.fieldWidth[4], 12);
    EXPECT_EQ(s.fieldWidth[5], 33);
    EXPECT_EQ(cell(d->FieldWidthGrid, 0, 1), "10");
    EXPECT_EQ(cell(d->FieldWidthGrid, 1, 1), "10");
    EXPECT_EQ(cell(d->FieldWidthGrid, 2, 1), "10");
    EXPECT_EQ(cell(d->FieldWidthGrid, 3, 1), "12abc");
    EXPECT_EQ(s.fieldNames[9], "A description too lo");
    EXPECT_EQ(s.fieldOrder[4], 3);
    EXPECT_EQ(s.fieldOrder[3], 4);
    EXPECT_EQ(s.fieldOrder[1], 1);
}

// The title bar's close button and the Escape key apply everything, as
// "E&xit" does: the dialog has no cancel.
TEST_F(ViewConfig, EveryWayOfClosingApplies) {
    auto& s = link.settings();
    TViewConfig* d = open();
    type(d->FieldWidthGrid, 0, "20");
    d->close();
    EXPECT_EQ(s.fieldWidth[1], 20);

    TViewConfig* e = open();
    type(e->FieldWidthGrid, 0, "21");
    QTest::keyClick(e, Qt::Key_Escape);
    EXPECT_FALSE(e->isVisible());
    EXPECT_EQ(s.fieldWidth[1], 21);
}

// What is typed in a cell still open counts when the dialog is left by a
// key, without the cell losing the focus first.
TEST_F(ViewConfig, AnOpenCellEditorIsTakenAtClose) {
    TViewConfig* d = open();
    d->Notebook->setCurrentIndex(3);
    QTableWidget* g = d->FieldWidthGrid;
    g->setCurrentCell(1, 1);
    g->editItem(g->item(1, 1));
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    ASSERT_NE(editor, nullptr);
    editor->setText("44");
    d->ExitButtonClick();  // as its key does, the focus still in the cell
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(link.settings().fieldWidth[2], 44);
}

// A field renamed and moved in the same visit takes its new place, and two
// fields given one name keep their own places.
TEST_F(ViewConfig, RenamingKeepsTheFieldsOwnOrderRow) {
    auto& s = link.settings();
    TViewConfig* d = open();
    type(d->FieldNameGrid, 2, "Year");
    EXPECT_EQ(cell(d->FieldOrderGrid, 2, 0), "Year");  // the order page follows
    EXPECT_EQ(cell(d->FieldWidthGrid, 2, 0), "Year");
    EXPECT_EQ(cell(d->FieldsToDisplay, 2, 0), "Year");
    d->FieldOrderGrid->setCurrentCell(2, 0);
    d->OrderUpClick();
    type(d->FieldNameGrid, 4, "Author");  // Category now also "Author"
    d->close();
    EXPECT_EQ(s.fieldOrder[3], 2);
    EXPECT_EQ(s.fieldOrder[2], 3);
    EXPECT_EQ(s.fieldOrder[5], 5);
    EXPECT_EQ(s.fieldNames[5], "Author");
    EXPECT_EQ(s.fieldNames[2], "Author");
}

TEST_F(ViewConfig, HelpOpensThePageOfTheCurrentPage) {
    TViewConfig* d = open();
    const QStringList pages = {"viewer_title.html",  "viewer_look.html",  "viewer_show.html",
                               "viewer_widths.html", "viewer_order.html", "viewer_names.html"};
    for (int i = 0; i < 6; ++i) {
        d->Notebook->setCurrentIndex(i);
        button("HelpButton")->click();
        ui::HelpWindow* help = d->findChild<ui::HelpWindow*>();
        ASSERT_NE(help, nullptr);
        EXPECT_TRUE(help->currentPage().endsWith(pages[i])) << help->currentPage().toStdString();
        EXPECT_TRUE(ui::HelpWindow::keywords().contains(TViewConfig::helpKeywords()[i]));
    }
    d->findChild<ui::HelpWindow*>()->close();
}

TEST_F(ViewConfig, PaintsItselfInTheConfigureColours) {
    auto& set = link.settings().colorSet(settings::ConfigureWindow);
    set[settings::MainBackground] = 4194432;  // 128,0,64
    set[settings::MajorTitle] = 255;
    set[settings::MinorTitle] = 16711935;
    set[settings::EditBackground] = 65535;
    set[settings::ListBoxBackground] = 65280;
    set[settings::CheckBackground] = 8421376;
    set[settings::RadioText] = 16711680;
    TViewConfig* d = open();
    EXPECT_EQ(d->palette().color(QPalette::Window), QColor(128, 0, 64));
    auto* heading = d->findChild<QGroupBox*>("GridOptionsBox");
    EXPECT_EQ(heading->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_EQ(d->FieldLabel->palette().color(QPalette::WindowText), QColor(255, 0, 255));
    EXPECT_EQ(d->OrderingLabel->palette().color(QPalette::WindowText), QColor(255, 0, 255));
    EXPECT_EQ(d->TitleFont->palette().color(QPalette::Base), QColor(255, 255, 0));
    EXPECT_EQ(d->GridFont->palette().color(QPalette::Base), QColor(255, 255, 0));
    for (QTableWidget* g :
         {d->FieldsToDisplay, d->FieldWidthGrid, d->FieldOrderGrid, d->FieldNameGrid})
        EXPECT_EQ(g->palette().color(QPalette::Base), QColor(0, 255, 0));
    EXPECT_EQ(d->RowLines->palette().color(QPalette::Window), QColor(0, 128, 128));
    EXPECT_EQ(d->TitleLeft->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    // The swatches keep the grid's colours.
    EXPECT_EQ(d->CellColorShape->palette().color(QPalette::Window), QColor(192, 192, 192));
}

}  // namespace
