// The designer's rules without its windows: lines fitted to the report
// width, width changes, the numbers typed in, and saving new or over.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "reports/definition_file.h"
#include "reports/report_design.h"

namespace {

using reports::ReportLine;

ReportLine lineOf(std::initializer_list<int> widths) {
    ReportLine line;
    for (auto& item : line.items)
        item.width = 0;
    int i = 0;
    for (const int w : widths)
        line.items[size_t(i++)].width = w;
    return line;
}

std::vector<int> widthsOf(const ReportLine& line) {
    std::vector<int> out;
    for (const auto& item : line.items)
        out.push_back(item.width);
    while (!out.empty() && out.back() == 0)
        out.pop_back();
    return out;
}

TEST(ReportDesign, LinesAreFittedToTheWidth) {
    // Narrower: the first item that reaches the width is cut, the rest go.
    ReportLine wide = lineOf({100, 50});
    reports::fitLine(wide, 90);
    EXPECT_EQ(widthsOf(wide), (std::vector<int>{90}));
    // Wider: the first empty item takes what is left.
    ReportLine narrow = lineOf({60, 30});
    reports::fitLine(narrow, 150);
    EXPECT_EQ(widthsOf(narrow), (std::vector<int>{60, 30, 60}));
    // A width of 0 typed for an item fills the rest of the line.
    ReportLine typed = lineOf({20, 0, 40});
    reports::fitLine(typed, 120);
    EXPECT_EQ(widthsOf(typed), (std::vector<int>{20, 100}));
    // Twenty items that fall short: the last one takes the difference.
    ReportLine many;
    for (auto& item : many.items)
        item.width = 5;
    reports::fitLine(many, 120);
    EXPECT_EQ(many.items[19].width, 25);
}

TEST(ReportDesign, ChangingTheWidthFitsTheLinesInUseAndSetsTheBodyFont) {
    reports::ReportDefinition d = reports::newReportDefinition();
    d.widthChars = 150;
    d.lineCount = 2;
    d.lines[0] = lineOf({100, 50});
    d.lines[1] = lineOf({150});
    d.lines[2] = lineOf({150});  // not in use
    d.totalsLine = lineOf({150});
    reports::changeReportWidth(d, 90);
    EXPECT_EQ(d.widthChars, 90);
    EXPECT_EQ(widthsOf(d.lines[0]), (std::vector<int>{90}));
    EXPECT_EQ(widthsOf(d.lines[1]), (std::vector<int>{90}));
    EXPECT_EQ(widthsOf(d.lines[2]), (std::vector<int>{150}));
    EXPECT_EQ(widthsOf(d.totalsLine), (std::vector<int>{150}));
    EXPECT_EQ(d.bodyFont.size, 10);
    reports::changeReportWidth(d, 120);
    EXPECT_EQ(d.bodyFont.size, 8);
    reports::changeReportWidth(d, 150);
    EXPECT_EQ(d.bodyFont.size, 6);
    // Widening appends the new room as an item of its own.
    EXPECT_EQ(widthsOf(d.lines[0]), (std::vector<int>{90, 30, 30}));
}

TEST(ReportDesign, NumbersThatCannotBeLaidOutAreRefused) {
    EXPECT_EQ(reports::parseLineCount(" 12 "), 12);
    EXPECT_EQ(reports::parseLineCount("0"), 0);
    for (const char* bad : {"13", "-1", "x", ""})
        EXPECT_FALSE(reports::parseLineCount(bad)) << bad;
    EXPECT_DOUBLE_EQ(*reports::parseMargin(" 0.75"), 0.75);
    EXPECT_DOUBLE_EQ(*reports::parseMargin("0"), 0.0);
    for (const char* bad : {"-0.5", "abc", "", "1e400", "nan", "11"})
        EXPECT_FALSE(reports::parseMargin(bad)) << bad;
    EXPECT_EQ(reports::parseItemWidth("0"), 0);
    EXPECT_EQ(reports::parseItemWidth("150"), 150);
    for (const char* bad : {"-5", "2.5", "wide", "151"})
        EXPECT_FALSE(reports::parseItemWidth(bad)) << bad;
}

TEST(ReportDesign, SavingAppendsANewReportAndOverwritesAnOldOneAndReadsBackTheSame) {
    QTemporaryDir dir;
    reports::DefinitionFile file = reports::DefinitionFile::inDirectory(dir.path());
    ASSERT_TRUE(file.replaceAll(reports::builtInReports()));
    reports::ReportDefinition d = reports::newReportDefinition();
    d.name = QStringLiteral("Two Lines");
    d.lineCount = 2;
    d.lines[0] = lineOf({30, 60});
    d.lines[0].items[0].name = reports::kLabelName;
    d.lines[0].items[0].labelText = QStringLiteral("Title:");
    d.lines[0].items[1].name = QStringLiteral("TITLE");
    d.lines[0].items[1].fieldNumber = 2;
    d.lines[1] = lineOf({90});
    d.groupLevel1 = true;
    d.useTotals = true;
    d.marginLeft = 0.75;
    reports::changeReportWidth(d, 90);
    EXPECT_EQ(reports::saveDefinition(file, d, -1), 8);
    EXPECT_EQ(file.read(8), d);
    d.title1 = QStringLiteral("Changed");
    EXPECT_EQ(reports::saveDefinition(file, d, 8), 8);
    EXPECT_EQ(file.count(), 9);
    EXPECT_EQ(file.read(8), d);
    EXPECT_EQ(file.read(0), reports::builtInReports()[0]);
}

}  // namespace
