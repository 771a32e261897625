// TMain: layout of the button bars, the viewer grid and its settings, the
// pick lists of the grid, colours and fonts, and the record navigator.
#include <QAction>
#include <QComboBox>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>

#include "app/button_bar.h"
#include "app/tmain.h"

#include <utility>
#include "data/grid_model.h"
#include "data/run_state.h"
#include "settings/settings.h"
#include "ui/messages.h"
#include "ui/user_fonts.h"
#include "ui/wait_cursor.h"
#include "ui/window_colors.h"

namespace app {

namespace {

// "SEARCH ON" on the grey of a new settings file.
const QColor kSearchOnRed(0xC0, 0x00, 0x00);

QColor colorOf(int value) {
    return ui::toQColor(value);
}

void setBackground(QWidget* w, const QColor& c) {
    QPalette p = w->palette();
    p.setColor(QPalette::Window, c);
    w->setPalette(p);
}

void setTextColor(QWidget* w, const QColor& c) {
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, c);
    w->setPalette(p);
}

}  // namespace

// ---- Button bar and resizing -----------------------------------------------

void TMain::SetButtonBar() {
    applyBarLayout(settings_.buttonBar);
}

void TMain::applyBarLayout(int mode) {
    const app::BarLayout l = app::barLayout(mode, clientWidth(), clientHeight());
    if (!l.valid)
        return;
    barMode_ = mode;
    MenuSpeed->setChecked(mode == 1);
    MenuButtons->setChecked(mode == 2);
    MenuNoButtons->setChecked(mode == 3);

    const bool browse = browseMode();
    for (QPushButton* b : {AddButton, EditButton, CopyButton, DeleteButton, SearchButton,
                           EndSearchButton, ReportButton, ViewerButton, HelpButton, ButtonExit}) {
        b->setVisible(l.letteredShown);
        b->setEnabled(l.letteredShown);
    }
    if (l.letteredShown) {
        // Browse mode keeps the record-changing buttons off, and End Search
        // follows the search state.
        for (QPushButton* b : {AddButton, CopyButton, DeleteButton, ViewerButton})
            b->setEnabled(!browse);
        EndSearchButton->setEnabled(run_.searchActive);
    }
    Bevel1->setVisible(l.letteredShown);
    Bevel1->setEnabled(l.letteredShown);
    for (QFrame* b : {Bevel2, Bevel3, Bevel4})
        b->setVisible(l.letteredShown);
    SpeedPanel->setVisible(l.speedPanelShown);
    SpeedPanel->setEnabled(l.speedPanelShown);
    NavigatorLabel->setVisible(l.navigatorLabelShown);
    if (l.navigatorLabelShown)
        NavigatorLabel->move(NavigatorLabel->x(), l.navigatorLabelTop);
    MyNavigator->setGeometry(l.navigator.left(), l.navigator.top(), l.navigator.width(),
                             MyNavigator->height());
    NavigatorLabel->setGeometry(l.navigator.left(), NavigatorLabel->y(), l.navigator.width(),
                                NavigatorLabel->height());
    SearchOnLabel->move(SearchOnLabel->x(), l.searchOnTop);
    CountLabel->move(CountLabel->x(), l.countTop);
    Count2Label->move(Count2Label->x(), l.count2Top);
    ViewerBevel->setGeometry(3, l.bevelTop, app::bevelWidth(clientWidth()), l.bevelHeight);
    ViewerLabel->move(ViewerLabel->x(), l.viewerLabelTop);
    ViewerGrid->setGeometry(7, l.gridTop, app::gridWidth(clientWidth()), l.gridHeight);
    FormResize();
}

void TMain::FormResize() {
    const int cw = clientWidth();
    const int ch = clientHeight();
    // The layout in force: a stored mode other than 1 to 3 changed nothing.
    const app::BarLayout l = app::barLayout(barMode_, cw, ch);
    ViewerBevel->setGeometry(ViewerBevel->x(), l.bevelTop, ViewerBevel->width(), l.bevelHeight);
    ViewerLabel->move(ViewerLabel->x(), l.viewerLabelTop);
    ViewerGrid->setGeometry(ViewerGrid->x(), l.gridTop, ViewerGrid->width(), l.gridHeight);
    if (barMode_ == 1 || barMode_ == 3)
        MyNavigator->setGeometry(l.navigator.left(), MyNavigator->y(), l.navigator.width(),
                                 MyNavigator->height());
    ViewerBevel->resize(app::bevelWidth(cw), ViewerBevel->height());
    ViewerGrid->resize(app::gridWidth(cw), ViewerGrid->height());
    placeViewerLabel();
    SpeedPanel->resize(cw, SpeedPanel->height());
}

void TMain::placeViewerLabel() {
    const app::BarLayout l = app::barLayout(barMode_, clientWidth(), clientHeight());
    const std::optional<int> left =
        l.valid ? app::viewerLabelLeft(l, clientWidth(), ViewerLabel->width())
                : std::optional<int>((clientWidth() - ViewerLabel->width()) / 2);
    if (left)
        ViewerLabel->move(*left, ViewerLabel->y());
    ViewerLabel->setVisible(left.has_value());
}

// ---- Viewer settings ------------------------------------------------------

int TMain::columnPixelWidth(int characters) const {
    const QFontMetrics fm(ViewerGrid->font());
    return characters * fm.horizontalAdvance(QLatin1Char('0')) + 4;
}

void TMain::applyColumnLayout(const books::ColumnLayout& layout) {
    QHeaderView* h = ViewerGrid->horizontalHeader();
    QStringList captions;
    for (int f = 1; f <= fields::kFieldCount; ++f)
        captions << layout.caption[static_cast<size_t>(f - 1)];
    MyDataSource_->setCaptions(captions);
    for (int v = 0; v < fields::kFieldCount; ++v) {
        const int logical = layout.visual[static_cast<size_t>(v)] - 1;
        const int from = h->visualIndex(logical);
        if (from != v)
            h->moveSection(from, v);
    }
    for (int f = 0; f < fields::kFieldCount; ++f) {
        const auto k = static_cast<size_t>(f);
        h->setSectionHidden(f, layout.hidden[k]);
        if (!layout.hidden[k])
            h->resizeSection(f, columnPixelWidth(layout.width[k]));
    }
}

void TMain::SetViewerOptions() {
    const auto& s = settings_;
    // 1. Options.
    ViewerGrid->verticalHeader()->setVisible(s.gridRowIndicator);
    ViewerGrid->setShowGrid(s.gridRowLines || s.gridColumnLines);
    // The cells' colours go into the grid's style sheet: with a style sheet
    // in force the cells no longer take the grid's palette.
    QString cells = QStringLiteral("QTableView { background-color: %1; color: %2; ")
                        .arg(colorOf(s.gridCellColor).name(), colorOf(s.gridFont.color).name());
    if (s.gridRowLines != s.gridColumnLines) {
        // One kind of line only: the grid draws both, so hide the other kind
        // by painting it in the cell colour.
        cells += QStringLiteral("gridline-color: %1; ").arg(colorOf(s.gridCellColor).name());
    }
    cells += QStringLiteral("} ");
    ViewerGrid->horizontalHeader()->setVisible(s.gridShowTitles);
    const bool editing = s.gridFieldEditing && !browseMode();
    MyDataSource_->setFieldEditing(editing);
    if (editing) {
        ViewerGrid->setSelectionBehavior(QAbstractItemView::SelectItems);
        ViewerGrid->setSelectionMode(QAbstractItemView::SingleSelection);
        ViewerGrid->setEditTriggers(
            QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
            QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked);
    } else {
        ViewerGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
        ViewerGrid->setSelectionMode(QAbstractItemView::SingleSelection);
        ViewerGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    }
    // 2. Fonts and colours.
    gridFont_ = ui::toQFont(s.gridFont);
    gridTitleFont_ = ui::toQFont(s.gridTitleFont);
    ViewerGrid->setFont(gridFont_);
    for (QComboBox* c :
         {MyComboAuthor, MyComboLocation, MyComboCategory, MyComboPublisher, MyComboBought,
          MyComboCondition, MyComboCheckOut, MyComboBookType, MyComboRating})
        c->setFont(gridFont_);
    QHeaderView* titles = ViewerGrid->horizontalHeader();
    titles->setFont(gridTitleFont_);
    ViewerGrid->setStyleSheet(
        cells + QStringLiteral("QHeaderView::section:horizontal { background-color: %1; color: %2; "
                               "border: 1px solid #808080; padding: 1px; }")
                    .arg(colorOf(s.gridTitleColor).name(), colorOf(s.gridTitleFont.color).name()));
    // After the style sheet, which would otherwise reset the palette.
    QPalette p = ViewerGrid->palette();
    p.setColor(QPalette::Base, colorOf(s.gridCellColor));
    p.setColor(QPalette::Text, colorOf(s.gridFont.color));
    ViewerGrid->setPalette(p);
    MyDataSource_->setTitleAlignment(s.gridTitleAlignment);
    titles->setDefaultAlignment(s.gridTitleAlignment == 1   ? Qt::AlignLeft | Qt::AlignVCenter
                                : s.gridTitleAlignment == 3 ? Qt::AlignRight | Qt::AlignVCenter
                                                            : Qt::AlignCenter);
    ViewerGrid->verticalHeader()->setDefaultSectionSize(QFontMetrics(gridFont_).height() + 4);
    ViewerGrid->verticalHeader()->setFixedWidth(14);
    // 3. Columns.
    ViewerGrid->setUpdatesEnabled(false);
    books::arrangeColumns(columns_, s);
    applyColumnLayout(columns_);
    ViewerGrid->setUpdatesEnabled(true);
    // 4. Repaint.
    ViewerGrid->viewport()->update();
}

// ---- Colours and fonts ----------------------------------------------------

void TMain::SetColors() {
    const auto& set = settings_.colorSet(settings::MainWindow);
    const QColor background = colorOf(set[settings::MainBackground]);
    setBackground(client, background);
    // The set gives the count and "SEARCH ON" no colour: they take one that
    // reads on its background (the count black or white, "SEARCH ON", which
    // is bold, its red, lighter or darker as the background asks).
    QPalette texts = client->palette();
    ui::setTextRole(texts, QPalette::WindowText, ui::contrastingText(background), background);
    client->setPalette(texts);
    QPalette searchOn = SearchOnLabel->palette();
    ui::setTextRole(searchOn, QPalette::WindowText, ui::readableOn(kSearchOnRed, background, 3.0),
                    background);
    SearchOnLabel->setPalette(searchOn);
    setBackground(ViewerLabel, background);
    setBackground(NavigatorLabel, background);
    setTextColor(ViewerLabel, colorOf(set[settings::MajorTitle]));
    setTextColor(NavigatorLabel, colorOf(set[settings::MinorTitle]));
}

void TMain::ApplyUserFonts() {
    ui::applyUserFonts(this, settings());
    // The grid keeps the grid font of the viewer settings.
    ViewerGrid->setFont(gridFont_);
    ViewerLabel->adjustSize();
    FormResize();
}

// ---- Pick lists -----------------------------------------------------------

void TMain::LoadAllLists() {
    pickLists_.setDirectory(run_.programDirectory);
    pickLists_.loadAll();
    listsLoaded_ = true;
    FillGridLists();
}

void TMain::FillGridLists() {
    const std::pair<books::PickList, QComboBox*> boxes[] = {
        {books::PickList::Author, MyComboAuthor},
        {books::PickList::Location, MyComboLocation},
        {books::PickList::Bought, MyComboBought},
        {books::PickList::Category, MyComboCategory},
        {books::PickList::Publisher, MyComboPublisher},
        {books::PickList::BookType, MyComboBookType},
        {books::PickList::CheckOut, MyComboCheckOut},
        {books::PickList::Condition, MyComboCondition},
        {books::PickList::Rating, MyComboRating},
    };
    for (const auto& [list, box] : boxes) {
        box->clear();
        box->addItems(pickLists_.items(list));
    }
}

// ---- The grid's current row and the table's current record ----------------

void TMain::SyncGridToTable() {
    if (syncing_)
        return;
    syncing_ = true;
    int row = -1;
    try {
        if (MyTable().isOpen() && !MyTable().isEmpty())
            row = static_cast<int>(MyTable().position());
        if (MyDataSource_->insertRow() >= 0)
            row = MyDataSource_->insertRow();
    } catch (const dbase::Error& e) {
        row = -1;
        reportEngineError(e);
    }
    MyDataSource_->setIndicatorRow(row);
    if (row >= 0 && row < MyDataSource_->rowCount()) {
        int col = ViewerGrid->currentIndex().column();
        if (col < 0)
            col = std::exchange(columnBeforeReset_, -1);
        if (col < 0 || ViewerGrid->isColumnHidden(col))
            col = ViewerGrid->horizontalHeader()->logicalIndex(0);
        ViewerGrid->setCurrentIndex(MyDataSource_->index(row, std::max(col, 0)));
    } else {
        ViewerGrid->setCurrentIndex({});
    }
    syncing_ = false;
}

void TMain::gridRowChanged(int row) {
    if (syncing_ || modelResetting_ || row < 0)
        return;
    // Leaving a record that is being edited posts it, as data grids do.
    const auto state = MyTable().isOpen() ? MyTable().state() : dbase::TableState::Inactive;
    if ((state == dbase::TableState::Insert && row != MyDataSource_->insertRow()) ||
        (state == dbase::TableState::Edit && row != MyDataSource_->indicatorRow())) {
        if (!postPending()) {
            QMetaObject::invokeMethod(
                this, [this] { SyncGridToTable(); }, Qt::QueuedConnection);
            return;
        }
    }
    if (MyTable().isOpen() && MyTable().state() == dbase::TableState::Browse &&
        row < MyDataSource_->rowCount()) {
        try {
            MyTable().moveToPosition(static_cast<std::uint32_t>(row));
        } catch (const dbase::Error& e) {
            reportEngineError(e);
        }
    }
    MyDataSource_->setIndicatorRow(row);
}

bool TMain::postPending() {
    if (!MyTable().isOpen())
        return true;
    // What is typed in an open cell goes first: a command reached by a speed
    // button or a shortcut key leaves the cell editor open, and closing the
    // table would otherwise drop it. While the table browses, this posts it.
    ViewerGrid->commitOpenEditor();
    if (!collection_->hasPendingRecord())
        return true;
    try {
        collection_->post();  // the grid and the count follow its notification
    } catch (const dbase::Error& e) {
        reportEngineError(e);
        return false;
    }
    return true;
}

void TMain::navigatorClicked(app::RecordNavigator::Button b) {
    using B = app::RecordNavigator;
    if (!MyTable().isOpen())
        return;
    if (browseMode() && b > B::Last)
        return;
    try {
        switch (b) {
            case B::First:
            case B::Prior:
            case B::Next:
            case B::Last:
                if (!postPending())
                    return;
                if (b == B::First)
                    MyTable().first();
                if (b == B::Prior)
                    MyTable().prior();
                if (b == B::Next)
                    MyTable().next();
                if (b == B::Last)
                    MyTable().last();
                break;
            case B::Insert:
                if (!postPending())
                    return;
                collection_->insert();
                break;
            case B::Delete:
                if (!MyTable().isEmpty() &&
                    ui::askYesNo(this, QStringLiteral("Confirm"), QStringLiteral("Delete record?")))
                    collection_->deleteCurrent();
                break;
            case B::Edit:
                collection_->edit();
                break;
            case B::Post:
                if (!postPending())
                    return;
                break;
            case B::Cancel:
                collection_->cancel();
                break;
            case B::Refresh: {
                if (!postPending())
                    return;
                ui::WaitCursor wait;
                MyTable().refresh();
                break;
            }
        }
    } catch (const dbase::Error& e) {
        reportEngineError(e);
    }
    // Any navigator button refreshes the count.
    DisplayCount();
    SyncGridToTable();
    if (b == app::RecordNavigator::Insert)
        ViewerGrid->showCurrentNow();
}

}  // namespace app
