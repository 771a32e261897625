#include "ui/font_color_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

namespace ui {

namespace {

struct NamedColor {
    const char* name;
    int red, green, blue;
};

// The sixteen colours of the classic font dialogs.
constexpr NamedColor kColors[] = {
    {"Black", 0, 0, 0},       {"Maroon", 128, 0, 0},    {"Green", 0, 128, 0},
    {"Olive", 128, 128, 0},   {"Navy", 0, 0, 128},      {"Purple", 128, 0, 128},
    {"Teal", 0, 128, 128},    {"Gray", 128, 128, 128},  {"Silver", 192, 192, 192},
    {"Red", 255, 0, 0},       {"Lime", 0, 255, 0},      {"Yellow", 255, 255, 0},
    {"Blue", 0, 0, 255},      {"Fuchsia", 255, 0, 255}, {"Aqua", 0, 255, 255},
    {"White", 255, 255, 255},
};

QPixmap swatch(const QColor& color) {
    QPixmap p(16, 12);
    p.fill(color);
    return p;
}

}  // namespace

FontColorDialog::FontColorDialog(QWidget* parent, const QFont& font, const QColor& color)
    : QDialog(parent) {
    setObjectName(QStringLiteral("FontColorDialog"));
    setWindowTitle(QStringLiteral("Font"));
    fonts_ = new QFontDialog(font, this);
    fonts_->setObjectName(QStringLiteral("FontChooser"));
    fonts_->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
    fonts_->setWindowFlags(Qt::Widget);
    colors_ = new QComboBox(this);
    colors_->setObjectName(QStringLiteral("FontColor"));
    for (const NamedColor& c : kColors) {
        const QColor value(c.red, c.green, c.blue);
        colors_->addItem(QIcon(swatch(value)), QString::fromLatin1(c.name), value);
    }
    setColor(color);

    auto* colorRow = new QHBoxLayout;
    auto* label = new QLabel(QStringLiteral("&Color:"), this);
    label->setBuddy(colors_);
    colorRow->addWidget(label);
    colorRow->addWidget(colors_, 1);
    colorRow->addStretch(2);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fonts_, 1);
    layout->addLayout(colorRow);
    layout->addWidget(buttons);
}

QFont FontColorDialog::selectedFont() const {
    return fonts_->currentFont();
}

QColor FontColorDialog::selectedColor() const {
    return colors_->currentData().value<QColor>();
}

void FontColorDialog::setColor(const QColor& color) {
    int index = colors_->findData(color);
    if (index < 0) {
        colors_->addItem(QIcon(swatch(color)), color.name(), color);
        index = colors_->count() - 1;
    }
    colors_->setCurrentIndex(index);
}

}  // namespace ui
