#include "settings/settings.h"
#include "settings/ini_file.h"
#include "settings/text_file.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <unistd.h>

namespace {

using settings::IniFile;
using settings::Settings;

class SettingsFile : public ::testing::Test {
  protected:
    QString path() const { return dir_.filePath(QStringLiteral("TMKBOOK.INI")); }

    void writeRaw(const QByteArray& bytes) {
        QFile f(path());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray readRaw() const {
        QFile f(path());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    Settings loadFrom(const QByteArray& bytes) {
        writeRaw(bytes);
        Settings s;
        EXPECT_TRUE(s.load(path()));
        return s;
    }

    QTemporaryDir dir_;
};

TEST_F(SettingsFile, WithoutAFileEveryDefaultApplies) {
    Settings s;
    s.buttonBar = 3;  // load() must reset what was there before
    ASSERT_TRUE(s.load(path()));
    EXPECT_EQ(s.buttonBar, 1);
    EXPECT_EQ(s.mainWindowLeft, 0);
    EXPECT_EQ(s.mainWindowTop, 0);
    EXPECT_EQ(s.mainWindowWidth, 640);
    EXPECT_EQ(s.mainWindowHeight, 480);
    EXPECT_TRUE(s.lastDatabase.isEmpty());
    EXPECT_TRUE(s.showTips);
    EXPECT_EQ(s.windowSize, 640);
    EXPECT_EQ(s.dateFormat, 1);
    EXPECT_EQ(s.currencyFormat, 1);
    EXPECT_EQ(s.numericFormat, 1);
    for (int n = 1; n <= fields::kFieldCount; ++n) {
        EXPECT_TRUE(s.displayFields[n]) << n;
        EXPECT_EQ(s.fieldWidth[n], 15) << n;
        EXPECT_EQ(s.fieldOrder[n], n) << n;
        EXPECT_EQ(s.exportOrder[n], n) << n;
    }
    EXPECT_EQ(s.fieldNames[3], QStringLiteral("Year Pub"));
    EXPECT_EQ(s.sortOrder, (std::array<int, 4>{2, 0, 0, 0}));
    for (const auto* font :
         {&s.gridFont, &s.gridTitleFont, &s.editFont, &s.labelFont, &s.buttonFont}) {
        EXPECT_EQ(font->name, QStringLiteral("Arial"));
        EXPECT_FALSE(font->bold || font->italic || font->underline || font->strikeout);
    }
    EXPECT_EQ(s.gridTitleFont.size, 12);
    EXPECT_EQ(s.gridFont.size, 10);
    EXPECT_EQ(s.gridTitleColor, 8553090);
    EXPECT_EQ(s.gridCellColor, 12632256);
    EXPECT_FALSE(s.gridFieldEditing);
    for (int code = 1; code <= 5; ++code) {
        const auto& c = s.colorSet(code);
        EXPECT_EQ(c[settings::MainBackground], 12632256);
        EXPECT_EQ(c[settings::EditBackground], 16777215);
        EXPECT_EQ(c[settings::EditText], 0);
        EXPECT_EQ(c[settings::CheckBackground], 12632256);
    }
    EXPECT_EQ(s.reportViewWidth, 640);
    EXPECT_EQ(s.reportViewHeight, 480);
}

// White, 16777215, is the largest colour value: it is read as a colour
// like any other (the cell colour's default is silver) and written back.
TEST_F(SettingsFile, WhiteIsReadBackAsAColour) {
    Settings s = loadFrom(
        "[Grid Options]\nCell Color=16777215\n[Grid Font]\nColor=16777215\n"
        "[Main Window Color]\nMain Background=16777215\n");
    EXPECT_EQ(s.gridCellColor, 16777215);
    EXPECT_EQ(s.gridFont.color, 16777215);
    EXPECT_EQ(s.colorSet(1)[settings::MainBackground], 16777215);
    ASSERT_TRUE(s.save(path()));
    Settings again;
    ASSERT_TRUE(again.load(path()));
    EXPECT_EQ(again.gridCellColor, 16777215);
    EXPECT_TRUE(readRaw().contains("Cell Color=16777215"));
}

TEST_F(SettingsFile, APartialFileIsRewrittenInFullInTheFixedOrder) {
    Settings s = loadFrom("[Sort Order]\nPrimary Sort=5\n[Misc]\nButton Bar=2\n");
    EXPECT_EQ(s.buttonBar, 2);
    EXPECT_EQ(s.sortOrder[0], 5);
    ASSERT_TRUE(s.save(path()));

    QString text;
    ASSERT_TRUE(settings::readText(path(), &text));
    const IniFile ini = IniFile::parse(text);
    QStringList names;
    for (const auto& section : ini.sections())
        names << section.name;
    EXPECT_EQ(names, (QStringList{"Misc",
                                  "Field Names",
                                  "Display Fields",
                                  "Field Width",
                                  "Field Order",
                                  "Export Fields",
                                  "Export Order",
                                  "Export",
                                  "Import",
                                  "Sort Order",
                                  "Main Window Color",
                                  "Edit Window Color",
                                  "Search Window Color",
                                  "Report Window Color",
                                  "Configure Window Color",
                                  "Grid Title",
                                  "Grid Title Font",
                                  "Grid Font",
                                  "Grid Options",
                                  "Edit Font",
                                  "Label Font",
                                  "Button Font",
                                  "Reports"}));
    const auto& misc = ini.sections().at(0).entries;
    ASSERT_EQ(misc.size(), 18);
    EXPECT_EQ(misc.at(0).key, QStringLiteral("Button Bar"));
    EXPECT_EQ(misc.at(0).value, QStringLiteral("2"));
    EXPECT_EQ(misc.at(8).key, QStringLiteral("Last File 1"));
    EXPECT_EQ(misc.at(13).key, QStringLiteral("Show Tips"));
    EXPECT_EQ(misc.at(13).value, QStringLiteral("Yes"));
    EXPECT_EQ(ini.sections().at(1).entries.size(), 36);
    EXPECT_EQ(ini.sections().at(1).entries.at(35).key, QStringLiteral("UserDef6"));
    EXPECT_EQ(ini.value("Sort Order", "Primary Sort"), QStringLiteral("5"));
    EXPECT_EQ(ini.value("Grid Font", "Strikeout"), QStringLiteral("No"));
    EXPECT_EQ(ini.value("Edit Window Color", "Edit Background"), QStringLiteral("16777215"));
    // The label, edit and button fonts keep only name, bold and italic.
    EXPECT_EQ(ini.sections().at(19).entries.size(), 3);
}

TEST_F(SettingsFile, UnknownSectionsAndKeysAreKept) {
    Settings s = loadFrom(
        "[Plugins]\nSome Key With Blanks = a value \n"
        "[misc]\nButton Bar=3\nFuture Option=on\n"
        "[Reports]\nLast Report=4\n");
    EXPECT_EQ(s.buttonBar, 3);
    s.lastReport = 7;
    ASSERT_TRUE(s.save(path()));

    QString text;
    ASSERT_TRUE(settings::readText(path(), &text));
    const IniFile ini = IniFile::parse(text);
    EXPECT_EQ(ini.value("Plugins", "Some Key With Blanks"), QStringLiteral("a value"));
    EXPECT_EQ(ini.value("Misc", "Future Option"), QStringLiteral("on"));
    EXPECT_EQ(ini.value("Reports", "Last Report"), QStringLiteral("7"));
    // Known keys first, then the unknown one of the same section; unknown
    // sections after the program's own.
    const auto& misc = ini.sections().at(0).entries;
    EXPECT_EQ(misc.last().key, QStringLiteral("Future Option"));
    EXPECT_EQ(ini.sections().last().name, QStringLiteral("Plugins"));
    // And they survive a second round.
    Settings again;
    ASSERT_TRUE(again.load(path()));
    ASSERT_TRUE(again.save(path()));
    ASSERT_TRUE(settings::readText(path(), &text));
    EXPECT_EQ(IniFile::parse(text).value("Plugins", "Some Key With Blanks"),
              QStringLiteral("a value"));
}

TEST_F(SettingsFile, ShowTipsIsTrueExactlyForYesInAnyCase) {
    const std::pair<const char*, bool> cases[] = {
        {"Yes", true}, {"yes", true}, {"YES", true}, {"yEs", true},         {"No", false},
        {"1", false},  {"", false},   {"Y", false},  {"yes please", false}, {"true", false}};
    for (const auto& [value, expected] : cases) {
        const Settings s = loadFrom(QByteArray("[Misc]\nShow Tips=") + value + "\n");
        EXPECT_EQ(s.showTips, expected) << value;
    }
}

TEST_F(SettingsFile, LongValuesAreCutToTheirRoom) {
    const QByteArray longPath = "/" + QByteArray(300, 'p');
    const Settings s = loadFrom(
        "[Field Names]\nTitle=A caption much longer than twenty\n"
        "[Misc]\nLast Database=" +
        longPath +
        "\n"
        "[Grid Font]\nFont Name=" +
        QByteArray(200, 'f') + "\n");
    EXPECT_EQ(s.fieldNames[1], QStringLiteral("A caption much longe"));
    EXPECT_EQ(s.lastDatabase.size(), 249);
    EXPECT_EQ(s.gridFont.name.size(), 149);
}

TEST_F(SettingsFile, IntegersThatAreNotWholeNumbersKeepTheirDefault) {
    const Settings s = loadFrom(
        "[Misc]\nWindow Size=800.5\nButton Bar=abc\nMain Window Left=-20\nMain Window Top= 7 \n"
        "Date Format=99999999999\nMain Window Width=\n"
        "[Main Window Color]\nMain Background=-1\nMajor Title=16777216\nMinor Title=255\n");
    EXPECT_EQ(s.windowSize, 640);
    EXPECT_EQ(s.buttonBar, 1);
    EXPECT_EQ(s.mainWindowLeft, -20);
    EXPECT_EQ(s.mainWindowTop, 7);
    EXPECT_EQ(s.dateFormat, 1);  // too large for an integer
    EXPECT_EQ(s.mainWindowWidth, 640);
    EXPECT_EQ(s.colorSet(1)[settings::MainBackground], 12632256);
    EXPECT_EQ(s.colorSet(1)[settings::MajorTitle], 0);
    EXPECT_EQ(s.colorSet(1)[settings::MinorTitle], 255);
}

TEST_F(SettingsFile, EveryKindOfValueSurvivesSaveAndLoad) {
    Settings s;
    s.lastDatabase = QStringLiteral("/home/u/Bücher/MASTER.DBF");
    s.lastFiles[4] = QStringLiteral("/x/y.dbf");
    s.showTips = false;
    s.fieldNames[36] = QStringLiteral("Signed");
    s.displayFields[7] = false;
    s.fieldOrder[1] = 36;
    s.exportFields[2] = false;
    s.sortOrder = {3, 1, 0, 12};
    s.colorSet(settings::ReportWindow)[settings::CheckText] = 65280;
    s.gridTitleFont = {255, QStringLiteral("Liberation Serif"), 14, true, false, true, true};
    s.labelFont.italic = true;
    s.gridFieldEditing = true;
    ASSERT_TRUE(s.save(path()));

    Settings back;
    ASSERT_TRUE(back.load(path()));
    EXPECT_EQ(back.lastDatabase, s.lastDatabase);
    EXPECT_EQ(back.lastFiles, s.lastFiles);
    EXPECT_EQ(back.showTips, false);
    EXPECT_EQ(back.fieldNames, s.fieldNames);
    EXPECT_EQ(back.displayFields, s.displayFields);
    EXPECT_EQ(back.fieldOrder, s.fieldOrder);
    EXPECT_EQ(back.exportFields, s.exportFields);
    EXPECT_EQ(back.sortOrder, s.sortOrder);
    EXPECT_EQ(back.windowColors, s.windowColors);
    EXPECT_EQ(back.gridTitleFont, s.gridTitleFont);
    EXPECT_EQ(back.labelFont, s.labelFont);
    EXPECT_TRUE(back.gridFieldEditing);
    EXPECT_TRUE(readRaw().contains("Bücher"));  // written as UTF-8
}

TEST_F(SettingsFile, ALineBreakInAValueCannotAddKeys) {
    Settings s;
    s.lastDatabase = QStringLiteral("/tmp/odd\n[Misc]\nShow Tips=No\r\nButton Bar=3.dbf");
    s.fieldNames[1] = QStringLiteral("Two\nLines");
    ASSERT_TRUE(s.save(path()));
    Settings back;
    ASSERT_TRUE(back.load(path()));
    EXPECT_TRUE(back.showTips);
    EXPECT_EQ(back.buttonBar, 1);
    EXPECT_EQ(back.lastDatabase, QStringLiteral("/tmp/odd [Misc] Show Tips=No  Button Bar=3.dbf"));
    EXPECT_EQ(back.fieldNames[1], QStringLiteral("Two Lines"));
    EXPECT_EQ(back.fieldNames[2], s.fieldNames[2]);
}

TEST_F(SettingsFile, AFileFromTheEarlierPlatformReadsAsWindows1252) {
    const Settings s = loadFrom("[Field Names]\nAuthor=Auteur \xe9tranger \x80\n");
    EXPECT_EQ(s.fieldNames[2], QStringLiteral("Auteur étranger €"));
}

TEST_F(SettingsFile, AFailedWriteLeavesTheOldFileIntact) {
    writeRaw("[Misc]\nButton Bar=2\n");
    const QByteArray before = readRaw();
    Settings s;
    ASSERT_TRUE(s.load(path()));
    s.buttonBar = 3;
    {
        settings::WriteFaultForTesting diskFull(100);
        QString error;
        EXPECT_FALSE(s.save(path(), &error));
        EXPECT_TRUE(error.contains(path())) << error.toStdString();
        EXPECT_TRUE(error.contains(QStringLiteral("No space left on device")));
    }
    EXPECT_EQ(readRaw(), before);
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files), QStringList{"TMKBOOK.INI"});
    // Once the fault is gone the same values are written.
    EXPECT_TRUE(s.save(path()));
    Settings back;
    ASSERT_TRUE(back.load(path()));
    EXPECT_EQ(back.buttonBar, 3);
}

TEST_F(SettingsFile, AMissingConfigurationFolderIsCreatedOnSaving) {
    const QString nested = dir_.filePath(QStringLiteral("new/config/TMKBOOK.INI"));
    Settings s;
    s.buttonBar = 2;
    ASSERT_TRUE(s.save(nested));
    Settings back;
    ASSERT_TRUE(back.load(nested));
    EXPECT_EQ(back.buttonBar, 2);
}

TEST_F(SettingsFile, AFolderThatCannotBeWrittenLeavesTheOldFileIntact) {
    if (geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind the superuser";
    writeRaw("[Misc]\nButton Bar=2\n");
    const QByteArray before = readRaw();
    ASSERT_TRUE(QFile::setPermissions(dir_.path(), QFile::ReadOwner | QFile::ExeOwner));
    Settings s;
    s.buttonBar = 3;
    EXPECT_FALSE(s.save(path()));
    QFile::setPermissions(dir_.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(readRaw(), before);
}

TEST_F(SettingsFile, ADamagedFileGivesDefaultsWhereItMakesNoSense) {
    QByteArray junk;
    for (int i = 0; i < 4096; ++i)
        junk.append(static_cast<char>((i * 131 + 7) % 256));
    junk += "\n[Misc\n=\n[]\nButton Bar\n[Misc]\nButton Bar=2";
    junk += '\0';
    junk += "junk\n";
    junk += QByteArray(100000, '[');
    const Settings s = loadFrom(junk);
    EXPECT_EQ(s.windowSize, 640);
    EXPECT_EQ(s.mainWindowWidth, 640);
    EXPECT_TRUE(s.showTips);
    // Whatever was read, the file is written back whole and reads again.
    ASSERT_TRUE(s.save(path()));
    Settings back;
    ASSERT_TRUE(back.load(path()));
    EXPECT_EQ(back.sortOrder, s.sortOrder);
}

TEST(IniFileText, FirstOccurrenceWinsAndJunkLinesAreIgnored) {
    const IniFile ini = IniFile::parse(
        "Orphan=1\r\n; comment\r\n[A]\r\nKey=one\r\nno equals sign\r\nkey=two\r\n[ a "
        "]\r\nOther=3\r\n");
    EXPECT_EQ(ini.sections().size(), 1);
    EXPECT_EQ(ini.value("a", "KEY"), QStringLiteral("one"));
    EXPECT_EQ(ini.value("A", "Other"), QStringLiteral("3"));
    EXPECT_FALSE(ini.value("A", "Orphan"));
    EXPECT_FALSE(ini.value("B", "Key"));
}

}  // namespace
