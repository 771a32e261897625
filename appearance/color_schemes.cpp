#include "appearance/color_schemes.h"

namespace appearance {

namespace {

constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kSilver{192, 192, 192};
constexpr Rgb kGrey127{127, 127, 127};  // these greys are 127, not 128
constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kLime{0, 255, 0};
constexpr Rgb kBlue{0, 0, 255};
constexpr Rgb kYellow{255, 255, 0};
constexpr Rgb kAqua{0, 255, 255};
constexpr Rgb kFuchsia{255, 0, 255};
constexpr Rgb kPurple{128, 0, 128};
constexpr Rgb kNavy{0, 0, 128};

constexpr std::array<ColorScheme, kSchemeCount> kSchemes{{
    // name, Main Background, Major Title, Minor Title, Edit Background, Edit Text, Radio Text
    {"Monochrome", kWhite, kBlack, kBlack, kWhite, kBlack, kBlack},
    {"Gray Mist", kSilver, kBlack, kBlack, kWhite, kBlack, kBlack},
    {"Midnight Black", kBlack, kSilver, kWhite, kGrey127, kBlack, kWhite},
    {"Desert Sunset", {255, 255, 128}, kBlack, kBlack, kYellow, kBlack, kBlack},
    {"Easter Pastel", {255, 128, 255}, kBlue, kBlack, kPurple, kAqua, kBlack},
    {"Ocean Blue", kAqua, kRed, kBlack, kWhite, kNavy, kBlack},
    {"Fiery Red", kRed, kNavy, kBlack, kWhite, kRed, kBlack},
    {"Christmas Season", kLime, kWhite, kRed, kRed, kWhite, kRed},
    {"Wine", {128, 0, 64}, kRed, kFuchsia, kPurple, kRed, kFuchsia},
    {"More Pastels", {0, 255, 128}, kFuchsia, kPurple, kAqua, kBlue, kPurple},
    {"Green Glow", kBlack, kLime, kLime, kLime, kBlack, kLime},
    {"Camouflage", {128, 128, 0}, {0, 128, 0}, kGrey127, {0, 128, 128}, kSilver, kGrey127},
}};

}  // namespace

const std::array<ColorScheme, kSchemeCount>& colorSchemes() {
    return kSchemes;
}

settings::WindowColors applyScheme(const settings::WindowColors& working, int entry) {
    if (entry < 1 || entry > kSchemeCount)
        return working;
    const ColorScheme& s = kSchemes.at(static_cast<std::size_t>(entry - 1));
    settings::WindowColors c = working;
    c[settings::MainBackground] = s.mainBackground.value();
    c[settings::MajorTitle] = s.majorTitle.value();
    c[settings::MinorTitle] = s.minorTitle.value();
    c[settings::EditBackground] = s.editBackground.value();
    c[settings::EditText] = s.editText.value();
    c[settings::RadioText] = s.radioText.value();
    c[settings::ComboBackground] = c[settings::EditBackground];
    c[settings::ListBoxBackground] = c[settings::EditBackground];
    c[settings::ComboText] = c[settings::EditText];
    c[settings::ListBoxText] = c[settings::EditText];
    c[settings::RadioBackground] = c[settings::MainBackground];
    c[settings::CheckBackground] = c[settings::MainBackground];
    c[settings::CheckText] = c[settings::RadioText];
    return c;
}

}  // namespace appearance
