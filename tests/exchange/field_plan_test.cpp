// The export plan from the configuration, the grid read back into it, and
// the import field map.
#include <gtest/gtest.h>

#include "exchange/field_plan.h"

namespace {

using settings::PerField;

PerField<int> defaultOrder() {
    PerField<int> order;
    for (int k = 1; k <= fields::kFieldCount; ++k)
        order[k] = k;
    return order;
}

PerField<bool> allIncluded() {
    PerField<bool> included;
    for (int k = 1; k <= fields::kFieldCount; ++k)
        included[k] = true;
    return included;
}

TEST(ExportFields, FollowPositionsAndSkipExcludedFields) {
    PerField<int> order = defaultOrder();
    PerField<bool> included = allIncluded();
    std::swap(order[1], order[5]);  // field 5 first, field 1 fifth
    included[2] = false;
    const auto fields = exchange::exportFields(order, included);
    ASSERT_EQ(fields.size(), 35u);
    EXPECT_EQ(fields[0], 5);
    EXPECT_EQ(fields[1], 3);
    EXPECT_EQ(fields[3], 1);
}

TEST(ExportFields, PositionsThatAreNoPermutationStillGiveEveryFieldOnce) {
    PerField<int> order;
    for (int k = 1; k <= fields::kFieldCount; ++k)
        order[k] = 7;  // every field at one position
    order[36] = 1;
    const auto fields = exchange::fieldsByPosition(order);
    ASSERT_EQ(fields.size(), 36u);
    EXPECT_EQ(fields[0], 36);
    EXPECT_EQ(fields[1], 1);
    EXPECT_EQ(fields[35], 35);
}

TEST(ReadExportRows, PositionsAndFlagsComeFromTheRowsByDisplayName) {
    PerField<QString> names;
    for (int k = 1; k <= fields::kFieldCount; ++k)
        names[k] = QStringLiteral("Field %1").arg(k);
    QList<exchange::ExportRow> rows;
    for (int k = 1; k <= fields::kFieldCount; ++k)
        rows.append({names[k], QStringLiteral("Yes")});
    std::swap(rows[0], rows[1]);
    rows[2].use = QStringLiteral("No");
    rows[3].name = QStringLiteral("Renamed");  // field 4 is on no row: it keeps its values

    PerField<int> order = defaultOrder();
    PerField<bool> included = allIncluded();
    order[4] = 30;
    exchange::readExportRows(rows, names, order, included);
    EXPECT_EQ(order[1], 2);
    EXPECT_EQ(order[2], 1);
    EXPECT_FALSE(included[3]);
    EXPECT_TRUE(included[1]);
    EXPECT_EQ(order[4], 30);
}

TEST(ImportFieldMap, FirstRowCarryingTheNameDecidesWithinTheBookRows) {
    const QStringList sources = {"Title", "Author", "Skip", "Title", "Low"};
    QList<exchange::ImportRow> rows(40, {QStringLiteral("<EMPTY>"), QString()});
    rows[0] = {"Title", "Yes"};
    rows[1] = {"Author", "Yes"};
    rows[2] = {"Skip", "No"};
    rows[36] = {"Low", "Yes"};  // below the 36 book rows
    const auto map = exchange::importFieldMap(sources, rows);
    EXPECT_EQ(map, (std::vector<int>{1, 2, 0, 1, 0}));
}

}  // namespace
