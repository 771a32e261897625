#include "appearance/tviewconfig.h"

#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTabWidget>

#include <cmath>

#include "ui/form_geometry.h"
#include "ui/help_window.h"
#include "ui/keyboard.h"
#include "ui/main_window_link.h"
#include "ui/messages.h"
#include "ui/screen_size.h"
#include "ui/user_fonts.h"
#include "ui/window_colors.h"

namespace appearance {

namespace {

constexpr int kFields = fields::kFieldCount;

QString fieldName(int field) {
    const auto n = fields::bookField(field).name;
    return QString::fromLatin1(n.data(), static_cast<qsizetype>(n.size()));
}

QGroupBox* makeBox(QWidget* parent, const char* name, const char* heading, const QRect& geometry) {
    auto* box = new QGroupBox(QString::fromLatin1(heading), parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setGeometry(geometry);
    return box;
}

template <typename W>
W* make(QWidget* parent, const char* name, const QRect& geometry) {
    auto* w = new W(parent);
    w->setObjectName(QString::fromLatin1(name));
    w->setGeometry(geometry);
    return w;
}

QPushButton* makeButton(QWidget* parent, const char* name, const char* caption,
                        const QRect& geometry) {
    auto* b = make<QPushButton>(parent, name, geometry);
    b->setText(QString::fromLatin1(caption));
    b->setAutoDefault(false);
    return b;
}

QCheckBox* makeCheck(QWidget* parent, const char* name, const char* caption, const QRect& geometry,
                     bool checked) {
    auto* c = make<QCheckBox>(parent, name, geometry);
    c->setText(QString::fromLatin1(caption));
    c->setChecked(checked);
    return c;
}

// A colour swatch: a framed shape, which the window colours leave alone.
QFrame* makeSwatch(QWidget* parent, const char* name, const QRect& geometry) {
    auto* f = make<QFrame>(parent, name, geometry);
    f->setFrameShape(QFrame::Box);
    f->setAutoFillBackground(true);
    ui::markRole(f, ui::ColorRole::None);
    return f;
}

ConfigGrid* makeGrid(QWidget* parent, const char* name, const QRect& geometry,
                     const QStringList& titles) {
    auto* g = make<ConfigGrid>(parent, name, geometry);
    g->setColumnCount(static_cast<int>(titles.size()));
    g->setRowCount(kFields);
    g->verticalHeader()->setVisible(false);
    g->setSelectionMode(QAbstractItemView::SingleSelection);
    g->setEditTriggers(QAbstractItemView::NoEditTriggers);
    if (titles.isEmpty() || titles.front().isEmpty()) {
        g->horizontalHeader()->setVisible(false);
    } else {
        g->setHorizontalHeaderLabels(titles);
    }
    g->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    g->horizontalHeader()->setHighlightSections(false);
    return g;
}

// Sets the text of a cell, creating it with `editable` when missing.
void setCell(QTableWidget* g, int row, int column, const QString& text, bool editable) {
    QTableWidgetItem* item = g->item(row, column);
    if (!item) {
        item = new QTableWidgetItem;
        Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
        if (editable)
            flags |= Qt::ItemIsEditable;
        item->setFlags(flags);
        g->setItem(row, column, item);
    }
    item->setText(text);
}

QString yesNo(bool b) {
    return b ? QStringLiteral("Yes") : QStringLiteral("No");
}

void setSwatch(QFrame* swatch, int color) {
    QPalette p = swatch->palette();
    p.setColor(QPalette::Window, ui::toQColor(color));
    swatch->setPalette(p);
}

}  // namespace

void ConfigGrid::commitOpenEditor() {
    if (state() != EditingState)
        return;
    if (QWidget* editor = indexWidget(currentIndex())) {
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

TViewConfig::TViewConfig(ui::MainWindowLink& main)
    : QDialog(main.dialogParent()), main_(main), tables_(main.settings()) {
    setObjectName(QStringLiteral("ViewConfig"));
    setWindowTitle(QStringLiteral("Viewer Configuration"));
    // Wide enough for the six tabs side by side.
    setFixedSize(580, 372);

    Notebook = make<QTabWidget>(this, "Notebook", {8, 8, 564, 316});
    const char* const captions[] = {"&Title",        "&Look and Feel", "Fields to &Show",
                                    "Field &Widths", "Field &Order",   "Field &Names"};
    const char* const names[] = {"TitlePage",  "LookPage",  "ShowPage",
                                 "WidthsPage", "OrderPage", "NamesPage"};
    for (int i = 0; i < 6; ++i) {
        auto* page = new QWidget;
        page->setObjectName(QString::fromLatin1(names[i]));
        ui::markRole(page, ui::ColorRole::Window);
        Notebook->addTab(page, QString::fromLatin1(captions[i]));
    }
    createTitlePage(Notebook->widget(0));
    createLookPage(Notebook->widget(1));
    createGridPages();

    HelpButton = makeButton(this, "HelpButton", "&Help", {8, 334, 90, 28});
    ExitButton = makeButton(this, "ExitButton", "E&xit", {482, 334, 90, 28});
    connect(HelpButton, &QPushButton::clicked, this, &TViewConfig::HelpButtonClick);
    connect(ExitButton, &QPushButton::clicked, this, &TViewConfig::ExitButtonClick);

    FormCreate();
}

void TViewConfig::createTitlePage(QWidget* page) {
    auto& s = main_.settings();
    ShowGridTitle =
        makeCheck(page, "ShowGridTitle", "Show Column Titles", {12, 12, 200, 22}, s.gridShowTitles);

    auto* back = makeBox(page, "BackgroundBox", "Background", {12, 44, 200, 76});
    TitleShape = makeSwatch(back, "TitleShape", {12, 24, 60, 40});
    Button1 = makeButton(back, "Button1", "New &Color", {88, 30, 100, 28});
    connect(Button1, &QPushButton::clicked, this,
            [this] { chooseColor(main_.settings().gridTitleColor); });

    auto* font = makeBox(page, "TitleFontBox", "Title Font", {12, 130, 420, 76});
    TitleFont = make<QLineEdit>(font, "TitleFont", {12, 30, 280, 26});
    TitleFont->setReadOnly(true);
    TitleFontButton = makeButton(font, "TitleFontButton", "New &Font", {304, 29, 100, 28});
    connect(TitleFontButton, &QPushButton::clicked, this,
            [this] { chooseFont(main_.settings().gridTitleFont); });

    auto* align = makeBox(page, "AlignmentBox", "Alignment", {224, 12, 208, 108});
    TitleLeft = make<QRadioButton>(align, "TitleLeft", {12, 24, 180, 22});
    TitleLeft->setText(QStringLiteral("Left Justify"));
    TitleCenter = make<QRadioButton>(align, "TitleCenter", {12, 50, 180, 22});
    TitleCenter->setText(QStringLiteral("Center"));
    TitleRight = make<QRadioButton>(align, "TitleRight", {12, 76, 180, 22});
    TitleRight->setText(QStringLiteral("Right Justify"));
    // The alignment beside the background, before the font below them both.
    ui::chainTabOrder({Button1, TitleLeft, TitleCenter, TitleRight});
    const std::pair<QRadioButton*, int> aligns[] = {
        {TitleLeft, 1}, {TitleCenter, 2}, {TitleRight, 3}};
    for (const auto& [button, value] : aligns) {
        connect(button, &QRadioButton::clicked, this,
                [this, v = value] { main_.settings().gridTitleAlignment = v; });
    }
}

void TViewConfig::createLookPage(QWidget* page) {
    auto& s = main_.settings();
    auto* options = makeBox(page, "GridOptionsBox", "Grid Options", {12, 12, 420, 116});
    ColumnLines = makeCheck(options, "ColumnLines", "Show lines between columns", {12, 22, 380, 22},
                            s.gridColumnLines);
    RowLines = makeCheck(options, "RowLines", "Show lines between rows", {12, 44, 380, 22},
                         s.gridRowLines);
    RowIndicator = makeCheck(options, "RowIndicator", "Show current row indicator",
                             {12, 66, 380, 22}, s.gridRowIndicator);
    FieldEditing = makeCheck(options, "FieldEditing", "Allow field editing", {12, 88, 380, 22},
                             s.gridFieldEditing);

    auto* cell = makeBox(page, "CellColorBox", "Cell Color", {12, 136, 200, 76});
    CellColorShape = makeSwatch(cell, "CellColorShape", {12, 24, 60, 40});
    NewColorBUtton = makeButton(cell, "NewColorBUtton", "New &Color", {88, 30, 100, 28});
    connect(NewColorBUtton, &QPushButton::clicked, this,
            [this] { chooseColor(main_.settings().gridCellColor); });

    auto* font = makeBox(page, "CellFontBox", "Cell Font", {12, 218, 420, 64});
    GridFont = make<QLineEdit>(font, "GridFont", {12, 26, 280, 26});
    GridFont->setReadOnly(true);
    NewFontButton = makeButton(font, "NewFontButton", "New &Font", {304, 25, 100, 28});
    connect(NewFontButton, &QPushButton::clicked, this,
            [this] { chooseFont(main_.settings().gridFont); });
}

void TViewConfig::createGridPages() {
    const QString field = QStringLiteral("FIELD");
    QWidget* show = Notebook->widget(2);
    FieldsToDisplay = makeGrid(show, "FieldsToDisplay", {12, 12, 322, 270},
                               {field, QStringLiteral("DISPLAY IT")});
    DisplayText = make<QLabel>(show, "DisplayText", {344, 12, 92, 270});
    DisplayText->setWordWrap(true);
    DisplayText->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    DisplayText->setText(QStringLiteral(
        "For each field that you would like displayed in the Viewer, select 'Yes'.  If you do "
        "not wish a field to appear in the Viewer, then select 'No' for that field.  Double "
        "Click on the field to change between 'Yes' and 'No'."));
    connect(FieldsToDisplay, &QTableWidget::cellDoubleClicked, this,
            &TViewConfig::FieldsToDisplayDblClick);

    FieldWidthGrid = makeGrid(Notebook->widget(3), "FieldWidthGrid", {12, 12, 322, 270},
                              {field, QStringLiteral("WIDTH")});
    FieldWidthGrid->setEditTriggers(QAbstractItemView::DoubleClicked |
                                    QAbstractItemView::EditKeyPressed |
                                    QAbstractItemView::AnyKeyPressed);

    QWidget* order = Notebook->widget(4);
    FieldOrderGrid = makeGrid(order, "FieldOrderGrid", {12, 12, 222, 270}, {QString()});
    FieldLabel = make<QLabel>(order, "FieldLabel", {256, 40, 120, 20});
    FieldLabel->setText(QStringLiteral("Field"));
    OrderingLabel = make<QLabel>(order, "OrderingLabel", {256, 60, 120, 20});
    OrderingLabel->setText(QStringLiteral("Ordering"));
    OrderUp = makeButton(order, "OrderUp", "&Up", {256, 96, 100, 28});
    OrderDown = makeButton(order, "OrderDown", "&Down", {256, 132, 100, 28});
    OrderDefaults = makeButton(order, "OrderDefaults", "D&efaults", {256, 168, 100, 28});
    connect(OrderUp, &QPushButton::clicked, this, &TViewConfig::OrderUpClick);
    connect(OrderDown, &QPushButton::clicked, this, &TViewConfig::OrderDownClick);
    connect(OrderDefaults, &QPushButton::clicked, this, &TViewConfig::OrderDefaultsClick);

    FieldNameGrid = makeGrid(Notebook->widget(5), "FieldNameGrid", {12, 12, 424, 270},
                             {field, QStringLiteral("NAME TO USE")});
    FieldNameGrid->setEditTriggers(FieldWidthGrid->editTriggers());

    fillGrids();
    for (QTableWidget* g : {FieldWidthGrid, FieldNameGrid})
        connect(g, &QTableWidget::itemChanged, this, &TViewConfig::gridItemChanged);
}

void TViewConfig::FormCreate() {
    auto& s = main_.settings();
    ShowGridTitle->setChecked(s.gridShowTitles);
    ColumnLines->setChecked(s.gridColumnLines);
    RowLines->setChecked(s.gridRowLines);
    RowIndicator->setChecked(s.gridRowIndicator);
    FieldEditing->setChecked(s.gridFieldEditing);
    const std::pair<QCheckBox*, bool settings::Settings::*> checks[] = {
        {ShowGridTitle, &settings::Settings::gridShowTitles},
        {ColumnLines, &settings::Settings::gridColumnLines},
        {RowLines, &settings::Settings::gridRowLines},
        {RowIndicator, &settings::Settings::gridRowIndicator},
        {FieldEditing, &settings::Settings::gridFieldEditing},
    };
    for (const auto& [box, member] : checks) {
        connect(box, &QCheckBox::clicked, this,
                [this, m = member](bool on) { main_.settings().*m = on; });
    }
}

void TViewConfig::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void TViewConfig::FormShow() {
    const double factor = ui::prepareForm(this, main_);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        if (y() - screen->geometry().y() > 10)
            move(x(), y() - 10);
    }
    refreshFontTexts();
    paintSwatches();
    const int alignment = main_.settings().gridTitleAlignment;
    TitleLeft->setChecked(alignment == 1);
    TitleCenter->setChecked(alignment == 2);
    TitleRight->setChecked(alignment == 3);
    fillGrids();

    const auto scaled = [factor](int pixels) {
        return static_cast<int>(std::lround(pixels * factor));
    };
    for (QTableWidget* g : {FieldsToDisplay, FieldWidthGrid}) {
        g->setColumnWidth(0, scaled(200));
        g->setColumnWidth(1, scaled(100));
    }
    FieldNameGrid->setColumnWidth(0, scaled(200));
    FieldNameGrid->setColumnWidth(1, scaled(200));
    FieldOrderGrid->setColumnWidth(0, scaled(200));
    for (QTableWidget* g : {FieldsToDisplay, FieldWidthGrid, FieldOrderGrid, FieldNameGrid}) {
        const int row = std::max(scaled(24), g->fontMetrics().height() + 6);
        g->verticalHeader()->setMinimumSectionSize(1);
        g->verticalHeader()->setDefaultSectionSize(row);
    }
    SetColors();
}

void TViewConfig::fillGrids() {
    filling_ = true;
    for (int f = 1; f <= kFields; ++f) {
        const int row = f - 1;
        setCell(FieldWidthGrid, row, 0, tables_.name(f), false);
        setCell(FieldWidthGrid, row, 1, tables_.widthText(f), true);
        setCell(FieldsToDisplay, row, 0, tables_.name(f), false);
        setCell(FieldsToDisplay, row, 1, yesNo(tables_.shown(f)), false);
        setCell(FieldNameGrid, row, 0, fieldName(f), false);
        setCell(FieldNameGrid, row, 1, tables_.name(f), true);
    }
    filling_ = false;
    fillOrderGrid();
}

void TViewConfig::fillOrderGrid() {
    filling_ = true;
    for (int row = 0; row < kFields; ++row)
        setCell(FieldOrderGrid, row, 0, tables_.name(tables_.fieldAtRow(row)), false);
    filling_ = false;
}

void TViewConfig::refreshFontTexts() {
    TitleFont->setText(fontText(main_.settings().gridTitleFont));
    GridFont->setText(fontText(main_.settings().gridFont));
}

void TViewConfig::paintSwatches() {
    setSwatch(TitleShape, main_.settings().gridTitleColor);
    setSwatch(CellColorShape, main_.settings().gridCellColor);
}

void TViewConfig::chooseColor(int& target) {
    const auto chosen = ui::getColor(this, ui::toQColor(target));
    if (!chosen || !chosen->isValid())
        return;
    target = ui::fromQColor(*chosen);
    paintSwatches();
}

void TViewConfig::chooseFont(settings::FontKeys& target) {
    const auto chosen = ui::getFontAndColor(this, ui::toQFont(target), ui::toQColor(target.color));
    if (!chosen)
        return;
    target = ui::toFontKeys(chosen->font, ui::fromQColor(chosen->color));
    refreshFontTexts();
}

void TViewConfig::gridItemChanged(QTableWidgetItem* item) {
    if (filling_ || item->column() != 1)
        return;
    const int field = item->row() + 1;
    if (item->tableWidget() == FieldWidthGrid) {
        tables_.setWidthText(field, item->text());
        return;
    }
    tables_.setName(field, item->text());
    // The other grids name the field as it is now called.
    filling_ = true;
    if (item->text() != tables_.name(field))
        item->setText(tables_.name(field));
    FieldWidthGrid->item(item->row(), 0)->setText(tables_.name(field));
    FieldsToDisplay->item(item->row(), 0)->setText(tables_.name(field));
    filling_ = false;
    fillOrderGrid();
}

void TViewConfig::FieldsToDisplayDblClick() {
    QTableWidgetItem* item = FieldsToDisplay->currentItem();
    if (!item || item->column() != 1)
        return;
    const int field = item->row() + 1;
    tables_.toggleShown(field);
    item->setText(yesNo(tables_.shown(field)));
}

void TViewConfig::moveOrderRow(int row, bool up) {
    if (row < 0)
        return;
    if (!(up ? tables_.moveUp(row) : tables_.moveDown(row)))
        return;
    fillOrderGrid();
    FieldOrderGrid->setCurrentCell(up ? row - 1 : row + 1, 0);
}

void TViewConfig::OrderUpClick() {
    moveOrderRow(FieldOrderGrid->currentRow(), true);
}

void TViewConfig::OrderDownClick() {
    moveOrderRow(FieldOrderGrid->currentRow(), false);
}

void TViewConfig::OrderDefaultsClick() {
    if (!ui::askYesNo(this, QStringLiteral("Re-Order"),
                      QStringLiteral("This will set the order of fields to the program "
                                     "defaults.  Continue?")))
        return;
    tables_.restoreDefaultOrder();
    fillOrderGrid();
}

QStringList TViewConfig::helpKeywords() {
    return {
        QStringLiteral("Viewer Configuration Title"), QStringLiteral("Viewer Configuration Look"),
        QStringLiteral("Viewer Configuration Show"),  QStringLiteral("Viewer Configuration Widths"),
        QStringLiteral("Viewer Configuration Order"), QStringLiteral("Viewer Configuration Names")};
}

void TViewConfig::HelpButtonClick() {
    const QStringList keywords = helpKeywords();
    const int page = Notebook->currentIndex();
    ui::showHelp(this, keywords.value(page, keywords.front()));
}

void TViewConfig::ExitButtonClick() {
    close();
}

void TViewConfig::done(int result) {
    if (!closed_)
        FormClose();
    QDialog::done(result);
}

void TViewConfig::FormClose() {
    closed_ = true;
    for (ConfigGrid* g : {FieldWidthGrid, FieldNameGrid})
        g->commitOpenEditor();
    tables_.applyTo(main_.settings());
    // Widths that were replaced read as stored.
    filling_ = true;
    for (int f = 1; f <= kFields; ++f)
        FieldWidthGrid->item(f - 1, 1)->setText(tables_.widthText(f));
    filling_ = false;
}

void TViewConfig::SetColors() {
    ui::applyWindowColors(this, main_.settings().colorSet(settings::ConfigureWindow));
}

void runViewConfig(ui::MainWindowLink& main) {
    TViewConfig dialog(main);
    dialog.exec();
}

void registerViewerCommand(ui::MainWindowLink& main) {
    main.setHandler(ui::Command::Viewer, [](ui::MainWindowLink& link, int) {
        if (link.browseMode())
            return;
        runViewConfig(link);
        link.reapplyViewerOptions();
    });
}

}  // namespace appearance
