#include "reports/ui/treportform.h"

#include <QLabel>
#include <QPrinter>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

#include <optional>

#include "data/open_collection.h"
#include "ui/form_geometry.h"
#include "ui/main_window_link.h"
#include "ui/messages.h"

namespace reportsui {

TReportForm::TReportForm(reports::OutputMode mode, const settings::Settings& settings, double scale,
                         QWidget* parent)
    : QDialog(parent), mode_(mode), settings_(settings), scale_(scale) {
    setObjectName(QStringLiteral("ReportForm"));
    setWindowTitle(QStringLiteral("Report Status Screen"));
    setModal(true);
    Label1 = new QLabel(QStringLiteral("Printing Status"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont bold(QStringLiteral("Arial"), 10);
    bold.setBold(true);
    Label1->setFont(bold);
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setMinimumSize(260, 60);
    BitBtn1 = new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton),
                              QStringLiteral("Cancel"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(BitBtn1, 0, Qt::AlignHCenter);
    connect(BitBtn1, &QPushButton::clicked, this, &TReportForm::BitBtn1Click);

    for (reports::TBaseReport* e : {static_cast<reports::TBaseReport*>(&MyReportPrinter),
                                    static_cast<reports::TBaseReport*>(&MyReportFiler)}) {
        // The label shows one line per carriage return.
        e->statusLabel = [this](const QString& s) {
            Label1->setText(QString(s).replace(QLatin1Char('\r'), QLatin1Char('\n')));
        };
        e->title = QStringLiteral("Test Report");
        e->orientation = reports::Orientation::Portrait;
    }
}

TReportForm::~TReportForm() = default;

reports::TBaseReport& TReportForm::engine() {
    if (mode_ == reports::OutputMode::Print)
        return MyReportPrinter;
    return MyReportFiler;
}

void TReportForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // The user fonts, the screen size and the centre, as every window; the
    // status stays in bold Arial.
    ui::prepareForm(this, settings_, scale_);
    QFont bold(QStringLiteral("Arial"), Label1->font().pointSize());
    bold.setBold(true);
    Label1->setFont(bold);
    // The job starts once the window is on the screen.
    if (!started_) {
        started_ = true;
        QTimer::singleShot(0, this, [this] { runJob(); });
    }
}

bool TReportForm::runJob() {
    started_ = true;
    running_ = true;
    reports::TBaseReport& e = engine();
    const bool ok = e.run();
    running_ = false;
    ran_ = true;
    cancelled_ = e.cancelled();
    BitBtn1->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    BitBtn1->setText(QStringLiteral("OK"));
    e.statusFormat =
        cancelled_ ? QStringLiteral("\rReport Canceled!") : QStringLiteral("\rReport Completed!");
    e.updateStatus();
    if (!ok)
        ui::showError(this, e.error());
    // A cancelled job closes the window as soon as it has stopped.
    if (cancelled_)
        done(QDialog::Rejected);
    return ok && !cancelled_;
}

void TReportForm::BitBtn1Click() {
    if (running_) {
        engine().cancelJob();
        setResult(QDialog::Rejected);
        return;
    }
    done(cancelled_ ? QDialog::Rejected : QDialog::Accepted);
}

// Escape is the Cancel button while the job runs.
void TReportForm::reject() {
    if (running_) {
        BitBtn1Click();
        return;
    }
    QDialog::reject();
}

PdfFileChoice::PdfFileChoice(QWidget* parent, QPrinter* printer) : printer_(printer) {
    if (!printer_ || printer_->outputFormat() != QPrinter::PdfFormat)
        return;
    saved_ = printer_->outputFileName();
    const QString file =
        ui::getSaveFileName(parent, QStringLiteral("Print to PDF File"), saved_,
                            QStringLiteral("PDF files (*.pdf)"), QStringLiteral("pdf"));
    ready_ = !file.isEmpty();
    if (ready_)
        printer_->setOutputFileName(file);
}

PdfFileChoice::~PdfFileChoice() {
    if (printer_ && printer_->outputFormat() == QPrinter::PdfFormat)
        printer_->setOutputFileName(saved_);
}

bool runReport(ui::MainWindowLink& main, const reports::ReportDefinition& definition,
               reports::OutputMode mode, reports::PageStream* stream, const QString& textFile) {
    // A record typed in the grid is written before the report walks the
    // table (moving the cursor would otherwise drop it).
    if (!main.postPending())
        return false;
    QPrinter* printer = main.printer();
    std::optional<PdfFileChoice> pdf;
    if (mode == reports::OutputMode::Print) {
        pdf.emplace(main.dialogParent(), printer);
        if (!pdf->ready())
            return false;
    }
    books::OpenCollection& collection = main.collection();
    reports::ReportLayout layout(
        definition, collection.table(), mode,
        reports::layoutSettingsOf(main.settings(), collection.sortLevels()));
    layout.setTextFileName(textFile);
    TReportForm form(mode, main.settings(), main.scaleFactor(), main.dialogParent());
    form.MyReportPrinter.setPrinter(printer);
    form.MyReportFiler.setPrinter(printer);
    reports::PageStream counting;
    if (mode == reports::OutputMode::TextFile) {
        counting.setKeepPages(false);
        form.MyReportFiler.setStream(&counting);
    } else {
        form.MyReportFiler.setStream(stream);
    }
    layout.attach(form.engine());
    form.exec();
    // The records were walked: the views show them from the top again.
    main.refreshCount();
    return form.ran() && !form.cancelled() && form.engine().error().isEmpty();
}

}  // namespace reportsui
