#include "reports/ui/tmyreport.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include <memory>

#include "data/open_collection.h"
#include "data/run_state.h"
#include "reports/definition_file.h"
#include "reports/page_stream.h"
#include "reports/ui/tmypreview.h"
#include "reports/ui/treportform.h"
#include "reports/ui/tuserreport.h"
#include "settings/settings.h"
#include "ui/form_geometry.h"
#include "ui/help_window.h"
#include "ui/main_window_link.h"
#include "ui/messages.h"
#include "ui/window_colors.h"

namespace reportsui {

namespace {

template <typename W>
W* named(W* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}

const QString kNoSelection = QStringLiteral("No Report has been selected.  Please choose one.");
const QString kNoFormat = QStringLiteral("Report format could not be located.");

}  // namespace

reports::DefinitionFile TMyReport::definitionFile() const {
    return reports::DefinitionFile::inDirectory(main_.runState().programDirectory);
}

TMyReport::TMyReport(ui::MainWindowLink& main, QWidget* parent) : QDialog(parent), main_(main) {
    setObjectName(QStringLiteral("MyReport"));
    setWindowTitle(QStringLiteral("Reports"));
    setModal(true);
    setFixedSize(456, 312);

    auto* panel = named(new QFrame(this), "Panel1");
    panel->setGeometry(8, 8, 440, 48);
    panel->setAutoFillBackground(true);
    QPalette teal = panel->palette();
    teal.setColor(QPalette::Window, QColor(0, 128, 128));
    panel->setPalette(teal);
    ui::markRole(panel, ui::ColorRole::None);
    Label1 = named(new QLabel(QStringLiteral("Current Sort Order"), panel), "Label1");
    Label1->setGeometry(8, 4, 424, 18);
    ui::markHeading(Label1);
    SortOrderLabel = named(new QLabel(panel), "SortOrderLabel");
    SortOrderLabel->setGeometry(8, 24, 424, 18);

    WhatLabel = named(new QLabel(QStringLiteral("What to Print"), this), "WhatLabel");
    WhatLabel->setGeometry(8, 64, 200, 18);
    ui::markHeading(WhatLabel);
    ExportEntire =
        named(new QRadioButton(QStringLiteral("Print Entire Database"), this), "ExportEntire");
    ExportEntire->setGeometry(8, 84, 200, 20);
    ExportSearch =
        named(new QRadioButton(QStringLiteral("Print Search Criteria"), this), "ExportSearch");
    ExportSearch->setGeometry(8, 106, 200, 20);

    StyleLabel = named(new QLabel(QStringLiteral("Report Selection"), this), "StyleLabel");
    StyleLabel->setGeometry(216, 64, 232, 18);
    ui::markHeading(StyleLabel);
    ReportBox = named(new QListWidget(this), "ReportBox");
    ReportBox->setGeometry(216, 84, 232, 180);

    ModifyButton = named(new QPushButton(QStringLiteral("&Modify Report"), this), "ModifyButton");
    ModifyButton->setGeometry(8, 136, 96, 28);
    NewButton = named(new QPushButton(QStringLiteral("&New Report"), this), "NewButton");
    NewButton->setGeometry(112, 136, 96, 28);
    ViewButton = named(new QPushButton(QStringLiteral("&View"), this), "ViewButton");
    ViewButton->setGeometry(8, 276, 80, 28);
    ViewButton->setDefault(true);
    PrintButton = named(new QPushButton(QStringLiteral("&Print"), this), "PrintButton");
    PrintButton->setGeometry(96, 276, 80, 28);
    FileButton = named(new QPushButton(QStringLiteral("Print To &File"), this), "FileButton");
    FileButton->setGeometry(184, 276, 96, 28);
    HelpButton = named(new QPushButton(QStringLiteral("&Help"), this), "HelpButton");
    HelpButton->setGeometry(288, 276, 76, 28);
    ExitButton = named(new QPushButton(QStringLiteral("E&xit"), this), "ExitButton");
    ExitButton->setGeometry(372, 276, 76, 28);

    connect(ViewButton, &QPushButton::clicked, this, &TMyReport::ViewButtonClick);
    connect(PrintButton, &QPushButton::clicked, this, &TMyReport::PrintButtonClick);
    connect(FileButton, &QPushButton::clicked, this, &TMyReport::FileButtonClick);
    connect(NewButton, &QPushButton::clicked, this, &TMyReport::NewButtonClick);
    connect(ModifyButton, &QPushButton::clicked, this, &TMyReport::ModifyButtonClick);
    connect(HelpButton, &QPushButton::clicked, this, &TMyReport::HelpButtonClick);
    connect(ExitButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(ReportBox, &QListWidget::itemDoubleClicked, this, &TMyReport::ViewButtonClick);

    showPreview = reportsui::showPreview;
    openDesigner = reportsui::openDesigner;
    ui::recordDesignGeometry(this);
    LoadReportBox();
}

void TMyReport::LoadReportBox() {
    ReportBox->clear();
    ReportBox->addItems(definitionFile().names());
}

QString TMyReport::sortOrderText(const std::array<int, 4>& levels,
                                 const reports::FieldCaptions& captions) {
    QStringList shown;
    for (const int field : levels)
        if (field >= 1 && field <= fields::kFieldCount)
            shown << captions[std::size_t(field)];
    return shown.isEmpty() ? QStringLiteral("No Sort Order Selected")
                           : shown.join(QStringLiteral(", "));
}

void TMyReport::showEvent(QShowEvent* event) {
    ui::prepareForm(this, main_);
    ui::applyWindowColors(this, main_.settings().colorSet(settings::ReportWindow));
    const bool searching = main_.searchActive();
    ExportSearch->setEnabled(searching);
    (searching ? ExportSearch : ExportEntire)->setChecked(true);
    const int last = main_.settings().lastReport;
    if (last >= 0 && last < ReportBox->count())
        ReportBox->setCurrentRow(last);
    SortOrderLabel->setText(
        sortOrderText(main_.collection().sortLevels(), reports::fieldCaptions(main_.settings())));
    QDialog::showEvent(event);
    ReportBox->setFocus();
}

void TMyReport::done(int result) {
    if (ReportBox->currentRow() >= 0)
        main_.settings().lastReport = ReportBox->currentRow();
    QDialog::done(result);
}

void TMyReport::noSelection() {
    QApplication::beep();
    ui::showRefusal(this, kNoSelection);
    ReportBox->setFocus();
}

void TMyReport::DoIt(reports::OutputMode mode, const QString& textFile) {
    const bool searchOnly = !ExportEntire->isChecked();
    const int index = ReportBox->currentRow();
    if (index < 0) {
        noSelection();
        return;
    }
    const auto read = definitionFile().read(index);
    if (!read) {
        QApplication::beep();
        ui::showRefusal(this, kNoFormat);
        ReportBox->setFocus();
        return;
    }
    definition_ = *read;

    // Every book: the search is set aside for the run and put back after.
    std::function<bool(const dbase::Table&)> search;
    if (main_.searchActive() && !searchOnly) {
        search = main_.activeSearch();
        main_.endSearch();
    }
    std::unique_ptr<reports::PageStream> stream;
    if (mode == reports::OutputMode::View)
        stream = std::make_unique<reports::PageStream>();
    const bool completed = reportsui::runReport(main_, definition_, mode, stream.get(), textFile);
    if (mode == reports::OutputMode::View && completed && showPreview)
        showPreview(main_, definition_, *stream);
    if (search) {
        if (!main_.beginSearch(search))
            main_.endSearch();
        main_.refreshCount();
    }
}

void TMyReport::ViewButtonClick() {
    DoIt(reports::OutputMode::View);
}

void TMyReport::PrintButtonClick() {
    DoIt(reports::OutputMode::Print);
}

void TMyReport::FileButtonClick() {
    const QString file =
        ui::getSaveFileName(this, QStringLiteral("Save Report As a Text File"), QString(),
                            QStringLiteral("Text Files (*.TXT)"), QStringLiteral("TXT"));
    if (file.isEmpty())
        return;
    DoIt(reports::OutputMode::TextFile, file);
}

void TMyReport::runDesigner(int index) {
    if (openDesigner && openDesigner(main_, definition_, index)) {
        // A report saved as new is selected; otherwise the same row.
        const int row = ReportBox->currentRow(), before = ReportBox->count();
        LoadReportBox();
        const int count = ReportBox->count();
        ReportBox->setCurrentRow(count > before ? count - 1 : std::min(row, count - 1));
    }
}

void TMyReport::NewButtonClick() {
    definition_ = reports::newReportDefinition();
    runDesigner(-1);
}

void TMyReport::ModifyButtonClick() {
    const int index = ReportBox->currentRow();
    if (index < 0) {
        noSelection();
        return;
    }
    if (const auto read = definitionFile().read(index))
        definition_ = *read;
    runDesigner(index);
}

void TMyReport::HelpButtonClick() {
    ui::showHelp(this, QStringLiteral("Report Window"));
}

}  // namespace reportsui
