// The key driver reaches what a keyboard reaches: mnemonics, the menu bar,
// shortcuts, Enter to the default button and the Tab chain, headless.
#include "tests/support/key_driver.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTableWidget>

namespace {

using namespace testsupport;

// A dialog with a menu, a labelled text box, a combo box, a grid and two
// buttons, in that Tab order.
class Sample : public QDialog {
  public:
    Sample() {
        setObjectName("Sample");
        auto* bar = new QMenuBar(this);
        bar->setNativeMenuBar(false);
        QMenu* file = bar->addMenu("&File");
        file->setObjectName("MenuFile");
        go = file->addAction("&Go");
        go->setShortcut(QKeySequence("Ctrl+G"));
        addAction(go);
        auto* label = new QLabel("&Name", this);
        name = new QLineEdit(this);
        name->setObjectName("Name");
        label->setBuddy(name);
        label->setGeometry(10, 30, 60, 20);
        name->setGeometry(80, 30, 100, 20);
        combo = new QComboBox(this);
        combo->setObjectName("Kind");
        combo->setEditable(true);
        combo->addItems({"one", "two"});
        combo->setGeometry(80, 60, 100, 20);
        grid = new QTableWidget(2, 2, this);
        grid->setObjectName("Grid");
        grid->setTabKeyNavigation(false);
        grid->setGeometry(10, 90, 200, 80);
        ok = new QPushButton("&Ok", this);
        ok->setObjectName("Ok");
        ok->setDefault(true);
        ok->setGeometry(10, 180, 60, 24);
        other = new QPushButton("&Press", this);
        other->setObjectName("Press");
        other->setGeometry(80, 180, 60, 24);
        resize(240, 220);
        connect(ok, &QPushButton::clicked, this, [this] { ++oks; });
        connect(other, &QPushButton::clicked, this, [this] { ++presses; });
        connect(go, &QAction::triggered, this, [this] { ++goes; });
    }
    QAction* go;
    QLineEdit* name;
    QComboBox* combo;
    QTableWidget* grid;
    QPushButton* ok;
    QPushButton* other;
    int oks = 0, presses = 0, goes = 0;
};

TEST(KeyDriver, MnemonicsMoveTheFocusPressButtonsAndOpenMenus) {
    Sample s;
    ASSERT_TRUE(activate(&s));
    focusOn(&s, Control::Button);
    mnemonic(&s, 'n');
    EXPECT_EQ(focusName(&s), "Name");
    type(&s, "abc");
    EXPECT_EQ(s.name->text(), "abc");
    mnemonic(&s, 'p');
    EXPECT_EQ(s.presses, 1);
    mnemonic(&s, 'f');
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->objectName(), "MenuFile");
    escape(&s);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    EXPECT_EQ(s.name->text(), "abc");
}

TEST(KeyDriver, ShortcutsAndEnterReachTheWindowFromItsControls) {
    Sample s;
    ASSERT_TRUE(activate(&s));
    EXPECT_EQ(focusOn(&s, Control::Grid), s.grid);
    press(&s, Qt::CTRL | Qt::Key_G);
    EXPECT_EQ(s.goes, 1);
    EXPECT_EQ(focusOn(&s, Control::ComboBox), s.combo);
    EXPECT_EQ(focusName(&s), "Kind");
    press(&s, QKeySequence("Ctrl+G"));
    EXPECT_EQ(s.goes, 2);
    EXPECT_EQ(focusOn(&s, Control::TextBox), s.name);
    enter(&s);
    EXPECT_EQ(s.oks, 1);
    EXPECT_EQ(focusOn(&s, Control::TextArea), nullptr);
}

TEST(KeyDriver, WalksTheTabChainBothWays) {
    Sample s;
    ASSERT_TRUE(activate(&s));
    ASSERT_TRUE(focusOn(s.name));
    EXPECT_EQ(tabChain(&s), (QStringList{"Name", "Kind", "Grid", "Ok", "Press"}));
    ASSERT_TRUE(focusOn(s.name));
    EXPECT_EQ(focusChain(&s, Qt::SHIFT | Qt::Key_Backtab),
              (QStringList{"Name", "Press", "Ok", "Grid", "Kind"}));
    // Tab selects the text it arrives at, so typing replaces it.
    s.name->setText("old");
    ASSERT_TRUE(focusOn(s.ok));
    backTab(&s);
    backTab(&s);
    backTab(&s);
    EXPECT_EQ(focusName(&s), "Name");
    type(&s, "new");
    EXPECT_EQ(s.name->text(), "new");
}

TEST(KeyDriver, DesktopTextKeysEditTextAndComboBoxes) {
    Sample s;
    giveDesktopTextKeys(&s);
    ASSERT_TRUE(activate(&s));
    s.name->setText("abc def");
    focusOn(s.name);
    s.name->setCursorPosition(3);
    press(&s, Qt::CTRL | Qt::Key_K);
    EXPECT_EQ(s.name->text(), "abc");
    press(&s, Qt::CTRL | Qt::Key_U);
    EXPECT_EQ(s.name->text(), "");
    focusOn(s.combo);
    s.combo->lineEdit()->setCursorPosition(0);
    press(&s, Qt::CTRL | Qt::Key_E);
    type(&s, "!");
    EXPECT_EQ(s.combo->currentText(), "one!");
    press(&s, Qt::CTRL | Qt::Key_U);
    EXPECT_EQ(s.combo->currentText(), "");
}

}  // namespace
