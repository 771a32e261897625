// The edit form driven as a user would, on a real collection: each mode,
// the checks with their pages and focus, change detection, stepping through
// records with each answer, the Enter chain, the check-out pair, browse
// mode, the pick lists and what reaches the files.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include "data/run_state.h"
#include "dbase/table.h"
#include "edit/ui/tmyedit.h"
#include "settings/formats.h"
#include "settings/settings.h"
#include "tests/edit/edit_link.h"
#include "tests/support/book_samples.h"
#include "tests/support/scripted_prompter.h"

namespace {

using testsupport::ScriptedPrompter;
using ui::Answer;

class EditForm : public ::testing::Test {
  protected:
    void SetUp() override {
        settings::settings() = settings::Settings();
        ASSERT_TRUE(formats::applyDateFormat(1));
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath("MASTER.DBF");
        testsupport::writeSampleCollection(path, 5);
        link.collection().openWithSortTag(path);
        link.collection().table().first();
        link.pickLists().setDirectory(dir.path());
        form = std::make_unique<TMyEdit>(link, link.dialogParent());
    }
    void TearDown() override {
        if (form && form->isVisible())
            form->reject();
        form.reset();
    }

    void open(books::EditMode mode) {
        books::runState().editMode = mode;
        form->show();
        QApplication::setActiveWindow(form.get());
        QCoreApplication::processEvents();
    }

    template <typename W>
    W* child(const char* name) {
        W* w = form->findChild<W*>(QLatin1String(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QLineEdit* line(const char* name) { return child<QLineEdit>(name); }
    QComboBox* combo(const char* name) { return child<QComboBox>(name); }
    void click(const char* name) { child<QAbstractButton>(name)->click(); }
    int page() { return child<QTabWidget>("MyTabbedNoteBook")->currentIndex(); }
    QString focused() {
        QWidget* w = QApplication::focusWidget();
        if (w && qobject_cast<QComboBox*>(w->parentWidget()))
            w = w->parentWidget();
        return w ? w->objectName() : QString();
    }
    QString stored(const QString& title, const char* field) {
        return testsupport::fieldOf(path, title, field);
    }

    QTemporaryDir dir;
    QString path;
    testsupport::EditLink link;
    std::unique_ptr<TMyEdit> form;
};

TEST_F(EditForm, EditModeShowsTheCurrentRecord) {
    open(books::EditMode::Edit);
    EXPECT_EQ(form->windowTitle(), "Edit");
    EXPECT_EQ(line("Title")->text(), "Book 0");
    EXPECT_EQ(combo("Author")->currentText(), "Author 0");
    EXPECT_EQ(line("Cost")->text(), "0.50");
    EXPECT_EQ(line("PurchDate")->displayText(), "03/01/1996");
    EXPECT_EQ(line("CheckDate")->displayText(), "__/__/____");
    EXPECT_TRUE(child<QCheckBox>("CheckOut")->isChecked());
    EXPECT_EQ(page(), 0);
    {
        ScriptedPrompter p;
        click("CancelButton");
    }
    EXPECT_FALSE(form->isVisible());
}

}  // namespace
