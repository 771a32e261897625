// The print engine: the layer through which every report reaches paper or
// the screen. Report code sets margins and a printable section, selects
// fonts, defines tab stops and prints text into them line by line, asking
// how many lines still fit; the engine keeps the cursor, computes line
// heights from the font, draws the boxes and shading of tabs, numbers the
// pages and keeps a status text up to date.
//
// Every position and size is in inches from the top left corner of the
// paper. Text is measured with the metrics of the chosen printer, so that a
// job printed directly and the same job recorded into a page stream lay out
// the same pages.
//
// TBaseReport holds the geometry and runs the job; TReportPrinter draws on
// the printer, TReportFiler records every drawing call into a PageStream;
// both keep their printer in TPrinterBoundReport.
// TFilePrinter sends the pages of a stream to the printer.
//
// Single-threaded. At every status update the event queue is processed, so
// a Cancel button can call cancelJob() during a job; the job stops after
// the current page.
#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "reports/page_stream.h"

class QPrinter;
class QPaintDevice;
class QPainter;

namespace reports {

enum class Justify { Centre = 0, Left = 1, Right = 2 };

// Box lines of a tab, a bit set.
enum BoxLines { BoxLeft = 1, BoxRight = 2, BoxTop = 4, BoxBottom = 8, BoxAll = 15 };

enum class Orientation { Portrait, Landscape, Default };
enum class LineHeightMethod { LinesPerInch, Font };

// The tab position that means "after the previous tab" (the first tab then
// starts at the left margin).
inline constexpr double kAfterPrevious = -1.0e9;

struct TabStop {
    double left = 0;
    Justify justify = Justify::Left;
    double width = 0;
    double margin = 0;  // inches
    int lines = 0;      // BoxLines
    int shade = 0;      // percent
};

class TBaseReport {
  public:
    using Event = std::function<void(TBaseReport&)>;

    TBaseReport();
    virtual ~TBaseReport();
    TBaseReport(const TBaseReport&) = delete;
    TBaseReport& operator=(const TBaseReport&) = delete;

    // ---- Properties, set before run() ---------------------------------------
    QString statusFormat;
    QStringList statusText;
    LineHeightMethod lineHeightMethod = LineHeightMethod::Font;
    int linesPerInch = 6;
    int tabShade = 0;
    QString title = QStringLiteral("Test Report");
    int copies = 1;
    Orientation orientation = Orientation::Portrait;
    double scaleX = 100, scaleY = 100;
    int firstPage = 1, lastPage = 9999;
    // The status label: called with the expanded status text.
    std::function<void(const QString&)> statusLabel;

    // Events, each optional. onPrintPage fills the body of a page and
    // returns true while more pages follow.
    Event onBeforePrint, onNewPage, onPrintHeader, onPrint, onPrintFooter, onNewColumn,
        onAfterPrint;
    std::function<bool(TBaseReport&, int page)> onPrintPage;

    // ---- The job ---------------------------------------------------------------
    // Runs a whole job. Returns false when it failed; error() then says why
    // (a handler's failure included). onAfterPrint runs in every case.
    bool run();
    const QString& error() const { return error_; }
    // The page loop stops after the current page; the printer document is
    // aborted instead of ended.
    void cancelJob() { cancelled_ = true; }
    bool cancelled() const { return cancelled_; }
    bool running() const { return running_; }

    // ---- Page geometry -------------------------------------------------------
    double pageWidth() const;
    double pageHeight() const;
    double marginLeft() const { return margin_[0]; }
    double marginRight() const { return margin_[1]; }
    double marginTop() const { return margin_[2]; }
    double marginBottom() const { return margin_[3]; }
    // Each also moves the matching edge of the section.
    void setMarginLeft(double inches);
    void setMarginRight(double inches);
    void setMarginTop(double inches);
    void setMarginBottom(double inches);

    double sectionTop() const { return sectionTop_; }
    double sectionBottom() const { return sectionBottom_; }
    double sectionLeft() const { return sectionLeft_; }
    double sectionRight() const { return sectionRight_; }
    void setSectionTop(double y);     // the cursor moves down to it if above
    void setSectionBottom(double y);  // the cursor moves up to it if below
    void gotoSectionStart();
    int remainingLines() const;

    double cursorX() const { return x_; }
    double cursorY() const { return y_; }
    int currentPage() const { return page_; }

    // ---- Fonts ---------------------------------------------------------------
    void selectFont(const QString& name, double size);
    void setFontBold(bool on);
    void setFontItalic(bool on);
    void setFontUnderline(bool on);
    void setFontStrikeout(bool on);
    void setFontColor(const QColor& color);
    const EngineFont& font() const { return font_; }
    double lineHeight() const;
    double descent() const;
    double textWidth(const QString& text) const;
    // The longest leading part of `text` whose width is at most `width`.
    QString fitToWidth(const QString& text, double width) const;

    // ---- Tabs ------------------------------------------------------------------
    void clearAllTabs();
    // `marginHundredths` in hundredths of an inch; `lines` a BoxLines set.
    void addTab(double position, Justify justify, double width, int marginHundredths, int lines,
                int shade);
    double tabTextWidth(int n) const;  // n from 1
    const std::vector<TabStop>& tabs() const { return tabs_; }

    // ---- Printing --------------------------------------------------------------
    void printText(const QString& text);
    void printTextLine(const QString& text);
    void advanceLine();
    void printCentredAt(const QString& text, double x);
    void printJustified(const QString& text, Justify justify);
    void startNextPage();

    // The status format expanded (also what statusLabel is given).
    QString expandStatus() const;
    void updateStatus();

  protected:
    // The device whose metrics measure text; nullptr measures in points on
    // a 72-dot grid (no printer at all).
    virtual QPaintDevice* measureDevice() const = 0;
    // Paper size in inches as oriented; nothing when there is no printer.
    virtual std::optional<QSizeF> paperSize() const = 0;
    // Output: prepares the job (false with error set to refuse it), starts
    // each page (the sink to draw on, nullptr for a page not output), ends
    // each page, and ends the job (aborted when cancelled or failed).
    virtual bool startOutput(QString* error) = 0;
    virtual PageSink* beginPage(int page) = 0;
    virtual void endPage() = 0;
    virtual void endOutput(bool aborted) = 0;
    // The printer's device, driver and port names for the status codes.
    virtual QString deviceName() const { return {}; }
    virtual QString driverName() const { return {}; }
    virtual QString portName() const { return {}; }
    // Orientation of the job's paper.
    virtual void applyOrientation(Orientation) {}
    virtual void restoreOrientation() {}

  private:
    void resetDrawingState();
    void openPage();
    void closePage();
    PageSink& sink();
    void fontChanged();
    void drawInTab(const TabStop& tab, const QString& text);
    void drawTabDecoration(const TabStop& tab);
    void printSegment(const QString& text);
    void fire(const Event& e);

    double margin_[4] = {0.5, 0.5, 0.5, 0.5};  // left, right, top, bottom
    double sectionTop_ = 0.5, sectionBottom_ = 10.5, sectionLeft_ = 0.5, sectionRight_ = 8.0;
    double x_ = 0, y_ = 0;
    int page_ = 0;
    EngineFont font_;
    bool fontSent_ = false;
    mutable std::unique_ptr<QFontMetricsF> metrics_;
    double dpiX_ = 72, dpiY_ = 72;
    std::vector<TabStop> tabs_;
    int tabIndex_ = 0;  // 0: none selected yet on this line
    PageSink* sink_ = nullptr;
    bool pageOpen_ = false;
    bool cancelled_ = false;
    bool running_ = false;
    QString error_;
};

// What both jobs on a printer share: the printer (not owned; it must
// outlive the job) whose paper they lay out on, turned to the job's
// orientation while the job runs and back afterwards.
class TPrinterBoundReport : public TBaseReport {
  public:
    void setPrinter(QPrinter* printer) { printer_ = printer; }
    QPrinter* printer() const { return printer_; }

  protected:
    explicit TPrinterBoundReport(QPrinter* printer) : printer_(printer) {}
    std::optional<QSizeF> paperSize() const override;
    void applyOrientation(Orientation o) override;
    void restoreOrientation() override;

  private:
    QPrinter* printer_;
    int savedOrientation_ = -1;
};

// Prints directly to a printer.
class TReportPrinter : public TPrinterBoundReport {
  public:
    explicit TReportPrinter(QPrinter* printer = nullptr);
    ~TReportPrinter() override;

  protected:
    QPaintDevice* measureDevice() const override;
    bool startOutput(QString* error) override;
    PageSink* beginPage(int page) override;
    void endPage() override;
    void endOutput(bool aborted) override;
    QString deviceName() const override;
    QString driverName() const override;
    QString portName() const override;

  private:
    std::unique_ptr<QPainter> painter_;
    std::unique_ptr<PainterSink> sink_;
    bool anyPageOut_ = false;
};

// Records the pages of a job into a page stream (not owned), measuring text
// with a printer's metrics (without one, on a screen-like grid, and the
// device reads "Preview Only").
class TReportFiler : public TPrinterBoundReport {
  public:
    explicit TReportFiler(QPrinter* measuringPrinter = nullptr, PageStream* stream = nullptr);
    ~TReportFiler() override;
    void setStream(PageStream* stream) { stream_ = stream; }
    PageStream* stream() const { return stream_; }

  protected:
    QPaintDevice* measureDevice() const override;
    bool startOutput(QString* error) override;
    PageSink* beginPage(int page) override;
    void endPage() override;
    void endOutput(bool aborted) override;
    QString deviceName() const override;
    QString driverName() const override;
    QString portName() const override;

  private:
    PageStream* stream_;
    PageRecorder recorder_;
};

// Sends the pages of a recorded stream to a printer.
class TFilePrinter {
  public:
    TFilePrinter(const PageStream* stream = nullptr, QPrinter* printer = nullptr)
        : stream_(stream), printer_(printer) {}
    void setStream(const PageStream* stream) { stream_ = stream; }
    const PageStream* stream() const { return stream_; }
    void setPrinter(QPrinter* printer) { printer_ = printer; }
    QPrinter* printer() const { return printer_; }

    QString title = QStringLiteral("Test Report");
    int copies = 1;
    bool monochrome = false;

    // Pages first..last as one job: first 0 means 1; last below 1 or beyond
    // the page count means the last page; copies above 0 set `copies`. A
    // range that holds no page prints nothing. False with error() on a
    // failure.
    bool printPages(int first, int last, int copies);
    bool run() { return printPages(0, 0, 0); }
    bool busy() const { return busy_; }
    const QString& error() const { return error_; }
    // Pages the last job sent.
    int pagesPrinted() const { return printed_; }

  private:
    const PageStream* stream_;
    QPrinter* printer_;
    bool busy_ = false;
    int printed_ = 0;
    QString error_;
};

// The zoom percent a preview keeps: 10 to 200.
double clampZoom(double percent);

}  // namespace reports
