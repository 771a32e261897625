#include "exchange/ui/tmyexport.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>

#include "data/open_collection.h"
#include "dbase/table.h"
#include "exchange/delimited_text.h"
#include "exchange/field_plan.h"
#include "exchange/transfer.h"
#include "exchange/ui/form_parts.h"
#include "settings/settings.h"
#include "ui/form_geometry.h"
#include "ui/help_window.h"
#include "ui/main_window_link.h"
#include "ui/messages.h"
#include "ui/screen_size.h"
#include "ui/wait_cursor.h"
#include "ui/window_colors.h"

namespace exchangeui {

namespace {

const QString kYes = QStringLiteral("Yes");
const QString kNo = QStringLiteral("No");
constexpr int kRows = fields::kFieldCount;

}  // namespace

TMyExport::TMyExport(ui::MainWindowLink& main, QWidget* parent) : QDialog(parent), main_(main) {
    setObjectName(QStringLiteral("MyExport"));
    setWindowTitle(QStringLiteral("Export"));
    setModal(true);
    setFixedSize(640, 408);

    ExportGrid = named(new QTableWidget(kRows, 2, this), "ExportGrid");
    ExportGrid->setGeometry(8, 8, 320, 336);
    exchangeui::setUpTextGrid(ExportGrid, {QStringLiteral("FIELD"), QStringLiteral("EXPORT IT")});

    FieldLabel = named(new QLabel(QStringLiteral("Field"), this), "FieldLabel");
    FieldLabel->setGeometry(336, 8, 80, 16);
    OrderingLabel = named(new QLabel(QStringLiteral("Ordering"), this), "OrderingLabel");
    OrderingLabel->setGeometry(336, 24, 80, 16);
    UpButton = named(new QPushButton(QStringLiteral("&Up"), this), "UpButton");
    UpButton->setGeometry(336, 44, 80, 28);
    DownButton = named(new QPushButton(QStringLiteral("&Down"), this), "DownButton");
    DownButton->setGeometry(336, 76, 80, 28);
    DefaultsButton = named(new QPushButton(QStringLiteral("D&efaults"), this), "DefaultsButton");
    DefaultsButton->setGeometry(336, 116, 80, 28);

    auto* what = named(new QGroupBox(QStringLiteral("What to Export"), this), "WhatToExport");
    what->setGeometry(424, 8, 208, 72);
    ExportEntire =
        named(new QRadioButton(QStringLiteral("Export Entire Database"), what), "ExportEntire");
    ExportEntire->setGeometry(10, 22, 190, 20);
    ExportSearch =
        named(new QRadioButton(QStringLiteral("Export Search Criteria"), what), "ExportSearch");
    ExportSearch->setGeometry(10, 44, 190, 20);

    auto* how = named(new QGroupBox(QStringLiteral("How To Export"), this), "HowToExport");
    how->setGeometry(424, 88, 208, 72);
    AsciiFile =
        named(new QRadioButton(QStringLiteral("Ascii Delimited Text File"), how), "AsciiFile");
    AsciiFile->setGeometry(10, 22, 190, 20);
    DBaseFile = named(new QRadioButton(QStringLiteral("DBase File (DBF)"), how), "DBaseFile");
    DBaseFile->setGeometry(10, 44, 190, 20);

    FirstRow = named(new QCheckBox(QStringLiteral("&First Record Contains Field Names"), this),
                     "FirstRow");
    FirstRow->setGeometry(336, 168, 296, 22);

    NotesLabel = named(new QLabel(QStringLiteral("NOTES"), this), "NotesLabel");
    NotesLabel->setGeometry(336, 200, 120, 16);
    ui::markHeading(NotesLabel);
    NoteText = named(
        new QLabel(QStringLiteral("To have a field included in the export, select \"Yes\".  To "
                                  "exclude it, select \"No\".  Double click on the field to "
                                  "toggle between Yes and No."),
                   this),
        "NoteText");
    NoteText->setGeometry(336, 218, 296, 72);
    NoteText->setWordWrap(true);
    NoteText->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    GaugeLabel = named(new QLabel(QStringLiteral("Export Progress"), this), "GaugeLabel");
    GaugeLabel->setGeometry(8, 350, 200, 16);
    MyGauge = named(new QProgressBar(this), "MyGauge");
    MyGauge->setGeometry(8, 368, 320, 22);
    MyGauge->setRange(0, 100);
    MyGauge->setValue(0);
    QPalette red = MyGauge->palette();
    red.setColor(QPalette::Highlight, Qt::red);
    MyGauge->setPalette(red);
    ui::markRole(MyGauge, ui::ColorRole::None);

    StartExportButton =
        named(new QPushButton(QStringLiteral("&Start Export"), this), "StartExportButton");
    StartExportButton->setGeometry(336, 362, 96, 32);
    ExitButton = named(new QPushButton(QStringLiteral("E&xit"), this), "ExitButton");
    ExitButton->setGeometry(440, 362, 92, 32);
    HelpButton = named(new QPushButton(QStringLiteral("&Help"), this), "HelpButton");
    HelpButton->setGeometry(540, 362, 92, 32);

    connect(ExportGrid, &QTableWidget::cellDoubleClicked, this, [this](int row, int column) {
        ExportGrid->setCurrentCell(row, column);
        ExportGridDblClick();
    });
    connect(UpButton, &QPushButton::clicked, this, &TMyExport::UpButtonClick);
    connect(DownButton, &QPushButton::clicked, this, &TMyExport::DownButtonClick);
    connect(DefaultsButton, &QPushButton::clicked, this, &TMyExport::DefaultsButtonClick);
    connect(FirstRow, &QCheckBox::clicked, this, &TMyExport::FirstRowClick);
    connect(AsciiFile, &QRadioButton::clicked, this, &TMyExport::AsciiFileClick);
    connect(DBaseFile, &QRadioButton::clicked, this, &TMyExport::DBaseFileClick);
    connect(StartExportButton, &QPushButton::clicked, this, &TMyExport::StartExportButtonClick);
    connect(ExitButton, &QPushButton::clicked, this, &TMyExport::ExitButtonClick);
    connect(HelpButton, &QPushButton::clicked, this, &TMyExport::HelpButtonClick);

    // FormCreate
    FirstRow->setChecked(main_.settings().exportFirstRow);
}

void TMyExport::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void TMyExport::FormShow() {
    const double s = ui::prepareForm(this, main_);
    if (y() > 10)
        move(x(), y() - 10);
    exchangeui::scaleGrid(ExportGrid, {200, 100}, s);
    ExportGrid->resize(static_cast<int>(300 * s) + 20, ExportGrid->height());
    fillGrid();
    SetColors();
    const bool searching = main_.searchActive();
    ExportSearch->setEnabled(searching);
    if (searching)
        ExportSearch->setChecked(true);
    else
        ExportEntire->setChecked(true);
    if (main_.settings().exportFileType == 2) {
        DBaseFile->setChecked(true);
        DBaseFileClick();
    } else {
        AsciiFile->setChecked(true);
        AsciiFileClick();
    }
}

void TMyExport::fillGrid() {
    const settings::Settings& s = main_.settings();
    const std::vector<int> fields = exchange::fieldsByPosition(s.exportOrder);
    for (int row = 0; row < kRows; ++row) {
        const int k = fields[static_cast<std::size_t>(row)];
        setCellText(ExportGrid, row, 0, s.fieldNames[k]);
        setCellText(ExportGrid, row, 1, s.exportFields[k] ? kYes : kNo);
    }
}

void TMyExport::SetColors() {
    ui::applyWindowColors(this, main_.settings().colorSet(settings::ConfigureWindow));
}

void TMyExport::ExportGridDblClick() {
    const int row = ExportGrid->currentRow();
    if (ExportGrid->currentColumn() != 1 || row < 0 || row >= kRows)
        return;
    setCellText(ExportGrid, row, 1, cellText(ExportGrid, row, 1) == kYes ? kNo : kYes);
}

void TMyExport::swapRows(int a, int b) {
    for (int c = 0; c < 2; ++c) {
        const QString t = cellText(ExportGrid, a, c);
        setCellText(ExportGrid, a, c, cellText(ExportGrid, b, c));
        setCellText(ExportGrid, b, c, t);
    }
}

void TMyExport::UpButtonClick() {
    const int row = ExportGrid->currentRow();
    if (row < 1)
        return;
    swapRows(row, row - 1);
    ExportGrid->setCurrentCell(row - 1, std::max(0, ExportGrid->currentColumn()));
}

void TMyExport::DownButtonClick() {
    const int row = ExportGrid->currentRow();
    if (row < 0 || row >= kRows - 1)
        return;
    swapRows(row, row + 1);
    ExportGrid->setCurrentCell(row + 1, std::max(0, ExportGrid->currentColumn()));
}

void TMyExport::DefaultsButtonClick() {
    if (!ui::askYesNo(this, QStringLiteral("Re-Order"),
                      QStringLiteral(
                          "This will set the order of fields to the program defaults.  Continue?")))
        return;
    for (int row = 0; row < kRows; ++row) {
        setCellText(ExportGrid, row, 0, main_.settings().fieldNames[row + 1]);
        setCellText(ExportGrid, row, 1, kYes);
    }
}

void TMyExport::FirstRowClick() {
    main_.settings().exportFirstRow = FirstRow->isChecked();
}

void TMyExport::AsciiFileClick() {
    FirstRow->setVisible(true);
    FirstRow->setEnabled(true);
}

void TMyExport::DBaseFileClick() {
    FirstRow->setVisible(false);
    FirstRow->setEnabled(false);
}

void TMyExport::UpdateConfigs() {
    QList<exchange::ExportRow> rows;
    for (int row = 0; row < kRows; ++row)
        rows.append({cellText(ExportGrid, row, 0), cellText(ExportGrid, row, 1)});
    settings::Settings& s = main_.settings();
    exchange::readExportRows(rows, s.fieldNames, s.exportOrder, s.exportFields);
}

std::vector<int> TMyExport::CalcIndexOrder() {
    UpdateConfigs();
    const settings::Settings& s = main_.settings();
    return exchange::exportFields(s.exportOrder, s.exportFields);
}

void TMyExport::StartExportButtonClick() {
    const std::vector<int> fields = CalcIndexOrder();
    const bool entire = ExportEntire->isChecked();
    if (fields.empty()) {
        ui::showError(this, QStringLiteral("No fields selected for export."));
        return;
    }
    main_.postPending();
    const bool done = AsciiFile->isChecked() ? DoAscii(fields, entire) : DoDBase(fields, entire);
    if (!done)
        return;
    ui::showNotice(this, QStringLiteral("Export Complete."), QStringLiteral("Ok"));
    MyGauge->setValue(0);
    accept();
}

template <typename Write>
bool TMyExport::walk(bool entire, Write write) {
    ui::WaitCursor wait;
    MyGauge->setMinimum(0);
    const exchange::Progress progress = [this](std::uint32_t done, std::uint32_t total) {
        if (done == 0)
            MyGauge->setMaximum(static_cast<int>(std::max<std::uint32_t>(total, 1)));
        MyGauge->setValue(static_cast<int>(std::min(done, total)));
    };
    try {
        dbase::Table& books = main_.collection().table();
        if (entire && main_.searchActive()) {
            // Every book while the search stays as it is: a second cursor on
            // the same file, in the same order, without the search's filter.
            dbase::Table all;
            all.setFileName(books.fileName());
            all.setReadOnly(true);
            all.setIndexTag(books.indexTag());
            all.open();
            write(all, progress);
        } else {
            const std::uint32_t current = books.recNo();
            write(books, progress);
            if (current != 0)
                books.gotoRecNo(current);
        }
        return true;
    } catch (const exchange::FileError& e) {
        ui::showError(this, QString::fromStdString(e.what()));
    } catch (const dbase::Error& e) {
        ui::showError(this, QString::fromStdString(e.what()));
    }
    MyGauge->setValue(0);
    return false;
}

bool TMyExport::DoAscii(const std::vector<int>& fields, bool entire) {
    const QString path = ui::getSaveFileName(
        this, QStringLiteral("Export Data"), QFileInfo(main_.collection().path()).absolutePath(),
        QStringLiteral("Ascii Delimited Text (*.TXT *.txt)"), QStringLiteral("TXT"));
    if (path.isEmpty())
        return false;
    QStringList header;
    if (main_.settings().exportFirstRow) {
        for (const int k : fields)
            header.append(main_.settings().fieldNames[k]);
    }
    return walk(entire, [&](dbase::Table& books, const exchange::Progress& progress) {
        exchange::exportDelimited(books, fields, header, path, main_.settings().formats, progress);
    });
}

bool TMyExport::DoDBase(const std::vector<int>& fields, bool entire) {
    const QString path = ui::getSaveFileName(
        this, QStringLiteral("Export Data"), QFileInfo(main_.collection().path()).absolutePath(),
        QStringLiteral("DBase (*.DBF *.dbf)"), QStringLiteral("DBF"));
    if (path.isEmpty())
        return false;
    if (!exchangeui::hasDBaseExtension(path)) {
        ui::showError(this, QStringLiteral("Invalid file type selected."));
        return false;
    }
    return walk(entire, [&](dbase::Table& books, const exchange::Progress& progress) {
        exchange::exportDBase(books, fields, path, main_.settings().formats, progress);
    });
}

void TMyExport::ExitButtonClick() {
    reject();
}

void TMyExport::HelpButtonClick() {
    ui::showHelp(this, QStringLiteral("Export Window"));
}

void TMyExport::done(int result) {
    FormClose();
    QDialog::done(result);
}

void TMyExport::FormClose() {
    main_.settings().exportFileType = AsciiFile->isChecked() ? 1 : 2;
    UpdateConfigs();
}

}  // namespace exchangeui
