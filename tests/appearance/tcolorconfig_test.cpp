#include "appearance/tcolorconfig.h"

#include "settings/settings.h"
#include "tests/support/fake_main_link.h"
#include "tests/support/scripted_prompter.h"
#include "ui/screen_size.h"
#include "ui/window_colors.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include <functional>

namespace {

using appearance::TColorConfig;
using settings::WindowColors;

constexpr int kWine = 9;

class ColorConfig : public ::testing::Test {
  protected:
    // Runs the dialog modally as the menu does, and acts on it once shown.
    bool runWith(int code, const std::function<void(TColorConfig*)>& act) {
        bool acted = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<TColorConfig*>(QApplication::activeModalWidget());
            if (!dialog) {
                ADD_FAILURE() << "no colour dialog is showing";
                if (QApplication::activeModalWidget())
                    QApplication::activeModalWidget()->close();
                return;
            }
            acted = true;
            act(dialog);
        });
        const bool changed = appearance::runColorConfig(link, code);
        EXPECT_TRUE(acted);
        return changed;
    }
    static void chooseScheme(TColorConfig* d, int entry) {
        auto* sets = d->findChild<QComboBox*>(QStringLiteral("ColorSets"));
        sets->setCurrentIndex(entry);
        emit sets->activated(entry);
    }
    static void click(TColorConfig* d, const char* name) {
        d->findChild<QPushButton*>(QString::fromLatin1(name))->click();
    }
    WindowColors set(int code) { return link.settings().colorSet(code); }

    testsupport::FakeMainLink link;  // its own settings, at their defaults
};

TEST_F(ColorConfig, WineForTheEditWindowChangesOnlyTheEditSet) {
    const WindowColors before = set(settings::MainWindow);
    EXPECT_TRUE(runWith(settings::EditWindow, [](TColorConfig* d) {
        chooseScheme(d, kWine);
        click(d, "Ok");
    }));
    EXPECT_EQ(set(settings::EditWindow)[settings::MainBackground], 4194432);  // 128,0,64
    EXPECT_EQ(set(settings::EditWindow)[settings::MinorTitle], 16711935);     // 255,0,255
    EXPECT_EQ(set(settings::EditWindow)[settings::CheckText], 16711935);
    for (int code : {1, 3, 4, 5})
        EXPECT_EQ(set(code), before) << code;
}

TEST_F(ColorConfig, CancelOrClosingChangesNothing) {
    const auto all = link.settings().windowColors;
    EXPECT_FALSE(runWith(settings::SearchWindow, [](TColorConfig* d) {
        chooseScheme(d, 3);
        click(d, "Cancel");
    }));
    EXPECT_FALSE(runWith(settings::AllWindows, [](TColorConfig* d) {
        chooseScheme(d, 5);
        d->close();  // the title bar's close
    }));
    EXPECT_EQ(link.settings().windowColors, all);
}

TEST_F(ColorConfig, AllWindowsStartsFromTheMainSetAndWritesAllFive) {
    link.settings().colorSet(settings::MainWindow)[settings::EditText] = 255;
    link.settings().colorSet(settings::ReportWindow)[settings::EditText] = 65280;
    testsupport::ScriptedPrompter prompter;
    prompter.expectColor(QColor(1, 2, 3));
    EXPECT_TRUE(runWith(settings::AllWindows, [](TColorConfig* d) {
        EXPECT_EQ(d->working()[settings::EditText], 255);
        click(d, "MainBack");
        click(d, "Ok");
    }));
    for (int code = 1; code <= 5; ++code) {
        EXPECT_EQ(set(code)[settings::EditText], 255) << code;
        EXPECT_EQ(set(code)[settings::MainBackground], 1 + 2 * 256 + 3 * 65536) << code;
    }
}

TEST_F(ColorConfig, ColourButtonsChangeTheirColourAndRepaintThePreview) {
    testsupport::ScriptedPrompter prompter;
    TColorConfig dialog(link, settings::ConfigureWindow);
    prompter.expectColor(QColor(10, 20, 30));
    click(&dialog, "EditBoxBack");
    EXPECT_EQ(dialog.working()[settings::EditBackground], 10 + 20 * 256 + 30 * 65536);
    auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("EditBox"));
    EXPECT_EQ(edit->palette().color(QPalette::Base), QColor(10, 20, 30));

    prompter.expectColor(std::nullopt);  // the colour dialog cancelled
    click(&dialog, "ComboText");
    EXPECT_EQ(dialog.working()[settings::ComboText], 0);

    // A scheme then a single colour keeps both; the empty entry keeps all.
    dialog.ColorSetsChange(2);
    prompter.expectColor(QColor(255, 0, 0));
    click(&dialog, "MajorTitles");
    dialog.ColorSetsChange(0);
    EXPECT_EQ(dialog.working()[settings::MajorTitle], 255);
    EXPECT_EQ(dialog.working()[settings::MainBackground], 12632256);
    auto* heading = dialog.findChild<QWidget*>(QStringLiteral("WindowBox"));
    EXPECT_EQ(heading->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    auto* schemes = dialog.findChild<QLabel*>(QStringLiteral("PredefinedLabel"));
    EXPECT_EQ(schemes->palette().color(QPalette::WindowText), QColor(0, 0, 0));
    // Nothing reaches the sets without "&Ok".
    EXPECT_EQ(set(settings::ConfigureWindow), WindowColors());
}

TEST_F(ColorConfig, ShowingStartsWithNoSchemeChosen) {
    EXPECT_FALSE(runWith(settings::MainWindow, [](TColorConfig* d) {
        auto* sets = d->findChild<QComboBox*>(QStringLiteral("ColorSets"));
        EXPECT_EQ(sets->currentIndex(), 0);
        EXPECT_EQ(sets->count(), 13);
        EXPECT_EQ(sets->itemText(12), QStringLiteral("Camouflage"));
        EXPECT_EQ(d->windowTitle(), QStringLiteral("Color Configuration"));
        // Centred, then 10 pixels higher since it sits well below the top.
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        ASSERT_GT((screen.height() - d->height()) / 2, 10);
        EXPECT_EQ(d->y() - screen.y(), (screen.height() - d->height()) / 2 - 10);
        EXPECT_EQ(d->x() - screen.x(), (screen.width() - d->width()) / 2);
        click(d, "Cancel");
    }));
}

TEST_F(ColorConfig, TheFixedSizeDialogStillScalesWithThePreset) {
    link.runState().screenPreset = 800;
    runWith(settings::MainWindow, [](TColorConfig* d) {
        EXPECT_EQ(d->size(), QSize(550, 425));
        EXPECT_EQ(d->findChild<QWidget*>(QStringLiteral("Ok"))->geometry(),
                  QRect(10, 380, 113, 35));
        click(d, "Cancel");
    });
}

// The dialog starts from, and writes to, the colour sets of the main window
// it is opened for; the program's own stay as they are.
TEST_F(ColorConfig, TheSetsAreThoseOfItsMainWindow) {
    link.settings().colorSet(settings::SearchWindow)[settings::EditText] = 255;
    const WindowColors program = settings::settings().colorSet(settings::SearchWindow);
    testsupport::ScriptedPrompter prompter;
    prompter.expectColor(QColor(0, 0, 7));
    EXPECT_TRUE(runWith(settings::SearchWindow, [](TColorConfig* d) {
        EXPECT_EQ(d->working()[settings::EditText], 255);
        click(d, "EditBoxBack");
        click(d, "Ok");
    }));
    EXPECT_EQ(set(settings::SearchWindow)[settings::EditBackground], 7 * 65536);
    EXPECT_EQ(settings::settings().colorSet(settings::SearchWindow), program);
}

}  // namespace
