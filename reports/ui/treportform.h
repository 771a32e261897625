// TReportForm, "Report Status Screen": runs one report job when it is shown,
// says which page is being printed, and offers Cancel while the job runs
// and OK after it. The report list opens it modally with the output mode;
// the page layout (reports/report_layout.h) is attached to its engine
// before.
#pragma once

#include <QDialog>

#include "reports/print_engine.h"
#include "reports/report_layout.h"

class QLabel;
class QPushButton;
class QPrinter;

namespace ui {
class MainWindowLink;
}

namespace settings {
struct Settings;
}

namespace reportsui {

class TReportForm : public QDialog {
    Q_OBJECT
  public:
    // Takes the user fonts of `settings` and the screen-size factor `scale`.
    TReportForm(reports::OutputMode mode, const settings::Settings& settings, double scale,
                QWidget* parent = nullptr);
    ~TReportForm() override;

    reports::OutputMode mode() const { return mode_; }
    // The engine of the mode: the printer for Print, the filer otherwise.
    reports::TBaseReport& engine();
    reports::TReportPrinter MyReportPrinter;
    reports::TReportFiler MyReportFiler;

    // Runs the job (what showing the window does), then turns Cancel into
    // OK and shows how it ended; a failure is shown in a message. True when
    // the job completed.
    bool runJob();
    bool cancelled() const { return cancelled_; }
    bool ran() const { return ran_; }

    QLabel* Label1 = nullptr;
    QPushButton* BitBtn1 = nullptr;

  protected:
    void showEvent(QShowEvent* event) override;
    void reject() override;

  private:
    void BitBtn1Click();

    reports::OutputMode mode_;
    const settings::Settings& settings_;
    double scale_;
    bool running_ = false, ran_ = false, cancelled_ = false, started_ = false;
};

// While it lives, a printer that writes PDF files writes to the file the
// user chose (asked when it is made); the printer gets its own setting
// back afterwards. Other printers are left alone.
class PdfFileChoice {
  public:
    PdfFileChoice(QWidget* parent, QPrinter* printer);
    ~PdfFileChoice();
    PdfFileChoice(const PdfFileChoice&) = delete;
    PdfFileChoice& operator=(const PdfFileChoice&) = delete;
    // False when a file name was needed and the user cancelled.
    bool ready() const { return ready_; }

  private:
    QPrinter* printer_;
    QString saved_;
    bool ready_ = true;
};

// Runs `definition` over the open collection as the report list does: the
// status window, modally, on the printer chosen in Printer Setup (Print;
// the "PDF file" printer asks for its file first), into the page stream
// `stream` (View), or to `textFile` (TextFile). A record pending in the grid
// is posted first (refused: nothing runs). Returns true when the job
// completed (not cancelled, no failure).
bool runReport(ui::MainWindowLink& main, const reports::ReportDefinition& definition,
               reports::OutputMode mode, reports::PageStream* stream, const QString& textFile = {});

}  // namespace reportsui
