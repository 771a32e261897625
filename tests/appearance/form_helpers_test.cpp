// The helpers every window uses when shown: user fonts, screen-size presets,
// scaling from the design geometry, and the colouring rule.
#include "data/run_state.h"
#include "settings/settings.h"
#include "tests/support/scripted_prompter.h"
#include "ui/form_geometry.h"
#include "ui/screen_size.h"
#include "ui/user_fonts.h"
#include "ui/window_colors.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>

namespace {

const QSize kBigScreen(1920, 1200);

class FormHelpers : public ::testing::Test {
  protected:
    void SetUp() override { ui::choosePresetAtStartup(run, s, kBigScreen); }
    bool choose(int preset) { return ui::choosePreset(nullptr, preset, run, s, kBigScreen); }
    void prepare(QWidget* form) { ui::prepareForm(form, s, ui::presetFactor(run.screenPreset)); }

    settings::Settings s;  // the test's own settings and run state
    books::RunState run;
};

// A small dialog laid out by position, as the program's dialogs are.
struct SampleDialog {
    SampleDialog() {
        dialog.resize(300, 200);
        QFont f = dialog.font();
        f.setPointSize(10);
        dialog.setFont(f);
        box = new QGroupBox(QStringLiteral("Box"), &dialog);
        box->setGeometry(10, 10, 200, 100);
        label = new QLabel(QStringLiteral("Name"), box);
        label->setGeometry(8, 20, 60, 20);
        QFont big = label->font();
        big.setPointSize(15);
        label->setFont(big);
        edit = new QLineEdit(box);
        edit->setGeometry(70, 20, 100, 24);
        button = new QPushButton(QStringLiteral("&Ok"), &dialog);
        button->setGeometry(20, 150, 80, 28);
        speed = new QToolButton(&dialog);
        speed->setGeometry(120, 150, 25, 25);
        combo = new QComboBox(&dialog);
        combo->setEditable(true);
        combo->setGeometry(160, 150, 100, 24);
        check = new QCheckBox(QStringLiteral("Check"), &dialog);
        check->setGeometry(220, 20, 70, 20);
    }
    QDialog dialog;
    QGroupBox* box;
    QLabel* label;
    QLineEdit* edit;
    QPushButton* button;
    QToolButton* speed;
    QComboBox* combo;
    QCheckBox* check;
};

TEST_F(FormHelpers, ScalingStartsFromTheDesignEveryTime) {
    SampleDialog d;
    ASSERT_TRUE(choose(800));
    prepare(&d.dialog);
    prepare(&d.dialog);  // shown a second time
    EXPECT_EQ(d.dialog.size(), QSize(375, 250));
    EXPECT_EQ(d.edit->geometry(), QRect(88, 25, 125, 30));
    EXPECT_DOUBLE_EQ(d.label->font().pointSizeF(), 18.75);

    // 800 x 600 then 1024 x 768 gives 1.6 of the design, not 1.25 * 1.6.
    ASSERT_TRUE(choose(1024));
    prepare(&d.dialog);
    EXPECT_EQ(d.dialog.size(), QSize(480, 320));
    EXPECT_EQ(d.button->geometry(), QRect(32, 240, 128, 45));
    EXPECT_DOUBLE_EQ(d.label->font().pointSizeF(), 24.0);
    EXPECT_DOUBLE_EQ(d.dialog.font().pointSizeF(), 16.0);

    ASSERT_TRUE(choose(640));
    prepare(&d.dialog);
    EXPECT_EQ(d.dialog.size(), QSize(300, 200));
    EXPECT_EQ(d.button->geometry(), QRect(20, 150, 80, 28));
    EXPECT_DOUBLE_EQ(d.label->font().pointSizeF(), 15.0);
}

// A form takes the fonts and the scale it is given, whatever the program's
// own settings and preset are.
TEST_F(FormHelpers, AFormTakesTheSettingsAndScaleItIsGiven) {
    s.editFont.name = QStringLiteral("Liberation Mono");
    SampleDialog d;
    ui::prepareForm(&d.dialog, s, 1.25);
    EXPECT_EQ(d.dialog.size(), QSize(375, 250));
    EXPECT_EQ(d.edit->font().family(), QStringLiteral("Liberation Mono"));
    EXPECT_EQ(run.screenPreset, 640);  // the run's preset is not touched
    const settings::Settings other;
    ui::prepareForm(&d.dialog, other, 1.0);
    EXPECT_EQ(d.dialog.size(), QSize(300, 200));
    EXPECT_EQ(d.edit->font().family(), other.editFont.name);
}

// A long-lived form laid out by a layout: it records at creation, before it
// was ever shown, and prepares itself on every showing.
class LaidOutForm : public QDialog {
  public:
    LaidOutForm(const settings::Settings& s, double factor) : s_(s), factor_(factor) {
        auto* layout = new QVBoxLayout(this);
        edit = new QLineEdit(this);
        layout->addWidget(edit);
        layout->addWidget(new QPushButton(QStringLiteral("&Ok"), this));
        QFont f = font();
        f.setPointSize(10);
        setFont(f);
        ui::recordDesignGeometry(this);
    }
    QLineEdit* edit;

  protected:
    void showEvent(QShowEvent* e) override {
        QDialog::showEvent(e);
        ui::prepareForm(this, s_, factor_);
    }

  private:
    const settings::Settings& s_;
    double factor_;
};

TEST_F(FormHelpers, AFormLaidOutByALayoutScalesFromItsDesignToo) {
    LaidOutForm form(s, 2.0);
    const QSize design = form.sizeHint().expandedTo(form.minimumSizeHint());
    for (int showing = 0; showing < 2; ++showing) {
        form.show();
        QApplication::processEvents();
        EXPECT_DOUBLE_EQ(form.edit->font().pointSizeF(), 20.0) << showing;
        EXPECT_GE(form.width(), design.width() * 2 - 1) << showing;
        EXPECT_LE(form.width(), design.width() * 2 + 1) << showing;
        // The layout, not the record, places the controls.
        EXPECT_GT(form.edit->width(), form.width() / 2) << showing;
        EXPECT_TRUE(form.rect().contains(form.edit->geometry())) << showing;
        form.hide();
    }
}

// A long-lived form with a notebook, recorded before the notebook ever laid
// itself out: every showing gets the notebook's own layout of its tab bar and
// pages, and each control its own place, whatever page was shown last (the
// notebook raises the page it shows, which changes the walk's order).
TEST_F(FormHelpers, ANotebookShownAgainKeepsItsPartsAndEachControlItsPlace) {
    QDialog form;
    form.resize(300, 200);
    auto* tabs = new QTabWidget(&form);
    tabs->setGeometry(5, 5, 290, 190);
    QList<QLabel*> labels;
    for (int p = 0; p < 3; ++p) {
        auto* page = new QWidget;
        tabs->addTab(page, QStringLiteral("Page %1").arg(p));
        for (int row = 0; row < 2; ++row) {
            labels << new QLabel(QStringLiteral("x"), page);
            labels.last()->setGeometry(10 + p, 10 + 20 * row, 50, 16);
        }
    }
    ui::recordDesignGeometry(&form);
    ASSERT_TRUE(choose(800));
    for (int showing = 0; showing < 3; ++showing) {
        prepare(&form);
        form.show();
        QApplication::processEvents();
        EXPECT_GE(tabs->tabBar()->width(), tabs->tabBar()->sizeHint().width()) << showing;
        EXPECT_GE(tabs->currentWidget()->width(), 340) << showing;
        EXPECT_GE(tabs->currentWidget()->height(), 180) << showing;
        for (qsizetype i = 0; i < labels.size(); ++i) {
            const int p = static_cast<int>(i / 2);
            const int row = static_cast<int>(i % 2);
            EXPECT_EQ(labels[i]->pos(),
                      QPoint(std::lround((10 + p) * 1.25), std::lround((10 + 20 * row) * 1.25)))
                << showing << " " << i;
        }
        tabs->setCurrentIndex(2 - showing % 2);
        form.hide();
    }
}

// A form the chosen screen size would make larger than the screen is scaled
// only as far as the screen's free area allows, and placed on it.
TEST_F(FormHelpers, AFormTooLargeForTheScreenScalesOnlyAsFarAsItFits) {
    QDialog form;
    form.resize(500, 700);
    auto* button = new QPushButton(QStringLiteral("&Ok"), &form);
    button->setGeometry(10, 660, 80, 30);
    const QRect area = ui::availableArea();
    ASSERT_LT(area.height(), 700 * 2);

    const double used = ui::prepareForm(&form, s, 2.0);
    EXPECT_LT(used, 2.0);
    EXPECT_LE(form.height(), area.height());
    EXPECT_TRUE(area.contains(form.geometry())) << form.geometry().y();
    EXPECT_EQ(form.width(), std::lround(500 * used));
    EXPECT_TRUE(form.rect().contains(button->geometry()));  // the button stays reachable
    EXPECT_EQ(button->y(), std::lround(660 * used));

    // A form that fits takes the factor it is given.
    QDialog small;
    small.resize(200, 100);
    EXPECT_DOUBLE_EQ(ui::prepareForm(&small, s, 1.25), 1.25);
    EXPECT_EQ(small.size(), QSize(250, 125));
}

// Controls that touch keep touching at every scale, never overlapping by a
// rounded pixel.
TEST_F(FormHelpers, ScalingKeepsTouchingControlsApart) {
    QDialog form;
    form.resize(300, 300);
    QList<QLabel*> rows;
    for (int i = 0; i < 10; ++i) {
        rows << new QLabel(QStringLiteral("x"), &form);
        rows.last()->setGeometry(5, 5 + i * 25, 100, 25);
    }
    for (const double factor : {1.25, 1.6}) {
        ui::prepareForm(&form, s, factor);
        for (int i = 1; i < 10; ++i)
            EXPECT_EQ(rows[i - 1]->geometry().bottom() + 1, rows[i]->y()) << factor << " " << i;
    }
}

TEST_F(FormHelpers, ALongLivedFormKeepsTheFirst121GeometriesAndSaysSo) {
    QDialog form;
    form.resize(400, 400);
    QList<QLabel*> labels;
    for (int i = 0; i < 125; ++i) {
        labels << new QLabel(QStringLiteral("x"), &form);
        labels.last()->setGeometry(i, i, 10, 10);
    }
    {
        testsupport::ScriptedPrompter prompter;
        prompter.expectError(QStringLiteral("Too many compenents to save dimensions."));
        ui::recordDesignGeometry(&form);
    }
    labels[0]->setGeometry(50, 50, 5, 5);
    labels[124]->setGeometry(300, 300, 5, 5);
    prepare(&form);  // factor 1.0: restore only
    EXPECT_EQ(labels[0]->geometry(), QRect(0, 0, 10, 10));
    EXPECT_EQ(labels[124]->geometry(), QRect(300, 300, 5, 5));  // past the record: left alone
}

TEST_F(FormHelpers, PresetsFollowTheScreen) {
    const QSize small(1024, 768);
    s.windowSize = 1280;
    EXPECT_EQ(ui::choosePresetAtStartup(run, s, small), 640);
    EXPECT_EQ(run.screenPreset, 640);
    EXPECT_EQ(s.windowSize, 1280);  // the stored preset is kept
    EXPECT_EQ(ui::choosePresetAtStartup(run, s, QSize(1280, 1024)), 1280);
    EXPECT_EQ(run.screenPreset, 1280);
    s.windowSize = 999;
    EXPECT_EQ(ui::choosePresetAtStartup(run, s, kBigScreen), 640);

    testsupport::ScriptedPrompter prompter;
    prompter.expectError(
        QStringLiteral("Your current screen resolution does not support 1280 x 1024 pixels."));
    EXPECT_FALSE(ui::choosePreset(nullptr, 1280, run, s, small));
    prompter.expectError(
        QStringLiteral("Your current screen resolution does not support 800 x 600 pixels."));
    EXPECT_FALSE(ui::choosePreset(nullptr, 800, run, s, QSize(800, 599)));
    EXPECT_EQ(run.screenPreset, 640);
    EXPECT_EQ(s.windowSize, 999);
    EXPECT_FALSE(ui::choosePreset(nullptr, 640, run, s, QSize(320, 200)));  // already current
    EXPECT_TRUE(ui::choosePreset(nullptr, 1024, run, s, small));
    EXPECT_EQ(s.windowSize, 1024);
    EXPECT_EQ(run.screenPreset, 1024);
    EXPECT_TRUE(ui::choosePreset(nullptr, 640, run, s, QSize(320, 200)));  // 640 never fails
    EXPECT_EQ(ui::presetRefusal(1024),
              QStringLiteral("Your current screen resolution does not support 1024 x 768 pixels."));
}

TEST_F(FormHelpers, UserFontsGoByControlKindAndKeepSizes) {
    s.labelFont = {0, QStringLiteral("Liberation Serif"), 8, true, false, false, false};
    s.editFont = {0, QStringLiteral("Liberation Mono"), 8, false, true, false, false};
    s.buttonFont = {0, QStringLiteral("Liberation Sans Narrow"), 8, false, false, true, true};
    SampleDialog d;
    const QString speedFamily = d.speed->font().family();
    ui::applyUserFonts(&d.dialog, s);

    EXPECT_EQ(d.label->font().family(), QStringLiteral("Liberation Serif"));
    EXPECT_TRUE(d.label->font().bold());
    EXPECT_EQ(d.label->font().pointSize(), 15);  // its own size
    EXPECT_EQ(d.box->font().family(), QStringLiteral("Liberation Serif"));
    EXPECT_EQ(d.check->font().family(), QStringLiteral("Liberation Serif"));
    EXPECT_EQ(d.edit->font().family(), QStringLiteral("Liberation Mono"));
    EXPECT_TRUE(d.edit->font().italic());
    EXPECT_FALSE(d.edit->font().bold());
    EXPECT_EQ(d.combo->font().family(), QStringLiteral("Liberation Mono"));
    EXPECT_EQ(d.button->font().family(), QStringLiteral("Liberation Sans Narrow"));
    EXPECT_TRUE(d.button->font().underline() && d.button->font().strikeOut());
    EXPECT_EQ(d.button->font().pointSize(), 10);
    EXPECT_EQ(d.speed->font().family(), speedFamily);  // speed buttons unchanged
}

TEST_F(FormHelpers, ChoosingAUserFontTakesEveryAttribute) {
    testsupport::ScriptedPrompter prompter;
    QFont chosen(QStringLiteral("Liberation Serif"), 14);
    chosen.setItalic(true);
    chosen.setUnderline(true);
    prompter.expectFont(chosen);
    EXPECT_TRUE(ui::chooseUserFont(nullptr, s, ui::UserFont::Edit));
    const auto& keys = s.editFont;
    EXPECT_EQ(keys.name, QStringLiteral("Liberation Serif"));
    EXPECT_EQ(keys.size, 14);
    EXPECT_TRUE(keys.italic && keys.underline);
    prompter.expectFont(std::nullopt);
    EXPECT_FALSE(ui::chooseUserFont(nullptr, s, ui::UserFont::Edit));
    EXPECT_EQ(s.editFont.name, QStringLiteral("Liberation Serif"));
}

// The colour most of a control's pixels have when it is drawn.
QColor mostDrawn(QWidget* w) {
    const QImage image = w->grab().toImage();
    QMap<QRgb, int> counts;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            ++counts[image.pixel(x, y)];
    }
    QRgb best = 0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        if (it.value() > counts.value(best))
            best = it.key();
    }
    return QColor(best);
}

TEST_F(FormHelpers, TheColouringRulePaintsEachKindFromItsPair) {
    settings::WindowColors colors;
    for (int i = 0; i < settings::kColorCount; ++i)
        colors[i] = 0x010101 * (i + 1);
    const auto c = [&](settings::ColorIndex i) { return ui::toQColor(colors[i]); };
    SampleDialog d;
    auto* heading = new QLabel(QStringLiteral("Books"), &d.dialog);
    ui::markHeading(heading);
    auto* grid = new QTableWidget(2, 2, &d.dialog);
    auto* radio = new QRadioButton(QStringLiteral("Radio"), &d.dialog);
    radio->setGeometry(220, 50, 70, 20);
    const QPalette buttonBefore = d.button->palette();
    ui::applyWindowColors(&d.dialog, colors);

    EXPECT_EQ(d.dialog.palette().color(QPalette::Window), c(settings::MainBackground));
    EXPECT_EQ(d.box->palette().color(QPalette::WindowText), c(settings::MajorTitle));
    EXPECT_EQ(heading->palette().color(QPalette::WindowText), c(settings::MajorTitle));
    EXPECT_EQ(d.label->palette().color(QPalette::WindowText), c(settings::MinorTitle));
    EXPECT_EQ(d.edit->palette().color(QPalette::Base), c(settings::EditBackground));
    EXPECT_EQ(d.edit->palette().color(QPalette::Text), c(settings::EditText));
    EXPECT_EQ(d.combo->palette().color(QPalette::Base), c(settings::ComboBackground));
    EXPECT_EQ(d.combo->palette().color(QPalette::Text), c(settings::ComboText));
    EXPECT_EQ(grid->palette().color(QPalette::Base), c(settings::ListBoxBackground));
    EXPECT_EQ(grid->palette().color(QPalette::Text), c(settings::ListBoxText));
    EXPECT_EQ(d.check->palette().color(QPalette::Window), c(settings::CheckBackground));
    EXPECT_EQ(d.check->palette().color(QPalette::WindowText), c(settings::CheckText));
    // What is drawn, not only what the palette holds.
    EXPECT_EQ(mostDrawn(d.check).name(), c(settings::CheckBackground).name());
    EXPECT_EQ(mostDrawn(radio).name(), c(settings::RadioBackground).name());
    EXPECT_EQ(mostDrawn(d.edit).name(), c(settings::EditBackground).name());
    EXPECT_EQ(d.button->palette().color(QPalette::Button), buttonBefore.color(QPalette::Button));
    EXPECT_EQ(ui::fromQColor(ui::toQColor(8553090)), 8553090);
    EXPECT_EQ(ui::toQColor(255), QColor(255, 0, 0));  // red in the low byte
}

}  // namespace
