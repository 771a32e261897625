// TTipOfDay, "Tip of the Day": one of the program's hints at a time, a
// button for the next one, and the check box that decides whether the
// window opens when the program starts. The window is the one place where
// the "Show Tips" setting changes; it takes the check box's state when it
// closes, by either of its close buttons.
#pragma once

#include <QDialog>

#include "info/tips.h"

class QCheckBox;
class QLabel;
class QPushButton;

namespace ui {
class MainWindowLink;
}

namespace info {

class TTipOfDay : public QDialog {
    Q_OBJECT
  public:
    // `draw` picks the first tip (tests pass a fixed one); empty: at random.
    // "Show Tips" is that of main.settings(); the window is owned by
    // main.dialogParent().
    explicit TTipOfDay(ui::MainWindowLink& main, const TipCycle::Draw& draw = {});

    int currentTip() const { return tips_.current(); }

    void NextTipButtonClick();
    void done(int result) override;

    QPushButton* CloseButton = nullptr;
    QPushButton* NextTipButton = nullptr;
    QCheckBox* ShowTips = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* TipComment = nullptr;
    QLabel* Image1 = nullptr;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void FormShow();
    void FormClose();
    void showTip();

    ui::MainWindowLink& main_;
    TipCycle::Draw draw_;
    TipCycle tips_;
    bool closed_ = false;
};

// Shows the window modally.
void runTipOfDay(ui::MainWindowLink& main);

// Makes the main window's Tips command (the Help menu item, and its
// activation at start-up while "Show Tips" is on) show the window.
void registerTipsCommand(ui::MainWindowLink& main);

}  // namespace info
