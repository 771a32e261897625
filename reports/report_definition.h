// Report definitions: what one report prints, as the fixed-size record the
// definitions file "TMKBOOK.URP" keeps, and the layouts the program starts
// from (the eight built-in reports, a new report).
//
// A record is 20,622 bytes, little-endian, with no padding. Strings are a
// length byte followed by their full capacity of Windows-1252 bytes (bytes
// past the length are written as zeros and ignored on reading); booleans are
// one byte; reals are IEEE doubles. The byte offsets live in this module's
// .cpp only; encodeDefinition() and decodeDefinition() are the one place that
// turns records into bytes and back.
#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <vector>

namespace reports {

inline constexpr int kDefinitionSize = 20622;
inline constexpr int kItemsPerLine = 20;
inline constexpr int kRecordLines = 12;
inline constexpr int kNameLength = 30;      // report and item names
inline constexpr int kTitleLength = 80;     // the three title lines
inline constexpr int kLabelLength = 40;     // label items
inline constexpr int kFontNameLength = 50;  // font names
inline constexpr int kReservedSize = 498;

// The kind/name of items that are not fields.
inline const QString kFillerName = QStringLiteral("<FILLER>");
inline const QString kLabelName = QStringLiteral("<LABEL>");

struct ReportFontSpec {
    QString name;
    int size = 10;  // points
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeout = false;
    std::int32_t color = 0;  // 0x00BBGGRR
    friend bool operator==(const ReportFontSpec&, const ReportFontSpec&) = default;
};

// One item of a line: empty space, a constant label or a field. A field
// item's number is its book field number (1 to 36) on record lines, and its
// total (1 Cost, 2 Value, 3 Low Market, 4 High Market) on the totals line.
struct ReportItem {
    QString name = kFillerName;
    int fieldNumber = 0;  // 0 to 255
    int width = 0;        // characters of the report width
    QString labelText;

    bool isFiller() const { return name == kFillerName; }
    bool isLabel() const { return name == kLabelName; }
    bool isField() const { return !isFiller() && !isLabel(); }
    friend bool operator==(const ReportItem&, const ReportItem&) = default;
};

struct ReportLine {
    std::array<ReportItem, kItemsPerLine> items;

    // The leading items with a width of at least 1: the first item narrower
    // than that ends the line.
    int usedCount() const;
    friend bool operator==(const ReportLine&, const ReportLine&) = default;
};

struct ReportDefinition {
    QString name;
    int widthChars = 120;  // 90, 120 or 150
    ReportFontSpec titleFont, columnHeaderFont, bodyFont, spareFont, footnoteFont;
    bool columnHeaders = true;
    bool pageNumbers = true;
    bool landscape = false;
    bool dateOnPages = true;
    bool useTotals = true;
    int lineCount = 1;  // lines per record block, 0 to 12
    ReportLine totalsLine;
    double marginTop = 0.5, marginBottom = 0.5, marginLeft = 0.5, marginRight = 0.5;
    bool verticalLines = false;
    bool horizontalLines = false;
    QString title1, title2, title3;
    std::array<ReportLine, kRecordLines> lines;
    bool groupLevel1 = true;
    bool groupLevel2 = false;
    // Kept as read so that a record written back keeps them.
    QByteArray reserved = QByteArray(kReservedSize, '\0');

    friend bool operator==(const ReportDefinition&, const ReportDefinition&) = default;
};

// The blank layout of a line: one filler of width 150, the other nineteen
// fillers of width 0.
ReportLine blankLine();

// The layouts the program starts from.
ReportDefinition builtInBase();                  // what the eight built-ins start from
std::vector<ReportDefinition> builtInReports();  // the eight, in list order
ReportDefinition newReportDefinition();          // what "New Report" starts from

// The record's bytes (kDefinitionSize of them). Text longer than its field is
// cut. A character that Windows-1252 cannot hold is refused: the result is
// empty and `error` names the field it was meant for.
QByteArray encodeDefinition(const ReportDefinition& definition, QString* error = nullptr);

// Reads one record from `bytes` (at least kDefinitionSize of them). Never
// fails: a length byte beyond its string's capacity reads the full capacity.
ReportDefinition decodeDefinition(const char* bytes);

// The names of the four totals, by number 1 to 4 ("Cost", "Value",
// "Low Market", "High Market"); the book field each adds up.
QString totalName(int number);
int totalBookField(int number);
// The total named `name` (without regard to case), or 0.
int totalNumber(const QString& name);

}  // namespace reports
