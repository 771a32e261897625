#include "reports/report_definition.h"

#include <QtEndian>

#include <cstring>
#include <string>

#include "dbase/code_page.h"
#include "fields/book_fields.h"
#include "reports/record_bytes.h"
#include "settings/text_file.h"

namespace reports {

namespace {

// ---- Byte layout of a record ------------------------------------------------

namespace off {
constexpr int name = 0;
constexpr int widthChars = 31;
constexpr int titleFont = 33;
constexpr int columnHeaderFont = 94;
constexpr int bodyFont = 155;
constexpr int spareFont = 216;
constexpr int footnoteFont = 277;
constexpr int columnHeaders = 338;
constexpr int pageNumbers = 339;
constexpr int landscape = 340;
constexpr int dateOnPages = 341;
constexpr int useTotals = 342;
constexpr int lineCount = 343;
constexpr int totalsLine = 345;
constexpr int marginTop = 1845;
constexpr int marginBottom = 1853;
constexpr int marginLeft = 1861;
constexpr int marginRight = 1869;
constexpr int verticalLines = 1877;
constexpr int horizontalLines = 1878;
constexpr int title1 = 1879;
constexpr int title2 = 1960;
constexpr int title3 = 2041;
constexpr int lines = 2122;
constexpr int groupLevel1 = 20122;
constexpr int groupLevel2 = 20123;
constexpr int reserved = 20124;

// Within a font (61 bytes).
constexpr int fontName = 0;
constexpr int fontSize = 51;
constexpr int fontBold = 53;
constexpr int fontItalic = 54;
constexpr int fontUnderline = 55;
constexpr int fontStrikeout = 56;
constexpr int fontColor = 57;

// Within an item (75 bytes).
constexpr int itemName = 0;
constexpr int itemField = 31;
constexpr int itemWidth = 32;
constexpr int itemLabel = 34;
}  // namespace off

constexpr int kItemSize = 75;
constexpr int kLineSize = kItemSize * kItemsPerLine;  // 1500
static_assert(off::lines + kLineSize * kRecordLines == off::groupLevel1);
static_assert(off::reserved + kReservedSize == kDefinitionSize);
static_assert(off::totalsLine + kLineSize == off::marginTop);

// Fills a record's bytes; stops at the first text Windows-1252 cannot hold.
class Writer {
  public:
    explicit Writer(char* bytes) : b_(bytes) {}

    void string(int at, int capacity, const QString& text, const QString& field) {
        if (!error_.isEmpty())
            return;
        std::string encoded;
        if (!dbase::CodePage::windows1252().encode(text.toStdString(), encoded)) {
            error_ =
                QStringLiteral("%1 holds a character that the report file cannot keep.").arg(field);
            return;
        }
        // Cut to the capacity (a cut never splits a character: one byte each).
        const auto length = std::min<std::size_t>(encoded.size(), std::size_t(capacity));
        b_[at] = static_cast<char>(length);
        std::memcpy(b_ + at + 1, encoded.data(), length);
    }
    void int16(int at, int value) { qToLittleEndian<qint16>(static_cast<qint16>(value), b_ + at); }
    void int32(int at, std::int32_t value) { qToLittleEndian<qint32>(value, b_ + at); }
    void byte(int at, int value) { b_[at] = static_cast<char>(value); }
    void boolean(int at, bool value) { b_[at] = value ? 1 : 0; }
    void real(int at, double value) {
        quint64 bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        qToLittleEndian<quint64>(bits, b_ + at);
    }
    void font(int at, const ReportFontSpec& f, const QString& field) {
        string(at + off::fontName, kFontNameLength, f.name, field);
        int16(at + off::fontSize, f.size);
        boolean(at + off::fontBold, f.bold);
        boolean(at + off::fontItalic, f.italic);
        boolean(at + off::fontUnderline, f.underline);
        boolean(at + off::fontStrikeout, f.strikeout);
        int32(at + off::fontColor, f.color);
    }
    void line(int at, const ReportLine& l, const QString& field) {
        for (int j = 0; j < kItemsPerLine; ++j) {
            const ReportItem& item = l.items[std::size_t(j)];
            const int base = at + j * kItemSize;
            const QString where = QStringLiteral("%1, item %2,").arg(field).arg(j + 1);
            string(base + off::itemName, kNameLength, item.name, where);
            byte(base + off::itemField, item.fieldNumber);
            int16(base + off::itemWidth, item.width);
            string(base + off::itemLabel, kLabelLength, item.labelText, where);
        }
    }
    const QString& error() const { return error_; }

  private:
    char* b_;
    QString error_;
};

class Reader {
  public:
    explicit Reader(const char* bytes) : b_(bytes) {}

    QString string(int at, int capacity) const { return record::string(b_, at, capacity); }
    int int16(int at) const { return record::int16(b_, at); }
    std::int32_t int32(int at) const { return qFromLittleEndian<qint32>(b_ + at); }
    int byte(int at) const { return static_cast<unsigned char>(b_[at]); }
    // Any byte but 0 is on.
    bool boolean(int at) const { return b_[at] != 0; }
    double real(int at) const {
        const quint64 bits = qFromLittleEndian<quint64>(b_ + at);
        double value = 0;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    ReportFontSpec font(int at) const {
        ReportFontSpec f;
        f.name = string(at + off::fontName, kFontNameLength);
        f.size = int16(at + off::fontSize);
        f.bold = boolean(at + off::fontBold);
        f.italic = boolean(at + off::fontItalic);
        f.underline = boolean(at + off::fontUnderline);
        f.strikeout = boolean(at + off::fontStrikeout);
        f.color = int32(at + off::fontColor);
        return f;
    }
    ReportLine line(int at) const {
        ReportLine l;
        for (int j = 0; j < kItemsPerLine; ++j) {
            ReportItem& item = l.items[std::size_t(j)];
            const int base = at + j * kItemSize;
            item.name = string(base + off::itemName, kNameLength);
            item.fieldNumber = byte(base + off::itemField);
            item.width = int16(base + off::itemWidth);
            item.labelText = string(base + off::itemLabel, kLabelLength);
        }
        return l;
    }

  private:
    const char* b_;
};

// ---- Building the built-in layouts -----------------------------------------

// Items of a line written as the built-in list gives them.
struct LineBuilder {
    ReportLine line;
    int next = 0;

    LineBuilder& put(ReportItem item) {
        if (next < kItemsPerLine)
            line.items[std::size_t(next++)] = std::move(item);
        return *this;
    }
    LineBuilder& label(int width, const QString& text) { return put({kLabelName, 0, width, text}); }
    LineBuilder& filler(int width) { return put({kFillerName, 0, width, {}}); }
    LineBuilder& field(const char* name, int width) {
        return put({QString::fromLatin1(name), fields::bookFieldNumber(name), width, {}});
    }
    LineBuilder& total(int number, int width) {
        return put({totalName(number), number, width, {}});
    }
    ReportLine done() {
        // What follows the listed items keeps zero width.
        for (int j = next; j < kItemsPerLine; ++j)
            line.items[std::size_t(j)] = ReportItem{};
        return line;
    }
};

ReportLine builtInTotalsLine() {
    return LineBuilder{}
        .label(10, QStringLiteral("Cost:"))
        .filler(1)
        .total(1, 12)
        .label(8, QStringLiteral("Value:"))
        .filler(1)
        .total(2, 12)
        .label(13, QStringLiteral("Low Market:"))
        .filler(1)
        .total(3, 12)
        .label(14, QStringLiteral("High Market:"))
        .filler(1)
        .total(4, 12)
        .filler(60)
        .done();
}

ReportFontSpec font(const QString& name, int size, bool bold) {
    ReportFontSpec f;
    f.name = name;
    f.size = size;
    f.bold = bold;
    return f;
}

void setAllFonts(ReportDefinition& d, int size, const QString& spareName) {
    const QString arial = QStringLiteral("Arial");
    d.titleFont = d.columnHeaderFont = d.bodyFont = d.footnoteFont = font(arial, size, false);
    d.spareFont = font(spareName, size, false);
}

// The record lines of "2 Line 120 Column Report" and "Full Report" share
// their shape: the first line ends with a labelled field that differs.
LineBuilder titleLine(const QString& lastLabel, const char* lastField) {
    LineBuilder b;
    b.label(6, QStringLiteral("Title:")).filler(1).field("Title", 70);
    b.label(11, lastLabel).filler(1).field(lastField, 20);
    return b;
}

ReportLine authorLine(int authorWidth) {
    return LineBuilder{}
        .label(7, QStringLiteral("Author:"))
        .filler(1)
        .field("Author", authorWidth)
        .label(11, QStringLiteral("Year Pub:"))
        .filler(1)
        .field("YearPub", 5)
        .label(9, QStringLiteral("Rating:"))
        .filler(1)
        .field("Rating", 15)
        .done();
}

ReportLine categoryLine(int catalogLabelWidth) {
    return LineBuilder{}
        .label(9, QStringLiteral("Category:"))
        .filler(1)
        .field("Category", 20)
        .label(catalogLabelWidth, QStringLiteral("Catalog:"))
        .filler(1)
        .field("CatalogNum", 15)
        .label(12, QStringLiteral("Sub Cat 1:"))
        .filler(1)
        .field("Sub1", 6)
        .label(12, QStringLiteral("Sub Cat 2:"))
        .filler(1)
        .field("Sub2", 6)
        .label(8, QStringLiteral("Pages:"))
        .filler(1)
        .field("Pages", 5)
        .done();
}

}  // namespace

int ReportLine::usedCount() const {
    int n = 0;
    while (n < kItemsPerLine && items[std::size_t(n)].width >= 1)
        ++n;
    return n;
}

ReportLine blankLine() {
    ReportLine l;
    l.items[0].width = 150;
    return l;
}

QString totalName(int number) {
    switch (number) {
        case 1:
            return QStringLiteral("Cost");
        case 2:
            return QStringLiteral("Value");
        case 3:
            return QStringLiteral("Low Market");
        case 4:
            return QStringLiteral("High Market");
        default:
            return {};
    }
}

int totalBookField(int number) {
    static constexpr int kFields[] = {0, 7, 8, 29, 30};
    return number >= 1 && number <= 4 ? kFields[number] : 0;
}

int totalNumber(const QString& name) {
    for (int k = 1; k <= 4; ++k) {
        if (name.compare(totalName(k), Qt::CaseInsensitive) == 0)
            return k;
    }
    return 0;
}

ReportDefinition builtInBase() {
    ReportDefinition d;
    d.widthChars = 120;
    setAllFonts(d, 8, QStringLiteral("Arial"));
    d.totalsLine = blankLine();
    for (auto& l : d.lines)
        l = blankLine();
    return d;
}

std::vector<ReportDefinition> builtInReports() {
    struct Row {
        const char* name;
        int widthChars;
        int fontSize;
        const char* spareFont;
        bool columnHeaders;
        bool useTotals;
        int lineCount;
        bool boxLines;
        bool groupLevel1;
    };
    static constexpr Row kRows[] = {
        {"Short Narrow Report", 90, 10, "Arial", true, true, 1, true, true},
        {"2 Line 120 Column Report", 120, 8, "Courier", false, true, 2, false, true},
        {"4 Line Report", 120, 8, "Courier", false, true, 4, false, true},
        {"Full Report", 120, 8, "Courier", false, true, 10, false, true},
        {"Location Report", 90, 10, "Arial", true, false, 1, true, true},
        {"Library Checkout Report", 120, 8, "Arial", true, false, 1, true, false},
        {"Value Report", 90, 10, "Arial", true, true, 1, true, true},
        {"Statistic/Summary Report", 90, 10, "Arial", false, true, 0, false, true},
    };
    std::vector<ReportDefinition> all;
    for (const Row& row : kRows) {
        ReportDefinition d = builtInBase();
        d.name = QString::fromLatin1(row.name);
        d.widthChars = row.widthChars;
        setAllFonts(d, row.fontSize, QString::fromLatin1(row.spareFont));
        d.columnHeaders = row.columnHeaders;
        d.useTotals = row.useTotals;
        d.lineCount = row.lineCount;
        d.verticalLines = d.horizontalLines = row.boxLines;
        d.groupLevel1 = row.groupLevel1;
        d.totalsLine = builtInTotalsLine();
        all.push_back(std::move(d));
    }
    auto lines = [&](int report) -> std::array<ReportLine, kRecordLines>& {
        return all[std::size_t(report - 1)].lines;
    };
    using L = LineBuilder;
    const QString bookType = QStringLiteral("Book Type:");

    lines(1)[0] = L{}.field("Title", 59).field("YearPub", 5).field("Author", 27).done();

    lines(2)[0] = titleLine(QStringLiteral("Category:"), "Category").done();
    lines(2)[1] = authorLine(60);

    lines(3)[0] = titleLine(bookType, "BookType").done();
    lines(3)[1] = authorLine(59);
    lines(3)[2] = categoryLine(9);

    auto& full = lines(4);
    full[0] = titleLine(bookType, "BookType").done();
    full[1] = authorLine(60);
    full[2] = L{}.label(10, QStringLiteral("Publisher:"))
                  .filler(1)
                  .field("Publisher", 40)
                  .label(9, QStringLiteral("Editor:"))
                  .filler(1)
                  .field("Editor", 30)
                  .label(7, QStringLiteral("ISBN:"))
                  .filler(1)
                  .field("ISBN", 20)
                  .done();
    full[3] = L{}.label(7, QStringLiteral("Cost:"))
                  .filler(1)
                  .field("Cost", 12)
                  .label(8, QStringLiteral("Value:"))
                  .filler(1)
                  .field("Value", 12)
                  .label(13, QStringLiteral("Low Market:"))
                  .filler(1)
                  .field("LowMarket", 12)
                  .label(14, QStringLiteral("High Market:"))
                  .filler(1)
                  .field("HighMarket", 12)
                  .label(7, QStringLiteral("Cond:"))
                  .filler(1)
                  .field("Condition", 20)
                  .done();
    full[4] = categoryLine(10);
    full[5] = L{}.label(15, QStringLiteral("Date Purchased:"))
                  .filler(1)
                  .field("PurchDate", 11)
                  .label(18, QStringLiteral("Where Purchased:"))
                  .filler(1)
                  .field("WherePurch", 30)
                  .label(11, QStringLiteral("Location:"))
                  .filler(1)
                  .field("Location", 30)
                  .done();
    full[6] = L{}.label(12, QStringLiteral("Checked Out:"))
                  .filler(1)
                  .field("CheckOut", 3)
                  .label(16, QStringLiteral("Checkout Date:"))
                  .filler(1)
                  .field("CheckDate", 11)
                  .label(17, QStringLiteral("Checked Out To:"))
                  .filler(1)
                  .field("CheckName", 30)
                  .label(11, QStringLiteral("Edition:"))
                  .filler(1)
                  .field("Edition", 10)
                  .done();
    full[7] = L{}.label(4, QStringLiteral("Vol:"))
                  .filler(1)
                  .field("Volume", 8)
                  .label(8, QStringLiteral("Issue:"))
                  .filler(1)
                  .field("Issue", 8)
                  .label(12, QStringLiteral("Key Words:"))
                  .filler(1)
                  .field("KeyWords", 77)
                  .done();
    full[8] = L{}.label(6, QStringLiteral("Desc:")).filler(1).field("Descriptio", 110).done();

    lines(5)[0] = L{}.field("Title", 60).field("Location", 30).done();
    lines(6)[0] = L{}.field("Title", 60)
                      .field("CheckOut", 3)
                      .field("CheckDate", 12)
                      .field("CheckName", 30)
                      .done();
    lines(7)[0] = L{}.field("Title", 42)
                      .field("Cost", 12)
                      .field("Value", 12)
                      .field("LowMarket", 12)
                      .field("HighMarket", 12)
                      .done();
    return all;
}

ReportDefinition newReportDefinition() {
    ReportDefinition d;
    d.widthChars = 90;
    const QString courier = QStringLiteral("Courier New");
    d.titleFont = d.columnHeaderFont = d.footnoteFont = font(courier, 10, true);
    d.bodyFont = d.spareFont = font(courier, 10, false);
    d.verticalLines = d.horizontalLines = true;
    d.totalsLine = blankLine();
    for (auto& l : d.lines)
        l = blankLine();
    return d;
}

QByteArray encodeDefinition(const ReportDefinition& d, QString* error) {
    QByteArray bytes(kDefinitionSize, '\0');
    Writer w(bytes.data());
    w.string(off::name, kNameLength, d.name, QStringLiteral("The report name"));
    w.int16(off::widthChars, d.widthChars);
    w.font(off::titleFont, d.titleFont, QStringLiteral("The title font's name"));
    w.font(off::columnHeaderFont, d.columnHeaderFont,
           QStringLiteral("The column header font's name"));
    w.font(off::bodyFont, d.bodyFont, QStringLiteral("The body font's name"));
    w.font(off::spareFont, d.spareFont, QStringLiteral("The fourth font's name"));
    w.font(off::footnoteFont, d.footnoteFont, QStringLiteral("The footnote font's name"));
    w.boolean(off::columnHeaders, d.columnHeaders);
    w.boolean(off::pageNumbers, d.pageNumbers);
    w.boolean(off::landscape, d.landscape);
    w.boolean(off::dateOnPages, d.dateOnPages);
    w.boolean(off::useTotals, d.useTotals);
    w.int16(off::lineCount, d.lineCount);
    w.line(off::totalsLine, d.totalsLine, QStringLiteral("The totals line"));
    w.real(off::marginTop, d.marginTop);
    w.real(off::marginBottom, d.marginBottom);
    w.real(off::marginLeft, d.marginLeft);
    w.real(off::marginRight, d.marginRight);
    w.boolean(off::verticalLines, d.verticalLines);
    w.boolean(off::horizontalLines, d.horizontalLines);
    w.string(off::title1, kTitleLength, d.title1, QStringLiteral("Title line 1"));
    w.string(off::title2, kTitleLength, d.title2, QStringLiteral("Title line 2"));
    w.string(off::title3, kTitleLength, d.title3, QStringLiteral("Title line 3"));
    for (int i = 0; i < kRecordLines; ++i)
        w.line(off::lines + i * kLineSize, d.lines[std::size_t(i)],
               QStringLiteral("Line %1").arg(i + 1));
    w.boolean(off::groupLevel1, d.groupLevel1);
    w.boolean(off::groupLevel2, d.groupLevel2);
    std::memcpy(bytes.data() + off::reserved, d.reserved.constData(),
                std::min<std::size_t>(std::size_t(d.reserved.size()), kReservedSize));
    if (!w.error().isEmpty()) {
        if (error)
            *error = w.error();
        return {};
    }
    return bytes;
}

ReportDefinition decodeDefinition(const char* bytes) {
    const Reader r(bytes);
    ReportDefinition d;
    d.name = r.string(off::name, kNameLength);
    d.widthChars = r.int16(off::widthChars);
    d.titleFont = r.font(off::titleFont);
    d.columnHeaderFont = r.font(off::columnHeaderFont);
    d.bodyFont = r.font(off::bodyFont);
    d.spareFont = r.font(off::spareFont);
    d.footnoteFont = r.font(off::footnoteFont);
    d.columnHeaders = r.boolean(off::columnHeaders);
    d.pageNumbers = r.boolean(off::pageNumbers);
    d.landscape = r.boolean(off::landscape);
    d.dateOnPages = r.boolean(off::dateOnPages);
    d.useTotals = r.boolean(off::useTotals);
    d.lineCount = r.int16(off::lineCount);
    d.totalsLine = r.line(off::totalsLine);
    d.marginTop = r.real(off::marginTop);
    d.marginBottom = r.real(off::marginBottom);
    d.marginLeft = r.real(off::marginLeft);
    d.marginRight = r.real(off::marginRight);
    d.verticalLines = r.boolean(off::verticalLines);
    d.horizontalLines = r.boolean(off::horizontalLines);
    d.title1 = r.string(off::title1, kTitleLength);
    d.title2 = r.string(off::title2, kTitleLength);
    d.title3 = r.string(off::title3, kTitleLength);
    for (int i = 0; i < kRecordLines; ++i)
        d.lines[std::size_t(i)] = r.line(off::lines + i * kLineSize);
    d.groupLevel1 = r.boolean(off::groupLevel1);
    d.groupLevel2 = r.boolean(off::groupLevel2);
    d.reserved = QByteArray(bytes + off::reserved, kReservedSize);
    return d;
}

}  // namespace reports
