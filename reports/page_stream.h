// The page stream: the pages of a report job as drawing commands, one
// compressed block per page, so that a long report costs a few kilobytes a
// page and never a picture per page.
//
// Positions and sizes in the commands are inches from the top left corner of
// the paper; text stands on its baseline. A page replays alone, onto any
// device: a sink turns the commands into painting at the device's
// resolution, so the screen at any zoom and any printer draw the same
// layout as the job that recorded it.
#pragma once

#include <QByteArray>
#include <QColor>
#include <QFont>
#include <QImage>
#include <QString>

#include <cstdint>
#include <stdexcept>
#include <vector>

class QPainter;

namespace reports {

// A failure of the print engine or of the page stream, with the text the
// user is shown.
class ReportError : public std::runtime_error {
  public:
    explicit ReportError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& message() const { return message_; }

  private:
    QString message_;
};

// A font as the engine selects it.
struct EngineFont {
    QString name = QStringLiteral("Arial");
    double size = 10;  // points
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeout = false;
    QColor color = Qt::black;
    friend bool operator==(const EngineFont&, const EngineFont&) = default;
};

// The toolkit's font for it.
QFont toQFont(const EngineFont& font);

// Where drawing goes: a painter (printer, image) or a recorded page.
class PageSink {
  public:
    virtual ~PageSink() = default;
    virtual void setFont(const EngineFont& font) = 0;
    virtual void drawText(double x, double baseline, const QString& text) = 0;
    virtual void drawLine(double x1, double y1, double x2, double y2) = 0;
    // A grey area of `brightness` percent (100 white, 0 black).
    virtual void fillShade(double x, double y, double width, double height, int brightness) = 0;
};

// Paints on a painter whose device has the resolution of the painter's
// device (inches times dots per inch), scaled by `scaleX` and `scaleY`
// percent. Monochrome draws every colour black.
class PainterSink : public PageSink {
  public:
    explicit PainterSink(QPainter& painter, bool monochrome = false, double scaleX = 100,
                         double scaleY = 100);
    void setFont(const EngineFont& font) override;
    void drawText(double x, double baseline, const QString& text) override;
    void drawLine(double x1, double y1, double x2, double y2) override;
    void fillShade(double x, double y, double width, double height, int brightness) override;

  private:
    QPainter& painter_;
    bool monochrome_;
    double dpiX_, dpiY_;
};

// Records the commands of one page.
class PageRecorder : public PageSink {
  public:
    void setFont(const EngineFont& font) override;
    void drawText(double x, double baseline, const QString& text) override;
    void drawLine(double x1, double y1, double x2, double y2) override;
    void fillShade(double x, double y, double width, double height, int brightness) override;

    // The commands so far; take() also starts an empty page.
    const QByteArray& commands() const { return bytes_; }
    QByteArray take();

  private:
    void putReal(double v);
    QByteArray bytes_;
};

// Replays one page's commands into `sink`. Throws ReportError("Unexpected
// code found in report file.") on a command it does not know or a page cut
// short.
void replayCommands(const QByteArray& commands, PageSink& sink);

class PageStream {
  public:
    // Starts again with no pages (a job writes from the start).
    void clear();

    // The paper the pages were laid out on, in inches as oriented.
    void setPaper(double width, double height, bool landscape);
    double pageWidth() const { return width_; }
    double pageHeight() const { return height_; }
    bool landscape() const { return landscape_; }

    // A stream that only counts pages keeps none of them (a report that
    // goes to a text file paginates on it).
    void setKeepPages(bool keep) { keep_ = keep; }
    bool keepsPages() const { return keep_; }

    void addPage(const QByteArray& commands);
    int pageCount() const { return count_; }
    // The commands of page `page` (1 to pageCount()). Throws ReportError
    // ("Error initializing input stream ...") when the page is not kept or
    // its block cannot be read.
    QByteArray page(int page) const;
    // Replays page `page` into `sink`.
    void replay(int page, PageSink& sink) const;

    // Bytes held for the pages.
    std::int64_t storedBytes() const;

  private:
    std::vector<QByteArray> pages_;  // compressed
    int count_ = 0;
    double width_ = 8.5, height_ = 11;
    bool landscape_ = false;
    bool keep_ = true;
};

// Page `page` of `stream` drawn on white at `dpi` dots per inch (the screen's
// resolution times the zoom).
QImage renderPageImage(const PageStream& stream, int page, double dpi, bool monochrome = false);

}  // namespace reports
