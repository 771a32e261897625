// TMyPreview: the preview of a laid-out report, one page at a time, with
// zoom and paging, and printing of the current page, a range of pages
// ("Page Printing", TPrintRange) or the whole report from the same page
// stream, without laying the report out again.
#pragma once

#include <QDialog>

#include "reports/report_definition.h"
#include "reports/ui/tfilepreview.h"

class QAction;
class QLabel;
class QLineEdit;
class QPrinter;
class QPushButton;
class QScrollArea;
class QToolButton;

namespace ui {
class MainWindowLink;
}

namespace settings {
struct Settings;
}

namespace reportsui {

// "Page Printing": the first and last page of a range to print.
class TPrintRange : public QDialog {
    Q_OBJECT
  public:
    // In the fonts and colours of `settings`, at the screen-size factor `scale`.
    TPrintRange(int pageCount, const settings::Settings& settings, double scale,
                QWidget* parent = nullptr);

    QLabel *StartPageLabel = nullptr, *EndPageLabel = nullptr;
    QLineEdit *StartPage = nullptr, *EndPage = nullptr;
    QPushButton *PrintButton = nullptr, *CancelButton = nullptr;

    bool confirmed() const { return confirmed_; }
    int first() const { return first_; }
    int last() const { return last_; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void PrintButtonClick();

    int pageCount_;
    const settings::Settings& settings_;
    double scale_;
    bool confirmed_ = false;
    int first_ = 0, last_ = 0;
};

class TMyPreview : public QDialog {
    Q_OBJECT
  public:
    // Shows `stream` (kept by the caller while the window lives), printing
    // on `printer` (may be null); `title` is the report's name.
    TMyPreview(ui::MainWindowLink& main, const reports::PageStream& stream, const QString& title,
               QWidget* parent = nullptr);
    ~TMyPreview() override;

    TFilePreview MyFilePreview;
    reports::TFilePrinter MyFilePrinter;

    QScrollArea* ScrollBox1 = nullptr;
    QToolButton *SBZoomIn = nullptr, *SBZoomOut = nullptr, *SBZoomPageWidth = nullptr,
                *SBZoomPage = nullptr, *SBPrevPage = nullptr, *SBNextPage = nullptr,
                *SBPrint = nullptr, *SBDone = nullptr;
    QLabel *Label1 = nullptr, *Label2 = nullptr, *PageLabel = nullptr;
    QLineEdit *ZoomEdit = nullptr, *PageEdit = nullptr;
    QAction *MenuPrintPage = nullptr, *MenuPrintReport = nullptr, *MenuPrintRange = nullptr,
            *MenuPrintSetup = nullptr, *MenuExit = nullptr, *MenuPrevPage = nullptr,
            *MenuNextPage = nullptr, *MenuFirstPage = nullptr, *MenuLastPage = nullptr,
            *MenuColor = nullptr, *MenuZoomPageWidth = nullptr, *MenuZoomWholePage = nullptr;
    // The fixed zooms: 1:1, 2:1, then 1:1 to 1:5.
    QAction* ZoomItems[7] = {};

    // Prints pages first..last (0, 0: all) unless a print is still running.
    // True when the pages were printed.
    bool printRange(int first, int last);
    // Applies what the zoom and page boxes hold (as leaving them does).
    void ZoomEditExit();
    void PageEditExit();
    void MenuPrintRangeClick();

  protected:
    bool event(QEvent* e) override;
    void done(int result) override;

  private:
    void zoomChanged();
    void pageChanged();
    void MenuColorClick();

    ui::MainWindowLink& main_;
    bool printing_ = false;
};

// Shows the preview of `stream` modally.
void showPreview(ui::MainWindowLink& main, const reports::ReportDefinition& definition,
                 reports::PageStream& stream);

}  // namespace reportsui
