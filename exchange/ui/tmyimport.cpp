#include "exchange/ui/tmyimport.h"

#include <QCheckBox>
#include <QDateTime>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

#include "data/fast_append.h"
#include "data/open_collection.h"
#include "dbase/table.h"
#include "exchange/delimited_text.h"
#include "exchange/field_plan.h"
#include "exchange/transfer.h"
#include "exchange/ui/form_parts.h"
#include "settings/formats.h"
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
// The count is drawn at most this often (milliseconds) while books are added.
constexpr qint64 kCountInterval = 50;

}  // namespace

TMyImport::TMyImport(ui::MainWindowLink& main, Source source, const QString& path,
                     const QStringList& names, QWidget* parent)
    : QDialog(parent),
      main_(main),
      source_(source),
      path_(path),
      names_(names.mid(0, exchange::kMaxImportFields)) {
    setObjectName(QStringLiteral("MyImport"));
    setWindowTitle(source == Source::Text ? QStringLiteral("Ascii Delimited Text Import")
                                          : QStringLiteral("DBase File Import"));
    setModal(true);
    setFixedSize(640, 408);

    const int rows = std::max<int>(static_cast<int>(names_.size()), fields::kFieldCount);
    ImportGrid = named(new QTableWidget(rows, 3, this), "ImportGrid");
    ImportGrid->setGeometry(8, 8, 420, 392);
    exchangeui::setUpTextGrid(ImportGrid, {QStringLiteral("TOMEKEEP FIELDS"),
                                           QStringLiteral("IMPORT FIELDS"), QStringLiteral("USE")});

    FieldLabel = named(new QLabel(QStringLiteral("Field"), this), "FieldLabel");
    FieldLabel->setGeometry(444, 8, 80, 16);
    AlignmentLabel = named(new QLabel(QStringLiteral("Alignment"), this), "AlignmentLabel");
    AlignmentLabel->setGeometry(444, 24, 80, 16);
    UpButton = named(new QPushButton(QStringLiteral("&Up"), this), "UpButton");
    UpButton->setGeometry(444, 44, 80, 28);
    DownButton = named(new QPushButton(QStringLiteral("&Down"), this), "DownButton");
    DownButton->setGeometry(444, 76, 80, 28);

    ImportLabel = named(new QLabel(QStringLiteral("Import"), this), "ImportLabel");
    ImportLabel->setGeometry(540, 60, 90, 16);
    CountLabel = named(new QLabel(QStringLiteral("Count"), this), "CountLabel");
    CountLabel->setGeometry(540, 76, 90, 16);
    ImportCount = named(new QLabel(this), "ImportCount");
    ImportCount->setGeometry(540, 96, 90, 20);

    SkipFirst = named(new QCheckBox(QStringLiteral("Skip First Record"), this), "SkipFirst");
    SkipFirst->setGeometry(444, 128, 180, 22);

    NoteText = named(
        new QLabel(
            QStringLiteral("Use the \"Up\" and \"Down\" buttons to match up the Tomekeep fields "
                           "with the Import Fields.  Select \"Yes\"  to include it.  Double "
                           "click on the \"USE\" field to toggle between Yes and No."),
            this),
        "NoteText");
    NoteText->setGeometry(444, 160, 188, 140);
    NoteText->setWordWrap(true);
    NoteText->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    StartButton = named(new QPushButton(QStringLiteral("&Start Import"), this), "StartButton");
    StartButton->setGeometry(444, 316, 188, 26);
    ExitButton = named(new QPushButton(QStringLiteral("E&xit"), this), "ExitButton");
    ExitButton->setGeometry(444, 346, 188, 26);
    HelpButton = named(new QPushButton(QStringLiteral("&Help"), this), "HelpButton");
    HelpButton->setGeometry(444, 376, 188, 26);

    connect(ImportGrid, &QTableWidget::cellDoubleClicked, this, [this](int row, int column) {
        ImportGrid->setCurrentCell(row, column);
        ImportGridDblClick();
    });
    connect(UpButton, &QPushButton::clicked, this, &TMyImport::UpButtonClick);
    connect(DownButton, &QPushButton::clicked, this, &TMyImport::DownButtonClick);
    connect(SkipFirst, &QCheckBox::clicked, this, &TMyImport::SkipFirstClick);
    connect(StartButton, &QPushButton::clicked, this, &TMyImport::StartButtonClick);
    connect(ExitButton, &QPushButton::clicked, this, &TMyImport::ExitButtonClick);
    connect(HelpButton, &QPushButton::clicked, this, &TMyImport::HelpButtonClick);

    // FormCreate
    SkipFirst->setChecked(main_.settings().importSkipFirst);
    if (source_ == Source::DBase) {
        SkipFirst->setVisible(false);
        SkipFirst->setEnabled(false);
    }
    const settings::Settings& s = main_.settings();
    for (int row = 0; row < rows; ++row) {
        setCellText(ImportGrid, row, 0,
                    row < fields::kFieldCount ? s.fieldNames[row + 1] : QString());
        setCellText(ImportGrid, row, 1,
                    row < names_.size() ? names_.at(row) : QStringLiteral("<EMPTY>"));
        setCellText(ImportGrid, row, 2, row < names_.size() ? kYes : QString());
    }
}

void TMyImport::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void TMyImport::FormShow() {
    const double s = ui::prepareForm(this, main_);
    if (y() > 10)
        move(x(), y() - 10);
    exchangeui::scaleGrid(ImportGrid, {179, 179, 38}, s);
    ImportGrid->resize(static_cast<int>(400 * s) + 20, ImportGrid->height());
    SetColors();
}

void TMyImport::SetColors() {
    ui::applyWindowColors(this, main_.settings().colorSet(settings::ConfigureWindow));
}

void TMyImport::swapRows(int a, int b) {
    for (int c = 1; c < 3; ++c) {
        const QString t = cellText(ImportGrid, a, c);
        setCellText(ImportGrid, a, c, cellText(ImportGrid, b, c));
        setCellText(ImportGrid, b, c, t);
    }
}

void TMyImport::UpButtonClick() {
    const int row = ImportGrid->currentRow();
    if (row < 1)
        return;
    swapRows(row, row - 1);
    ImportGrid->setCurrentCell(row - 1, std::max(0, ImportGrid->currentColumn()));
}

void TMyImport::DownButtonClick() {
    const int row = ImportGrid->currentRow();
    if (row < 0 || row >= ImportGrid->rowCount() - 1)
        return;
    swapRows(row, row + 1);
    ImportGrid->setCurrentCell(row + 1, std::max(0, ImportGrid->currentColumn()));
}

void TMyImport::ImportGridDblClick() {
    const int row = ImportGrid->currentRow();
    if (ImportGrid->currentColumn() != 2 || row < 0)
        return;
    const QString use = cellText(ImportGrid, row, 2);
    if (use == kYes)
        setCellText(ImportGrid, row, 2, kNo);
    else if (use == kNo)
        setCellText(ImportGrid, row, 2, kYes);
}

void TMyImport::SkipFirstClick() {
    main_.settings().importSkipFirst = SkipFirst->isChecked();
}

void TMyImport::showCount(bool now) {
    const qint64 t = QDateTime::currentMSecsSinceEpoch();
    if (!now && t - lastDrawn_ < kCountInterval)
        return;
    lastDrawn_ = t;
    ImportCount->setText(settings::fixedPointGrouped(count_, 0, 0).trimmed());
    ImportCount->repaint();
}

void TMyImport::StartButtonClick() {
    QList<exchange::ImportRow> rows;
    for (int row = 0; row < fields::kFieldCount; ++row)
        rows.append({cellText(ImportGrid, row, 1), cellText(ImportGrid, row, 2)});
    const std::vector<int> map = exchange::importFieldMap(names_, rows);

    if (!main_.postPending())
        return;
    count_ = 0;
    const auto counted = [this](std::uint32_t added) {
        count_ = added;
        showCount(false);
    };
    exchange::ImportResult result;
    bool failed = false;
    {
        ui::WaitCursor wait;
        // A rough count of the books to come: a line of text or a dBase
        // record is rarely shorter than this.
        const std::uint64_t expected = static_cast<std::uint64_t>(QFileInfo(path_).size()) / 64;
        try {
            books::appendToCollection(main_.collection(), expected, [&](dbase::Table& books) {
                if (source_ == Source::Text)
                    result = exchange::importDelimited(books, path_, map, SkipFirst->isChecked(),
                                                       main_.settings(), counted);
                else
                    result = exchange::importDBase(books, path_, map, main_.settings(), counted);
            });
        } catch (const exchange::FileError& e) {
            result.stopped = QString::fromStdString(e.what());
            failed = true;
        } catch (const dbase::Error& e) {
            result.stopped = QString::fromStdString(e.what());
            failed = true;
        }
        showCount(true);
    }
    main_.refreshCount();
    if (!result.stopped.isEmpty()) {
        ui::showError(this, result.stopped);
        if (failed && count_ == 0)
            return;  // nothing was added: the user may pick again
    } else {
        ui::showNotice(this, QStringLiteral("Import Complete."), QStringLiteral("Ok"));
    }
    accept();
}

void TMyImport::ExitButtonClick() {
    reject();
}

void TMyImport::HelpButtonClick() {
    ui::showHelp(this, QStringLiteral("Import Window"));
}

}  // namespace exchangeui
