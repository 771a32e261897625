// The page layout of a report: a definition and the records of the open
// collection, in its current order and under its record filter, turned
// into pages through the print engine's events.
//
// Each page gets the title lines, the column header line (one-line reports),
// record blocks of 0 to 12 lines of fillers, labels and fields, group
// headings on the first one or two sort levels, money totals per group and
// for the whole report, and a footer with the page number and the date.
//
// Three outputs: the printer (TReportPrinter), a page stream (TReportFiler),
// and a text file, for which the filer still runs on a stream that only
// counts pages, so that the text file breaks its pages where the printed
// report does. A text file is written beside its final name and takes that
// name only when the job ended well (or was cancelled): a failed job leaves
// no partial file under the chosen name.
//
// The table is walked from its first record; its views are not updated while
// the job runs.
#pragma once

#include <QDate>
#include <QSaveFile>
#include <QString>

#include <array>
#include <memory>

#include "dbase/table.h"
#include "reports/print_engine.h"
#include "reports/report_definition.h"
#include "settings/formats.h"

namespace settings {
struct Settings;
}

namespace reports {

enum class OutputMode { Print = 1, View = 2, TextFile = 3 };

// What the layout reads besides the definition: the sort levels (book field
// numbers, 0 for none), the field captions, the report number formats, the
// date format of date fields, and today's date as the footer shows it.
struct LayoutSettings {
    std::array<int, 4> sortLevels{};
    std::array<QString, 37> captions;  // by book field number 1 to 36
    settings::NumberFormat currency;   // money
    settings::NumberFormat numeric;    // counts
    settings::Formats dates;           // date fields' text
    QString today;
};

// What `settings` give a report: the sort levels given, the captions, the
// currency and numeric formats and the date format of the settings, today's
// date in that format.
LayoutSettings layoutSettingsOf(const settings::Settings& settings,
                                const std::array<int, 4>& sortLevels);

// The text of a number by its kind.
QString moneyText(double value, const settings::NumberFormat& f);
QString countText(double value, const settings::NumberFormat& f);
QString yearText(double value);

class ReportLayout {
  public:
    ReportLayout(const ReportDefinition& definition, dbase::Table& table, OutputMode mode,
                 LayoutSettings settings);
    ~ReportLayout();
    ReportLayout(const ReportLayout&) = delete;
    ReportLayout& operator=(const ReportLayout&) = delete;

    // The text file of the TextFile mode.
    void setTextFileName(const QString& path) { textFileName_ = path; }

    // Attaches the five handlers to the engine (which must outlive the job)
    // and sets its orientation from the definition.
    void attach(TBaseReport& engine);

  private:
    using Engine = TBaseReport;
    bool textMode() const { return mode_ == OutputMode::TextFile; }

    void beforePrint(Engine& e);
    void printHeader(Engine& e);
    bool printPage(Engine& e);
    void printFooter(Engine& e);
    void afterPrint(Engine& e);

    void selectFont(Engine& e, const ReportFontSpec& f);
    double itemWidth(const ReportItem& item) const;
    void addLineTabs(Engine& e, const ReportLine& line, Justify fieldJustify, bool labelsRight,
                     int lines);
    void addRecordTabs(Engine& e);  // line 1 of a one-line report
    void printColumnHeaders(Engine& e);
    void printRecord(Engine& e);
    void printLine(Engine& e, const ReportLine& line);
    void printTotalsLine(Engine& e, const std::array<double, 5>& totals);
    void printCaption(Engine& e, const QString& caption);
    bool groupHeading(Engine& e);   // true: stop the page
    bool groupSubtotal(Engine& e);  // true: stop the page
    bool keyChange(Engine& e, const QString& key1);
    void endTotals(Engine& e);
    void addToTotals();

    QString fieldText(int number) const;
    // Item `tab` of the line in hand: a tab character and the text fitted.
    void printItem(Engine& e, int tab, const QString& text);
    void writeLine(const QString& line);

    ReportDefinition def_;
    dbase::Table& table_;
    OutputMode mode_;
    LayoutSettings settings_;
    QString textFileName_;
    std::unique_ptr<QSaveFile> textFile_;
    std::array<int, 37> fieldIndex_{};  // table field of each book field; -1 absent

    int widthChars_ = 90;
    int lineCount_ = 1;
    double usableWidth_ = 0;
    int boxLines_ = 0;
    int groupField1_ = 0, groupField2_ = 0;
    QString groupKey1_, groupKey2_;
    bool headingPending_ = false, subtotalPending_ = false, firstGroup_ = true,
         endTotalsPending_ = false;
    bool controlsDisabled_ = false;
    int progress_ = 0;  // what the page in hand took: records, headings, totals
    std::array<double, 5> grand_{}, group_{};  // index 1 to 4
};

}  // namespace reports
