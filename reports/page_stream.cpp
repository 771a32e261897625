#include "reports/page_stream.h"

#include <QPainter>
#include <QPen>
#include <QtEndian>

#include <cstring>

namespace reports {

namespace {

// Command codes of a page.
enum Code : char {
    kFont = 'F',
    kText = 'T',
    kLine = 'L',
    kShade = 'S',
};

enum FontFlag : std::uint8_t {
    kBold = 1,
    kItalic = 2,
    kUnderline = 4,
    kStrikeout = 8,
};

const QString kUnexpected = QStringLiteral("Unexpected code found in report file.");

// Thin lines: about half a point.
constexpr double kLineWidth = 0.007;

class CommandReader {
  public:
    explicit CommandReader(const QByteArray& bytes)
        : p_(bytes.constData()), end_(p_ + bytes.size()) {}
    bool atEnd() const { return p_ == end_; }
    char code() { return static_cast<char>(take(1)[0]); }
    std::uint8_t byte() { return static_cast<std::uint8_t>(take(1)[0]); }
    quint16 u16() { return qFromLittleEndian<quint16>(take(2)); }
    quint32 u32() { return qFromLittleEndian<quint32>(take(4)); }
    double real() {
        const quint32 bits = u32();
        float f = 0;
        std::memcpy(&f, &bits, sizeof f);
        return f;
    }
    QString text(int length) { return QString::fromUtf8(take(length), length); }

  private:
    const char* take(std::ptrdiff_t n) {
        if (end_ - p_ < n)
            throw ReportError(kUnexpected);
        const char* at = p_;
        p_ += n;
        return at;
    }
    const char* p_;
    const char* end_;
};

}  // namespace

QFont toQFont(const EngineFont& f) {
    QFont font(f.name);
    font.setPointSizeF(f.size > 0 ? f.size : 1);
    font.setBold(f.bold);
    font.setItalic(f.italic);
    font.setUnderline(f.underline);
    font.setStrikeOut(f.strikeout);
    return font;
}

// ---- Painting ----------------------------------------------------------------

PainterSink::PainterSink(QPainter& painter, bool monochrome, double scaleX, double scaleY)
    : painter_(painter), monochrome_(monochrome) {
    QPaintDevice* device = painter.device();
    dpiX_ = device->logicalDpiX() * scaleX / 100.0;
    dpiY_ = device->logicalDpiY() * scaleY / 100.0;
    painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.setRenderHint(QPainter::TextAntialiasing, true);
}

void PainterSink::setFont(const EngineFont& font) {
    painter_.setFont(toQFont(font));
    painter_.setPen(monochrome_ ? QColor(Qt::black) : font.color);
}

void PainterSink::drawText(double x, double baseline, const QString& text) {
    painter_.drawText(QPointF(x * dpiX_, baseline * dpiY_), text);
}

void PainterSink::drawLine(double x1, double y1, double x2, double y2) {
    painter_.save();
    QPen pen(Qt::black);
    pen.setWidthF(std::max(1.0, kLineWidth * dpiX_));
    painter_.setPen(pen);
    painter_.drawLine(QPointF(x1 * dpiX_, y1 * dpiY_), QPointF(x2 * dpiX_, y2 * dpiY_));
    painter_.restore();
}

void PainterSink::fillShade(double x, double y, double width, double height, int brightness) {
    const int level = std::clamp(brightness, 0, 100) * 255 / 100;
    painter_.fillRect(QRectF(x * dpiX_, y * dpiY_, width * dpiX_, height * dpiY_),
                      QColor(level, level, level));
}

// ---- Recording ---------------------------------------------------------------

void PageRecorder::putReal(double v) {
    const float f = static_cast<float>(v);
    quint32 bits = 0;
    std::memcpy(&bits, &f, sizeof bits);
    char b[4];
    qToLittleEndian<quint32>(bits, b);
    bytes_.append(b, 4);
}

void PageRecorder::setFont(const EngineFont& font) {
    const QByteArray name = font.name.toUtf8().left(255);
    bytes_.append(kFont);
    bytes_.append(static_cast<char>(name.size()));
    bytes_.append(name);
    putReal(font.size);
    std::uint8_t flags = 0;
    flags |= font.bold ? kBold : 0;
    flags |= font.italic ? kItalic : 0;
    flags |= font.underline ? kUnderline : 0;
    flags |= font.strikeout ? kStrikeout : 0;
    bytes_.append(static_cast<char>(flags));
    char rgb[4];
    qToLittleEndian<quint32>(font.color.rgba(), rgb);
    bytes_.append(rgb, 4);
}

void PageRecorder::drawText(double x, double baseline, const QString& text) {
    const QByteArray utf8 = text.toUtf8().left(0xFFFF);
    bytes_.append(kText);
    putReal(x);
    putReal(baseline);
    char n[2];
    qToLittleEndian<quint16>(static_cast<quint16>(utf8.size()), n);
    bytes_.append(n, 2);
    bytes_.append(utf8);
}

void PageRecorder::drawLine(double x1, double y1, double x2, double y2) {
    bytes_.append(kLine);
    putReal(x1);
    putReal(y1);
    putReal(x2);
    putReal(y2);
}

void PageRecorder::fillShade(double x, double y, double width, double height, int brightness) {
    bytes_.append(kShade);
    putReal(x);
    putReal(y);
    putReal(width);
    putReal(height);
    bytes_.append(static_cast<char>(std::clamp(brightness, 0, 100)));
}

QByteArray PageRecorder::take() {
    QByteArray page;
    page.swap(bytes_);
    return page;
}

void replayCommands(const QByteArray& commands, PageSink& sink) {
    CommandReader r(commands);
    while (!r.atEnd()) {
        switch (r.code()) {
            case kFont: {
                EngineFont f;
                f.name = r.text(r.byte());
                f.size = r.real();
                const std::uint8_t flags = r.byte();
                f.bold = flags & kBold;
                f.italic = flags & kItalic;
                f.underline = flags & kUnderline;
                f.strikeout = flags & kStrikeout;
                f.color = QColor::fromRgba(r.u32());
                sink.setFont(f);
                break;
            }
            case kText: {
                const double x = r.real();
                const double y = r.real();
                sink.drawText(x, y, r.text(r.u16()));
                break;
            }
            case kLine: {
                const double x1 = r.real(), y1 = r.real(), x2 = r.real(), y2 = r.real();
                sink.drawLine(x1, y1, x2, y2);
                break;
            }
            case kShade: {
                const double x = r.real(), y = r.real(), w = r.real(), h = r.real();
                sink.fillShade(x, y, w, h, r.byte());
                break;
            }
            default:
                throw ReportError(kUnexpected);
        }
    }
}

// ---- The stream ----------------------------------------------------------------

void PageStream::clear() {
    pages_.clear();
    count_ = 0;
}

void PageStream::setPaper(double width, double height, bool landscape) {
    width_ = width;
    height_ = height;
    landscape_ = landscape;
}

void PageStream::addPage(const QByteArray& commands) {
    ++count_;
    if (keep_)
        // The fastest level: a page of commands still shrinks to about a third.
        pages_.push_back(qCompress(commands, 1));
}

QByteArray PageStream::page(int page) const {
    if (page < 1 || page > int(pages_.size()))
        throw ReportError(QStringLiteral("Error initializing input stream \"page %1").arg(page));
    const QByteArray& block = pages_[std::size_t(page - 1)];
    QByteArray commands = qUncompress(block);
    // An empty result from a block that promised bytes is a damaged block.
    if (commands.isEmpty() && block.size() > 4 && qFromBigEndian<quint32>(block.constData()) != 0)
        throw ReportError(kUnexpected);
    return commands;
}

void PageStream::replay(int page, PageSink& sink) const {
    replayCommands(this->page(page), sink);
}

std::int64_t PageStream::storedBytes() const {
    std::int64_t n = 0;
    for (const auto& p : pages_)
        n += p.size();
    return n;
}

QImage renderPageImage(const PageStream& stream, int page, double dpi, bool monochrome) {
    const QSize size(std::max(1, int(stream.pageWidth() * dpi + 0.5)),
                     std::max(1, int(stream.pageHeight() * dpi + 0.5)));
    QImage image(size, monochrome ? QImage::Format_Grayscale8 : QImage::Format_RGB32);
    const int dotsPerMeter = int(dpi / 0.0254 + 0.5);
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    image.fill(Qt::white);
    QPainter painter(&image);
    PainterSink sink(painter, monochrome);
    stream.replay(page, sink);
    return image;
}

}  // namespace reports
