#include "app/button_bar.h"

#include <algorithm>

namespace app {

BarLayout barLayout(int mode, int cw, int ch) {
    BarLayout l;
    switch (mode) {
        case 1:
            l.speedPanelShown = true;
            // Right of the speed buttons; narrowed (to the width it has
            // without buttons at the least) so that it ends inside the
            // window at the default size.
            l.navigator = QRect(424, 3, std::clamp(cw - 424 - 3, 201, 241), 0);
            l.searchOnTop = 44;
            l.countTop = 38;
            l.count2Top = 52;
            l.bevelTop = 34;
            l.bevelHeight = ch - 37;
            l.viewerLabelTop = 38;
            l.gridTop = 70;
            l.gridHeight = ch - 77;
            break;
        case 2:
            l.letteredShown = true;
            l.navigatorLabelShown = true;
            l.navigator = QRect(400, 47, 221, 0);
            l.searchOnTop = 96;
            l.countTop = 90;
            l.count2Top = 105;
            l.bevelTop = 86;
            l.bevelHeight = ch - 89;
            l.viewerLabelTop = 90;
            l.gridTop = 122;
            l.gridHeight = ch - 129;
            break;
        case 3:
            l.navigator = QRect(cw - 207, 8, 201, 0);
            l.navigatorBesideCaption = true;
            l.searchOnTop = 14;
            l.countTop = 8;
            l.count2Top = 23;
            l.bevelTop = 4;
            l.bevelHeight = ch - 7;
            l.viewerLabelTop = 8;
            l.gridTop = 40;
            l.gridHeight = ch - 47;
            break;
        default:
            return l;
    }
    l.valid = true;
    return l;
}

std::optional<int> viewerLabelLeft(const BarLayout& layout, int cw, int labelWidth) {
    const int centred = (cw - labelWidth) / 2;
    // Only without buttons does the navigator share the caption's line.
    if (!layout.navigatorBesideCaption)
        return centred;
    const int left = std::min(centred, layout.navigator.left() - kCaptionGap - labelWidth);
    if (left < kCaptionLeftmost)
        return std::nullopt;
    return left;
}

}  // namespace app
