// The edit form driven from the keyboard alone: every menu shortcut from
// every kind of control, the Update keys checked on the table, the Enter
// chain and the Tab order.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

#include <map>

#include "tests/edit/edit_fixture.h"
#include "tests/support/key_driver.h"
#include "tests/support/scripted_prompter.h"

namespace {

using testsupport::Control;
using testsupport::ScriptedPrompter;
namespace keys = testsupport;

class EditFormKeys : public edittest::EditForm {
  protected:
    void SetUp() override {
        EditForm::SetUp();
        keys::giveDesktopTextKeys(form.get());
    }
    // The text of the focused text or combo box, or "" for other controls.
    static QString focusedText() {
        QWidget* w = keys::focusControl();
        if (auto* combo = qobject_cast<QComboBox*>(w))
            return combo->currentText();
        if (auto* line = qobject_cast<QLineEdit*>(w))
            return line->text();
        return {};
    }
};

// With the commands cut off, each shortcut must reach its menu item from a
// text box, a combo box and a button, and the box keeps its text: a text
// box's own Ctrl+U would delete the line, Ctrl+E move to its end.
TEST_F(EditFormKeys, EveryMenuShortcutRunsItsCommandFromEveryKindOfControl) {
    ScriptedPrompter p;
    open(books::EditMode::Edit);
    std::map<QAction*, int> runs;
    QList<QAction*> shortcuts;
    for (QAction* a : form->findChildren<QAction*>()) {
        if (a->shortcut().isEmpty())
            continue;
        shortcuts << a;
        QObject::disconnect(a, &QAction::triggered, nullptr, nullptr);
        QObject::connect(a, &QAction::triggered, form.get(), [&runs, a] { ++runs[a]; });
    }
    ASSERT_EQ(shortcuts.size(), 11);
    for (const Control kind : {Control::TextBox, Control::ComboBox, Control::Button}) {
        for (QAction* a : shortcuts) {
            QWidget* w = keys::focusOn(form.get(), kind);
            ASSERT_NE(w, nullptr);
            const QString before = focusedText();
            const int ran = runs[a];
            keys::press(form.get(), a->shortcut());
            EXPECT_EQ(runs[a], ran + 1) << a->shortcut().toString().toStdString() << " from "
                                        << w->objectName().toStdString();
            EXPECT_EQ(focusedText(), before) << a->shortcut().toString().toStdString();
        }
    }
}

// Ctrl+U in a text box once emptied the box instead of updating, and a
// following Ctrl+R wrote the book with the field empty.
TEST_F(EditFormKeys, UpdateKeysFromABoxWriteWhatIsShownAndLoseNothing) {
    ScriptedPrompter p;  // no question on the way
    open(books::EditMode::Edit);
    keys::focusOn(line("Editor"));
    keys::type(form.get(), "Ed");
    keys::focusOn(line("Title"));
    keys::press(form.get(), Qt::CTRL | Qt::Key_R);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(stored("Book 0", "Editor"), "Ed");
    EXPECT_EQ(line("Title")->text(), "Book 0");

    keys::focusOn(combo("Author"));
    keys::press(form.get(), Qt::CTRL | Qt::Key_U);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(stored("Book 0", "Author"), "Author 0");

    open(books::EditMode::Edit);
    keys::focusOn(line("Title"));
    keys::press(form.get(), Qt::CTRL | Qt::Key_U);
    keys::press(form.get(), Qt::CTRL | Qt::Key_R);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(testsupport::titlesOf(path).first(), "Book 0");
    EXPECT_EQ(stored("Book 0", "Editor"), "Ed");
}

// New Record from a combo box: the question, then an empty form in add
// mode; the new book is written with Ctrl+U.
TEST_F(EditFormKeys, NewRecordFromTheKeyboardAsksAndAdds) {
    open(books::EditMode::Edit);
    keys::focusOn(combo("Publisher"));
    keys::type(form.get(), "X");
    {
        ScriptedPrompter p;
        p.expectChoice("Warning", "Data has changed.  Update this record before creating new one?",
                       ui::Answer::No);
        keys::press(form.get(), Qt::CTRL | Qt::Key_E);
    }
    EXPECT_EQ(link.runState().editMode, books::EditMode::Add);
    EXPECT_EQ(keys::focusName(form.get()), "Title");
    keys::type(form.get(), "Typed In");
    ScriptedPrompter p;
    keys::press(form.get(), Qt::CTRL | Qt::Key_U);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(testsupport::titlesOf(path).size(), 6);
    EXPECT_TRUE(testsupport::titlesOf(path).contains("Typed In"));
    EXPECT_EQ(stored("Book 0", "Publisher"), "");  // the change was dropped
}

// Enter moves along the chain as Tab moves to the next control: the text
// it arrives at is selected, so typing replaces it ("0" then 12.50 is
// 12.50, not 012.50), and a date box is typed over from its start.
TEST_F(EditFormKeys, EnterSelectsTheTextItArrivesAtAsTabDoes) {
    open(books::EditMode::Add);
    ASSERT_EQ(line("Cost")->text(), "0");
    const auto enterUntil = [this](const QString& name) {
        for (int i = 0; i < 40 && keys::focusName(form.get()) != name; ++i)
            keys::enter(form.get());
        return keys::focusName(form.get());
    };
    ASSERT_EQ(enterUntil("Cost"), "Cost");
    keys::type(form.get(), "12.50");
    EXPECT_EQ(line("Cost")->text(), "12.50");

    ScriptedPrompter p;
    p.expectChoice("Warning", "Data has changed.  Do you want to exit without updating?",
                   ui::Answer::Yes, false);
    click("CancelButton");
    open(books::EditMode::Edit);
    keys::enter(form.get());
    ASSERT_EQ(keys::focusName(form.get()), "Author");
    keys::type(form.get(), "Zed");
    EXPECT_EQ(combo("Author")->currentText(), "Zed");
    ASSERT_EQ(enterUntil("PurchDate"), "PurchDate");
    keys::type(form.get(), "04021997");
    EXPECT_EQ(line("PurchDate")->displayText(), "04/02/1997");
    p.expectChoice("Warning", "Data has changed.  Do you want to exit without updating?",
                   ui::Answer::Yes, false);
    click("CancelButton");
}

// Tab walks each page as it reads, top to bottom (a Blank button right
// after its date box), then the buttons left to right, then the page tabs.
TEST_F(EditFormKeys, TabWalksEachPageInReadingOrder) {
    ScriptedPrompter p;
    open(books::EditMode::Edit);
    const QStringList buttons{"UpdateExitButton",   "UpdateButton", "ClearButton",
                              "CancelButton",       "PrevButton",   "NextButton",
                              "qt_tabwidget_tabbar"};
    const QStringList pages[] = {
        {"Title", "Author", "Publisher", "Editor", "BookType", "Volume", "Issue", "YearPub",
         "Edition", "Pages", "PurchDate", "BlankPurchDate", "WherePurch"},
        {"Catalog", "SubCat1", "SubCat2", "Dewey", "ISBN", "Category", "KeyWords", "PersRating",
         "Location"},
        {"Cost", "Value", "LowMarket", "HighMarket"},
        {"CheckOut", "CheckDate", "BlankCheckOut", "CheckName"},
        {"Condition", "Description", "UserDef1", "UserDef2", "UserDef3", "UserDef4", "UserDef5",
         "UserDef6"}};
    for (int page = 0; page < 5; ++page) {
        child<QTabWidget>("MyTabbedNoteBook")->setCurrentIndex(page);
        keys::focusOn(child<QWidget>(pages[page].first().toLatin1().constData()));
        EXPECT_EQ(keys::tabChain(form.get()), pages[page] + buttons) << "page " << page;
    }
}

}  // namespace
