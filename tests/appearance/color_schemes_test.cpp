#include "appearance/color_schemes.h"

#include <gtest/gtest.h>

namespace {

using appearance::applyScheme;
using settings::WindowColors;

// The stored values of the scheme table: Main Background, Major Title,
// Minor Title, Edit Background, Edit Text, Radio Text.
struct SchemeRow {
    const char* name;
    int values[6];
};

const SchemeRow kTable[] = {
    {"Monochrome", {16777215, 0, 0, 16777215, 0, 0}},
    {"Gray Mist", {12632256, 0, 0, 16777215, 0, 0}},
    {"Midnight Black", {0, 12632256, 16777215, 8355711, 0, 16777215}},
    {"Desert Sunset", {8454143, 0, 0, 65535, 0, 0}},
    {"Easter Pastel", {16744703, 16711680, 0, 8388736, 16776960, 0}},
    {"Ocean Blue", {16776960, 255, 0, 16777215, 8388608, 0}},
    {"Fiery Red", {255, 8388608, 0, 16777215, 255, 0}},
    {"Christmas Season", {65280, 16777215, 255, 255, 16777215, 255}},
    {"Wine", {4194432, 255, 16711935, 8388736, 255, 16711935}},
    {"More Pastels", {8453888, 16711935, 8388736, 16776960, 16711680, 8388736}},
    {"Green Glow", {0, 65280, 65280, 65280, 0, 65280}},
    {"Camouflage", {32896, 32768, 8355711, 8421376, 12632256, 8355711}},
};

WindowColors oddColors() {
    WindowColors c;
    for (int i = 0; i < settings::kColorCount; ++i)
        c[i] = 1000 + i;
    return c;
}

TEST(ColorSchemes, EachSchemeSetsAllThirteenColoursFromItsSix) {
    ASSERT_EQ(appearance::colorSchemes().size(), std::size(kTable));
    for (int entry = 1; entry <= appearance::kSchemeCount; ++entry) {
        const SchemeRow& row = kTable[entry - 1];
        SCOPED_TRACE(row.name);
        EXPECT_STREQ(appearance::colorSchemes().at(static_cast<std::size_t>(entry - 1)).name,
                     row.name);
        const WindowColors c = applyScheme(oddColors(), entry);
        const auto [main, major, minor, editBack, editText, radioText] = row.values;
        const int expected[settings::kColorCount] = {
            main,     major,    minor, editBack,  editText, editBack, editText,
            editBack, editText, main,  radioText, main,     radioText};
        for (int i = 0; i < settings::kColorCount; ++i)
            EXPECT_EQ(c[i], expected[i]) << "colour " << i;
    }
}

TEST(ColorSchemes, TheEmptyEntryAndUnknownEntriesChangeNothing) {
    EXPECT_EQ(applyScheme(oddColors(), 0), oddColors());
    EXPECT_EQ(applyScheme(oddColors(), 13), oddColors());
    EXPECT_EQ(applyScheme(oddColors(), -1), oddColors());
}

}  // namespace
