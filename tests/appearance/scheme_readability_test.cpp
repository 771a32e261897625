// Every predefined colour scheme on a window with every kind of control: the
// texts the scheme gives no colour (a label left alone, a menu bar, tabs,
// buttons) read on what they are drawn on, notebook pages take the window's
// background, and a disabled control looks disabled, as drawn.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

#include <cstdlib>

#include "appearance/color_schemes.h"
#include "settings/settings.h"
#include "tests/support/form_checks.h"
#include "ui/window_colors.h"

namespace {

// A window with a control of every kind the colouring rule meets.
struct Sample {
    Sample() {
        window.resize(400, 300);
        menu = new QMenuBar(&window);
        menu->addMenu(QStringLiteral("&File"));
        menu->setGeometry(0, 0, 400, 22);
        tabs = new QTabWidget(&window);
        tabs->setGeometry(8, 26, 384, 200);
        for (const char* name : {"&First", "&Second"}) {
            auto* page = new QWidget;
            tabs->addTab(page, QString::fromLatin1(name));
            auto* label = new QLabel(QStringLiteral("Field"), page);
            label->setGeometry(8, 8, 80, 20);
        }
        QWidget* page = tabs->widget(0);
        header = new QLabel(QStringLiteral("Title: A Book"), page);
        header->setGeometry(8, 150, 300, 20);
        ui::markRole(header, ui::ColorRole::None);
        auto* box = new QGroupBox(QStringLiteral("Group"), page);
        box->setGeometry(8, 36, 300, 100);
        enabledRadio = new QRadioButton(QStringLiteral("WWWWWW"), box);
        enabledRadio->setGeometry(8, 20, 120, 22);
        disabledRadio = new QRadioButton(QStringLiteral("WWWWWW"), box);
        disabledRadio->setGeometry(8, 46, 120, 22);
        disabledRadio->setEnabled(false);
        disabledCheck = new QCheckBox(QStringLiteral("WWWWWW"), box);
        disabledCheck->setGeometry(140, 46, 120, 22);
        disabledCheck->setEnabled(false);
        auto* edit = new QLineEdit(QStringLiteral("text"), page);
        edit->setGeometry(100, 8, 100, 22);
        auto* button = new QPushButton(QStringLiteral("&Ok"), &window);
        button->setGeometry(8, 240, 80, 28);
    }
    QDialog window;
    QMenuBar* menu;
    QTabWidget* tabs;
    QLabel* header;
    QRadioButton *enabledRadio, *disabledRadio;
    QCheckBox* disabledCheck;
};

// The texts the colour set says nothing about.
bool uncoloured(const QWidget* w) {
    const ui::ColorRole role = ui::colorRole(w);
    return role == ui::ColorRole::None || role == ui::ColorRole::Window;
}

int pixelsOf(const QImage& image, const QColor& colour) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += QColor(image.pixel(x, y)) == colour ? 1 : 0;
    return n;
}

class SchemeReadability : public ::testing::TestWithParam<int> {};

TEST_P(SchemeReadability, UncolouredTextReadsAndDisabledControlsLookDisabled) {
    const int entry = GetParam();
    const settings::WindowColors colours = appearance::applyScheme(settings::WindowColors{}, entry);
    const QColor main = ui::toQColor(colours[settings::MainBackground]);
    const QColor radioText = ui::toQColor(colours[settings::RadioText]);
    Sample s;
    ui::applyWindowColors(&s.window, colours);
    s.window.show();

    EXPECT_NO_FAULTS(testsupport::poorContrast(&s.window, 4.5, uncoloured));
    EXPECT_GE(testsupport::contrastRatio(s.menu->palette().color(QPalette::ButtonText), main), 4.5);
    EXPECT_GE(testsupport::contrastRatio(s.header->palette().color(QPalette::WindowText), main),
              4.5);
    // The pages follow the window's background.
    for (int i = 0; i < s.tabs->count(); ++i) {
        QWidget* page = s.tabs->widget(i);
        EXPECT_TRUE(page->autoFillBackground()) << i;
        EXPECT_EQ(page->palette().color(page->backgroundRole()), main) << i;
    }

    // As drawn: the enabled radio button's text has the scheme's colour, the
    // disabled one's has not (it is faded towards the background).
    const QImage enabled = s.enabledRadio->grab().toImage();
    const QImage disabled = s.disabledRadio->grab().toImage();
    const QImage disabledCheck = s.disabledCheck->grab().toImage();
    EXPECT_GT(pixelsOf(enabled, radioText), 10);
    EXPECT_EQ(pixelsOf(disabled, radioText), 0);
    EXPECT_EQ(pixelsOf(disabledCheck, ui::toQColor(colours[settings::CheckText])), 0);
    const QColor faded = s.disabledRadio->palette().color(QPalette::Disabled, QPalette::WindowText);
    EXPECT_GT(pixelsOf(disabled, faded), 10);
    const auto distance = [](const QColor& a, const QColor& b) {
        return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
               std::abs(a.blue() - b.blue());
    };
    EXPECT_LT(distance(faded, main), distance(radioText, main));
}

INSTANTIATE_TEST_SUITE_P(
    EveryScheme, SchemeReadability, ::testing::Range(1, 13),
    [](const ::testing::TestParamInfo<int>& param) {
        QString name = QString::fromLatin1(
            appearance::colorSchemes()[static_cast<std::size_t>(param.param - 1)].name);
        return name.remove(QLatin1Char(' ')).toStdString();
    });

// "SEARCH ON" keeps its red where it reads and takes a shade of it where it
// would not; a text with no colour of its own is black or white.
TEST(TextColours, AColourThatDoesNotReadIsShadedTillItDoes) {
    const QColor red(0xC0, 0, 0);
    EXPECT_EQ(ui::readableOn(red, QColor(192, 192, 192), 3.0), red);
    const QColor darker = ui::readableOn(red, QColor(192, 192, 192));
    EXPECT_GE(ui::contrastRatio(darker, QColor(192, 192, 192)), 4.5);
    EXPECT_LT(darker.lightness(), red.lightness());
    const QColor onWine = ui::readableOn(red, QColor(128, 0, 64), 3.0);
    EXPECT_GE(ui::contrastRatio(onWine, QColor(128, 0, 64)), 3.0);
    EXPECT_GT(onWine.lightness(), red.lightness());
    EXPECT_EQ(onWine.toHsl().hslHue(), red.toHsl().hslHue());
    EXPECT_EQ(ui::contrastingText(QColor(128, 0, 64)), QColor(Qt::white));
    EXPECT_EQ(ui::contrastingText(QColor(0, 255, 255)), QColor(Qt::black));
    EXPECT_NEAR(ui::contrastRatio(Qt::black, Qt::white), 21.0, 0.01);
}

}  // namespace
