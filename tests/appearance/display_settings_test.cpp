// The main window's date, number, screen-size, font and colour items as they
// meet the settings file: the items a run starts with ticked, and what the
// file holds after the window closes.
#include "tests/app/main_fixture.h"

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

#include "data/grid_model.h"
#include "data/run_state.h"
#include "settings/formats.h"
#include "settings/ini_file.h"
#include "settings/settings.h"
#include "settings/text_file.h"
#include "tests/app/main_widgets.h"
#include "ui/screen_size.h"

namespace {

constexpr int kPurchDateColumn = 11;

class DisplaySettings : public MainFixture {
  protected:
    void TearDown() override {
        MainFixture::TearDown();
        settings::settings().formats.setDateFormat(1);
        settings::settings() = settings::Settings();
        ui::choosePresetAtStartup(books::runState(), settings::settings(), QSize(640, 480));
    }

    // Row 4 of the sample books was bought on 5 March 1996.
    QString purchDateShown() const {
        return main->MyDataSource()->index(4, kPurchDateColumn).data().toString();
    }

    static std::optional<QString> stored(const char* section, const char* key) {
        QString text;
        if (!settings::readText(settings::settingsFile(), &text))
            return std::nullopt;
        return settings::IniFile::parse(text).value(QString::fromLatin1(section),
                                                    QString::fromLatin1(key));
    }

    static QList<bool> ticks(const QList<QAction*>& items) {
        QList<bool> out;
        for (const QAction* a : items)
            out << a->isChecked();
        return out;
    }
    QList<bool> dateTicks() const {
        const auto items = mw::MenuDate(main);
        return ticks({items.begin(), items.end()});
    }
    QList<bool> sizeTicks() const {
        const auto items = mw::MenuSize(main);
        return ticks({items.begin(), items.end()});
    }
};

QList<bool> onlyTicked(int count, int index) {
    QList<bool> out(count, false);
    if (index >= 0)
        out[index] = true;
    return out;
}

class StoredFormats : public DisplaySettings {
  protected:
    QByteArray settingsText() const override {
        return "[Sort Order]\nPrimary Sort=0\n"
               "[Misc]\nDate Format=10\nCurrency Format=2\nNumeric Format=3\nWindow Size=4096\n";
    }
};

TEST_F(StoredFormats, TickTheirItemsAtStartAndReachTheFileAgainAtClose) {
    EXPECT_EQ(settings::settings().formats.dateFormat(), 10);
    EXPECT_EQ(dateTicks(), onlyTicked(12, 9));
    EXPECT_EQ(purchDateShown(), QStringLiteral("5/3/1996"));
    EXPECT_TRUE(mw::MenuCurrencyWindows(main)->isChecked());
    EXPECT_FALSE(mw::MenuCurrencyUS(main)->isChecked());
    // A code other than 1 or 2 ticks nothing; a preset that is not one runs
    // as 640 x 480 and is kept.
    EXPECT_FALSE(mw::MenuNumericUS(main)->isChecked() || mw::MenuNumericWindows(main)->isChecked());
    EXPECT_EQ(sizeTicks(), onlyTicked(4, 0));
    EXPECT_EQ(books::runState().screenPreset, 640);

    main->close();
    EXPECT_EQ(stored("Misc", "Date Format"), QStringLiteral("10"));
    EXPECT_EQ(stored("Misc", "Currency Format"), QStringLiteral("2"));
    EXPECT_EQ(stored("Misc", "Numeric Format"), QStringLiteral("3"));
    EXPECT_EQ(stored("Misc", "Window Size"), QStringLiteral("4096"));
}

class UnknownDateCode : public DisplaySettings {
  protected:
    QByteArray settingsText() const override {
        return "[Sort Order]\nPrimary Sort=0\n[Misc]\nDate Format=13\n";
    }
};

TEST_F(UnknownDateCode, TicksNothingUntilAnItemIsChosen) {
    EXPECT_EQ(dateTicks(), onlyTicked(12, -1));
    EXPECT_EQ(purchDateShown(), QStringLiteral("3/5/96"));
    // The first format is not ticked, so choosing it is a change.
    mw::MenuDate(main)[0]->trigger();
    EXPECT_EQ(dateTicks(), onlyTicked(12, 0));
    EXPECT_EQ(settings::settings().dateFormat, 1);
    mw::MenuDate(main)[5]->trigger();
    EXPECT_EQ(purchDateShown(), QStringLiteral("5.3.96"));
    mw::MenuDate(main)[5]->trigger();  // already ticked: stays as it is
    EXPECT_EQ(dateTicks(), onlyTicked(12, 5));
    EXPECT_EQ(purchDateShown(), QStringLiteral("5.3.96"));

    main->close();
    EXPECT_EQ(stored("Misc", "Date Format"), QStringLiteral("6"));
}

TEST_F(DisplaySettings, FontsAndColoursChosenInTheRunAreWrittenAtClose) {
    testsupport::ScriptedPrompter prompter;
    QFont chosen(QStringLiteral("Liberation Serif"), 13);
    chosen.setBold(true);
    prompter.expectFont(chosen);
    mw::MenuButtonFont(main)->trigger();
    EXPECT_EQ(mw::EditButton(main)->font().family(),
              QFont(QStringLiteral("Liberation Serif")).family());

    // The colour button opens the dialog for all five sets.
    QTimer::singleShot(0, [] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_TRUE(dialog);
        auto* sets = dialog->findChild<QComboBox*>(QStringLiteral("ColorSets"));
        sets->setCurrentIndex(9);  // "Wine"
        emit sets->activated(9);
        dialog->findChild<QPushButton*>(QStringLiteral("Ok"))->click();
    });
    mw::ColorSpeed(main)->click();
    EXPECT_EQ(mw::client(main)->palette().color(QPalette::Window), QColor(128, 0, 64));

    main->close();
    EXPECT_EQ(stored("Button Font", "Font Name"), QStringLiteral("Liberation Serif"));
    EXPECT_EQ(stored("Button Font", "Bold"), QStringLiteral("Yes"));
    EXPECT_EQ(stored("Button Font", "Italic"), QStringLiteral("No"));
    for (const char* section : {"Main Window Color", "Edit Window Color", "Search Window Color",
                                "Report Window Color", "Configure Window Color"}) {
        EXPECT_EQ(stored(section, "Main Background"), QStringLiteral("4194432")) << section;
        EXPECT_EQ(stored(section, "Check Text"), QStringLiteral("16711935")) << section;
    }
}

}  // namespace
