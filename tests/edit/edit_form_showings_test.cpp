// The edit form lives for the whole run and is shown again and again: each
// showing must look like the first, whatever page it was closed on and
// whatever screen size was chosen in between, and what the user types must
// reach the field they see.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QMap>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include "data/run_state.h"
#include "edit/ui/tmyedit.h"
#include "settings/settings.h"
#include "tests/support/book_samples.h"
#include "tests/support/fake_main_link.h"
#include "tests/support/form_checks.h"
#include "tests/support/key_driver.h"
#include "tests/support/scripted_prompter.h"
#include "ui/window_colors.h"

namespace {

using testsupport::FormShape;

// The colour most of a widget's pixels have when it is drawn.
QColor mostDrawn(QWidget* w) {
    const QImage image = w->grab().toImage();
    QMap<QRgb, int> counts;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ++counts[image.pixel(x, y)];
    return QColor(std::max_element(counts.cbegin(), counts.cend()).key());
}

class EditFormShowings : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath("MASTER.DBF");
        testsupport::writeSampleCollection(path, 3);
        link.collection().openWithSortTag(path);
        link.collection().table().first();
        link.pickLists().setDirectory(dir.path());
        form = std::make_unique<editui::TMyEdit>(link, link.dialogParent());
        tabs = form->findChild<QTabWidget*>("MyTabbedNoteBook");
        ASSERT_NE(tabs, nullptr);
    }
    void TearDown() override {
        if (form->isVisible())
            form->reject();
    }

    void showAdding() {
        link.runState().editMode = books::EditMode::Add;
        form->show();
        ASSERT_TRUE(testsupport::activate(form.get()));
        QCoreApplication::processEvents();
    }
    // A click on the tab, as the user changes pages.
    void clickTab(int index) {
        QTabBar* bar = tabs->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
        QCoreApplication::processEvents();
    }
    // E&xit, answering that the typed text may go.
    void exitByKey(bool typed = true) {
        testsupport::ScriptedPrompter prompter;
        if (typed)
            prompter.expectChoice("Warning",
                                  "Data has changed.  Do you want to exit without updating?",
                                  ui::Answer::Yes, false);
        testsupport::mnemonic(form.get(), 'x');
        QCoreApplication::processEvents();
    }
    // Every page as the user sees it: each shown in turn, its controls
    // sized, inside the page and clear of each other. `shape` gets the look
    // of each page.
    QStringList faultsOfEveryPage(FormShape* shape = nullptr) {
        QStringList faults = testsupport::cutTabs(form.get());
        for (int p = 0; p < tabs->count(); ++p) {
            clickTab(p);
            if (tabs->currentIndex() != p)
                faults << QStringLiteral("page %1 could not be chosen").arg(p);
            for (const QString& f : testsupport::layoutFaultsOfShown(form.get()))
                faults << QStringLiteral("page %1: ").arg(p) + f;
            if (shape)
                shape->insert(testsupport::shapeOf(form.get()));
        }
        clickTab(0);
        return faults;
    }
    void saveShot(const QString& name) {
        const QString file = QDir(TK_SCREENSHOT_DIR).filePath(name);
        EXPECT_TRUE(form->grab().save(file)) << file.toStdString();
    }

    QTemporaryDir dir;
    QString path;
    testsupport::FakeMainLink link;
    std::unique_ptr<editui::TMyEdit> form;
    QTabWidget* tabs = nullptr;
};

TEST_F(EditFormShowings, EveryShowingLooksLikeTheFirstWhateverPageItClosedOn) {
    FormShape first, firstPages;
    for (int showing = 1; showing <= 3; ++showing) {
        SCOPED_TRACE(showing);
        showAdding();
        EXPECT_EQ(tabs->currentIndex(), 0);
        // The Description page is drawn: its controls have their places.
        QWidget* page = tabs->widget(0);
        EXPECT_TRUE(page->isVisible());
        EXPECT_GE(page->width(), 500);
        EXPECT_GE(page->height(), 280);
        EXPECT_NO_FAULTS(testsupport::layoutFaults(page));
        // The page is drawn in the window's grey, from the first showing on.
        EXPECT_EQ(
            mostDrawn(page),
            ui::toQColor(link.settings().colorSet(settings::EditWindow)[settings::MainBackground]));
        EXPECT_NO_FAULTS(testsupport::cutTabs(form.get()));
        EXPECT_EQ(tabs->tabBar()->count(), 5);
        if (showing == 1)
            first = testsupport::shapeOf(form.get());
        else
            EXPECT_NO_FAULTS(
                testsupport::shapeDifferences(first, testsupport::shapeOf(form.get())));
        if (showing != 2)
            saveShot(QStringLiteral("edit_form_showing%1.png").arg(showing));

        // What is typed reaches the field that has the focus, and is seen.
        EXPECT_EQ(testsupport::focusName(form.get()), "Title");
        testsupport::type(form.get(), QStringLiteral("Seen %1").arg(showing));
        EXPECT_EQ(form->findChild<QLineEdit*>("Title")->text(),
                  QStringLiteral("Seen %1").arg(showing));

        FormShape pages;
        EXPECT_NO_FAULTS(faultsOfEveryPage(&pages));
        if (showing == 1)
            firstPages = pages;
        else
            EXPECT_NO_FAULTS(testsupport::shapeDifferences(firstPages, pages));
        clickTab(showing + 1);  // closed on the Worth, Library and Other pages in turn
        exitByKey();
        EXPECT_FALSE(form->isVisible());
    }
}

TEST_F(EditFormShowings, AnotherScreenSizeAndBackGivesTheFirstLookAgain) {
    showAdding();
    const FormShape first = testsupport::shapeOf(form.get());
    const QSize designSize = form->size();
    clickTab(3);
    exitByKey(false);

    link.runState().screenPreset = 800;
    showAdding();
    EXPECT_EQ(form->size(), designSize * 1.25);
    EXPECT_NO_FAULTS(faultsOfEveryPage());
    clickTab(4);
    exitByKey(false);

    link.runState().screenPreset = 640;
    showAdding();
    EXPECT_NO_FAULTS(testsupport::shapeDifferences(first, testsupport::shapeOf(form.get())));
    EXPECT_NO_FAULTS(faultsOfEveryPage());
}

}  // namespace
