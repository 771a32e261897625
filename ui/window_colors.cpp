#include "ui/window_colors.h"

#include "ui/controls.h"

#include <QMenuBar>
#include <QPalette>
#include <QTabBar>
#include <QTabWidget>
#include <QVariant>
#include <QWidget>

#include <cmath>

namespace ui {

namespace {

constexpr char kRoleProperty[] = "tkColorRole";

void paint(QWidget* w, const QColor& text, const QColor& back,
           std::initializer_list<QPalette::ColorRole> textRoles,
           std::initializer_list<QPalette::ColorRole> backRoles, bool fill) {
    QPalette p = w->palette();
    for (const auto role : textRoles)
        setTextRole(p, role, text, back);
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

double luminance(const QColor& c) {
    const auto channel = [](double v) {
        v /= 255.0;
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    const QColor rgb = c.toRgb();
    return 0.2126 * channel(rgb.red()) + 0.7152 * channel(rgb.green()) +
           0.0722 * channel(rgb.blue());
}

// What a control the set does not colour draws its text on: the pages of a
// notebook are filled like the window, its tabs keep the style's button
// colours and get a text that reads on them; a menu bar is drawn on the
// window's background.
void paintUncoloured(QWidget* window, const QColor& main) {
    const QColor text = contrastingText(main);
    for (auto* tabs : window->findChildren<QTabWidget*>()) {
        for (int i = 0; i < tabs->count(); ++i) {
            QWidget* page = tabs->widget(i);
            if (!page->property(kRoleProperty).isValid())
                paint(page, text, main, {}, {QPalette::Window}, true);
        }
        QTabBar* bar = tabs->tabBar();
        QPalette p = bar->palette();
        const QColor button = p.color(QPalette::Active, QPalette::Button);
        setTextRole(p, QPalette::WindowText, contrastingText(button), button);
        bar->setPalette(p);
    }
    for (auto* bar : window->findChildren<QMenuBar*>()) {
        QPalette p = bar->palette();
        setTextRole(p, QPalette::ButtonText, text, main);
        bar->setPalette(p);
    }
}

}  // namespace

double contrastRatio(const QColor& a, const QColor& b) {
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor contrastingText(const QColor& back) {
    return contrastRatio(Qt::black, back) >= contrastRatio(Qt::white, back) ? QColor(Qt::black)
                                                                            : QColor(Qt::white);
}

QColor readableOn(const QColor& preferred, const QColor& back, double minimum) {
    if (contrastRatio(preferred, back) >= minimum)
        return preferred;
    // Towards white on a dark background, towards black on a light one, in
    // steps of the HSL lightness, keeping the hue.
    const bool lighter = contrastingText(back) == QColor(Qt::white);
    QColor c = preferred.toHsl();
    for (int l = c.lightness(); l >= 0 && l <= 255; l += lighter ? 5 : -5) {
        const QColor shade = QColor::fromHsl(c.hslHue(), c.hslSaturation(), l);
        if (contrastRatio(shade, back) >= minimum)
            return shade.toRgb();
    }
    return contrastingText(back);
}

QColor disabledText(const QColor& text, const QColor& back) {
    const QColor t = text.toRgb();
    const QColor b = back.toRgb();
    return QColor((t.red() + b.red()) / 2, (t.green() + b.green()) / 2, (t.blue() + b.blue()) / 2);
}

void setTextRole(QPalette& palette, QPalette::ColorRole role, const QColor& text,
                 const QColor& back) {
    palette.setColor(QPalette::Active, role, text);
    palette.setColor(QPalette::Inactive, role, text);
    palette.setColor(QPalette::Disabled, role, disabledText(text, back));
}

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
    paint(window, contrastingText(main), main, {QPalette::WindowText}, {QPalette::Window}, true);
    paintUncoloured(window, main);
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
