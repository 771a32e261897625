#include "find/ui/tmysearch.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableWidget>

#include <cmath>
#include <memory>

#include "data/open_collection.h"
#include "data/pick_lists.h"
#include "fields/book_fields.h"
#include "find/query_filter.h"
#include "find/ui/tsearchoptions.h"
#include "settings/formats.h"
#include "settings/settings.h"
#include "ui/form_geometry.h"
#include "ui/help_window.h"
#include "ui/main_window_link.h"
#include "ui/messages.h"
#include "ui/wait_cursor.h"
#include "ui/window_colors.h"

namespace findui {

namespace {

constexpr int kFieldColumn = 0;
constexpr int kMarkerColumn = 1;
constexpr int kCriterionColumn = 2;
constexpr int kSearchColors = settings::SearchWindow;
using Status = find::LevelResult::Status;

std::size_t slot(int fieldNo) {
    return static_cast<std::size_t>(fieldNo - 1);
}

bool hasMarker(int fieldNo) {
    const fields::BookField& f = fields::bookField(fieldNo);
    return f.letter == 'N' || f.letter == 'D' || f.list != 0;
}

// The criterion cells edit with the row's input mask (literals kept in the
// text), or, for a character field, take at most the field's width.
class CriterionDelegate : public QStyledItemDelegate {
  public:
    CriterionDelegate(const TMySearch* form, QObject* parent)
        : QStyledItemDelegate(parent), form_(form) {}
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        auto* edit = new QLineEdit(parent);
        edit->setFrame(false);
        const int fieldNo = index.row() + 1;
        const QString mask = form_->editMask(fieldNo);
        if (mask.isEmpty())
            edit->setMaxLength(fields::bookField(fieldNo).width);
        else
            edit->setInputMask(mask);
        (void)option;
        return edit;
    }

  private:
    const TMySearch* form_;
};

QPushButton* button(QWidget* parent, const char* name, const QString& caption, int x) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    b->setGeometry(x, 404, 110, 32);
    return b;
}

}  // namespace

TMySearch::TMySearch(ui::MainWindowLink& main, QWidget* parent) : QDialog(parent), main_(main) {
    setObjectName(QStringLiteral("MySearch"));
    setWindowTitle(QStringLiteral("Search"));
    setModal(true);
    // Made for the smallest screen size: the grid scrolls through the 36
    // fields, and the buttons stay on the screen at every size.
    resize(640, 446);

    SearchGrid_ = new QTableWidget(fields::kFieldCount, 3, this);
    SearchGrid_->setObjectName(QStringLiteral("SearchGrid"));
    SearchGrid_->setGeometry(10, 10, 620, 384);
    SearchGrid_->verticalHeader()->setVisible(false);
    SearchGrid_->horizontalHeader()->setSectionsClickable(false);
    SearchGrid_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    SearchGrid_->setShowGrid(true);
    SearchGrid_->setTabKeyNavigation(true);
    SearchGrid_->setSelectionMode(QAbstractItemView::SingleSelection);
    SearchGrid_->setEditTriggers(QAbstractItemView::AllEditTriggers);
    SearchGrid_->setItemDelegateForColumn(kCriterionColumn, new CriterionDelegate(this, this));
    for (int row = 0; row < fields::kFieldCount; ++row) {
        const int fieldNo = row + 1;
        auto* name = new QTableWidgetItem;
        name->setFlags(Qt::ItemIsEnabled);
        SearchGrid_->setItem(row, kFieldColumn, name);
        auto* marker = new QTableWidgetItem;
        marker->setFlags(Qt::ItemIsEnabled);
        if (hasMarker(fieldNo)) {
            marker->setText(QStringLiteral("..."));
            marker->setTextAlignment(Qt::AlignCenter);
            marker->setBackground(QColor(128, 128, 128));
        }
        SearchGrid_->setItem(row, kMarkerColumn, marker);
        SearchGrid_->setItem(row, kCriterionColumn, new QTableWidgetItem);
    }

    OkButton = button(this, "OkButton", QStringLiteral("&Ok"), 10);
    MoreButton = button(this, "MoreButton", QStringLiteral("&Find More"), 134);
    ClearButton = button(this, "ClearButton", QStringLiteral("&Clear Search"), 258);
    ExitButton = button(this, "ExitButton", QStringLiteral("E&xit"), 382);
    HelpButton = button(this, "HelpButton", QStringLiteral("&Help"), 506);
    OkButton->setAutoDefault(false);
    for (QPushButton* b : {MoreButton, ClearButton, ExitButton, HelpButton})
        b->setAutoDefault(false);

    connect(OkButton, &QPushButton::clicked, this, &TMySearch::OkButtonClick);
    connect(ExitButton, &QPushButton::clicked, this, &TMySearch::ExitButtonClick);
    connect(ClearButton, &QPushButton::clicked, this, &TMySearch::ClearButtonClick);
    connect(MoreButton, &QPushButton::clicked, this, &TMySearch::MoreButtonClick);
    connect(HelpButton, &QPushButton::clicked, this, &TMySearch::HelpButtonClick);
    // A click is a press and a release on the same cell.
    connect(SearchGrid_, &QTableWidget::cellClicked, this, [this](int row, int column) {
        if (column == kMarkerColumn)
            MarkerClicked(row + 1);
    });

    // FormCreate
    options_.fill(find::Comparison::Equal);
    ui::recordDesignGeometry(this);
}

void TMySearch::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void TMySearch::FormShow() {
    const double s = ui::prepareForm(this, main_);
    items_.clear();
    level_ = 1;
    MoreButton->setEnabled(true);
    const auto scaled = [s](double v) { return static_cast<int>(std::lround(v * s)); };
    SearchGrid_->setColumnWidth(kFieldColumn, scaled(200));
    SearchGrid_->setColumnWidth(kMarkerColumn, scaled(20));
    SearchGrid_->setColumnWidth(kCriterionColumn, scaled(378));
    SearchGrid_->setFixedWidth(scaled(600) + 20);
    SearchGrid_->verticalHeader()->setDefaultSectionSize(scaled(22));
    const auto& names = main_.settings().fieldNames;
    for (int fieldNo = 1; fieldNo <= fields::kFieldCount; ++fieldNo)
        SearchGrid_->item(fieldNo - 1, kFieldColumn)
            ->setText((QStringLiteral(" ") + names[fieldNo]).left(21));
    emptyCells();
    setHeader();
    SetColors();
    SearchGrid_->setCurrentCell(0, kCriterionColumn);
    SearchGrid_->setFocus();
}

void TMySearch::SetColors() {
    const settings::WindowColors& c = main_.settings().colorSet(kSearchColors);
    ui::applyWindowColors(this, main_.settings().colorSet(kSearchColors));
    QPalette p = SearchGrid_->palette();
    p.setColor(QPalette::Base, ui::toQColor(c[settings::ListBoxBackground]));
    p.setColor(QPalette::Text, ui::toQColor(c[settings::ListBoxText]));
    SearchGrid_->setPalette(p);
}

void TMySearch::setHeader() {
    SearchGrid_->setHorizontalHeaderLabels(
        {QStringLiteral(" FIELD"), QString(),
         QStringLiteral(" SEARCH CRITERIA    (Level %1)").arg(level_)});
}

void TMySearch::emptyCells() {
    // An editor still open would write its text back over the emptied cell:
    // leaving the cell writes it now.
    SearchGrid_->setCurrentCell(-1, -1);
    for (int fieldNo = 1; fieldNo <= fields::kFieldCount; ++fieldNo)
        setCriterion(fieldNo, QString());
}

QString TMySearch::criterion(int fieldNo) const {
    return SearchGrid_->item(fieldNo - 1, kCriterionColumn)->text();
}

void TMySearch::setCriterion(int fieldNo, const QString& text) {
    SearchGrid_->item(fieldNo - 1, kCriterionColumn)->setText(text);
}

find::Comparison TMySearch::FieldOption(int fieldNo) const {
    return options_[slot(fieldNo)];
}

void TMySearch::setFieldOption(int fieldNo, find::Comparison c) {
    options_[slot(fieldNo)] = c;
}

QString TMySearch::editMask(int fieldNo) const {
    return find::criterionMask(fieldNo, FieldOption(fieldNo),
                               main_.settings().formats.dateSeparator());
}

// ---- Levels ---------------------------------------------------------------

bool TMySearch::SaveFields() {
    // What is typed in an open cell counts: leaving the cell writes it.
    const QModelIndex current = SearchGrid_->currentIndex();
    SearchGrid_->setCurrentIndex(QModelIndex());
    SearchGrid_->setCurrentIndex(current);
    find::LevelCells cells;
    for (int fieldNo = 1; fieldNo <= fields::kFieldCount; ++fieldNo)
        cells[slot(fieldNo)] = criterion(fieldNo);
    const find::LevelResult r = items_.addLevel(cells, options_, main_.settings().formats);
    switch (r.status) {
        case Status::Saved:
            return true;
        case Status::Invalid:
            ui::showError(this, find::invalidCriteriaMessage());
            SearchGrid_->setCurrentCell(r.fieldNo - 1, kCriterionColumn);
            return false;
        case Status::NoCriteria:
            ui::showError(this, find::noCriteriaMessage());
            SearchGrid_->setFocus();
            return false;
        case Status::TooMany:
            ui::showError(this, find::tooManyItemsMessage());
            clearAll();
            return false;
    }
    return false;
}

void TMySearch::MoreButtonClick() {
    if (SaveFields()) {
        emptyCells();
        ++level_;
        setHeader();
        if (level_ >= find::kMaxLevels)
            MoreButton->setEnabled(false);
        SearchGrid_->setCurrentCell(0, kCriterionColumn);
    }
    SearchGrid_->setFocus();
}

void TMySearch::OkButtonClick() {
    // Find More stays as the level has it: a refused Ok on the tenth level
    // must not open an eleventh.
    if (!SaveFields())
        return;
    if (Doit()) {
        accept();
        return;
    }
    ui::showNotice(this, find::noMatchesMessage());
    ClearSearch();
}

bool TMySearch::Doit() {
    ui::WaitCursor wait;
    // The filter keeps its own compiled copy of the items: what the form
    // holds next (a new showing, Exit) leaves the search in force alone.
    auto filter =
        std::make_shared<const find::QueryFilter>(items_.items(), main_.collection().table());
    if (main_.beginSearch(find::QueryFilter::asRecordFilter(std::move(filter))))
        return true;
    main_.endSearch();
    return false;
}

void TMySearch::clearAll() {
    emptyCells();
    items_.clear();
    level_ = 1;
    MoreButton->setEnabled(true);
    setHeader();
    SearchGrid_->setCurrentCell(0, kCriterionColumn);
    SearchGrid_->setFocus();
}

void TMySearch::ClearSearch() {
    clearAll();
}

void TMySearch::ClearButtonClick() {
    ClearSearch();
}

void TMySearch::ExitButtonClick() {
    MoreButton->setEnabled(true);
    reject();
}

void TMySearch::HelpButtonClick() {
    ui::showHelp(this, QStringLiteral("Search Window"));
}

// ---- The options dialog ---------------------------------------------------

void TMySearch::MarkerClicked(int fieldNo) {
    if (fieldNo < 1 || fieldNo > fields::kFieldCount)
        return;
    const fields::BookField& f = fields::bookField(fieldNo);
    const bool comparison = f.letter == 'N' || f.letter == 'D';
    if (!comparison && f.list == 0)
        return;
    TSearchOptions dialog(main_, this);
    dialog.fieldNo = fieldNo;
    dialog.setFieldName(main_.settings().fieldNames[fieldNo]);
    if (comparison) {
        QStringList texts;
        for (const QString& t : find::comparisonTexts())
            texts << t;
        dialog.LoadList(texts);
        dialog.select(static_cast<int>(FieldOption(fieldNo)) - 1);
    } else {
        dialog.LoadList(main_.pickLists().items(static_cast<books::PickList>(f.list)));
    }
    if (dialog.exec() != QDialog::Accepted)
        return;
    const int row = fieldNo - 1;
    if (!comparison) {
        if (dialog.selectedIndex() >= 0)
            setCriterion(fieldNo, dialog.selectedText());
        SearchGrid_->setCurrentCell(row, SearchGrid_->currentColumn() < 0
                                             ? kCriterionColumn
                                             : SearchGrid_->currentColumn());
        return;
    }
    if (dialog.selectedIndex() >= 0)
        setFieldOption(fieldNo, static_cast<find::Comparison>(dialog.selectedIndex() + 1));
    // Leaving the row closes its editor, so the next edit takes the new mask;
    // the cell's text stays as it was.
    if (SearchGrid_->currentRow() == row)
        SearchGrid_->setCurrentCell(fieldNo == fields::kFieldCount ? row - 1 : row + 1,
                                    kCriterionColumn);
    SearchGrid_->setCurrentCell(row, kCriterionColumn);
}

}  // namespace findui
