// The twelve named colour schemes of the colour dialog and how one is
// applied to a working colour set: six colours come from the scheme, the
// other seven are derived from them.
#pragma once

#include <array>

#include "settings/settings.h"

namespace appearance {

struct Rgb {
    int red, green, blue;
    constexpr int value() const { return red + 256 * green + 65536 * blue; }
};

struct ColorScheme {
    const char* name;
    Rgb mainBackground;
    Rgb majorTitle;
    Rgb minorTitle;
    Rgb editBackground;
    Rgb editText;
    Rgb radioText;
};

inline constexpr int kSchemeCount = 12;

// In selector order: entry 1 is "Monochrome", entry 12 "Camouflage".
const std::array<ColorScheme, kSchemeCount>& colorSchemes();

// `working` with scheme `entry` (1 to 12) applied: its six colours, then
// Combo and List Box Background := Edit Background, Combo and List Box
// Text := Edit Text, Radio and Check Background := Main Background, Check
// Text := Radio Text. Entry 0 (the empty one) or any other value returns
// `working` unchanged.
settings::WindowColors applyScheme(const settings::WindowColors& working, int entry);

}  // namespace appearance
