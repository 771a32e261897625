// Where the main window's controls go in each button-bar mode: 1 speed
// buttons, 2 lettered buttons, 3 none. Plain values, so the table can be
// checked without a window. `cw` and `ch` are the client width and height.
#pragma once

#include <QRect>

#include <optional>

namespace app {

struct BarLayout {
    bool valid = false;  // false for a mode other than 1, 2, 3
    bool letteredShown = false;
    bool speedPanelShown = false;
    bool navigatorLabelShown = false;
    int navigatorLabelTop = 20;
    QRect navigator;                      // left, top, width (height kept)
    bool navigatorBesideCaption = false;  // on the line of the "Book Viewer" caption
    int searchOnTop = 0;
    int countTop = 0;
    int count2Top = 0;
    int bevelTop = 0;
    int bevelHeight = 0;
    int viewerLabelTop = 0;
    int gridTop = 0;
    int gridHeight = 0;
};

BarLayout barLayout(int mode, int cw, int ch);

// The left of the "Book Viewer" caption of `labelWidth` pixels: centred in
// the client area; without buttons, where the navigator shares its line,
// moved left to keep clear of the navigator, and none (the caption hidden)
// when a narrow window leaves no room for it right of the counts and the
// search mark.
inline constexpr int kCaptionGap = 6;
inline constexpr int kCaptionLeftmost = 180;  // right of "SEARCH ON" (84 to 174)
std::optional<int> viewerLabelLeft(const BarLayout& layout, int cw, int labelWidth);

// The widths that follow the client width in every mode.
inline int bevelWidth(int cw) {
    return cw - 6;
}
inline int gridWidth(int cw) {
    return cw - 14;
}

}  // namespace app
