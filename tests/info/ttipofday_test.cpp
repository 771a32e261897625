// The tip of the day window, headless.
#include "info/ttipofday.h"

#include "settings/settings.h"
#include "tests/support/fake_main_link.h"

#include <gtest/gtest.h>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <memory>

namespace {

using info::TTipOfDay;

class TipOfDay : public ::testing::Test {
  protected:
    void TearDown() override { window.reset(); }
    TTipOfDay* open(int firstTip) {
        window = std::make_unique<TTipOfDay>(link, [firstTip](int) { return firstTip - 1; });
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        return window.get();
    }
    testsupport::FakeMainLink link;  // its own settings: "Show Tips" on
    std::unique_ptr<TTipOfDay> window;
};

TEST_F(TipOfDay, ControlsAndTexts) {
    TTipOfDay* w = open(1);
    EXPECT_EQ(w->windowTitle(), "Tip of the Day");
    EXPECT_EQ(w->CloseButton->text(), "&Close");
    EXPECT_EQ(w->NextTipButton->text(), "&Next Tip");
    EXPECT_EQ(w->ShowTips->text(), "&Show Tips at Startup");
    EXPECT_EQ(w->Label1->text(), "Did you know?");
    EXPECT_TRUE(w->Label1->font().bold());
    EXPECT_FALSE(w->Image1->pixmap().isNull());
    EXPECT_TRUE(w->TipComment->wordWrap());
    EXPECT_EQ(w->TipComment->text(), "You can rename database fields to your liking.");
}

TEST_F(TipOfDay, NextTipCyclesFrom24To1) {
    TTipOfDay* w = open(23);
    EXPECT_EQ(w->currentTip(), 23);
    w->NextTipButton->click();
    EXPECT_EQ(w->currentTip(), 24);
    EXPECT_EQ(w->TipComment->text(), info::tipText(24));
    w->NextTipButton->click();
    EXPECT_EQ(w->currentTip(), 1);
    EXPECT_EQ(w->TipComment->text(), info::tipText(1));
}

TEST_F(TipOfDay, TickingShowTipsAndClosingTurnsTheSettingOn) {
    link.settings().showTips = false;
    TTipOfDay* w = open(5);
    EXPECT_FALSE(w->ShowTips->isChecked());
    w->ShowTips->click();
    EXPECT_FALSE(link.settings().showTips);  // only when the window closes
    w->CloseButton->click();
    EXPECT_FALSE(w->isVisible());
    EXPECT_TRUE(link.settings().showTips);
}

// The window shows and changes the settings of the main window it is
// opened for, never the program's own.
TEST_F(TipOfDay, ShowsAndChangesOnlyTheSettingsOfItsMainWindow) {
    settings::settings().showTips = true;
    link.settings().showTips = false;
    TTipOfDay* w = open(5);
    EXPECT_FALSE(w->ShowTips->isChecked());
    w->close();
    EXPECT_FALSE(link.settings().showTips);
    EXPECT_TRUE(settings::settings().showTips);
    link.settings().showTips = true;
    settings::settings().showTips = false;
    w = open(5);
    EXPECT_TRUE(w->ShowTips->isChecked());
    w->ShowTips->click();
    w->close();
    EXPECT_FALSE(link.settings().showTips);
    EXPECT_FALSE(settings::settings().showTips);
    settings::settings() = settings::Settings();
}

TEST_F(TipOfDay, UntickingAndClosingByTheTitleBarTurnsItOff) {
    TTipOfDay* w = open(5);
    EXPECT_TRUE(w->ShowTips->isChecked());
    w->ShowTips->click();
    w->close();
    EXPECT_FALSE(link.settings().showTips);
}

TEST_F(TipOfDay, EscapeKeepsTheCheckBoxAsItIs) {
    TTipOfDay* w = open(5);
    QTest::keyClick(w, Qt::Key_Escape);
    EXPECT_FALSE(w->isVisible());
    EXPECT_TRUE(link.settings().showTips);
}

}  // namespace
