// TMain: the controls, the menu tree and the wiring of every trigger to its
// command.
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QStyle>
#include <QTableView>
#include <QToolButton>
#include <utility>

#include "app/grid_delegate.h"
#include "app/tmain.h"
#include "data/grid_model.h"
#include "settings/formats.h"
#include "ui/keyboard.h"
#include "ui/messages.h"

namespace app {

namespace {

QFrame* bevel(QWidget* parent, const char* name) {
    auto* f = new QFrame(parent);
    f->setObjectName(QLatin1String(name));
    f->setFrameShape(QFrame::Box);
    f->setFrameShadow(QFrame::Sunken);
    f->lower();
    return f;
}

QLabel* label(QWidget* parent, const char* name, const QString& text) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    return l;
}

}  // namespace

void TMain::createControls() {
    client = new QWidget(this);
    client->setObjectName(QStringLiteral("Client"));
    client->setAutoFillBackground(true);
    setCentralWidget(client);
    client->installEventFilter(this);
    createLetteredButtons();
    createSpeedButtons();
    createViewer();
}

// Five columns of two buttons; the bevels frame the record commands, the
// search commands, the views and help/exit.
void TMain::createLetteredButtons() {
    const auto make = [this](const char* name, const QString& text, int col, int row) {
        auto* b = new QPushButton(text, client);
        b->setObjectName(QLatin1String(name));
        static constexpr int kLeft[] = {8, 80, 160, 240, 320};
        b->setGeometry(kLeft[col], 8 + row * 37, 69, 33);
        b->setFocusPolicy(Qt::TabFocus);
        return b;
    };
    AddButton = make("AddButton", QStringLiteral("&Add"), 0, 0);
    EditButton = make("EditButton", QStringLiteral("&Edit"), 0, 1);
    CopyButton = make("CopyButton", QStringLiteral("&Copy"), 1, 0);
    DeleteButton = make("DeleteButton", QStringLiteral("&Delete"), 1, 1);
    SearchButton = make("SearchButton", QStringLiteral("&Search"), 2, 0);
    EndSearchButton = make("EndSearchButton", QStringLiteral("E&nd Srch"), 2, 1);
    ReportButton = make("ReportButton", QStringLiteral("&Reports"), 3, 0);
    ViewerButton = make("ViewerButton", QStringLiteral("&Viewer"), 3, 1);
    HelpButton = make("HelpButton", QStringLiteral("He&lp"), 4, 0);
    ButtonExit = make("ButtonExit", QStringLiteral("E&xit"), 4, 1);
    // Tab reads the first frame's two rows as it reads the others'.
    ui::chainTabOrder({AddButton, CopyButton, EditButton, DeleteButton});
    Bevel1 = bevel(client, "Bevel1");
    Bevel1->setGeometry(4, 4, 149, 78);
    Bevel2 = bevel(client, "Bevel2");
    Bevel2->setGeometry(156, 4, 77, 78);
    Bevel3 = bevel(client, "Bevel3");
    Bevel3->setGeometry(236, 4, 77, 78);
    Bevel4 = bevel(client, "Bevel4");
    Bevel4->setGeometry(316, 4, 77, 78);
}

void TMain::createSpeedButtons() {
    SpeedPanel = new QFrame(client);
    SpeedPanel->setObjectName(QStringLiteral("SpeedPanel"));
    SpeedPanel->setFrameShape(QFrame::StyledPanel);
    SpeedPanel->setFrameShadow(QFrame::Raised);
    SpeedPanel->setGeometry(0, 0, 640, 31);
    const auto make = [this](const char* name, int left, const char* hint,
                             QStyle::StandardPixmap icon, const QString& glyph = {}) {
        auto* b = new QToolButton(SpeedPanel);
        b->setObjectName(QLatin1String(name));
        b->setGeometry(left + 3, 3, 25, 25);
        b->setToolTip(QLatin1String(hint));
        if (glyph.isEmpty())
            b->setIcon(style()->standardIcon(icon));
        else
            b->setText(glyph);
        b->setFocusPolicy(Qt::NoFocus);
        return b;
    };
    using S = QStyle;
    NewSpeed = make("NewSpeed", 0, "New Database", S::SP_FileIcon);
    OpenSpeed = make("OpenSpeed", 24, "Open Database", S::SP_DialogOpenButton);
    AddSpeed = make("AddSpeed", 52, "Add Record", S::SP_FileDialogNewFolder, QStringLiteral("+"));
    EditSpeed = make("EditSpeed", 76, "Edit Record", S::SP_FileDialogDetailedView,
                     QStringLiteral("\u270E"));
    CopySpeed = make("CopySpeed", 100, "Copy Record", S::SP_FileLinkIcon);
    DeleteSpeed = make("DeleteSpeed", 124, "Delete Record", S::SP_TrashIcon);
    ImportSpeed = make("ImportSpeed", 148, "Import Records", S::SP_ArrowDown);
    ExportSpeed = make("ExportSpeed", 172, "Export Records", S::SP_ArrowUp);
    SearchSpeed = make("SearchSpeed", 200, "Search Records", S::SP_FileDialogContentsView);
    EndSearchSpeed = make("EndSearchSpeed", 224, "End Search", S::SP_DialogCancelButton);
    LocateSpeed = make("LocateSpeed", 248, "Locate Record", S::SP_ArrowRight);
    LocateNextSpeed = make("LocateNextSpeed", 272, "Locate Next Record", S::SP_MediaSeekForward);
    ReportSpeed = make("ReportSpeed", 296, "Reports", S::SP_FileDialogListView);
    ViewerSpeed = make("ViewerSpeed", 320, "Viewer Configuration", S::SP_FileDialogInfoView);
    ColorSpeed =
        make("ColorSpeed", 344, "Color Setup", S::SP_DesktopIcon, QStringLiteral("\u25D1"));
    SpeedSetOrder =
        make("SpeedSetOrder", 368, "Set Sorting Order", S::SP_ArrowUp, QStringLiteral("\u21C5"));
    HelpSpeed = make("HelpSpeed", 396, "Help", S::SP_DialogHelpButton, QStringLiteral("?"));
}

void TMain::createViewer() {
    MyNavigator = new app::RecordNavigator(client);
    MyNavigator->setObjectName(QStringLiteral("MyNavigator"));
    MyNavigator->setGeometry(424, 3, 241, 25);
    NavigatorLabel = label(client, "NavigatorLabel", QStringLiteral("Navigation Controls"));
    NavigatorLabel->setGeometry(400, 20, 221, 20);
    NavigatorLabel->setAlignment(Qt::AlignCenter);
    NavigatorLabel->setAutoFillBackground(true);

    ViewerBevel = bevel(client, "ViewerBevel");
    ViewerLabel = label(client, "ViewerLabel", QStringLiteral("Book Viewer"));
    ViewerLabel->setAlignment(Qt::AlignCenter);
    ViewerLabel->setAutoFillBackground(true);
    QFont big = ViewerLabel->font();
    big.setPointSize(14);
    big.setBold(true);
    ViewerLabel->setFont(big);
    ViewerLabel->adjustSize();

    CountLabel = label(client, "CountLabel", QStringLiteral("0"));
    CountLabel->setGeometry(12, 38, 60, 16);
    CountLabel->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    Count2Label = label(client, "Count2Label", QStringLiteral("Books"));
    Count2Label->setGeometry(12, 52, 60, 16);
    Count2Label->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    SearchOnLabel = label(client, "SearchOnLabel", QStringLiteral("SEARCH ON"));
    SearchOnLabel->setGeometry(84, 44, 90, 16);
    QFont bold = SearchOnLabel->font();
    bold.setBold(true);
    SearchOnLabel->setFont(bold);
    // Its colour (kSearchOnRed, or a shade of it that reads on the
    // background) comes with the window's colours.

    ViewerGrid = new app::ViewerGridView(client);
    ViewerGrid->setObjectName(QStringLiteral("ViewerGrid"));
    ViewerGrid->setTabKeyNavigation(true);
    ViewerGrid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    ViewerGrid->verticalHeader()->setMinimumSectionSize(8);
    ViewerGrid->horizontalHeader()->setSectionsMovable(false);
    ViewerGrid->setWordWrap(false);
    ViewerGrid->setFrameShape(QFrame::Panel);
    ViewerGrid->setFrameShadow(QFrame::Sunken);

    const auto combo = [this](const char* name) {
        auto* c = new QComboBox(client);
        c->setObjectName(QLatin1String(name));
        c->setEditable(true);
        c->hide();  // a holder of items and font for the grid's cell editors
        return c;
    };
    MyComboAuthor = combo("MyComboAuthor");
    MyComboLocation = combo("MyComboLocation");
    MyComboCategory = combo("MyComboCategory");
    MyComboPublisher = combo("MyComboPublisher");
    MyComboBought = combo("MyComboBought");
    MyComboCondition = combo("MyComboCondition");
    MyComboCheckOut = combo("MyComboCheckOut");
    MyComboBookType = combo("MyComboBookType");
    MyComboRating = combo("MyComboRating");

    MyDataSource_ = new books::GridModel(&collection_->table(), settings_);
    ViewerGrid->setModel(MyDataSource_);
    connect(MyDataSource_, &books::GridModel::countSettled, this, &TMain::showCountNow);
    auto* delegate = new app::GridDelegate(ViewerGrid);
    // Field numbers of the nine list fields and their boxes.
    delegate->setListBox(2, MyComboAuthor);
    delegate->setListBox(4, MyComboPublisher);
    delegate->setListBox(5, MyComboCategory);
    delegate->setListBox(6, MyComboBought);
    delegate->setListBox(11, MyComboRating);
    delegate->setListBox(13, MyComboBookType);
    delegate->setListBox(19, MyComboCheckOut);
    delegate->setListBox(25, MyComboLocation);
    delegate->setListBox(26, MyComboCondition);
    ViewerGrid->setItemDelegate(delegate);
    connect(ViewerGrid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { gridRowChanged(current.row()); });
    connect(MyDataSource_, &books::GridModel::editFailed, this,
            [this](const QString& m) { ui::showError(this, m); });
    connect(MyDataSource_, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        // A cell edit that moves its record in the sort order resets the
        // model under the open editor: remember where the user was.
        modelResetting_ = true;
        const QWidget* focus = QApplication::focusWidget();
        if (focus && (focus == ViewerGrid || ViewerGrid->isAncestorOf(focus)))
            refocusGrid_ = true;
        // A reload that follows another before the grid settled keeps the
        // place the first one saw.
        if (scrollBeforeReset_ < 0) {
            columnBeforeReset_ = ViewerGrid->currentIndex().column();
            scrollBeforeReset_ = ViewerGrid->horizontalScrollBar()->value();
        }
    });
    connect(MyDataSource_, &QAbstractItemModel::modelReset, this, [this] {
        modelResetting_ = false;
        // A reset forgets the header's arrangement: put the columns back.
        applyColumnLayout(columns_);
        // After any reopen the grid's current row follows the table again.
        if (!syncing_)
            QMetaObject::invokeMethod(
                this,
                [this] {
                    SyncGridToTable();
                    if (const int scroll = std::exchange(scrollBeforeReset_, -1); scroll >= 0)
                        ViewerGrid->restoreHorizontalScroll(scroll);
                    if (std::exchange(refocusGrid_, false) && isVisible())
                        ViewerGrid->setFocus();
                },
                Qt::QueuedConnection);
    });
    // The grid confirms deletions: Ctrl+Delete goes through the navigator's delete.
    connect(ViewerGrid, &app::ViewerGridView::deleteRequested, this,
            [this] { navigatorClicked(app::RecordNavigator::Delete); });
    connect(MyNavigator, &app::RecordNavigator::clicked, this,
            [this](app::RecordNavigator::Button b) { navigatorClicked(b); });
}

void TMain::createMenus() {
    QMenuBar* bar = menuBar();
    const auto item = [this](QMenu* menu, const char* name, const QString& caption,
                             const QKeySequence& key = {}) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(QLatin1String(name));
        if (!key.isEmpty())
            a->setShortcut(key);
        a->setShortcutContext(Qt::WindowShortcut);
        return a;
    };
    const auto submenu = [](QMenu* parent, const char* name, const QString& caption) {
        QMenu* m = parent->addMenu(caption);
        m->setObjectName(QLatin1String(name));
        m->menuAction()->setObjectName(QLatin1String(name) + QStringLiteral("Item"));
        return m;
    };
    const auto top = [bar](const char* name, const QString& caption) {
        QMenu* m = bar->addMenu(caption);
        m->setObjectName(QLatin1String(name));
        return m;
    };
    const auto ctrl = [](Qt::Key k) { return QKeySequence(Qt::CTRL | k); };
    const auto shift = [](Qt::Key k) { return QKeySequence(Qt::SHIFT | k); };

    QMenu* file = top("MenuFile", QStringLiteral("&File"));
    MenuNew = item(file, "MenuNew", QStringLiteral("&New Database"), ctrl(Qt::Key_W));
    MenuOpen = item(file, "MenuOpen", QStringLiteral("&Open Database"), ctrl(Qt::Key_O));
    MenuBackup = item(file, "MenuBackup", QStringLiteral("&Back Up Data"), ctrl(Qt::Key_B));
    MenuRestore = item(file, "MenuRestore", QStringLiteral("&Restore Data"), ctrl(Qt::Key_Y));
    MenuPrint = item(file, "MenuPrint", QStringLiteral("&Print"), ctrl(Qt::Key_P));
    MenuPrinterSetup =
        item(file, "MenuPrinterSetup", QStringLiteral("Printer &Setup"), ctrl(Qt::Key_U));
    MenuExit = item(file, "MenuExit", QStringLiteral("E&xit"), ctrl(Qt::Key_X));
    MenuExitSep = file->addSeparator();
    MenuExitSep->setObjectName(QStringLiteral("MenuExitSep"));
    for (int k = 0; k < 5; ++k) {
        MenuLastFile[static_cast<size_t>(k)] = item(file, "", QStringLiteral("&%1").arg(k + 1));
        MenuLastFile[static_cast<size_t>(k)]->setObjectName(
            QStringLiteral("MenuLastFile%1").arg(k + 1));
    }

    QMenu* records = top("MenuRecords", QStringLiteral("&Records"));
    MenuAdd = item(records, "MenuAdd", QStringLiteral("&Add"), ctrl(Qt::Key_A));
    MenuEdit = item(records, "MenuEdit", QStringLiteral("&Edit"), ctrl(Qt::Key_E));
    MenuCopy = item(records, "MenuCopy", QStringLiteral("&Copy"), ctrl(Qt::Key_C));
    MenuDelete = item(records, "MenuDelete", QStringLiteral("&Delete"), ctrl(Qt::Key_D));
    MenuImport = item(records, "MenuImport", QStringLiteral("&Import"), ctrl(Qt::Key_M));
    MenuExport = item(records, "MenuExport", QStringLiteral("E&xport"), ctrl(Qt::Key_T));

    QMenu* nav = top("MenuNavigate", QStringLiteral("Navi&gate"));
    MenuSearch = item(nav, "MenuSearch", QStringLiteral("&Search (Query)"), ctrl(Qt::Key_S));
    MenuEndSearch = item(nav, "MenuEndSearch", QStringLiteral("&End Search"), ctrl(Qt::Key_I));
    MenuFind = item(nav, "MenuFind", QStringLiteral("&Locate"), ctrl(Qt::Key_L));
    MenuFindNext = item(nav, "MenuFindNext", QStringLiteral("Locate &Next"), ctrl(Qt::Key_N));
    MenuReports = item(nav, "MenuReports", QStringLiteral("&Reports"), ctrl(Qt::Key_R));
    MenuViewer = item(nav, "MenuViewer", QStringLiteral("&Viewer"), ctrl(Qt::Key_V));

    QMenu* options = top("MenuOptions", QStringLiteral("&Options"));
    MenuSortOrder = item(options, "MenuSortOrder", QStringLiteral("Sort &Order"), ctrl(Qt::Key_Q));
    MenuScreenSize = submenu(options, "MenuScreenSize", QStringLiteral("Screen Si&ze"));
    sizeGroup_ = new QActionGroup(this);
    const std::array<const char*, 4> sizeNames{"MenuSize640", "MenuSize800", "MenuSize1024",
                                               "MenuSize1280"};
    const std::array<QString, 4> sizeCaptions{
        QStringLiteral("640 x 480"), QStringLiteral("800 x 600"), QStringLiteral("1024 x 768"),
        QStringLiteral("1280 x 1024")};
    const std::array<Qt::Key, 4> sizeKeys{Qt::Key_F1, Qt::Key_F2, Qt::Key_F3, Qt::Key_F4};
    for (size_t k = 0; k < 4; ++k) {
        MenuSize[k] = item(MenuScreenSize, sizeNames[k], sizeCaptions[k], shift(sizeKeys[k]));
        MenuSize[k]->setCheckable(true);
        sizeGroup_->addAction(MenuSize[k]);
    }
    MenuAccess = submenu(options, "MenuAccess", QStringLiteral("&Screen Access"));
    accessGroup_ = new QActionGroup(this);
    MenuSpeed = item(MenuAccess, "MenuSpeed", QStringLiteral("&Speed Buttons"), ctrl(Qt::Key_F1));
    MenuButtons =
        item(MenuAccess, "MenuButtons", QStringLiteral("&Lettered Buttons"), ctrl(Qt::Key_F2));
    MenuNoButtons = item(MenuAccess, "MenuNoButtons", QStringLiteral("&None"), ctrl(Qt::Key_F3));
    for (QAction* a : {MenuSpeed, MenuButtons, MenuNoButtons}) {
        a->setCheckable(true);
        accessGroup_->addAction(a);
    }
    MenuColor = submenu(options, "MenuColor", QStringLiteral("&Color"));
    MenuColorItem[0] =
        item(MenuColor, "MenuMainColor", QStringLiteral("&Main Window Color"), ctrl(Qt::Key_F4));
    MenuColorItem[1] =
        item(MenuColor, "MenuEditColor", QStringLiteral("&Edit Window Color"), ctrl(Qt::Key_F5));
    MenuColorItem[2] = item(MenuColor, "MenuSearchColor", QStringLiteral("&Search Window Color"),
                            ctrl(Qt::Key_F6));
    MenuColorItem[3] = item(MenuColor, "MenuReportColor", QStringLiteral("&Report Window Color"),
                            ctrl(Qt::Key_F7));
    MenuColorItem[4] = item(MenuColor, "MenuConfigColor", QStringLiteral("&Configure Window Color"),
                            ctrl(Qt::Key_F8));
    MenuColor->addSeparator();
    MenuColorItem[5] =
        item(MenuColor, "MenuAllColor", QStringLiteral("&ALL Windows Color"), ctrl(Qt::Key_F9));
    MenuMaintain = submenu(options, "MenuMaintain", QStringLiteral("List &Maintenance"));
    const std::array<const char*, 9> listNames{
        "MenuListAuthor",   "MenuListLocation",  "MenuListBought",
        "MenuListCategory", "MenuListPublisher", "MenuListBookType",
        "MenuListRating",   "MenuListCheckOut",  "MenuListCondition"};
    const std::array<QString, 9> listCaptions{
        QStringLiteral("&Author"),          QStringLiteral("&Location"),
        QStringLiteral("&Where Purchased"), QStringLiteral("&Category"),
        QStringLiteral("&Publisher"),       QStringLiteral("&Book Type"),
        QStringLiteral("&Rating"),          QStringLiteral("Chec&k Out Person"),
        QStringLiteral("C&ondition")};
    for (size_t k = 0; k < 9; ++k)
        MenuMaintainItem[k] = item(MenuMaintain, listNames[k], listCaptions[k]);
    MenuCurrency = submenu(options, "MenuCurrency", QStringLiteral("Report C&urrency Format"));
    currencyGroup_ = new QActionGroup(this);
    MenuCurrencyUS = item(MenuCurrency, "MenuCurrencyUS", QStringLiteral("&U.S. Dollars"));
    MenuCurrencyWindows =
        item(MenuCurrency, "MenuCurrencyWindows", QStringLiteral("&Windows Setting"));
    MenuNumeric = submenu(options, "MenuNumeric", QStringLiteral("&Report Numeric Format"));
    numericGroup_ = new QActionGroup(this);
    MenuNumericUS = item(MenuNumeric, "MenuNumericUS", QStringLiteral("&U.S. Format"));
    MenuNumericWindows =
        item(MenuNumeric, "MenuNumericWindows", QStringLiteral("&Windows Setting"));
    for (QAction* a : {MenuCurrencyUS, MenuCurrencyWindows}) {
        a->setCheckable(true);
        currencyGroup_->addAction(a);
    }
    for (QAction* a : {MenuNumericUS, MenuNumericWindows}) {
        a->setCheckable(true);
        numericGroup_->addAction(a);
    }
    MenuDateFormat = submenu(options, "MenuDateFormat", QStringLiteral("&Date Format"));
    dateGroup_ = new QActionGroup(this);
    for (const auto& f : settings::dateFormats()) {
        QAction* a = item(MenuDateFormat, f.menuItem, QString::fromLatin1(f.caption));
        a->setCheckable(true);
        dateGroup_->addAction(a);
        MenuDate[static_cast<size_t>(f.code - 1)] = a;
    }
    MenuLabelFont =
        item(options, "MenuLabelFont", QStringLiteral("&Label Font"), shift(Qt::Key_F8));
    MenuEditFont = item(options, "MenuEditFont", QStringLiteral("&Edit Font"), shift(Qt::Key_F9));
    MenuButtonFont =
        item(options, "MenuButtonFont", QStringLiteral("&Button Font"), shift(Qt::Key_F10));

    QMenu* tools = top("MenuTools", QStringLiteral("&Tools"));
    MenuSearchReplace =
        item(tools, "MenuSearchReplace", QStringLiteral("&Search and Replace"), ctrl(Qt::Key_F));
    MenuRebuild = item(tools, "MenuRebuild", QStringLiteral("&Rebuild Indexes"));
    MenuPack = item(tools, "MenuPack", QStringLiteral("&Pack Database"));

    QMenu* help = top("MenuHelp", QStringLiteral("&Help"));
    MenuContents = item(help, "MenuContents", QStringLiteral("&Contents"), ctrl(Qt::Key_H));
    MenuTips = item(help, "MenuTips", QStringLiteral("&Review \"Tips of the Day\""));
    MenuAbout = item(help, "MenuAbout", QStringLiteral("&About"));
}

void TMain::connectCommands() {
    const auto wire = [this](auto* trigger, void (TMain::*method)()) {
        using T = std::remove_pointer_t<decltype(trigger)>;
        if constexpr (std::is_base_of_v<QAction, T>)
            connect(trigger, &QAction::triggered, this, [this, method] { (this->*method)(); });
        else
            connect(trigger, &QAbstractButton::clicked, this,
                    [this, method] { (this->*method)(); });
    };
    // The command table: every trigger of a row reaches the same Do method.
    wire(NewSpeed, &TMain::DoNew);
    wire(MenuNew, &TMain::DoNew);
    wire(OpenSpeed, &TMain::DoOpen);
    wire(MenuOpen, &TMain::DoOpen);
    for (auto [button, speed, menu, method] :
         std::initializer_list<std::tuple<QPushButton*, QToolButton*, QAction*, void (TMain::*)()>>{
             {AddButton, AddSpeed, MenuAdd, &TMain::DoAdd},
             {EditButton, EditSpeed, MenuEdit, &TMain::DoEdit},
             {CopyButton, CopySpeed, MenuCopy, &TMain::DoCopy},
             {DeleteButton, DeleteSpeed, MenuDelete, &TMain::DoDelete},
             {nullptr, ImportSpeed, MenuImport, &TMain::DoImport},
             {nullptr, ExportSpeed, MenuExport, &TMain::DoExport},
             {SearchButton, SearchSpeed, MenuSearch, &TMain::DoSearch},
             {EndSearchButton, EndSearchSpeed, MenuEndSearch, &TMain::DoEndSearch},
             {nullptr, LocateSpeed, MenuFind, &TMain::DoFind},
             {nullptr, LocateNextSpeed, MenuFindNext, &TMain::DoFindNext},
             {ReportButton, ReportSpeed, MenuReports, &TMain::DoReports},
             {ViewerButton, ViewerSpeed, MenuViewer, &TMain::DoViewer},
             {nullptr, SpeedSetOrder, MenuSortOrder, &TMain::DoSortOrder},
             {nullptr, nullptr, MenuBackup, &TMain::DoBackup},
             {nullptr, nullptr, MenuRestore, &TMain::DoRestore},
             {HelpButton, HelpSpeed, MenuContents, &TMain::DoHelp},
             {ButtonExit, nullptr, MenuExit, &TMain::DoExit},
         }) {
        if (button)
            wire(button, method);
        if (speed)
            wire(speed, method);
        if (menu)
            wire(menu, method);
    }
    wire(MenuPrint, &TMain::DoReports);
    wire(MenuPrinterSetup, &TMain::MenuPrinterSetupClick);
    wire(MenuAbout, &TMain::MenuAboutClick);
    wire(MenuSearchReplace, &TMain::MenuSearchReplaceClick);
    wire(MenuTips, &TMain::MenuTipsClick);
    wire(MenuPack, &TMain::MenuPackClick);
    wire(MenuRebuild, &TMain::MenuRebuildClick);
    connect(ColorSpeed, &QToolButton::clicked, this, [this] { ColorItemClick(6); });
    for (int k = 0; k < 6; ++k)
        connect(MenuColorItem[static_cast<size_t>(k)], &QAction::triggered, this,
                [this, k] { ColorItemClick(k + 1); });
    // Menu order to list number (author 1, location 2, bought 3, category 4,
    // publisher 5, book type 7, rating 6, check-out person 8, condition 9).
    const std::array<int, 9> listNumbers{1, 2, 3, 4, 5, 7, 6, 8, 9};
    for (size_t k = 0; k < 9; ++k)
        connect(MenuMaintainItem[k], &QAction::triggered, this,
                [this, n = listNumbers[k]] { EditAList(n); });
    const std::array<int, 4> presets{640, 800, 1024, 1280};
    for (size_t k = 0; k < 4; ++k)
        connect(MenuSize[k], &QAction::triggered, this,
                [this, p = presets[k]] { ScreenSizeClick(p); });
    connect(MenuSpeed, &QAction::triggered, this, [this] { ButtonBarClick(1); });
    connect(MenuButtons, &QAction::triggered, this, [this] { ButtonBarClick(2); });
    connect(MenuNoButtons, &QAction::triggered, this, [this] { ButtonBarClick(3); });
    for (int k = 0; k < 12; ++k)
        connect(MenuDate[static_cast<size_t>(k)], &QAction::triggered, this,
                [this, k] { DateFormatClick(k + 1); });
    connect(MenuCurrencyUS, &QAction::triggered, this, [this] { CurrencyClick(1); });
    connect(MenuCurrencyWindows, &QAction::triggered, this, [this] { CurrencyClick(2); });
    connect(MenuNumericUS, &QAction::triggered, this, [this] { NumericClick(1); });
    connect(MenuNumericWindows, &QAction::triggered, this, [this] { NumericClick(2); });
    connect(MenuLabelFont, &QAction::triggered, this, [this] { FontClick(1); });
    connect(MenuEditFont, &QAction::triggered, this, [this] { FontClick(2); });
    connect(MenuButtonFont, &QAction::triggered, this, [this] { FontClick(3); });
    for (int k = 0; k < 5; ++k)
        connect(MenuLastFile[static_cast<size_t>(k)], &QAction::triggered, this,
                [this, k] { runHandler(Command::LastFile, k + 1); });
}

}  // namespace app
