// The viewer's per-field tables as the viewer dialog edits them, without a
// window.
#include "appearance/viewer_config.h"

#include <gtest/gtest.h>

using appearance::readFieldWidth;
using appearance::ViewerFieldTables;

namespace {

std::vector<int> rows(const ViewerFieldTables& t, int n) {
    std::vector<int> v;
    for (int r = 0; r < n; ++r)
        v.push_back(t.fieldAtRow(r));
    return v;
}

}  // namespace

TEST(ViewerConfig, WidthsAsTyped) {
    const struct {
        const char* text;
        int width;
    } cases[] = {
        {"12", 12},
        {" 12 ", 12},
        {"12abc", 12},
        {"+7", 7},
        {"1", 1},
        {"255", 255},
        {"0", 10},
        {"300", 10},
        {"256", 10},
        {"", 10},
        {"   ", 10},
        {"abc", 10},
        {"-5", 10},
        {"- 5", 10},
        {"1 2", 1},
        {"00012", 12},
        {"99999999999999999999", 10},
        {"25.5", 25},
    };
    for (const auto& c : cases)
        EXPECT_EQ(readFieldWidth(QString::fromLatin1(c.text)), c.width) << c.text;
}

TEST(ViewerConfig, FontTextIsSizePtAndTypeface) {
    settings::FontKeys f;
    f.name = QStringLiteral("Arial");
    f.size = 10;
    EXPECT_EQ(appearance::fontText(f), QStringLiteral("10pt Arial"));
    f.name = QStringLiteral("Liberation Serif");
    f.size = 12;
    f.bold = true;
    EXPECT_EQ(appearance::fontText(f), QStringLiteral("12pt Liberation Serif"));
}

TEST(ViewerConfig, StartsFromTheSettings) {
    settings::Settings s;
    s.fieldNames[3] = QStringLiteral("Year");
    s.displayFields[4] = false;
    s.fieldWidth[5] = 33;
    s.fieldOrder[1] = 2;
    s.fieldOrder[2] = 1;
    const ViewerFieldTables t(s);
    EXPECT_EQ(t.name(3), QStringLiteral("Year"));
    EXPECT_EQ(t.name(36), QStringLiteral("User Defined 6"));
    EXPECT_FALSE(t.shown(4));
    EXPECT_TRUE(t.shown(5));
    EXPECT_EQ(t.widthText(5), QStringLiteral("33"));
    EXPECT_EQ(t.widthText(1), QStringLiteral("15"));
    EXPECT_EQ(rows(t, 4), (std::vector<int>{2, 1, 3, 4}));
}

// A hand-edited file may give two fields one position, or none: every field
// still gets exactly one row, by position and then field number.
TEST(ViewerConfig, SharedAndMissingPositionsStillGiveEveryFieldOneRow) {
    settings::Settings s;
    s.fieldOrder[3] = 1;   // shares position 1 with Title
    s.fieldOrder[5] = 0;   // outside 1 to 36
    s.fieldOrder[6] = 99;  // outside
    ViewerFieldTables t(s);
    EXPECT_EQ(rows(t, 4), (std::vector<int>{1, 3, 2, 4}));
    EXPECT_EQ(t.fieldAtRow(34), 5);
    EXPECT_EQ(t.fieldAtRow(35), 6);
    t.applyTo(s);
    std::vector<int> seen(37, 0);
    for (int f = 1; f <= 36; ++f)
        ++seen.at(static_cast<size_t>(s.fieldOrder[f]));
    for (int p = 1; p <= 36; ++p)
        EXPECT_EQ(seen.at(static_cast<size_t>(p)), 1) << "position " << p;
}

TEST(ViewerConfig, UpAndDownStopAtTheEnds) {
    settings::Settings s;
    ViewerFieldTables t(s);
    EXPECT_FALSE(t.moveUp(0));
    EXPECT_FALSE(t.moveDown(35));
    EXPECT_FALSE(t.moveUp(36));
    EXPECT_FALSE(t.moveDown(-1));
    EXPECT_EQ(rows(t, 3), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(t.fieldAtRow(35), 36);
    EXPECT_TRUE(t.moveDown(0));
    EXPECT_TRUE(t.moveDown(1));
    EXPECT_EQ(rows(t, 3), (std::vector<int>{2, 3, 1}));
    EXPECT_TRUE(t.moveUp(35));
    EXPECT_EQ(t.fieldAtRow(34), 36);
    EXPECT_EQ(t.fieldAtRow(35), 35);
    t.restoreDefaultOrder();
    for (int r = 0; r < 36; ++r)
        EXPECT_EQ(t.fieldAtRow(r), r + 1);
}

TEST(ViewerConfig, ApplyWritesNamesFlagsWidthsAndPositions) {
    settings::Settings s;
    ViewerFieldTables t(s);
    t.setName(1, QStringLiteral("Book title that is far too long"));
    t.toggleShown(2);
    t.toggleShown(3);
    t.toggleShown(3);
    t.setWidthText(1, QStringLiteral("40"));
    t.setWidthText(2, QStringLiteral("0"));
    t.setWidthText(3, QStringLiteral("300"));
    t.setWidthText(4, QString());
    t.setWidthText(5, QStringLiteral("12 chars"));
    t.moveDown(0);  // Author first
    t.applyTo(s);
    EXPECT_EQ(s.fieldNames[1], QStringLiteral("Book title that is f"));
    EXPECT_EQ(t.name(1), QStringLiteral("Book title that is f"));
    EXPECT_FALSE(s.displayFields[2]);
    EXPECT_TRUE(s.displayFields[3]);
    EXPECT_EQ(s.fieldWidth[1], 40);
    EXPECT_EQ(s.fieldWidth[2], 10);
    EXPECT_EQ(s.fieldWidth[3], 10);
    EXPECT_EQ(s.fieldWidth[4], 10);
    EXPECT_EQ(s.fieldWidth[5], 12);
    // Replaced widths read "10" afterwards; a good one keeps what was typed.
    EXPECT_EQ(t.widthText(2), QStringLiteral("10"));
    EXPECT_EQ(t.widthText(3), QStringLiteral("10"));
    EXPECT_EQ(t.widthText(4), QStringLiteral("10"));
    EXPECT_EQ(t.widthText(5), QStringLiteral("12 chars"));
    EXPECT_EQ(s.fieldOrder[2], 1);
    EXPECT_EQ(s.fieldOrder[1], 2);
    EXPECT_EQ(s.fieldOrder[3], 3);
}

// The order rows belong to fields: a field renamed and moved in one visit
// takes its new place, and two fields of one name keep their own places.
TEST(ViewerConfig, RenamedAndMovedFieldsKeepTheirOwnRows) {
    settings::Settings s;
    ViewerFieldTables t(s);
    t.setName(3, QStringLiteral("Year"));
    t.moveUp(2);                             // Year above Author
    t.setName(5, QStringLiteral("Author"));  // Category now shares Author's name
    t.moveUp(4);                             // ... and goes above Publisher
    t.applyTo(s);
    EXPECT_EQ(s.fieldOrder[1], 1);
    EXPECT_EQ(s.fieldOrder[3], 2);
    EXPECT_EQ(s.fieldOrder[2], 3);
    EXPECT_EQ(s.fieldOrder[5], 4);
    EXPECT_EQ(s.fieldOrder[4], 5);
    EXPECT_EQ(s.fieldNames[5], QStringLiteral("Author"));
}
