// TMain: the main window, the program's spine.
//
// It owns the open collection (books::OpenCollection) for the whole run,
// shows its table in ViewerGrid through the grid model MyDataSource, and
// dispatches every command. Each command is one Do method,
// reached from its lettered button, speed button and menu item alike.
//
// Other subsystems' windows see it only as a ui::MainWindowLink, never
// through this header. Its controls are private and carry their names as
// objectName (tests find them so). The window's start-up runs
// in the constructor (FormCreate); showing it applies fonts, viewer settings,
// colours, pick lists and the count (FormShow); closing it ends any search,
// records the window rectangle and writes the settings (FormClose).
//
// Commands whose windows other subsystems build run the handler registered
// with this window for them (setHandler); the main window refreshes the
// count afterwards where the command table says so. The command table
// (connectCommands) is the one place that wires buttons, speed buttons and
// menu items to the commands.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <array>
#include <functional>
#include <map>
#include <memory>

#include "app/record_navigator.h"
#include "app/viewer_grid.h"
#include "data/open_collection.h"
#include "data/pick_lists.h"
#include "data/run_state.h"
#include "data/viewer_columns.h"
#include "dbase/table.h"
#include "ui/help_window.h"
#include "ui/main_window_link.h"

class QAction;
class QActionGroup;
class QComboBox;
class QFrame;
class QLabel;
class QMenu;
class QPrinter;
class QPushButton;
class QToolButton;

namespace books {
class GridModel;
}
namespace settings {
struct Settings;
}

namespace app {

class TMain : public QMainWindow, public ui::MainWindowLink {
    Q_OBJECT
  public:
    // Commands carried out by windows of other subsystems (see
    // ui/main_window_link.h).
    using Command = ui::Command;
    using Handler = ui::CommandHandler;

    // Creates the controls and menus only; startUp() does the rest. The
    // window works with `settings` (read from and written to the settings
    // file, with the formats in force) and `run` (folders, search, edit and
    // browse state, the screen preset) for its whole life, and hands them
    // to the windows of the other subsystems.
    TMain(settings::Settings& settings, books::RunState& run, QWidget* parent = nullptr);
    ~TMain() override;

    // Start-up, in its order: settings, window place, formats, the choice and
    // opening of the collection, the button bar, the screen size, the last
    // files, the conversion of earlier versions, browse mode. `arguments`
    // are the command-line arguments after the program name. Ready when the
    // window can be shown; NoCollection when no collection exists nor can be
    // created, Cancelled when the user cancelled choosing one (the program
    // then ends). Nothing here ends the process.
    enum class StartResult { Ready, NoCollection, Cancelled };
    StartResult startUp(const QStringList& arguments);

    // ---- ui::MainWindowLink -------------------------------------------------
    QWidget* dialogParent() override { return this; }
    void refreshCount() override { DisplayCount(); }
    void reapplyViewerOptions() override { SetViewerOptions(); }
    void reloadPickLists() override { LoadAllLists(); }
    void refreshPickLists() override { FillGridLists(); }
    void reloadReportList() override;
    bool beginSearch(std::function<bool(const dbase::Table&)> test) override;
    std::function<bool(const dbase::Table&)> activeSearch() const override;
    void endSearch() override { DoEndSearch(); }
    bool searchActive() const override;
    QPrinter* printer() override { return printer_.get(); }
    settings::Settings& settings() override;
    books::RunState& runState() override;
    void setHandler(Command c, Handler h) override { handlers_.set(c, std::move(h)); }

    // ---- Commands ---------------------------------------------------------
    void DoNew();
    void DoOpen();
    void DoAdd();
    void DoEdit();
    void DoCopy();
    void DoDelete();
    void DoImport();
    void DoExport();
    void DoSearch();
    void DoEndSearch();
    void DoFind();
    void DoFindNext();
    void DoReports();
    void DoViewer();
    void DoSortOrder();
    void DoBackup();
    void DoRestore();
    void DoHelp();
    void DoExit();

    // ---- Operations other windows call ------------------------------------
    void SetViewerOptions();
    // Shows the count of visible records; a large collection not yet counted
    // is counted once the event loop runs again, after its first screen.
    void DisplayCount();
    void SetButtonBar();
    void SetColors();
    // Applies the user's label, edit and button fonts to this window.
    void ApplyUserFonts();
    // Reads the nine pick lists again and fills the grid's lists from them.
    void LoadAllLists();
    // Fills the grid's lists from the pick lists in memory.
    void FillGridLists();
    books::PickLists& pickLists() override { return pickLists_; }
    // Puts the grid's current row on the table's current record.
    void SyncGridToTable();
    // Posts a record left in edit or insert state by the grid or the
    // navigator, with what is typed in an open cell. False (the engine's
    // message shown, the record still open) when the engine refuses it.
    bool postPending() override;

    books::OpenCollection& collection() override { return *collection_; }
    books::GridModel* MyDataSource() const { return MyDataSource_; }
    QString sortExpression() const { return collection_->sortExpression(); }
    bool browseMode() const override;
    ui::HelpWindow* helpWindow() const { return help_.data(); }
    // The open collection's full path.
    QString databasePath() const { return collection_->path(); }
    // Takes the sort levels of the settings into the open collection.
    void BuildSortString();
    // Shows the last-files entries in the File menu (the separator only when
    // there is one).
    void showLastFiles(const std::array<QString, 5>& files);

    // The titles and filter of the two database file dialogs.
    struct FileDialogSetup {
        QString title;
        QString defaultExt;
        QString filter;
    };
    const FileDialogSetup DataOpenDialog;
    const FileDialogSetup DataNewDialog;

    // Menu actions not named in the table above, for completeness.
    void MenuPrinterSetupClick();
    void MenuAboutClick();
    void MenuSearchReplaceClick();
    void MenuTipsClick();
    void MenuPackClick();
    void MenuRebuildClick();
    void ColorItemClick(int code);
    void EditAList(int listNumber);
    void ScreenSizeClick(int preset);
    void ButtonBarClick(int mode);
    void DateFormatClick(int code);
    void CurrencyClick(int code);
    void NumericClick(int code);
    void FontClick(int which);  // 1 label, 2 edit, 3 button

    // What the last FormResize put where (for checks).
    int clientWidth() const;
    int clientHeight() const;

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void showCountNow();

    // The search state. Switching it on installs MyTableFilter as the record
    // filter of MyTable; switching it off removes it (the caller refreshes or
    // reopens the table). Others begin and end a search through
    // ui::MainWindowLink.
    void EnableEndSearch();
    void DisableEndSearch();
    // The record filter of MyTable: while a search is active, what the query
    // filter (the test beginSearch was given) answers for the record;
    // otherwise every record passes.
    bool MyTableFilter(const dbase::Table& table) const;
    dbase::Table& MyTable() { return collection_->table(); }

    // ---- Controls (tests reach them by their objectName) ----------------------
    QWidget* client = nullptr;
    QPushButton *AddButton, *EditButton, *CopyButton, *DeleteButton, *SearchButton,
        *EndSearchButton, *ReportButton, *ViewerButton, *HelpButton, *ButtonExit;
    QFrame *Bevel1, *Bevel2, *Bevel3, *Bevel4;
    QFrame* SpeedPanel;
    QToolButton *NewSpeed, *OpenSpeed, *AddSpeed, *EditSpeed, *CopySpeed, *DeleteSpeed,
        *ImportSpeed, *ExportSpeed, *SearchSpeed, *EndSearchSpeed, *LocateSpeed, *LocateNextSpeed,
        *ReportSpeed, *ViewerSpeed, *ColorSpeed, *SpeedSetOrder, *HelpSpeed;
    app::RecordNavigator* MyNavigator;
    QLabel* NavigatorLabel;
    QFrame* ViewerBevel;
    QLabel* ViewerLabel;
    app::ViewerGridView* ViewerGrid;
    QLabel *CountLabel, *Count2Label, *SearchOnLabel;
    QComboBox *MyComboAuthor, *MyComboLocation, *MyComboCategory, *MyComboPublisher, *MyComboBought,
        *MyComboCondition, *MyComboCheckOut, *MyComboBookType, *MyComboRating;

    // Menu items.
    QAction *MenuNew, *MenuOpen, *MenuBackup, *MenuRestore, *MenuPrint, *MenuPrinterSetup,
        *MenuExit, *MenuExitSep;
    std::array<QAction*, 5> MenuLastFile{};
    QAction *MenuAdd, *MenuEdit, *MenuCopy, *MenuDelete, *MenuImport, *MenuExport;
    QAction *MenuSearch, *MenuEndSearch, *MenuFind, *MenuFindNext, *MenuReports, *MenuViewer;
    QAction* MenuSortOrder;
    QMenu *MenuScreenSize, *MenuAccess, *MenuColor, *MenuMaintain, *MenuCurrency, *MenuNumeric,
        *MenuDateFormat;
    std::array<QAction*, 4> MenuSize{};  // 640, 800, 1024, 1280
    QAction *MenuSpeed, *MenuButtons, *MenuNoButtons;
    std::array<QAction*, 6> MenuColorItem{};     // window codes 1 to 6
    std::array<QAction*, 9> MenuMaintainItem{};  // in menu order
    QAction *MenuCurrencyUS, *MenuCurrencyWindows, *MenuNumericUS, *MenuNumericWindows;
    std::array<QAction*, 12> MenuDate{};  // date format codes 1 to 12
    QAction *MenuLabelFont, *MenuEditFont, *MenuButtonFont;
    QAction *MenuSearchReplace, *MenuRebuild, *MenuPack;
    QAction *MenuContents, *MenuTips, *MenuAbout;

    // Control creation.
    void createControls();
    void createLetteredButtons();
    void createSpeedButtons();
    void createViewer();
    void createMenus();
    void connectCommands();

    // The start-up steps, in their order.
    void setCaptionsAndFolders();
    void createFonts();
    void startReportDefinitions();
    void loadSettingsFile();
    void placeWindow();
    void buildSortExpression();
    void applyFormatsAtStart();
    QString chooseDatabase();
    void chooseScreenSizeAtStart();
    void buildLastFilesAndOfferConversion();
    void applyBrowseMode(const QStringList& arguments);

    // Shown, activated, closed.
    void FormShow();
    void FormActivate();
    void FormClose();
    void FormResize();
    // Centres the "Book Viewer" caption, clear of the navigator.
    void placeViewerLabel();
    // Lays the window out for button-bar mode 1, 2 or 3; any other mode
    // changes nothing.
    void applyBarLayout(int mode);

    void showEditForm(books::EditMode mode);
    bool runHandler(Command c, int argument = 0, const QString& what = {});
    void navigatorClicked(app::RecordNavigator::Button b);
    void gridRowChanged(int row);
    void reportEngineError(const std::exception& e);
    void applyColumnLayout(const books::ColumnLayout& layout);
    int columnPixelWidth(int characters) const;

    settings::Settings& settings_;
    books::RunState& run_;
    std::unique_ptr<books::OpenCollection> collection_;
    ui::CommandHandlers handlers_;
    books::PickLists pickLists_;
    books::GridModel* MyDataSource_ = nullptr;
    books::ColumnLayout columns_;
    QPointer<ui::HelpWindow> help_;
    std::unique_ptr<QPrinter> printer_;
    QActionGroup *sizeGroup_, *accessGroup_, *dateGroup_, *currencyGroup_, *numericGroup_;

    dbase::Table::Filter queryFilter_;
    QFont gridTitleFont_, gridFont_, labelFont_, editFont_, buttonFont_;
    int barMode_ = 1;             // the button-bar layout in force
    int scrollBeforeReset_ = -1;  // the grid's horizontal scroll, kept across a reload
    bool syncing_ = false;
    // Between the grid model's reset signals: the view's own moves of its
    // current row then are not the user's and leave the table alone.
    bool modelResetting_ = false;
    // The grid (or its cell editor) had the focus when the model reset.
    bool refocusGrid_ = false;
    // The grid's current column before the model reset, or -1.
    int columnBeforeReset_ = -1;
    bool shownOnce_ = false;
    bool listsLoaded_ = false;
    bool activatedOnce_ = false;
    bool closed_ = false;
};

}  // namespace app
