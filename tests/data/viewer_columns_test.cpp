// Arranging the grid's columns from the viewer settings.
#include "data/viewer_columns.h"

#include <gtest/gtest.h>

using books::ColumnLayout;

namespace {

std::vector<int> shown(const ColumnLayout& l) {
    std::vector<int> v;
    for (int f : l.visual)
        if (!l.hidden[static_cast<size_t>(f - 1)])
            v.push_back(f);
    return v;
}

std::vector<int> firstVisual(const ColumnLayout& l, int n) {
    return {l.visual.begin(), l.visual.begin() + n};
}

}  // namespace

TEST(ViewerColumns, DefaultsShowEveryFieldInFieldOrder) {
    settings::Settings s;
    ColumnLayout l = ColumnLayout::initial();
    books::arrangeColumns(l, s);
    ASSERT_EQ(shown(l).size(), 36u);
    for (int i = 0; i < 36; ++i)
        EXPECT_EQ(l.visual[static_cast<size_t>(i)], i + 1);
    EXPECT_EQ(l.caption[1], "Author");
    EXPECT_EQ(l.width[0], 15);
}

TEST(ViewerColumns, OrderCaptionsWidthsAndHiddenFields) {
    settings::Settings s;
    // Swap Title and Author, hide Publisher, rename and widen Author.
    s.fieldOrder[1] = 2;
    s.fieldOrder[2] = 1;
    s.displayFields[4] = false;
    s.fieldNames[2] = "Writer";
    s.fieldWidth[2] = 30;
    ColumnLayout l = ColumnLayout::initial();
    books::arrangeColumns(l, s);
    EXPECT_EQ(firstVisual(l, 3), (std::vector<int>{2, 1, 3}));
    EXPECT_TRUE(l.hidden[3]);
    EXPECT_EQ(shown(l).size(), 35u);
    EXPECT_EQ(l.caption[1], "Writer");
    EXPECT_EQ(l.width[1], 30);
}

// Author and Year Pub both claim position 2: the first one (Author) wins;
// position 3 is claimed by nobody, so Title is moved there, and Year Pub,
// never placed by the walk, slides left.
TEST(ViewerColumns, SharedOrderValueFirstFieldWinsAndUnclaimedPositionShowsField1) {
    settings::Settings s;
    s.fieldOrder[3] = 2;
    ColumnLayout l = ColumnLayout::initial();
    books::arrangeColumns(l, s);
    EXPECT_EQ(firstVisual(l, 5), (std::vector<int>{2, 3, 1, 4, 5}));
    EXPECT_FALSE(l.hidden[2]);
}

// No field claims position 1: field 1 goes there; its own value (5) also
// places it later, so it ends at the fifth visited slot.
TEST(ViewerColumns, MissingOrderValueShiftsColumns) {
    settings::Settings s;
    s.fieldOrder[1] = 5;
    s.fieldOrder[5] = 0;  // Category claims nothing
    ColumnLayout l = ColumnLayout::initial();
    books::arrangeColumns(l, s);
    // j=1 -> field 1 at 0; j=2..4 -> fields 2..4 at 1..3; j=5 -> field 1 at 4.
    EXPECT_EQ(firstVisual(l, 6), (std::vector<int>{2, 3, 4, 5, 1, 6}));
    EXPECT_EQ(l.visual.size(), 36u);
    std::vector<int> sorted(l.visual.begin(), l.visual.end());
    std::sort(sorted.begin(), sorted.end());
    for (int i = 0; i < 36; ++i)
        EXPECT_EQ(sorted[static_cast<size_t>(i)], i + 1);
}

TEST(ViewerColumns, HiddenFieldIsNotMovedAndFieldsNeverVisitedKeepTheirState) {
    settings::Settings s;
    ColumnLayout l = ColumnLayout::initial();
    l.hidden[35] = true;   // hidden by an earlier arrangement
    s.fieldOrder[36] = 1;  // shares position 1 with Title, which comes first
    s.displayFields[10] = false;
    books::arrangeColumns(l, s);
    // UserDef6 is never visited, so it stays hidden; position 36 is claimed
    // by nobody, so Title moves to the 35th slot (ISBN took no slot).
    EXPECT_TRUE(l.hidden[35]);
    EXPECT_EQ(l.visual[34], 1);
    EXPECT_EQ(l.visual[35], 36);
    // A field that is not displayed is hidden.
    EXPECT_TRUE(l.hidden[9]);
}

TEST(ViewerColumns, MoveShiftsTheColumnsBetween) {
    ColumnLayout l = ColumnLayout::initial();
    l.move(5, 1);
    EXPECT_EQ(firstVisual(l, 6), (std::vector<int>{1, 5, 2, 3, 4, 6}));
    l.move(5, 4);
    EXPECT_EQ(firstVisual(l, 6), (std::vector<int>{1, 2, 3, 4, 5, 6}));
}
