#include "ui/printer_setup.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPageLayout>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>

namespace ui {
namespace {

// Paper offered by the PDF printer (and by a system printer that names none).
QList<QPageSize> commonPapers() {
    QList<QPageSize> out;
    for (const QPageSize::PageSizeId id :
         {QPageSize::A3, QPageSize::A4, QPageSize::A5, QPageSize::B5, QPageSize::Letter,
          QPageSize::Legal, QPageSize::Executive, QPageSize::Tabloid})
        out << QPageSize(id);
    return out;
}

}  // namespace

QString PrinterSetupDialog::pdfPrinterName() {
    return QStringLiteral("PDF file");
}

PrinterSetupDialog::PrinterSetupDialog(QPrinter* printer, QWidget* parent)
    : QDialog(parent), printer_(printer) {
    setObjectName(QStringLiteral("MyPrinterSetup"));
    setWindowTitle(QStringLiteral("Printer Setup"));
    setModal(true);

    PrinterBox = new QComboBox(this);
    PrinterBox->setObjectName(QStringLiteral("PrinterBox"));
    for (const QString& name : QPrinterInfo::availablePrinterNames())
        PrinterBox->addItem(name, name);
    PrinterBox->addItem(pdfPrinterName(), QString());
    PaperBox = new QComboBox(this);
    PaperBox->setObjectName(QStringLiteral("PaperBox"));

    auto* orientation = new QGroupBox(QStringLiteral("Orientation"), this);
    PortraitButton = new QRadioButton(QStringLiteral("&Portrait"), orientation);
    PortraitButton->setObjectName(QStringLiteral("PortraitButton"));
    LandscapeButton = new QRadioButton(QStringLiteral("&Landscape"), orientation);
    LandscapeButton->setObjectName(QStringLiteral("LandscapeButton"));
    auto* orientationLayout = new QHBoxLayout(orientation);
    orientationLayout->addWidget(PortraitButton);
    orientationLayout->addWidget(LandscapeButton);

    auto* buttons = new QDialogButtonBox(this);
    OkButton = buttons->addButton(QStringLiteral("&Ok"), QDialogButtonBox::AcceptRole);
    OkButton->setObjectName(QStringLiteral("OkButton"));
    OkButton->setDefault(true);
    CancelButton = buttons->addButton(QStringLiteral("&Cancel"), QDialogButtonBox::RejectRole);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("P&rinter:"), PrinterBox);
    form->addRow(QStringLiteral("P&aper:"), PaperBox);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(orientation);
    layout->addWidget(buttons);

    // Show the printer's present choice.
    int current = PrinterBox->count() - 1;  // the PDF printer
    if (printer_->outputFormat() == QPrinter::NativeFormat) {
        const int named = PrinterBox->findData(printer_->printerName());
        if (named >= 0)
            current = named;
    }
    PrinterBox->setCurrentIndex(current);
    fillPapers(current, printer_->pageLayout().pageSize());
    connect(PrinterBox, &QComboBox::currentIndexChanged, this,
            [this](int index) { fillPapers(index, PaperBox->currentData().value<QPageSize>()); });
    const bool landscape = printer_->pageLayout().orientation() == QPageLayout::Landscape;
    (landscape ? LandscapeButton : PortraitButton)->setChecked(true);
}

void PrinterSetupDialog::fillPapers(int index, const QPageSize& keep) {
    const QString name = PrinterBox->itemData(index).toString();
    QList<QPageSize> papers;
    if (!name.isEmpty())
        papers = QPrinterInfo::printerInfo(name).supportedPageSizes();
    if (papers.isEmpty())
        papers = commonPapers();
    PaperBox->clear();
    int selected = -1;
    for (const QPageSize& p : papers) {
        if (selected < 0 && keep.isValid() && p.isEquivalentTo(keep))
            selected = PaperBox->count();
        PaperBox->addItem(p.name(), QVariant::fromValue(p));
    }
    if (selected < 0 && keep.isValid()) {
        // Paper chosen earlier that this printer does not list stays on offer.
        selected = PaperBox->count();
        PaperBox->addItem(keep.name(), QVariant::fromValue(keep));
    }
    PaperBox->setCurrentIndex(std::max(selected, 0));
}

void PrinterSetupDialog::accept() {
    const QString name = PrinterBox->currentData().toString();
    if (name.isEmpty()) {
        // The file name is asked for when a report is printed.
        printer_->setOutputFormat(QPrinter::PdfFormat);
        printer_->setOutputFileName(QString());
    } else {
        printer_->setOutputFormat(QPrinter::NativeFormat);
        printer_->setPrinterName(name);
    }
    const QPageSize paper = PaperBox->currentData().value<QPageSize>();
    if (paper.isValid())
        printer_->setPageSize(paper);
    printer_->setPageOrientation(LandscapeButton->isChecked() ? QPageLayout::Landscape
                                                              : QPageLayout::Portrait);
    QDialog::accept();
}

}  // namespace ui
