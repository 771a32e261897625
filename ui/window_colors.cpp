#include "ui/window_colors.h"

#include "ui/controls.h"

#include <QPalette>
#include <QVariant>
#include <QWidget>

namespace ui {

namespace {

constexpr char kRoleProperty[] = "tkColorRole";

void paint(QWidget* w, const QColor& text, const QColor& back,
           std::initializer_list<QPalette::ColorRole> textRoles,
           std::initializer_list<QPalette::ColorRole> backRoles, bool fill) {
    QPalette p = w->palette();
    for (const auto role : textRoles)
        p.setColor(role, text);
    for (const auto role : backRoles)
        p.setColor(role, back);
    w->setPalette(p);
    if (fill) {
        // Buttons (radio buttons and check boxes among them) fill with the
        // button colour unless told otherwise.
        w->setBackgroundRole(QPalette::Window);
        w->setAutoFillBackground(true);
    }
}

}  // namespace

QColor toQColor(int value) {
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

int fromQColor(const QColor& color) {
    const QColor rgb = color.toRgb();
    return rgb.red() + 256 * rgb.green() + 65536 * rgb.blue();
}

void markRole(QWidget* w, ColorRole role) {
    w->setProperty(kRoleProperty, static_cast<int>(role));
}

ColorRole colorRole(const QWidget* w) {
    const QVariant marked = w->property(kRoleProperty);
    if (marked.isValid() && static_cast<ColorRole>(marked.toInt()) != ColorRole::Auto) {
        return static_cast<ColorRole>(marked.toInt());
    }
    switch (controlKind(w)) {
        case ControlKind::Panel:
            return ColorRole::Window;
        case ControlKind::GroupBox:
            return ColorRole::Heading;
        case ControlKind::Label:
            return ColorRole::FieldLabel;
        case ControlKind::Edit:
        case ControlKind::MaskedEdit:
            return ColorRole::Edit;
        case ControlKind::Combo:
            return ColorRole::Combo;
        case ControlKind::ListBox:
        case ControlKind::Grid:
            return ColorRole::List;
        case ControlKind::RadioButton:
            return ColorRole::Radio;
        case ControlKind::CheckBox:
            return ColorRole::Check;
        default:
            return ColorRole::None;
    }
}

void applyWindowColors(QWidget* window, const settings::WindowColors& colors) {
    using settings::ColorIndex;
    const auto c = [&colors](ColorIndex i) { return toQColor(colors[i]); };
    const QColor main = c(settings::MainBackground);
    paint(window, main, main, {}, {QPalette::Window}, true);
    for (QWidget* w : controlsOf(window)) {
        switch (colorRole(w)) {
            case ColorRole::Window:
                paint(w, main, main, {}, {QPalette::Window}, true);
                break;
            case ColorRole::Heading:
                paint(w, c(settings::MajorTitle), main, {QPalette::WindowText}, {QPalette::Window},
                      false);
                break;
            case ColorRole::FieldLabel:
                paint(w, c(settings::MinorTitle), main, {QPalette::WindowText}, {QPalette::Window},
                      false);
                break;
            case ColorRole::Edit:
                paint(w, c(settings::EditText), c(settings::EditBackground),
                      {QPalette::Text, QPalette::WindowText}, {QPalette::Base, QPalette::Window},
                      false);
                break;
            case ColorRole::Combo:
                // A drop-down list without an edit line paints with the button roles.
                paint(w, c(settings::ComboText), c(settings::ComboBackground),
                      {QPalette::Text, QPalette::ButtonText}, {QPalette::Base, QPalette::Button},
                      false);
                break;
            case ColorRole::List:
                paint(w, c(settings::ListBoxText), c(settings::ListBoxBackground), {QPalette::Text},
                      {QPalette::Base}, false);
                break;
            case ColorRole::Radio:
                paint(w, c(settings::RadioText), c(settings::RadioBackground),
                      {QPalette::WindowText}, {QPalette::Window}, true);
                break;
            case ColorRole::Check:
                paint(w, c(settings::CheckText), c(settings::CheckBackground),
                      {QPalette::WindowText}, {QPalette::Window}, true);
                break;
            case ColorRole::Auto:
            case ColorRole::None:
                break;
        }
    }
}

}  // namespace ui
