// The scripted prompter must be strict: every surprise fails the test.
#include "tests/support/scripted_prompter.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>
#include <QDir>
#include <QStandardPaths>

using testsupport::ScriptedPrompter;

TEST(ScriptedPrompter, AnswersInOrderAndRestoresRealDialogs) {
    ui::Prompter* before = ui::prompter();
    {
        ScriptedPrompter p;
        EXPECT_EQ(ui::prompter(), &p);
        p.expectQuestion("Confirm", "Delete this record?", true);
        p.expectQuestion("Warning", "Really?", false);
        p.expectOpenFile("/tmp/a.dbf", "Open");
        p.expectSaveFile(QString());
        p.expectColor(QColor(Qt::red));
        p.expectFont(std::nullopt);
        p.expectPrinterSetup(true);
        p.expectDirectory("/tmp");
        p.expectError("bad");
        EXPECT_TRUE(ui::askYesNo(nullptr, "Confirm", "Delete this record?"));
        EXPECT_FALSE(ui::askYesNo(nullptr, "Warning", "Really?"));
        EXPECT_EQ(ui::getOpenFileName(nullptr, "Open", "/", "*.dbf"), "/tmp/a.dbf");
        EXPECT_TRUE(ui::getSaveFileName(nullptr, "Save", "/", "*").isEmpty());
        EXPECT_EQ(ui::getColor(nullptr, Qt::white), QColor(Qt::red));
        EXPECT_FALSE(ui::getFont(nullptr, QFont()).has_value());
        EXPECT_TRUE(ui::setupPrinter(nullptr, nullptr));
        EXPECT_EQ(ui::getExistingDirectory(nullptr, "Folder", "/"), "/tmp");
        ui::showError(nullptr, "bad");
        EXPECT_EQ(p.pending(), 0);
        EXPECT_EQ(p.asked().size(), 9);
    }
    EXPECT_EQ(ui::prompter(), before);
}

TEST(ScriptedPrompter, ChoicesWithADefaultNoAnswerAndCheckTheirButtons) {
    ScriptedPrompter p;
    p.expectChoice("Warning", "Update?", ui::Answer::Cancel);
    p.expectChoice("Warning", "Exit?", ui::Answer::Yes, false);
    EXPECT_EQ(ui::askDefaultNo(nullptr, "Warning", "Update?", true), ui::Answer::Cancel);
    EXPECT_EQ(ui::askDefaultNo(nullptr, "Warning", "Exit?", false), ui::Answer::Yes);
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedPrompter q;
            q.expectChoice("Warning", "Update?", ui::Answer::Yes, true);
            EXPECT_EQ(ui::askDefaultNo(nullptr, "Warning", "Update?", false), ui::Answer::No);
        },
        "choice");
}

TEST(ScriptedPrompter, SurprisesFailTheTest) {
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedPrompter p;
            ui::showNotice(nullptr, "hello");
        },
        "unexpected prompt");
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedPrompter p;
            p.expectError("one");
            ui::showError(nullptr, "two");
        },
        "expected \"one\"");
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedPrompter p;
            p.expectNotice("n");
            ui::showError(nullptr, "n");
        },
        "Notice expected");
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedPrompter p;
            p.expectNotice("done", "Ok");
            ui::showNotice(nullptr, "done");
        },
        "expected Ok");
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedPrompter p;
            p.expectQuestion("Confirm", "Sure?", true);
        },
        "never asked");
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedPrompter p;
            p.expectOpenFile("/x", "Open Table");
            EXPECT_TRUE(ui::getOpenFileName(nullptr, "Other", "/", "*").isEmpty());
        },
        "dialog title");
}

TEST(ScriptedPrompter, WrongQuestionIsAnsweredNo) {
    bool answer = true;
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedPrompter p;
            p.expectQuestion("Confirm", "Delete?", true);
            answer = ui::askYesNo(nullptr, "Warning", "Delete?");
        },
        "question");
    EXPECT_FALSE(answer);
}

TEST(QtTestMain, FoldersPointAtATemporaryHome) {
    const QString data = qEnvironmentVariable("XDG_DATA_HOME");
    const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    EXPECT_TRUE(QDir(data).exists());
    EXPECT_TRUE(QDir(config).exists());
    EXPECT_TRUE(data.startsWith(QDir::tempPath()));
    EXPECT_EQ(qEnvironmentVariable("QT_QPA_PLATFORM"), "offscreen");
}
