// TMain: start-up, showing, activation and closing. Controls and menus are
// built in tmain_controls.cpp, the commands live in tmain_commands.cpp and
// the viewer grid in tmain_viewer.cpp.
#include "app/tmain.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPrinter>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>

#include "app/database_commands.h"
#include "data/collection.h"
#include "data/database_files.h"
#include "data/error_text.h"
#include "data/grid_model.h"
#include "data/run_state.h"
#include "reports/definition_file.h"
#include "settings/paths.h"
#include "settings/settings.h"
#include "ui/help_window.h"
#include "ui/keyboard.h"
#include "ui/messages.h"

namespace app {

TMain::TMain(settings::Settings& settings, books::RunState& run, QWidget* parent)
    : QMainWindow(parent),
      DataOpenDialog{QStringLiteral("Open Database File"), QStringLiteral("DBF"),
                     QStringLiteral("Database Files (*.DBF *.dbf)")},
      DataNewDialog{QStringLiteral("New Database File"), QStringLiteral("DBF"),
                    QStringLiteral("Database Files (*.DBF *.dbf)")},
      settings_(settings),
      run_(run),
      collection_(std::make_unique<books::OpenCollection>()),
      columns_(books::ColumnLayout::initial()),
      printer_(std::make_unique<QPrinter>()) {
    setObjectName(QStringLiteral("Main"));
    ui::installKeyboardRules();
    createControls();
    createMenus();
    connectCommands();
    // The caption names the open collection; the grid and the count follow
    // every change of its records.
    connect(collection_.get(), &books::OpenCollection::switched, this, [this] {
        setWindowTitle(QStringLiteral("Tomekeep Books 95 (%1)").arg(collection_->name()));
    });
    connect(collection_.get(), &books::OpenCollection::recordsChanged, this, [this] {
        MyDataSource_->reload();
        DisplayCount();
    });
    // What the engine worked around when it opened the collection (a repaired
    // index, a header counting records the file lacks) is told once, after
    // the operation that opened it.
    connect(collection_.get(), &books::OpenCollection::openWarnings, this,
            [this](const QStringList& texts) {
                ui::showWarning(this, texts.join(QStringLiteral("\n\n")));
            });
    // The design state: the speed-button layout, which a stored button-bar
    // mode other than 1 to 3 leaves in place.
    applyBarLayout(1);
}

TMain::StartResult TMain::startUp(const QStringList& arguments) {
    // FormCreate, in this order.
    DisableEndSearch();
    setCaptionsAndFolders();
    createFonts();
    startReportDefinitions();
    loadSettingsFile();
    placeWindow();
    buildSortExpression();
    applyFormatsAtStart();
    const QString path = chooseDatabase();
    // Without a collection there is nothing to show (the reason was shown).
    if (path.isEmpty())
        return StartResult::NoCollection;
    // Nothing valid to show and the user cancelled the open dialog.
    if (!app::openAtStartup(*this, path))
        return StartResult::Cancelled;
    SetButtonBar();
    chooseScreenSizeAtStart();
    buildLastFilesAndOfferConversion();
    applyBrowseMode(arguments);
    return StartResult::Ready;
}

TMain::~TMain() {
    // The model observes MyTable: let it go before the table.
    ViewerGrid->setModel(nullptr);
    delete MyDataSource_;
    MyDataSource_ = nullptr;
}

settings::Settings& TMain::settings() {
    return settings_;
}

books::RunState& TMain::runState() {
    return run_;
}

bool TMain::searchActive() const {
    return run_.searchActive;
}

bool TMain::beginSearch(std::function<bool(const dbase::Table&)> test) {
    // The grid hears of the new filter once, after it is in: installing it
    // settles the table on the first record that passes (reading no further
    // than that one), and the grid then lists the passing records in one
    // pass, which the count reuses.
    dbase::Table& table = MyTable();
    const bool open = table.isOpen();
    if (open)
        table.disableControls();
    queryFilter_ = std::move(test);
    EnableEndSearch();
    const bool any = open && table.recNo() != 0;
    // A search that shows nothing is taken off before the grid would list
    // its (no) records in a second pass; the caller ends it.
    if (!any)
        DisableEndSearch();
    if (open)
        table.enableControls();
    DisplayCount();
    return any;
}

std::function<bool(const dbase::Table&)> TMain::activeSearch() const {
    if (!searchActive())
        return {};
    return queryFilter_;
}

bool TMain::browseMode() const {
    return run_.browseMode;
}

// ---- Start-up steps -------------------------------------------------------

void TMain::setCaptionsAndFolders() {
    setWindowTitle(QStringLiteral("Tomekeep Books 95"));
    ViewerLabel->setText(QStringLiteral("Book Viewer"));
    auto& rs = run_;
    rs.programDirectory = settings::programDirectory();
    rs.startDirectory = settings::startDirectory();
    ViewerLabel->adjustSize();
    placeViewerLabel();
}

void TMain::createFonts() {
    gridTitleFont_ = QFont(QStringLiteral("Arial"), 12);
    gridFont_ = QFont(QStringLiteral("Arial"), 10);
    labelFont_ = editFont_ = buttonFont_ = QFont(QStringLiteral("Arial"));
}

// The report definitions file: the built-in reports when it is missing, then
// the reports of the earlier version's file. What went wrong is said; the
// start goes on. A program folder that could not be made is reported when
// the collection is looked for.
void TMain::startReportDefinitions() {
    const QString directory = run_.programDirectory;
    if (!QFileInfo(directory).isDir())
        return;
    const auto result = reports::initialiseDefinitions(directory);
    for (const QString& problem : result.problems)
        ui::showError(this, problem);
}

void TMain::loadSettingsFile() {
    settings_.load(settings::settingsFile());
}

void TMain::placeWindow() {
    const auto& s = settings_;
    move(s.mainWindowLeft, s.mainWindowTop);
    resize(std::max(s.mainWindowWidth, 100), std::max(s.mainWindowHeight, 100));
}

QString TMain::chooseDatabase() {
    // The last database, when it is still a file (a folder of that name is
    // not one); otherwise the default collection of the program directory.
    const QString last = settings_.lastDatabase;
    if (!last.isEmpty() && QFileInfo(last).isFile())
        return last;
    const QString dir = run_.programDirectory;
    QString reason;
    if (!settings::makeFolder(dir, &reason)) {
        ui::showError(this, QStringLiteral("The folder for the program's files, \"%1\", cannot "
                                           "be created: %2")
                                .arg(dir, reason));
        return {};
    }
    const QString found = settings::findFileNoCase(dir, QStringLiteral("MASTER.DBF"));
    if (!found.isEmpty())
        return found;
    const QString master = dir + QStringLiteral("/MASTER.DBF");
    try {
        books::createCollection(master);
    } catch (const dbase::Error& e) {
        ui::showError(this, books::errorText(e, settings_));
        return {};
    }
    return master;
}

void TMain::showLastFiles(const std::array<QString, 5>& files) {
    bool any = false;
    for (const QString& f : files)
        any = any || !f.isEmpty();
    MenuExitSep->setVisible(any);
    for (std::size_t k = 0; k < files.size(); ++k) {
        QAction* item = MenuLastFile[k];
        if (!any || files[k].isEmpty()) {
            item->setVisible(false);
            continue;
        }
        item->setText(books::lastFileCaption(static_cast<int>(k) + 1, files[k]));
        item->setVisible(true);
    }
}

void TMain::chooseScreenSizeAtStart() {
    ScreenSizeClick(0);  // 0: choose from the stored preset and the screen
}

void TMain::buildLastFilesAndOfferConversion() {
    app::SetMenuLastFiles(*this);
    app::CheckForConversion(*this);
}

void TMain::applyBrowseMode(const QStringList& arguments) {
    auto& rs = run_;
    rs.browseMode = !arguments.isEmpty() && books::isBrowseArgument(arguments.first());
    if (!rs.browseMode)
        return;
    // "Field Editing" stays the user's setting: the grid is read-only while
    // browse mode lasts (SetViewerOptions), and the settings file keeps it.
    for (QAction* a : {MenuAdd, MenuCopy, MenuDelete, MenuBackup, MenuRestore, MenuViewer,
                       MenuImport, MenuSearchReplace})
        a->setEnabled(false);
    MenuMaintain->setEnabled(false);
    for (QWidget* w :
         std::initializer_list<QWidget*>{AddSpeed, CopySpeed, ImportSpeed, DeleteSpeed, ViewerSpeed,
                                         AddButton, CopyButton, DeleteButton, ViewerButton})
        w->setEnabled(false);
    MyNavigator->setBrowseOnly(true);
    SetViewerOptions();
}

// ---- Shown, activated, closed ---------------------------------------------

void TMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    FormShow();
}

void TMain::FormShow() {
    ApplyUserFonts();
    SetViewerOptions();
    SetColors();
    // The lists are read once: afterwards what is in memory (additions of
    // the edit form, the maintenance dialog's changes not yet written) is
    // what the grid shows.
    if (!listsLoaded_)
        LoadAllLists();
    DisplayCount();
    FormResize();
    ViewerGrid->setFocus();  // the keys move through the books at once
}

void TMain::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && !activatedOnce_) {
        activatedOnce_ = true;
        FormActivate();
    }
}

void TMain::FormActivate() {
    if (settings_.showTips)
        runHandler(Command::Tips);
}

void TMain::closeEvent(QCloseEvent* event) {
    if (!closed_)
        FormClose();
    event->accept();
}

void TMain::FormClose() {
    closed_ = true;
    postPending();
    run_.searchActive = false;
    auto& s = settings_;
    s.mainWindowLeft = x();
    s.mainWindowTop = y();
    s.mainWindowWidth = width();
    s.mainWindowHeight = height();
    QString error;
    if (!settings_.save(settings::settingsFile(), &error))
        ui::showError(this, error);
    // Lists changed in List Maintenance after the edit form last closed
    // would otherwise be lost with the run.
    if (pickLists_.unsaved() && !pickLists_.directory().isEmpty()) {
        const QString problems = pickLists_.saveAll();
        if (!problems.isEmpty())
            ui::showError(this,
                          QStringLiteral("These pick lists could not be saved:\n") + problems);
    }
}

bool TMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == client && event->type() == QEvent::Resize)
        FormResize();
    return QMainWindow::eventFilter(watched, event);
}

int TMain::clientWidth() const {
    return client->width();
}
int TMain::clientHeight() const {
    return client->height();
}

bool TMain::runHandler(Command c, int argument, const QString& what) {
    const Handler* handler = handlers_.find(c);
    if (!handler) {
        if (!what.isEmpty())
            ui::showNotice(this, what + QStringLiteral(" is not available in this version."));
        return false;
    }
    // A copy: the handler may replace itself while it runs.
    const Handler run = *handler;
    run(*this, argument);
    return true;
}

void TMain::reportEngineError(const std::exception& e) {
    ui::showError(this, books::errorText(e, settings_));
}

}  // namespace app
