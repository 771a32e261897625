// Every window of the program shown again and again, as a user meets it in
// one run: each showing looks like the first (every control where it was),
// whatever page it was closed on, after another screen size and another
// colour scheme were chosen and chosen back; it fits the screen's free area
// at every screen size the screen allows, with every control sized and clear
// of the others, no tab cut; and what the user types reaches the box they
// type in.
//
// The suite runs on the headless platform's screen as CTest sets it
// (TK_TEST_SCREEN): a 640 x 480 screen, where only the 640 x 480 preset is
// allowed, and a 1280 x 1024 screen, where all four are.
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>

#include "appearance/color_schemes.h"
#include "data/run_state.h"
#include "edit/ui/tmyedit.h"
#include "tests/app/main_fixture.h"
#include "tests/app/window_cases.h"
#include "tests/support/form_checks.h"
#include "tests/support/key_driver.h"
#include "ui/screen_size.h"
#include "ui/window_colors.h"

namespace {

using testsupport::FormShape;

// The texts whose colour no colour set gives: the program chooses one that
// reads.
bool uncoloured(const QWidget* w) {
    const ui::ColorRole role = ui::colorRole(w);
    return role == ui::ColorRole::None || role == ui::ColorRole::Window;
}
using windowcases::Keep;
using windowcases::WindowCase;

QList<QTabWidget*> notebooksOf(QWidget* window) {
    return window->findChildren<QTabWidget*>();
}

void clickTab(QTabWidget* tabs, int index) {
    QTabBar* bar = tabs->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
    QCoreApplication::processEvents();
}

// The presets the test screen allows, smallest first.
QList<int> allowedPresets() {
    QList<int> out;
    for (int preset : ui::kPresets) {
        if (ui::screenAllows(preset, ui::measuredScreen()))
            out << preset;
    }
    return out;
}

class WindowShowings : public MainFixture, public ::testing::WithParamInterface<std::size_t> {
  protected:
    const WindowCase& window() const { return windowcases::windowCases()[GetParam()]; }

    QDialog* open() {
        QDialog* w = window().open(*main, keep);
        if (w)
            windowcases::showAndSettle(w);
        return w;
    }
    void close(QDialog* w) { windowcases::closeWindow(window(), w); }

    // Looks at every page of the window in turn (a click on each tab) and
    // returns what it found wrong; `shape` gets the look of every page.
    QStringList lookAtEveryPage(QDialog* w, FormShape* shape, bool contrast = false) {
        QStringList faults = testsupport::offScreen(w);
        faults << testsupport::cutTabs(w);
        const auto look = [&](const QString& where) {
            for (const QString& f : testsupport::layoutFaultsOfShown(w) + testsupport::cutTexts(w))
                faults << where + f;
            if (contrast) {
                for (const QString& f : testsupport::poorContrast(w, 4.5, uncoloured))
                    faults << where + f;
            }
            if (shape)
                shape->insert(testsupport::shapeOf(w));
        };
        look(QString());
        for (QTabWidget* tabs : notebooksOf(w)) {
            for (int p = 0; p < tabs->count(); ++p) {
                clickTab(tabs, p);
                look(QStringLiteral("page %1: ").arg(tabs->tabText(p)));
            }
            clickTab(tabs, 0);
        }
        return faults;
    }

    // Types into the window's text box (its first one when the case names
    // none) and returns whether the text arrived there.
    void typeAndSee(QDialog* w) {
        QWidget* box = nullptr;
        if (!window().textBox.isEmpty()) {
            box = w->findChild<QWidget*>(window().textBox);
            ASSERT_NE(box, nullptr) << window().textBox.toStdString();
            ASSERT_TRUE(testsupport::focusOn(box));
        } else {
            box = testsupport::focusOn(w, testsupport::Control::TextBox);
        }
        if (!box)
            return;  // nothing to type into
        auto* line = qobject_cast<QLineEdit*>(box);
        if (!line) {
            line = box->findChild<QLineEdit*>();
            ASSERT_NE(line, nullptr) << box->objectName().toStdString();
        }
        line->selectAll();
        testsupport::type(w, QStringLiteral("7"));
        EXPECT_TRUE(line->text().contains(QLatin1Char('7')))
            << box->objectName().toStdString() << " holds \"" << line->text().toStdString() << "\"";
    }

    // Closes the window with the last page of each notebook shown (the
    // first one when `first`).
    void closeOnAPage(QDialog* w, bool first) {
        for (QTabWidget* tabs : notebooksOf(w))
            clickTab(tabs, first ? 0 : tabs->count() - 1);
        close(w);
    }

    // Chooses `scheme` (1 to 12) for all windows in the colour dialog.
    void chooseSchemeForAllWindows(int scheme) {
        QString seen;
        testsupport::closeNextModal(&seen, [scheme](QWidget* dialog) {
            auto* sets = dialog->findChild<QComboBox*>(QStringLiteral("ColorSets"));
            sets->setCurrentIndex(scheme);
            emit sets->activated(scheme);
            dialog->findChild<QPushButton*>(QStringLiteral("Ok"))->click();
        });
        main->ColorItemClick(settings::AllWindows);
        ASSERT_EQ(seen, QStringLiteral("ColorConfig"));
    }

    // Saves a picture of `w` as <window>_<screen>[_<what>].png in the build
    // folder, to be looked at.
    void saveShot(QWidget* w, const QString& what) {
        const QSize screen = ui::measuredScreen();
        QString name =
            QStringLiteral("%1_%2x%3").arg(window().name).arg(screen.width()).arg(screen.height());
        if (!what.isEmpty())
            name += u'_' + what;
        const QString file = QDir(TK_SCREENSHOT_DIR).filePath(name + QStringLiteral(".png"));
        EXPECT_TRUE(w->grab().save(file)) << file.toStdString();
    }

    Keep keep;
};

TEST_P(WindowShowings, LooksAndWorksAlikeOnEveryShowing) {
    testsupport::ScriptedPrompter prompter;  // any message would be a fault
    FormShape first;
    QDialog* w = open();
    ASSERT_NE(w, nullptr);
    EXPECT_NO_FAULTS(lookAtEveryPage(w, &first));
    typeAndSee(w);
    closeOnAPage(w, false);

    // Again, after closing on another page.
    w = open();
    FormShape again;
    EXPECT_NO_FAULTS(lookAtEveryPage(w, &again));
    EXPECT_NO_FAULTS(testsupport::shapeDifferences(first, again));
    typeAndSee(w);
    closeOnAPage(w, true);

    // At the largest screen size, with dark colours for every window.
    main->ScreenSizeClick(allowedPresets().last());
    chooseSchemeForAllWindows(9);  // "Wine"
    w = open();
    EXPECT_NO_FAULTS(lookAtEveryPage(w, nullptr, true));
    saveShot(w, QStringLiteral("wine"));
    typeAndSee(w);
    closeOnAPage(w, false);

    // And back: the first look again.
    main->ScreenSizeClick(640);
    chooseSchemeForAllWindows(2);  // "Gray Mist", the colours of a new settings file
    w = open();
    FormShape back;
    EXPECT_NO_FAULTS(lookAtEveryPage(w, &back));
    EXPECT_NO_FAULTS(testsupport::shapeDifferences(first, back));
    typeAndSee(w);
    close(w);
}

TEST_P(WindowShowings, FitsTheScreenAtEveryScreenSize) {
    testsupport::ScriptedPrompter prompter;
    for (int preset : allowedPresets()) {
        SCOPED_TRACE(preset);
        main->ScreenSizeClick(preset);
        QDialog* w = open();
        ASSERT_NE(w, nullptr);
        EXPECT_NO_FAULTS(lookAtEveryPage(w, nullptr));
        if (preset == allowedPresets().last())
            saveShot(w, QString());
        close(w);
    }
}

// The main window and the edit form under every predefined scheme: the
// count, "SEARCH ON", the menu bars, tabs and pages read.
class SchemesOnTheMainWindow : public WindowShowings {};

TEST_F(SchemesOnTheMainWindow, EveryTextReadsUnderEveryScheme) {
    testsupport::ScriptedPrompter prompter;
    mw::searchAllBooks(main);
    auto* edit = main->findChild<editui::TMyEdit*>();
    ASSERT_NE(edit, nullptr);
    for (int scheme = 1; scheme <= appearance::kSchemeCount; ++scheme) {
        SCOPED_TRACE(appearance::colorSchemes()[static_cast<std::size_t>(scheme - 1)].name);
        chooseSchemeForAllWindows(scheme);
        const QColor back = mw::client(main)->palette().color(QPalette::Window);
        for (const char* name : {"CountLabel", "Count2Label"})
            EXPECT_GE(testsupport::contrastRatio(
                          child<QLabel>(name)->palette().color(QPalette::WindowText), back),
                      4.5)
                << name;
        auto* searchOn = child<QLabel>("SearchOnLabel");
        EXPECT_TRUE(searchOn->isVisible());
        EXPECT_GE(testsupport::contrastRatio(searchOn->palette().color(QPalette::WindowText), back),
                  3.0);  // bold
        EXPECT_NO_FAULTS(testsupport::poorContrast(main, 4.5, uncoloured));
        if (scheme == 9) {  // "Wine", to be looked at
            const QString file = QDir(TK_SCREENSHOT_DIR).filePath("main_window_wine.png");
            EXPECT_TRUE(main->grab().save(file));
        }

        main->runState().editMode = books::EditMode::Edit;
        windowcases::showAndSettle(edit);
        auto* tabs = edit->findChild<QTabWidget*>();
        for (int p = 0; p < tabs->count(); ++p) {
            clickTab(tabs, p);
            EXPECT_NO_FAULTS(testsupport::poorContrast(edit, 4.5, uncoloured));
        }
        edit->reject();
    }
}

INSTANTIATE_TEST_SUITE_P(Windows, WindowShowings,
                         ::testing::Range<std::size_t>(0, windowcases::windowCases().size()),
                         [](const ::testing::TestParamInfo<std::size_t>& param) {
                             return windowcases::windowCases()[param.param].name.toStdString();
                         });

}  // namespace
