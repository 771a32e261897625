// The edit subsystem through the main window: Add, Edit and Copy open the
// real edit form in their mode and the viewer follows what it wrote; List
// Maintenance changes what the grid's drop-down editors offer at once.
#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "data/grid_model.h"
#include "tests/app/main_fixture.h"
#include "tests/app/main_widgets.h"

namespace {

class EditCommandsTest : public MainFixture {
  protected:
    QStringList gridAuthors() {
        QStringList out;
        for (int i = 0; i < mw::MyComboAuthor(main)->count(); ++i)
            out << mw::MyComboAuthor(main)->itemText(i);
        return out;
    }
};

TEST_F(EditCommandsTest, AddWritesANewBookThatTheViewerCounts) {
    QString seen;
    testsupport::closeNextModal(&seen, [](QWidget* form) {
        form->findChild<QLineEdit*>("Title")->setText("From the form");
        form->findChild<QComboBox*>("Author")->setEditText("New Author");
        form->findChild<QPushButton*>("UpdateExitButton")->click();
    });
    mw::MenuAdd(main)->trigger();
    EXPECT_EQ(seen, "MyEdit");
    EXPECT_EQ(shownCount(), 6);
    EXPECT_EQ(testsupport::titlesOf(masterPath).last(), "From the form");
    EXPECT_TRUE(gridAuthors().contains("New Author"));
    // The list file is written when the form closes.
    QFile f(settings::programDirectory() + "/AUTHOR.LST");
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("New Author\r\n"));
}

TEST_F(EditCommandsTest, EditShowsTheBookOfTheGridsCurrentRow) {
    mw::ViewerGrid(main)->setCurrentIndex(main->MyDataSource()->index(2, 0));
    QString title;
    testsupport::closeNextModal(nullptr, [&title](QWidget* form) {
        title = form->findChild<QLineEdit*>("Title")->text();
        form->findChild<QPushButton*>("CancelButton")->click();
    });
    mw::MenuEdit(main)->trigger();
    EXPECT_EQ(title, "Book 2");
}

TEST_F(EditCommandsTest, ListMaintenanceOkReachesTheGridAtOnceAndCancelDoesNot) {
    testsupport::closeNextModal(nullptr, [](QWidget* box) {
        auto* entry = box->findChild<QLineEdit*>("AddInfo");
        entry->setText("Woolf");
        box->findChild<QPushButton*>("AddButton")->click();
        box->findChild<QPushButton*>("OkButton")->click();
    });
    mw::MenuMaintainItem(main)[0]->trigger();  // "&Author"
    EXPECT_EQ(gridAuthors(), QStringList{"Woolf"});
    EXPECT_FALSE(QFile::exists(settings::programDirectory() + "/AUTHOR.LST"));
    testsupport::closeNextModal(nullptr, [](QWidget* box) {
        box->findChild<QListWidget*>("TheList")->setCurrentRow(0);
        box->findChild<QPushButton*>("DeleteButton")->click();
        box->findChild<QPushButton*>("CancelButton")->click();
    });
    mw::MenuMaintainItem(main)[0]->trigger();
    EXPECT_EQ(gridAuthors(), QStringList{"Woolf"});
}

TEST_F(EditCommandsTest, ListsChangedInMaintenanceAreWrittenWhenTheProgramCloses) {
    testsupport::closeNextModal(nullptr, [](QWidget* box) {
        box->findChild<QLineEdit*>("AddInfo")->setText("Woolf");
        box->findChild<QPushButton*>("AddButton")->click();
        box->findChild<QPushButton*>("OkButton")->click();
    });
    mw::MenuMaintainItem(main)[3]->trigger();  // "&Category"
    const QString path = settings::programDirectory() + "/CATEGORY.LST";
    EXPECT_FALSE(QFile::exists(path));
    main->close();
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("Woolf\r\n"));
}

}  // namespace
