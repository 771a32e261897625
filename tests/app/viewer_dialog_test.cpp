// The Viewer and Tips commands with their windows: what the dialogs change,
// what the main window's grid shows afterwards, and what reaches the
// settings file.
#include <QCheckBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include "appearance/tviewconfig.h"
#include "data/grid_model.h"
#include "info/ttipofday.h"
#include "tests/app/main_fixture.h"
#include "tests/app/main_widgets.h"

namespace {

using appearance::TViewConfig;

QString settingsFileText() {
    QFile f(settings::settingsFile());
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

class ViewerDialogTest : public MainFixture {
  protected:
    QHeaderView* header() const { return mw::ViewerGrid(main)->horizontalHeader(); }
    std::vector<int> shownFields() const {
        std::vector<int> v;
        for (int i = 0; i < 36; ++i) {
            const int logical = header()->logicalIndex(i);
            if (!header()->isSectionHidden(logical))
                v.push_back(logical + 1);
        }
        return v;
    }
    // Runs the Viewer command from its button and acts on the dialog.
    void runViewer(const std::function<void(TViewConfig*)>& act) {
        QString seen;
        testsupport::closeNextModal(&seen, [&act](QWidget* w) {
            auto* d = qobject_cast<TViewConfig*>(w);
            ASSERT_NE(d, nullptr);
            act(d);
            if (d->isVisible())
                d->findChild<QPushButton*>("ExitButton")->click();
        });
        mw::MenuViewer(main)->trigger();
        EXPECT_EQ(seen, "ViewConfig");
    }
};

TEST_F(ViewerDialogTest, TheGridShowsWhatTheDialogChose) {
    testsupport::ScriptedPrompter prompts;
    prompts.expectFont(QFont("Courier New", 16));
    prompts.expectColor(QColor(0, 0, 255));
    runViewer([](TViewConfig* d) {
        d->FieldWidthGrid->item(2, 1)->setText("30");   // Year Pub
        d->FieldNameGrid->item(2, 1)->setText("Year");  // renamed ...
        d->FieldOrderGrid->setCurrentCell(2, 0);        // ... and moved first
        d->OrderUpClick();
        d->OrderUpClick();
        d->FieldsToDisplay->setCurrentCell(1, 1);  // Author hidden
        d->FieldsToDisplayDblClick();
        d->ShowGridTitle->click();
        d->RowIndicator->click();
        d->FieldEditing->click();
        d->TitleRight->click();
        d->NewFontButton->click();
        d->NewColorBUtton->click();
    });
    const auto fields = shownFields();
    ASSERT_EQ(fields.size(), 35u);
    EXPECT_EQ(fields[0], 3);
    EXPECT_EQ(fields[1], 1);
    EXPECT_EQ(fields[2], 4);
    EXPECT_TRUE(header()->isSectionHidden(1));
    EXPECT_EQ(main->MyDataSource()->headerData(2, Qt::Horizontal).toString(), "Year");
    QTableView* grid = mw::ViewerGrid(main);
    EXPECT_EQ(grid->font().family(), "Courier New");
    EXPECT_EQ(grid->font().pointSize(), 16);
    EXPECT_EQ(header()->sectionSize(2), 30 * QFontMetrics(grid->font()).horizontalAdvance('0') + 4);
    EXPECT_FALSE(header()->isVisible());
    EXPECT_FALSE(grid->verticalHeader()->isVisible());
    EXPECT_NE(grid->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_EQ(grid->palette().color(QPalette::Base), QColor(0, 0, 255));
    EXPECT_TRUE(main->MyDataSource()->headerData(0, Qt::Horizontal, Qt::TextAlignmentRole).toInt() &
                Qt::AlignRight);

    // Nothing is written until the program closes; then all of it is.
    EXPECT_FALSE(settingsFileText().contains("Year"));
    main->close();
    const QString ini = settingsFileText();
    EXPECT_TRUE(ini.contains("YearPub=Year\n"));
    EXPECT_TRUE(ini.contains("YearPub=30\n"));
    EXPECT_TRUE(ini.contains("Author=No\n"));
    EXPECT_TRUE(ini.contains("Show Titles=No\n"));
    EXPECT_TRUE(ini.contains("Field Editing=Yes\n"));
    EXPECT_TRUE(ini.contains("Font Name=Courier New\n"));
    EXPECT_TRUE(ini.contains("Cell Color=16711680\n"));
    EXPECT_TRUE(ini.contains("Alignment=3\n"));
}

TEST_F(ViewerDialogTest, ClosingByTheTitleBarAppliesToTheGridToo) {
    runViewer([](TViewConfig* d) {
        d->FieldsToDisplay->setCurrentCell(0, 1);
        d->FieldsToDisplayDblClick();
        d->close();
    });
    EXPECT_TRUE(header()->isSectionHidden(0));
    EXPECT_FALSE(settings::settings().displayFields[1]);
}

class TipsAtStartTest : public MainFixture {
  protected:
    QByteArray settingsText() const override {
        return MainFixture::settingsText() + "[Misc]\nShow Tips=Yes\n";
    }
    void beforeShow() override {
        info::registerTipsCommand(*main);
        testsupport::closeNextModal(&seen, [this](QWidget* w) {
            auto* tip = qobject_cast<info::TTipOfDay*>(w);
            ASSERT_NE(tip, nullptr);
            tipText = tip->TipComment->text();
            wasTicked = tip->ShowTips->isChecked();
            tip->ShowTips->click();
            tip->CloseButton->click();
        });
    }
    QString seen;
    QString tipText;
    bool wasTicked = false;
};

TEST_F(TipsAtStartTest, TheTipOpensAtStartAndItsCheckBoxReachesTheFile) {
    main->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(main));
    for (int i = 0; i < 100 && seen.isEmpty(); ++i)
        QTest::qWait(10);
    EXPECT_EQ(seen, "TipOfDay");
    EXPECT_TRUE(wasTicked);
    EXPECT_FALSE(tipText.isEmpty());
    EXPECT_FALSE(settings::settings().showTips);
    main->close();
    EXPECT_TRUE(settingsFileText().contains("Show Tips=No\n"));
}

// With "Show Tips" off the Help menu item still opens the window, unticked.
TEST_F(ViewerDialogTest, TheTipsMenuItemOpensTheWindowWhateverTheSetting) {
    info::registerTipsCommand(*main);
    settings::settings().showTips = false;
    QString seen;
    bool wasTicked = true;
    testsupport::closeNextModal(&seen, [&wasTicked](QWidget* w) {
        auto* tip = qobject_cast<info::TTipOfDay*>(w);
        ASSERT_NE(tip, nullptr);
        wasTicked = tip->ShowTips->isChecked();
        tip->ShowTips->click();
        tip->close();
    });
    mw::MenuTips(main)->trigger();
    EXPECT_EQ(seen, "TipOfDay");
    EXPECT_FALSE(wasTicked);
    EXPECT_TRUE(settings::settings().showTips);
}

}  // namespace
