#include "ui/user_fonts.h"

#include "ui/controls.h"
#include "ui/messages.h"

#include <QWidget>

namespace ui {

namespace {

template <typename S>
auto& keysOf(UserFont which, S& s) {
    switch (which) {
        case UserFont::Label:
            return s.labelFont;
        case UserFont::Edit:
            return s.editFont;
        case UserFont::Button:
            return s.buttonFont;
    }
    return s.labelFont;
}

const QFont* fontFor(ControlKind kind, const QFont& label, const QFont& edit, const QFont& button) {
    switch (kind) {
        case ControlKind::Label:
        case ControlKind::ListBox:
        case ControlKind::CheckBox:
        case ControlKind::RadioButton:
        case ControlKind::GroupBox:
            return &label;
        case ControlKind::Grid:
        case ControlKind::Edit:
        case ControlKind::MaskedEdit:
        case ControlKind::Combo:
            return &edit;
        case ControlKind::Button:
            return &button;
        default:
            return nullptr;
    }
}

}  // namespace

QFont toQFont(const settings::FontKeys& keys) {
    QFont font(keys.name);
    if (keys.size > 0)
        font.setPointSize(keys.size);
    font.setBold(keys.bold);
    font.setItalic(keys.italic);
    font.setUnderline(keys.underline);
    font.setStrikeOut(keys.strikeout);
    return font;
}

settings::FontKeys toFontKeys(const QFont& font, int color) {
    settings::FontKeys keys;
    keys.color = color;
    keys.name = font.family();
    keys.size = font.pointSize() > 0 ? font.pointSize() : keys.size;
    keys.bold = font.bold();
    keys.italic = font.italic();
    keys.underline = font.underline();
    keys.strikeout = font.strikeOut();
    return keys;
}

QFont userFont(UserFont which, const settings::Settings& settings) {
    return toQFont(keysOf(which, settings));
}

void applyUserFonts(QWidget* window, const settings::Settings& settings) {
    const QFont label = userFont(UserFont::Label, settings);
    const QFont edit = userFont(UserFont::Edit, settings);
    const QFont button = userFont(UserFont::Button, settings);
    for (QWidget* w : controlsOf(window)) {
        const QFont* source = fontFor(controlKind(w), label, edit, button);
        if (!source)
            continue;
        QFont font = w->font();  // keeps the control's own size
        font.setFamily(source->family());
        font.setBold(source->bold());
        font.setItalic(source->italic());
        font.setUnderline(source->underline());
        font.setStrikeOut(source->strikeOut());
        w->setFont(font);
    }
}

bool chooseUserFont(QWidget* parent, settings::Settings& settings, UserFont which) {
    settings::FontKeys& keys = keysOf(which, settings);
    const auto chosen = getFont(parent, toQFont(keys));
    if (!chosen)
        return false;
    keys = toFontKeys(*chosen, keys.color);
    return true;
}

}  // namespace ui
