// The layout picture of "Specify Report Layout" without a window: rows,
// item rectangles from the cumulative widths, text, colour and alignment of
// each kind of item, and which item a point falls on.
#include <gtest/gtest.h>

#include <QFontMetrics>

#include "reports/layout_picture.h"
#include "settings/settings.h"

namespace {

using reports::kTotalsRow;
using reports::LayoutPicture;
using reports::PictureItem;

// The captions of a fresh settings file.
const reports::FieldCaptions captions = reports::fieldCaptions(settings::Settings());

reports::ReportItem label(int width, const QString& text) {
    return {reports::kLabelName, 0, width, text};
}
reports::ReportItem filler(int width) {
    return {reports::kFillerName, 0, width, {}};
}
reports::ReportItem field(const QString& name, int number, int width) {
    return {name, number, width, {}};
}

// Two record lines and a totals line, 90 characters wide:
//   line 1: label 30 "Title:", filler 10, Title 50
//   line 2: Author 90
//   totals: label 20 "Cost:", Cost (total 1) 70
reports::ReportDefinition twoLines() {
    reports::ReportDefinition d = reports::newReportDefinition();
    d.lineCount = 2;
    d.lines[0].items[0] = label(30, "Title:");
    d.lines[0].items[1] = filler(10);
    d.lines[0].items[2] = field("Title", 1, 50);
    d.lines[1].items[0] = field("Author", 2, 90);
    d.totalsLine.items[0] = label(20, "Cost:");
    d.totalsLine.items[1] = field("Cost", 1, 70);
    return d;
}

TEST(LayoutPictureTest, RowsLieWhereTheScaleSaysAndTheTotalsRowOnlyWithTotals) {
    const reports::ReportDefinition d = twoLines();
    const LayoutPicture p(d, 90, true, captions);
    EXPECT_EQ(p.rows(), (std::vector<int>{1, 2, kTotalsRow}));
    EXPECT_EQ(p.rowRect(1), QRect(4, 75, 625, 20));
    EXPECT_EQ(p.rowRect(2), QRect(4, 95, 625, 20));
    EXPECT_EQ(p.rowRect(kTotalsRow), QRect(4, 355, 625, 21));
    EXPECT_TRUE(p.rowRect(3).isNull());  // beyond the number of lines
    EXPECT_TRUE(p.showsBody());
    EXPECT_TRUE(p.showsTotals());

    const LayoutPicture big(d, 90, true, captions, 1.25);
    EXPECT_EQ(big.rowRect(2), QRect(5, 119, 781, 25));  // 4..629, 95..120 times 1.25
    EXPECT_EQ(big.rowRect(kTotalsRow).top(), 444);
    EXPECT_DOUBLE_EQ(big.font().pointSizeF(), 10.0);
    EXPECT_EQ(big.font().family(), "Arial");

    const LayoutPicture noTotals(d, 90, false, captions);
    EXPECT_EQ(noTotals.rows(), (std::vector<int>{1, 2}));
    EXPECT_FALSE(noTotals.showsTotals());
    EXPECT_TRUE(noTotals.cells(kTotalsRow).empty());
    EXPECT_FALSE(noTotals.itemAt({300, 360}));

    reports::ReportDefinition none = d;
    none.lineCount = 0;
    const LayoutPicture totalsOnly(none, 90, true, captions);
    EXPECT_FALSE(totalsOnly.showsBody());
    EXPECT_EQ(totalsOnly.rows(), (std::vector<int>{kTotalsRow}));
}

TEST(LayoutPictureTest, ItemsEndAtTheirCumulativeWidthAndTheLastReachesTheRowsEnd) {
    const reports::ReportDefinition d = twoLines();
    const auto line1 = LayoutPicture(d, 90, true, captions).cells(1);
    ASSERT_EQ(line1.size(), 3u);
    // 625 * 30 / 90 = 208.3 and 625 * 40 / 90 = 277.8 from the left end.
    EXPECT_EQ(line1[0].rect, QRect(4, 75, 208, 20));
    EXPECT_EQ(line1[1].rect, QRect(212, 75, 70, 20));
    EXPECT_EQ(line1[2].rect, QRect(282, 75, 347, 20));
    // The width chosen in the designer counts, not the one stored.
    const auto wide = LayoutPicture(d, 150, true, captions).cells(1);
    EXPECT_EQ(wide[0].rect.right() + 1, 4 + 125);
    EXPECT_EQ(wide[2].rect.right() + 1, 629);  // the last item still reaches the end

    // Widths adding up to more than the report width are squeezed at the
    // row's end instead of running past it.
    reports::ReportDefinition over = d;
    over.lines[0].items[2].width = 80;
    over.lines[0].items[3] = filler(40);
    const auto squeezed = LayoutPicture(over, 90, true, captions).cells(1);
    ASSERT_EQ(squeezed.size(), 4u);
    EXPECT_EQ(squeezed[2].rect.right() + 1, 629);
    EXPECT_EQ(squeezed[3].rect.width(), 0);
}

TEST(LayoutPictureTest, EachKindShowsItsTextColourAndAlignment) {
    settings::Settings own;
    own.fieldNames[1] = "Book Title";
    own.fieldNames[2] = "Writer";
    const reports::FieldCaptions renamed = reports::fieldCaptions(own);
    const reports::ReportDefinition d = twoLines();
    const LayoutPicture p(d, 90, true, renamed);
    const auto line1 = p.cells(1);
    EXPECT_EQ(line1[0].text, "Title:");
    EXPECT_EQ(line1[0].color, QColor(255, 0, 0));
    EXPECT_EQ(line1[0].alignment, Qt::AlignRight | Qt::AlignVCenter);
    EXPECT_EQ(line1[1].text, "Filler");
    EXPECT_EQ(line1[1].color, QColor(0, 128, 0));
    EXPECT_EQ(line1[1].alignment, Qt::AlignHCenter | Qt::AlignVCenter);
    EXPECT_EQ(line1[2].text, "Book Title");  // the field's display caption
    EXPECT_EQ(line1[2].color, QColor(0, 0, 0));
    EXPECT_EQ(line1[2].alignment, Qt::AlignLeft | Qt::AlignVCenter);
    EXPECT_EQ(p.cells(2)[0].text, "Writer");

    // The totals line shows the names of its totals: total 1 is Cost, not
    // book field 1.
    const auto totals = p.cells(kTotalsRow);
    ASSERT_EQ(totals.size(), 2u);
    EXPECT_EQ(totals[1].text, "Cost");
    EXPECT_EQ(totals[1].item, 2);
    EXPECT_EQ(totals[1].row, kTotalsRow);

    // An item read from the earlier file version has a name but no number.
    reports::ReportDefinition converted = d;
    converted.lines[1].items[0].fieldNumber = 0;
    EXPECT_EQ(LayoutPicture(converted, 90, true, renamed).cells(2)[0].text, "Writer");
}

TEST(LayoutPictureTest, APointFindsTheItemOfItsRow) {
    const reports::ReportDefinition d = twoLines();
    const LayoutPicture p(d, 90, true, captions);
    EXPECT_EQ(p.itemAt({10, 80}), (PictureItem{1, 1}));
    EXPECT_EQ(p.itemAt({211, 94}), (PictureItem{1, 1}));
    EXPECT_EQ(p.itemAt({212, 75}), (PictureItem{1, 2}));
    EXPECT_EQ(p.itemAt({628, 80}), (PictureItem{1, 3}));
    EXPECT_EQ(p.itemAt({300, 95}), (PictureItem{2, 1}));
    EXPECT_EQ(p.itemAt({300, 375}), (PictureItem{kTotalsRow, 2}));
    for (const QPoint outside : {QPoint(3, 80), QPoint(629, 80), QPoint(300, 74), QPoint(300, 115),
                                 QPoint(300, 354), QPoint(300, 376)})
        EXPECT_FALSE(p.itemAt(outside)) << outside.x() << "," << outside.y();
    // A row whose first item has width 0 has nothing to click.
    reports::ReportDefinition empty = d;
    empty.lines[1].items[0].width = 0;
    const LayoutPicture q(empty, 90, true, captions);
    EXPECT_TRUE(q.cells(2).empty());
    EXPECT_FALSE(q.itemAt({300, 100}));
    // Every cell's centre leads back to the cell.
    for (const reports::PictureCell& cell : p.cells())
        EXPECT_EQ(p.itemAt(cell.rect.center()), (PictureItem{cell.row, cell.item}));
}

TEST(LayoutPictureTest, TextTooWideIsCutAtTheEnd) {
    const reports::ReportDefinition d = twoLines();
    const QFontMetrics m(LayoutPicture(d, 90, true, captions).font());
    const QString text = "Purchase Price Including Tax";
    EXPECT_EQ(reports::fitText(text, m, 1000), text);
    const int half = m.horizontalAdvance(text) / 2;
    const QString cut = reports::fitText(text, m, half);
    EXPECT_TRUE(text.startsWith(cut));
    EXPECT_LE(m.horizontalAdvance(cut), half);
    EXPECT_GT(m.horizontalAdvance(text.left(cut.size() + 1)), half);
    EXPECT_EQ(reports::fitText(text, m, 0), "");
}

}  // namespace
