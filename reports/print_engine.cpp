#include "reports/print_engine.h"

#include <QCoreApplication>
#include <QImage>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>

#include <cmath>

namespace reports {

namespace {

const QString kNoPrinter = QStringLiteral("No printers are defined, aborting print job.");
const QString kCanvasNotActive = QStringLiteral("Error!  Canvas not yet active.");

// Drawing of pages that are laid out but not output.
class NullSink : public PageSink {
  public:
    void setFont(const EngineFont&) override {}
    void drawText(double, double, const QString&) override {}
    void drawLine(double, double, double, double) override {}
    void fillShade(double, double, double, double, int) override {}
};
NullSink g_nullSink;

QString messageOf(const std::exception& e) {
    if (const auto* r = dynamic_cast<const ReportError*>(&e))
        return r->message();
    return QString::fromUtf8(e.what());
}

std::optional<QSizeF> paperOf(const QPrinter* printer) {
    if (!printer || !printer->isValid())
        return std::nullopt;
    return printer->pageLayout().fullRect(QPageLayout::Inch).size();
}

QPageLayout::Orientation qtOrientation(Orientation o) {
    return o == Orientation::Landscape ? QPageLayout::Landscape : QPageLayout::Portrait;
}

// The printer's name as the status codes show it.
QString printerName(const QPrinter* printer) {
    if (!printer)
        return {};
    if (printer->outputFormat() == QPrinter::PdfFormat)
        return QStringLiteral("PDF file");
    return printer->printerName();
}

}  // namespace

double clampZoom(double percent) {
    return std::clamp(percent, 10.0, 200.0);
}

// ---- TBaseReport ---------------------------------------------------------------

TBaseReport::TBaseReport() = default;
TBaseReport::~TBaseReport() = default;

double TBaseReport::pageWidth() const {
    const auto paper = paperSize();
    return paper ? paper->width() : 8.5;
}

double TBaseReport::pageHeight() const {
    const auto paper = paperSize();
    return paper ? paper->height() : 11.0;
}

void TBaseReport::setMarginLeft(double inches) {
    margin_[0] = inches;
    sectionLeft_ = inches;
}
void TBaseReport::setMarginRight(double inches) {
    margin_[1] = inches;
    sectionRight_ = pageWidth() - inches;
}
void TBaseReport::setMarginTop(double inches) {
    margin_[2] = inches;
    sectionTop_ = inches;
}
void TBaseReport::setMarginBottom(double inches) {
    margin_[3] = inches;
    sectionBottom_ = pageHeight() - inches;
}

void TBaseReport::setSectionTop(double y) {
    sectionTop_ = y;
    if (y_ < y)
        y_ = y;
}

void TBaseReport::setSectionBottom(double y) {
    sectionBottom_ = y;
    if (y_ > y)
        y_ = y;
}

void TBaseReport::gotoSectionStart() {
    y_ = sectionTop_ + lineHeight() - descent();
    x_ = sectionLeft_;
    tabIndex_ = 0;
}

int TBaseReport::remainingLines() const {
    // A hair of tolerance: sections are often whole multiples of the line,
    // and adding up line heights drifts in the last bits.
    // Written so that positions that are no numbers at all (a damaged
    // definition's margins) leave no room.
    const double used = y_ + descent();
    if (!(used <= sectionBottom_ + 1e-9))
        return 0;
    const double lines = std::floor((sectionBottom_ - used) / lineHeight() + 1e-9) + 1;
    return lines < 1e6 ? int(lines) : 1000000;
}

// ---- Fonts ---------------------------------------------------------------------

void TBaseReport::fontChanged() {
    QPaintDevice* device = measureDevice();
    const QFont f = toQFont(font_);
    if (device) {
        metrics_ = std::make_unique<QFontMetricsF>(f, device);
        dpiX_ = device->logicalDpiX();
        dpiY_ = device->logicalDpiY();
    } else {
        metrics_ = std::make_unique<QFontMetricsF>(f);
        dpiX_ = dpiY_ = 72;
    }
    fontSent_ = false;
}

void TBaseReport::selectFont(const QString& name, double size) {
    font_ = EngineFont{};
    font_.name = name;
    font_.size = size;
    fontChanged();
}

void TBaseReport::setFontBold(bool on) {
    font_.bold = on;
    fontChanged();
}
void TBaseReport::setFontItalic(bool on) {
    font_.italic = on;
    fontChanged();
}
void TBaseReport::setFontUnderline(bool on) {
    font_.underline = on;
    fontChanged();
}
void TBaseReport::setFontStrikeout(bool on) {
    font_.strikeout = on;
    fontChanged();
}
void TBaseReport::setFontColor(const QColor& color) {
    font_.color = color;
    fontSent_ = false;
}

double TBaseReport::lineHeight() const {
    if (lineHeightMethod == LineHeightMethod::LinesPerInch)
        return 1.0 / std::max(1, linesPerInch);
    // A font of no size (a damaged definition) still takes a line.
    return std::max(font_.size, 1.0) / 60.0;
}

double TBaseReport::descent() const {
    if (!metrics_)
        const_cast<TBaseReport*>(this)->fontChanged();
    return metrics_->descent() / dpiY_;
}

double TBaseReport::textWidth(const QString& text) const {
    if (text.isEmpty())
        return 0;
    if (!metrics_)
        const_cast<TBaseReport*>(this)->fontChanged();
    return metrics_->horizontalAdvance(text) / dpiX_;
}

QString TBaseReport::fitToWidth(const QString& text, double width) const {
    if (textWidth(text) <= width)
        return text;
    // The longest fitting start, found by halving: widths grow with length.
    qsizetype fits = 0, tooLong = text.size();
    while (tooLong - fits > 1) {
        const qsizetype mid = (fits + tooLong) / 2;
        if (textWidth(text.left(mid)) <= width)
            fits = mid;
        else
            tooLong = mid;
    }
    return text.left(fits);
}

// ---- Tabs ----------------------------------------------------------------------

void TBaseReport::clearAllTabs() {
    tabs_.clear();
    tabIndex_ = 0;
}

void TBaseReport::addTab(double position, Justify justify, double width, int marginHundredths,
                         int lines, int shade) {
    TabStop t;
    if (position <= kAfterPrevious / 2) {
        t.left = tabs_.empty() ? margin_[0] : tabs_.back().left + tabs_.back().width;
    } else {
        t.left = position;
    }
    t.justify = justify;
    if (width > 0) {
        t.width = width;
        t.margin = marginHundredths / 100.0;
        t.lines = lines;
        t.shade = shade;
    }
    tabs_.push_back(t);
}

double TBaseReport::tabTextWidth(int n) const {
    if (n < 1 || n > int(tabs_.size()))
        return 0;
    const TabStop& t = tabs_[std::size_t(n - 1)];
    return t.width - 2 * t.margin;
}

// ---- Drawing -------------------------------------------------------------------

PageSink& TBaseReport::sink() {
    if (!pageOpen_)
        throw ReportError(kCanvasNotActive);
    PageSink& s = sink_ ? *sink_ : g_nullSink;
    if (!fontSent_) {
        s.setFont(font_);
        fontSent_ = true;
    }
    return s;
}

void TBaseReport::drawInTab(const TabStop& tab, const QString& text) {
    if (!text.isEmpty()) {
        // Flush-left text needs no measuring: most of a report's text.
        double x = tab.left + tab.margin;
        if (tab.justify == Justify::Centre)
            x = tab.left + tab.width / 2 - textWidth(text) / 2;
        else if (tab.justify == Justify::Right)
            x = tab.left + tab.width - tab.margin - textWidth(text);
        sink().drawText(x, y_, text);
    }
    x_ = tab.left + tab.width;
}

void TBaseReport::drawTabDecoration(const TabStop& tab) {
    const int shade = tab.shade > 0 ? tab.shade : tabShade;
    const double top = y_ + descent() - lineHeight();
    const double bottom = y_ + descent();
    const double right = tab.left + tab.width;
    if (tab.width <= 0)
        return;
    if (shade > 0)
        sink().fillShade(tab.left, top, tab.width, bottom - top, 100 - std::min(shade, 100));
    if (tab.lines & BoxLeft)
        sink().drawLine(tab.left, top, tab.left, bottom);
    if (tab.lines & BoxRight)
        sink().drawLine(right, top, right, bottom);
    if (tab.lines & BoxTop)
        sink().drawLine(tab.left, top, right, top);
    if (tab.lines & BoxBottom)
        sink().drawLine(tab.left, bottom, right, bottom);
}

void TBaseReport::printSegment(const QString& text) {
    if (tabIndex_ >= 1 && tabIndex_ <= int(tabs_.size())) {
        drawInTab(tabs_[std::size_t(tabIndex_ - 1)], text);
        return;
    }
    if (!text.isEmpty()) {
        sink().drawText(x_, y_, text);
        x_ += textWidth(text);
    }
}

void TBaseReport::printText(const QString& text) {
    const QStringList parts = text.split(QLatin1Char('\t'));
    printSegment(parts.front());
    for (qsizetype i = 1; i < parts.size(); ++i) {
        ++tabIndex_;
        if (tabIndex_ <= int(tabs_.size()))
            drawTabDecoration(tabs_[std::size_t(tabIndex_ - 1)]);
        printSegment(parts[i]);
    }
}

void TBaseReport::printTextLine(const QString& text) {
    printText(text);
    advanceLine();
}

void TBaseReport::advanceLine() {
    y_ += lineHeight();
    x_ = sectionLeft_;
    tabIndex_ = 0;
}

void TBaseReport::printCentredAt(const QString& text, double x) {
    if (!text.isEmpty())
        sink().drawText(x - textWidth(text) / 2, y_, text);
}

void TBaseReport::printJustified(const QString& text, Justify justify) {
    y_ = sectionBottom_ - descent();
    const double w = textWidth(text);
    double x = sectionLeft_;
    if (justify == Justify::Centre)
        x = (sectionLeft_ + sectionRight_) / 2 - w / 2;
    else if (justify == Justify::Right)
        x = sectionRight_ - w;
    if (!text.isEmpty())
        sink().drawText(x, y_, text);
}

// ---- Status --------------------------------------------------------------------

QString TBaseReport::expandStatus() const {
    QString out;
    for (qsizetype i = 0; i < statusFormat.size(); ++i) {
        const QChar c = statusFormat[i];
        if (c != QLatin1Char('%') || i + 1 >= statusFormat.size()) {
            out += c;
            continue;
        }
        const QChar code = statusFormat[++i];
        switch (code.toUpper().unicode()) {
            case '%':
                out += QLatin1Char('%');
                break;
            case 'P':
                out += QString::number(page_);
                break;
            case 'F':
                out += QString::number(firstPage);
                break;
            case 'L':
                out += QString::number(lastPage);
                break;
            case 'D':
                out += deviceName();
                break;
            case 'R':
                out += driverName();
                break;
            case 'T':
                out += portName();
                break;
            default:
                if (code.isDigit()) {
                    const int n = code.digitValue();
                    if (n < statusText.size())
                        out += statusText[n];
                } else {
                    out += QStringLiteral("<ERROR-%") + code + QLatin1Char('>');
                }
        }
    }
    return out;
}

void TBaseReport::updateStatus() {
    if (statusLabel)
        statusLabel(expandStatus());
    // Lets the status repaint and a Cancel button be pressed.
    QCoreApplication::processEvents();
}

// ---- The job -------------------------------------------------------------------

void TBaseReport::fire(const Event& e) {
    if (e)
        e(*this);
}

void TBaseReport::resetDrawingState() {
    font_ = EngineFont{};
    fontChanged();
    clearAllTabs();
    gotoSectionStart();
}

void TBaseReport::openPage() {
    sink_ = beginPage(page_);
    pageOpen_ = true;
    fontSent_ = false;
}

void TBaseReport::closePage() {
    if (!pageOpen_)
        return;
    pageOpen_ = false;
    sink_ = nullptr;
    endPage();
}

void TBaseReport::startNextPage() {
    fire(onPrintFooter);
    closePage();
    ++page_;
    updateStatus();
    tabIndex_ = 0;
    gotoSectionStart();
    openPage();
    fire(onNewPage);
    fire(onPrintHeader);
}

bool TBaseReport::run() {
    error_.clear();
    cancelled_ = false;
    running_ = true;
    bool started = false;
    applyOrientation(orientation);
    // The paper may have turned: the section follows the margins on it.
    setMarginLeft(margin_[0]);
    setMarginRight(margin_[1]);
    setMarginTop(margin_[2]);
    setMarginBottom(margin_[3]);
    fontChanged();
    try {
        page_ = 0;
        fire(onBeforePrint);
        if (!startOutput(&error_))
            throw ReportError(error_);
        started = true;
        resetDrawingState();
        page_ = 1;
        openPage();
        updateStatus();
        fire(onNewPage);
        fire(onPrintHeader);
        if (onPrintPage) {
            while (onPrintPage(*this, page_) && !cancelled_)
                startNextPage();
        } else {
            fire(onPrint);
        }
        fire(onPrintFooter);
        closePage();
        started = false;
        endOutput(cancelled_);
    } catch (const std::exception& e) {
        error_ = messageOf(e);
    }
    if (started) {
        // A failure part-way: what was begun is thrown away.
        pageOpen_ = false;
        sink_ = nullptr;
        try {
            endOutput(true);
        } catch (const std::exception&) {
        }
    }
    try {
        fire(onAfterPrint);
    } catch (const std::exception& e) {
        if (error_.isEmpty())
            error_ = messageOf(e);
    }
    restoreOrientation();
    running_ = false;
    return error_.isEmpty();
}

// ---- TPrinterBoundReport -------------------------------------------------------

std::optional<QSizeF> TPrinterBoundReport::paperSize() const {
    return paperOf(printer_);
}

void TPrinterBoundReport::applyOrientation(Orientation o) {
    savedOrientation_ = -1;
    if (!printer_ || o == Orientation::Default)
        return;
    savedOrientation_ = int(printer_->pageLayout().orientation());
    printer_->setPageOrientation(qtOrientation(o));
}

void TPrinterBoundReport::restoreOrientation() {
    if (printer_ && savedOrientation_ >= 0)
        printer_->setPageOrientation(QPageLayout::Orientation(savedOrientation_));
    savedOrientation_ = -1;
}

// ---- TReportPrinter ------------------------------------------------------------

TReportPrinter::TReportPrinter(QPrinter* printer) : TPrinterBoundReport(printer) {
    statusFormat = QStringLiteral("Printing Page %p");
}
TReportPrinter::~TReportPrinter() = default;

QPaintDevice* TReportPrinter::measureDevice() const {
    return printer() && printer()->isValid() ? printer() : nullptr;
}

bool TReportPrinter::startOutput(QString* error) {
    if (!printer() || !printer()->isValid()) {
        *error = kNoPrinter;
        return false;
    }
    printer()->setDocName(title);
    printer()->setCopyCount(std::max(1, copies));
    printer()->setFullPage(true);
    anyPageOut_ = false;
    return true;
}

PageSink* TReportPrinter::beginPage(int page) {
    if (page < firstPage || page > lastPage)
        return nullptr;
    if (!painter_) {
        painter_ = std::make_unique<QPainter>();
        if (!painter_->begin(printer())) {
            painter_.reset();
            const QString file = printer()->outputFileName();
            throw ReportError(
                file.isEmpty() ? QStringLiteral("The printer could not start the job.")
                               : QStringLiteral("The file \"%1\" could not be written.").arg(file));
        }
    } else {
        printer()->newPage();
    }
    anyPageOut_ = true;
    sink_ = std::make_unique<PainterSink>(*painter_, false, scaleX, scaleY);
    return sink_.get();
}

void TReportPrinter::endPage() {}

void TReportPrinter::endOutput(bool aborted) {
    sink_.reset();
    if (painter_) {
        if (aborted)
            printer()->abort();
        painter_->end();
        painter_.reset();
    }
}

QString TReportPrinter::deviceName() const {
    return printerName(printer());
}
QString TReportPrinter::driverName() const {
    return printer() && printer()->outputFormat() == QPrinter::PdfFormat ? QStringLiteral("PDF")
                                                                         : printerName(printer());
}
QString TReportPrinter::portName() const {
    return printer() ? printer()->outputFileName() : QString();
}

// ---- TReportFiler --------------------------------------------------------------

namespace {
// What measures text when there is no printer: a screen-like grid.
QImage& previewOnlyDevice() {
    static QImage image = [] {
        QImage i(8, 8, QImage::Format_RGB32);
        const int dpm = int(96 / 0.0254 + 0.5);
        i.setDotsPerMeterX(dpm);
        i.setDotsPerMeterY(dpm);
        return i;
    }();
    return image;
}
}  // namespace

TReportFiler::TReportFiler(QPrinter* measuringPrinter, PageStream* stream)
    : TPrinterBoundReport(measuringPrinter), stream_(stream) {
    statusFormat = QStringLiteral("Printing page %p");
}
TReportFiler::~TReportFiler() = default;

QPaintDevice* TReportFiler::measureDevice() const {
    if (printer() && printer()->isValid())
        return printer();
    return &previewOnlyDevice();
}

bool TReportFiler::startOutput(QString* error) {
    if (!stream_) {
        *error = QStringLiteral("Error initializing stream \"");
        return false;
    }
    stream_->clear();
    // The paper as the job turned it (the printer's own way for Default).
    stream_->setPaper(pageWidth(), pageHeight(), pageWidth() > pageHeight());
    recorder_.take();
    return true;
}

PageSink* TReportFiler::beginPage(int) {
    recorder_.take();
    // A stream that only counts pages needs no drawing.
    return stream_->keepsPages() ? &recorder_ : nullptr;
}

void TReportFiler::endPage() {
    stream_->addPage(recorder_.take());
}

void TReportFiler::endOutput(bool) {}

QString TReportFiler::deviceName() const {
    return printer() && printer()->isValid() ? printerName(printer())
                                             : QStringLiteral("Preview Only");
}
QString TReportFiler::driverName() const {
    return deviceName();
}
QString TReportFiler::portName() const {
    return printer() && printer()->isValid() ? printer()->outputFileName()
                                             : QStringLiteral("Preview");
}

// ---- TFilePrinter --------------------------------------------------------------

bool TFilePrinter::printPages(int first, int last, int copiesWanted) {
    error_.clear();
    printed_ = 0;
    if (!printer_ || !printer_->isValid()) {
        error_ = kNoPrinter;
        return false;
    }
    if (!stream_) {
        error_ = QStringLiteral("Error initializing input stream \"");
        return false;
    }
    const int count = stream_->pageCount();
    if (first <= 0)
        first = 1;
    if (last < 1 || last > count)
        last = count;
    if (copiesWanted > 0)
        copies = copiesWanted;
    if (first > last)
        return true;

    busy_ = true;
    const QPageLayout::Orientation saved = printer_->pageLayout().orientation();
    printer_->setPageOrientation(stream_->landscape() ? QPageLayout::Landscape
                                                      : QPageLayout::Portrait);
    printer_->setDocName(title);
    printer_->setCopyCount(std::max(1, copies));
    printer_->setFullPage(true);
    QPainter painter;
    if (!painter.begin(printer_)) {
        const QString file = printer_->outputFileName();
        error_ = file.isEmpty() ? QStringLiteral("The printer could not start the job.")
                                : QStringLiteral("The file \"%1\" could not be written.").arg(file);
    } else {
        try {
            PainterSink sink(painter, monochrome);
            for (int page = first; page <= last; ++page) {
                if (page > first)
                    printer_->newPage();
                stream_->replay(page, sink);
                ++printed_;
            }
        } catch (const ReportError& e) {
            error_ = e.message();
            printer_->abort();
        }
        painter.end();
    }
    printer_->setPageOrientation(saved);
    busy_ = false;
    return error_.isEmpty();
}

}  // namespace reports
