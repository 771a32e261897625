// The Tab order of every window the program opens, walked with real Tab and
// Shift+Tab presses: the order a user reads the window in, top to bottom
// and left to right, a group box or panel read as one, a radio group one
// stop at its checked button, a grid left from its last cell. (The edit
// form's and the search windows' orders are checked with their own tests.)
#include <QAction>
#include <QTabWidget>

#include <functional>
#include <memory>

#include "app/tmysortorder.h"
#include "appearance/tcolorconfig.h"
#include "appearance/tviewconfig.h"
#include "backup/ui/tmybackup.h"
#include "backup/ui/tmyrestore.h"
#include "edit/ui/tmyeditbox.h"
#include "exchange/ui/timportformat.h"
#include "exchange/ui/tmyexport.h"
#include "exchange/ui/tmyimport.h"
#include "info/ttipofday.h"
#include "reports/report_definition.h"
#include "reports/ui/tmypreview.h"
#include "reports/ui/tmyreport.h"
#include "reports/ui/treplayout.h"
#include "reports/ui/treportpart.h"
#include "reports/ui/tuserreport.h"
#include "tests/app/main_fixture.h"
#include "tests/support/form_checks.h"
#include "tests/support/key_driver.h"

namespace {

namespace keys = testsupport;

class TabOrder : public MainFixture {
  protected:
    // Shows `window`, makes it active and checks its Tab order from `first`.
    void check(QWidget* window, const char* first, const QStringList& expected) {
        window->show();
        ASSERT_TRUE(keys::activate(window));
        QWidget* start = window->findChild<QWidget*>(QLatin1String(first));
        ASSERT_NE(start, nullptr) << first;
        EXPECT_NO_FAULTS(keys::tabOrderFaults(start, expected));
        window->hide();
    }
    testsupport::ScriptedPrompter prompter;
    reports::ReportDefinition definition = reports::builtInReports()[0];
};

TEST_F(TabOrder, TheMainWindowReadsEachFrameOfButtonsRowByRowThenTheGrid) {
    child<QAction>("MenuButtons")->trigger();  // lettered buttons take the focus
    check(main, "AddButton",
          {"AddButton", "CopyButton", "EditButton", "DeleteButton", "SearchButton", "ReportButton",
           "ViewerButton", "HelpButton", "ButtonExit", "ViewerGrid"});
    app::TMySortOrder sort(*main, main);
    check(&sort, "ComboBox1",
          {"ComboBox1", "ComboBox2", "ComboBox3", "ComboBox4", "OkButton", "CancelButton"});
}

TEST_F(TabOrder, ExportAndImportReadTheGridThenTheButtonsBesideItThenTheOptions) {
    exchangeui::TMyExport exportForm(*main, main);
    check(&exportForm, "ExportGrid",
          {"ExportGrid", "UpButton", "DownButton", "DefaultsButton", "ExportEntire", "AsciiFile",
           "FirstRow", "StartExportButton", "ExitButton", "HelpButton"});
    exchangeui::TImportFormat format(*main, main);
    check(&format, "AsciiDelimited", {"AsciiDelimited", "FileButton", "CancelButton"});
    exchangeui::TMyImport importForm(*main, exchangeui::TMyImport::Source::Text,
                                     masterPath + ".txt", {"Title", "Author"}, main);
    check(&importForm, "ImportGrid",
          {"ImportGrid", "UpButton", "DownButton", "SkipFirst", "StartButton", "ExitButton",
           "HelpButton"});
}

TEST_F(TabOrder, BackupRestoreTipAndListMaintenanceReadTopToBottom) {
    backupui::TMyBackup backup(*main, main);
    check(&backup, "BackDBF",
          {"BackDBF", "DriveBox", "DirBox", "StartButton", "CancelButton", "HelpButton"});
    backupui::TMyRestore restore(*main, main);
    check(&restore, "RestoreDBF", {"RestoreDBF", "StartButton", "CancelButton", "HelpButton"});
    info::TTipOfDay tip(*main);
    check(&tip, "ShowTips", {"ShowTips", "NextTipButton", "CloseButton"});
    editui::TMyEditBox lists(*main, books::PickList::Author, main);
    check(&lists, "AddInfo",
          {"AddInfo", "AddButton", "TheList", "DeleteButton", "OkButton", "CancelButton"});
}

TEST_F(TabOrder, TheColourWindowReadsItsGroupsRowByRow) {
    appearance::TColorConfig colors(*main, 1);
    check(&colors, "MainBack",
          {"MainBack",  "MajorTitles", "MinorTitles", "EditBoxText", "EditBoxBack", "EditBox",
           "ComboText", "ComboBack",   "ComboBox",    "ListText",    "ListBack",    "ListBox",
           "RadioText", "RadioBack",   "RadioButton", "CheckText",   "CheckBack",   "CheckBox",
           "ColorSets", "Ok",          "Cancel"});
}

// Each page from its first control to the buttons under the notebook; then
// the page tabs (with their scroll arrows when the tabs do not fit).
TEST_F(TabOrder, EachViewerConfigurationPageReadsTopToBottomThenTheButtons) {
    appearance::TViewConfig config(*main);
    config.show();
    ASSERT_TRUE(keys::activate(&config));
    auto* notebook = config.findChild<QTabWidget*>("Notebook");
    ASSERT_NE(notebook, nullptr);
    const QStringList buttons{"HelpButton", "ExitButton", "qt_tabwidget_tabbar"};
    const QStringList pages[] = {
        {"ShowGridTitle", "Button1", "TitleCenter", "TitleFont", "TitleFontButton"},
        {"ColumnLines", "RowLines", "RowIndicator", "FieldEditing", "NewColorBUtton", "GridFont",
         "NewFontButton"},
        {"FieldsToDisplay"},
        {"FieldWidthGrid"},
        {"FieldOrderGrid", "OrderUp", "OrderDown", "OrderDefaults"},
        {"FieldNameGrid"}};
    ASSERT_EQ(notebook->count(), 6);
    for (int page = 0; page < 6; ++page) {
        notebook->setCurrentIndex(page);
        const QStringList want = pages[page] + buttons;
        ASSERT_TRUE(keys::focusOn(config.findChild<QWidget*>(pages[page].first())));
        EXPECT_EQ(keys::tabChain(&config).mid(0, want.size()), want) << "page " << page;
    }
}

TEST_F(TabOrder, TheReportWindowsReadTopToBottomLeftColumnFirstInEachBand) {
    reportsui::TMyReport list(*main);
    check(&list, "ExportEntire",
          {"ExportEntire", "ReportBox", "ModifyButton", "NewButton", "ViewButton", "PrintButton",
           "FileButton", "HelpButton", "ExitButton"});
    reportsui::TUserReport design(*main, definition, 0, main);
    check(&design, "ReportName",
          {"ReportName",    "Chars90",      "TitleLineFont", "ColumnHeaderFont", "RepBodyDataFont",
           "FootnoteFont",  "SetFonts",     "Title1",        "Title2",           "Title3",
           "Level1Group",   "Level2Group",  "ColumnHeaders", "HorzLines",        "VertLines",
           "DateOnPage",    "PageNumbers",  "LandOrient",    "NumLines",         "UseTotals",
           "SpecifyButton", "TopMargin",    "BottomMargin",  "LeftMargin",       "RightMargin",
           "UpdateButton",  "CancelButton", "DeleteButton",  "HelpButton"});
    reportsui::TReportFonts fonts(definition, main->settings(), 1.0, main);
    check(&fonts, "TitleFont",
          {"TitleFont", "NewFont1", "ColumnFont", "NewFont2", "BodyFont", "NewFont3",
           "FootnoteFont", "NewFont4", "OkButton"});
    reportsui::TReportPart part(definition.lines[0], 1, 1, 80, main->settings(), 1.0, main);
    check(&part, "RadioField",
          {"RadioField", "FieldWidth", "FieldList", "OkButton", "CancelButton"});
    reportsui::TRepLayout layout(definition, 80, false, main->settings(), 1.0, main);
    check(&layout, "OkButton", {"OkButton", "CancelButton"});
    reportsui::TPrintRange range(10, main->settings(), 1.0, main);
    check(&range, "StartPage", {"StartPage", "EndPage", "PrintButton", "CancelButton"});
}

}  // namespace
