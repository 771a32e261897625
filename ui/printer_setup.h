// The printer setup dialog: chooses the printer (the system's printers and
// the built-in "PDF file" printer, which asks for a file name when a report
// is printed), the paper and the orientation. It prints nothing. The choice
// is written to the QPrinter it was given only when the user presses OK;
// that printer keeps it for later jobs.
#pragma once

#include <QDialog>
#include <QPageSize>
#include <QString>
#include <QStringList>

class QButtonGroup;
class QComboBox;
class QPrinter;
class QPushButton;
class QRadioButton;

namespace ui {

class PrinterSetupDialog : public QDialog {
    Q_OBJECT
  public:
    // The list item of the built-in printer that writes a PDF file.
    static QString pdfPrinterName();

    // `printer` is not owned and must outlive the dialog.
    explicit PrinterSetupDialog(QPrinter* printer, QWidget* parent = nullptr);

    QComboBox* PrinterBox = nullptr;
    QComboBox* PaperBox = nullptr;
    QRadioButton* PortraitButton = nullptr;
    QRadioButton* LandscapeButton = nullptr;
    QPushButton* OkButton = nullptr;
    QPushButton* CancelButton = nullptr;

    void accept() override;

  private:
    // Fills the paper list with what the printer at `index` of the printer
    // list offers, keeping `keep` selected when it is offered.
    void fillPapers(int index, const QPageSize& keep);

    QPrinter* printer_;
};

}  // namespace ui
