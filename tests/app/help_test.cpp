// The built-in help: contents, and a real page for every keyword.
#include <gtest/gtest.h>
#include <QApplication>
#include <QTextBrowser>

#include "ui/help_window.h"
#include "ui/wait_cursor.h"

TEST(HelpWindow, EveryKeywordOpensItsOwnPage) {
    ui::HelpWindow help;
    help.showContents();
    const QString contents = help.browser()->toPlainText();
    EXPECT_TRUE(contents.contains("Tomekeep Books 95"));
    QStringList pages;
    for (const QString& k :
         {QStringLiteral("Search Window"), QStringLiteral("Input Window"),
          QStringLiteral("Export Window"), QStringLiteral("Import Window"),
          QStringLiteral("Report Window"), QStringLiteral("User Defined Reports"),
          QStringLiteral("Backup and Restore")})
        EXPECT_TRUE(ui::HelpWindow::keywords().contains(k)) << k.toStdString();
    for (const QString& k : ui::HelpWindow::keywords()) {
        EXPECT_TRUE(help.showKeyword(k.toLower())) << k.toStdString();
        const QString text = help.browser()->toPlainText();
        EXPECT_FALSE(text.trimmed().isEmpty()) << k.toStdString();
        EXPECT_NE(text, contents) << k.toStdString();
        EXPECT_FALSE(pages.contains(help.currentPage())) << k.toStdString();
        pages << help.currentPage();
    }
    EXPECT_FALSE(help.showKeyword("No Such Window"));
    EXPECT_TRUE(help.currentPage().endsWith("contents.html"));
}

// Every window the help describes is built: no page says it is not.
TEST(HelpWindow, NoPageCallsABuiltWindowUnavailable) {
    ui::HelpWindow help;
    for (const QString& k : ui::HelpWindow::keywords()) {
        ASSERT_TRUE(help.showKeyword(k)) << k.toStdString();
        EXPECT_FALSE(help.browser()->toPlainText().contains("Not available in this version"))
            << k.toStdString();
    }
}

TEST(HelpWindow, LinksOnTheContentsPageLeadToPages) {
    ui::HelpWindow help;
    help.showContents();
    help.browser()->setSource(QUrl("qrc:/help/main.html"));
    EXPECT_TRUE(help.browser()->toPlainText().contains("SEARCH ON"));
}

TEST(WaitCursor, ComesBackEvenWhenTheOperationThrows) {
    try {
        ui::WaitCursor wait;
        ASSERT_NE(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        throw std::runtime_error("engine error");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}
