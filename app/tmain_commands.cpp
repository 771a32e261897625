// TMain: the Do methods and the other menu commands.
#include <QAction>
#include <QActionGroup>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>

#include "app/about_box.h"
#include "app/tmain.h"
#include "appearance/tcolorconfig.h"
#include "data/grid_model.h"
#include "data/run_state.h"
#include "data/sort_expression.h"
#include "reports/ui/tmyreport.h"
#include "settings/formats.h"
#include "settings/settings.h"
#include "ui/help_window.h"
#include "ui/messages.h"
#include "ui/screen_size.h"
#include "ui/user_fonts.h"
#include "ui/wait_cursor.h"

namespace app {

void TMain::DoNew() {
    runHandler(Command::New, 0, QStringLiteral("New Database"));
    DisplayCount();
}
void TMain::DoOpen() {
    runHandler(Command::Open, 0, QStringLiteral("Open Database"));
    DisplayCount();
}

// Add, edit and copy: the edit form opened in its mode, then the count.
void TMain::showEditForm(books::EditMode mode) {
    if (mode != books::EditMode::Edit && browseMode())
        return;
    if (!postPending())
        return;
    run_.editMode = mode;
    runHandler(Command::EditRecord, static_cast<int>(mode), QStringLiteral("Edit"));
    SyncGridToTable();
    DisplayCount();
}

void TMain::DoAdd() {
    showEditForm(books::EditMode::Add);
}
void TMain::DoEdit() {
    showEditForm(books::EditMode::Edit);
}
void TMain::DoCopy() {
    showEditForm(books::EditMode::Copy);
}

void TMain::DoDelete() {
    if (browseMode())
        return;
    if (!postPending())
        return;
    if (!collection_->isOpen() || MyTable().isEmpty()) {
        DisplayCount();
        return;
    }
    if (ui::askYesNo(this, QStringLiteral("Confirm"), QStringLiteral("Delete this record?"))) {
        try {
            collection_->deleteCurrent();
        } catch (const dbase::Error& e) {
            reportEngineError(e);
        }
    }
    DisplayCount();
    SyncGridToTable();
}

void TMain::DoImport() {
    if (browseMode())
        return;
    postPending();
    runHandler(Command::Import, 0, QStringLiteral("Import"));
    DisplayCount();
}

void TMain::DoExport() {
    postPending();
    runHandler(Command::Export, 0, QStringLiteral("Export"));
}

void TMain::DoSearch() {
    postPending();
    runHandler(Command::Search, 0, QStringLiteral("Search"));
    DisplayCount();
}

// Commands that close the table stop when a pending record cannot be
// posted: closing would drop what the user typed (the engine's message has
// been shown and the record stays open for correction).
void TMain::DoEndSearch() {
    if (!postPending())
        return;
    DisableEndSearch();
    ui::WaitCursor wait;
    try {
        MyTable().close();
        MyTable().open();
    } catch (const dbase::Error& e) {
        reportEngineError(e);
    }
    SetViewerOptions();
    DisplayCount();
}

// Locate moves the table's current record; the grid follows it.
void TMain::DoFind() {
    postPending();
    runHandler(Command::Find, 0, QStringLiteral("Locate"));
    SyncGridToTable();
}
void TMain::DoFindNext() {
    postPending();
    runHandler(Command::FindNext, 0, QStringLiteral("Locate Next"));
    SyncGridToTable();
}

void TMain::DoReports() {
    postPending();
    runHandler(Command::Reports, 0, QStringLiteral("Reports"));
}

void TMain::DoViewer() {
    if (browseMode())
        return;
    postPending();
    runHandler(Command::Viewer, 0, QStringLiteral("Viewer Configuration"));
}

void TMain::DoSortOrder() {
    if (postPending())
        runHandler(Command::SortOrder, 0, QStringLiteral("Sort Order"));
}

void TMain::DoBackup() {
    if (browseMode())
        return;
    if (!postPending())
        return;
    runHandler(Command::Backup, 0, QStringLiteral("Back Up Data"));
}

void TMain::DoRestore() {
    if (browseMode())
        return;
    if (!postPending())
        return;
    runHandler(Command::Restore, 0, QStringLiteral("Restore Data"));
    DisplayCount();
}

// The report list belongs to the main window; after its file was replaced it
// lists the names of the new one.
void TMain::reloadReportList() {
    for (reportsui::TMyReport* list : findChildren<reportsui::TMyReport*>())
        list->LoadReportBox();
}

void TMain::DoHelp() {
    help_ = ui::showHelp(this);
}

void TMain::DoExit() {
    close();
}

// ---- Other menu commands --------------------------------------------------

void TMain::MenuPrinterSetupClick() {
    ui::setupPrinter(this, printer_.get());
}

void TMain::MenuAboutClick() {
    TAboutBox box(*this);
    box.exec();
}

void TMain::MenuSearchReplaceClick() {
    if (browseMode())
        return;
    if (!postPending())
        return;
    runHandler(Command::SearchReplace, 0, QStringLiteral("Search and Replace"));
}

void TMain::MenuTipsClick() {
    runHandler(Command::Tips, 0, QStringLiteral("Tips of the Day"));
}
void TMain::MenuPackClick() {
    if (!postPending())
        return;
    runHandler(Command::Pack, 0, QStringLiteral("Pack Database"));
    DisplayCount();
}

void TMain::MenuRebuildClick() {
    if (postPending())
        runHandler(Command::Rebuild, 0, QStringLiteral("Rebuild Indexes"));
}

void TMain::ColorItemClick(int code) {
    if (appearance::runColorConfig(*this, code) &&
        (code == settings::MainWindow || code == settings::AllWindows))
        SetColors();
}

void TMain::EditAList(int listNumber) {
    if (browseMode())
        return;
    runHandler(Command::ListMaintenance, listNumber, QStringLiteral("List Maintenance"));
    FillGridLists();
}

void TMain::ButtonBarClick(int mode) {
    settings_.buttonBar = mode;
    SetButtonBar();
}

// preset 0 chooses at start-up from the stored preset and the screen.
void TMain::ScreenSizeClick(int preset) {
    if (preset == 0) {
        ui::choosePresetAtStartup(run_, settings_);
        settings_.formats.setRegional(settings::regionalFormatOf(QLocale::system()));
    } else {
        ui::choosePreset(this, preset, run_, settings_);
    }
    const int current = run_.screenPreset;
    for (size_t k = 0; k < 4; ++k)
        MenuSize[k]->setChecked(ui::kPresets[k] == current);
}

void TMain::DateFormatClick(int code) {
    if (settings_.formats.dateFormat() == code &&
        MenuDate[static_cast<size_t>(code - 1)]->isChecked() && settings_.dateFormat == code)
        return;
    if (!settings_.formats.setDateFormat(code))
        return;
    for (int k = 0; k < 12; ++k)
        MenuDate[static_cast<size_t>(k)]->setChecked(k + 1 == code);
    settings_.dateFormat = code;
    ui::WaitCursor wait;
    try {
        if (MyTable().isOpen())
            MyTable().refresh();
    } catch (const dbase::Error& e) {
        reportEngineError(e);
    }
    MyDataSource_->reload();
}

void TMain::CurrencyClick(int code) {
    settings_.currencyFormat = code;
    MenuCurrencyUS->setChecked(code == 1);
    MenuCurrencyWindows->setChecked(code == 2);
}

void TMain::NumericClick(int code) {
    settings_.numericFormat = code;
    MenuNumericUS->setChecked(code == 1);
    MenuNumericWindows->setChecked(code == 2);
}

void TMain::FontClick(int which) {
    const ui::UserFont f = which == 1   ? ui::UserFont::Label
                           : which == 2 ? ui::UserFont::Edit
                                        : ui::UserFont::Button;
    if (ui::chooseUserFont(this, settings(), f))
        ApplyUserFonts();
}

void TMain::applyFormatsAtStart() {
    const auto& s = settings_;
    const int code = s.dateFormat;
    if (settings_.formats.setDateFormat(code))
        for (int k = 0; k < 12; ++k)
            MenuDate[static_cast<size_t>(k)]->setChecked(k + 1 == code);
    MenuCurrencyUS->setChecked(s.currencyFormat == 1);
    MenuCurrencyWindows->setChecked(s.currencyFormat == 2);
    MenuNumericUS->setChecked(s.numericFormat == 1);
    MenuNumericWindows->setChecked(s.numericFormat == 2);
}

void TMain::buildSortExpression() {
    BuildSortString();
}

void TMain::BuildSortString() {
    const auto& levels = settings_.sortOrder;
    collection_->setSortLevels({levels[0], levels[1], levels[2], levels[3]});
}

// ---- Search state ---------------------------------------------------------

void TMain::EnableEndSearch() {
    EndSearchButton->setEnabled(true);
    MenuEndSearch->setEnabled(true);
    EndSearchSpeed->setEnabled(true);
    run_.searchActive = true;
    SearchOnLabel->setVisible(true);
    // Only while searching does the engine consult a filter, so browsing the
    // whole collection costs nothing per record.
    collection_->setRecordFilter([this](const dbase::Table& t) { return MyTableFilter(t); });
}

bool TMain::MyTableFilter(const dbase::Table& table) const {
    if (!run_.searchActive || !queryFilter_)
        return true;
    return queryFilter_(table);
}

void TMain::DisableEndSearch() {
    EndSearchButton->setEnabled(false);
    MenuEndSearch->setEnabled(false);
    EndSearchSpeed->setEnabled(false);
    run_.searchActive = false;
    SearchOnLabel->setVisible(false);
    collection_->clearRecordFilter();
}

void TMain::DisplayCount() {
    // The grid counts a large collection after its first screen and then
    // says so (see the connection in createControls).
    if (collection_->countWaits()) {
        (void)MyDataSource_->rowCount();  // which puts the count off
        if (MyDataSource_->countPutOff()) {
            CountLabel->clear();
            return;
        }
    }
    showCountNow();
}

void TMain::showCountNow() {
    std::uint32_t n = 0;
    try {
        n = collection_->count();
    } catch (const dbase::Error& e) {
        // Shown as none, and said why (a damaged index, a read that failed).
        CountLabel->setText(QString::number(0));
        reportEngineError(e);
        return;
    }
    CountLabel->setText(QString::number(n));
}

}  // namespace app
