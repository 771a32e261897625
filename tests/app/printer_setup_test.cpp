// Printer setup: the choice of printer, paper and orientation, kept by the
// main window's printer for the run; nothing is printed.
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QPageLayout>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

#include "tests/app/main_fixture.h"
#include "ui/printer_setup.h"

namespace {

using ui::PrinterSetupDialog;

void choosePaper(PrinterSetupDialog& d, QPageSize::PageSizeId id) {
    for (int i = 0; i < d.PaperBox->count(); ++i)
        if (d.PaperBox->itemData(i).value<QPageSize>().id() == id)
            d.PaperBox->setCurrentIndex(i);
}

}  // namespace

TEST(PrinterSetupDialog, OffersTheSystemPrintersAndThePdfPrinterAndPrintsNothing) {
    QPrinter printer;
    PrinterSetupDialog d(&printer);
    EXPECT_EQ(d.windowTitle(), "Printer Setup");
    for (const QPushButton* b : d.findChildren<QPushButton*>())
        EXPECT_FALSE(b->text().contains("Print")) << b->text().toStdString();
    QStringList listed;
    for (int i = 0; i < d.PrinterBox->count(); ++i)
        listed << d.PrinterBox->itemText(i);
    EXPECT_EQ(listed, QPrinterInfo::availablePrinterNames() + QStringList{"PDF file"});
    EXPECT_GT(d.PaperBox->count(), 1);

    QTemporaryDir dir;
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    d.PrinterBox->setCurrentIndex(d.PrinterBox->count() - 1);
    choosePaper(d, QPageSize::A5);
    d.LandscapeButton->setChecked(true);
    d.OkButton->click();
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(printer.outputFormat(), QPrinter::PdfFormat);
    EXPECT_TRUE(printer.outputFileName().isEmpty());  // asked for when printing
    EXPECT_EQ(printer.pageLayout().pageSize().id(), QPageSize::A5);
    EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Landscape);
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
    ASSERT_TRUE(QDir::setCurrent(QDir::homePath()));
}

TEST(PrinterSetupDialog, ShowsThePrintersChoiceAndCancelKeepsIt) {
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setPageSize(QPageSize(QPageSize::Legal));
    printer.setPageOrientation(QPageLayout::Landscape);
    PrinterSetupDialog d(&printer);
    EXPECT_EQ(d.PrinterBox->currentText(), "PDF file");
    EXPECT_EQ(d.PaperBox->currentData().value<QPageSize>().id(), QPageSize::Legal);
    EXPECT_TRUE(d.LandscapeButton->isChecked());
    choosePaper(d, QPageSize::A4);
    d.PortraitButton->setChecked(true);
    d.CancelButton->click();
    EXPECT_EQ(d.result(), QDialog::Rejected);
    EXPECT_EQ(printer.pageLayout().pageSize().id(), QPageSize::Legal);
    EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Landscape);
}

// The menu command opens the setup (not a print dialog); what is chosen is
// what the next setup shows, for the rest of the run.
TEST_F(MainFixture, PrinterSetupCommandKeepsTheChoiceForTheRun) {
    auto* command = child<QAction>("MenuPrinterSetup");
    ASSERT_NE(command, nullptr);
    EXPECT_EQ(command->shortcut(), QKeySequence("Ctrl+U"));
    QString seen;
    QString title;
    testsupport::closeNextModal(&seen, [&](QWidget* w) {
        title = w->windowTitle();
        auto* d = qobject_cast<PrinterSetupDialog*>(w);
        ASSERT_NE(d, nullptr);
        d->PrinterBox->setCurrentIndex(d->PrinterBox->count() - 1);
        choosePaper(*d, QPageSize::A5);
        d->LandscapeButton->setChecked(true);
        d->OkButton->click();
    });
    command->trigger();
    EXPECT_EQ(seen, "MyPrinterSetup");
    EXPECT_EQ(title, "Printer Setup");
    bool a5 = false, landscape = false;
    testsupport::closeNextModal(&seen, [&](QWidget* w) {
        auto* d = qobject_cast<PrinterSetupDialog*>(w);
        ASSERT_NE(d, nullptr);
        a5 = d->PaperBox->currentData().value<QPageSize>().id() == QPageSize::A5;
        landscape = d->LandscapeButton->isChecked();
        d->reject();
    });
    command->trigger();
    EXPECT_TRUE(a5);
    EXPECT_TRUE(landscape);
    // The reports print on the printer the windows reach through the link.
    QPrinter* chosen = static_cast<ui::MainWindowLink*>(main)->printer();
    ASSERT_NE(chosen, nullptr);
    EXPECT_EQ(chosen->outputFormat(), QPrinter::PdfFormat);
    EXPECT_EQ(chosen->pageLayout().pageSize().id(), QPageSize::A5);
}
