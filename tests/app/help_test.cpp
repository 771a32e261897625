// The built-in help: contents, and a real page for every keyword.
#include <gtest/gtest.h>
#include <QApplication>
#include <QDir>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTextBlock>
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

namespace {

// The targets of the links of the page shown.
QStringList linksOf(const QTextBrowser* browser) {
    QStringList out;
    for (QTextBlock b = browser->document()->begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().isAnchor())
                out << it.fragment().charFormat().anchorHref();
    return out;
}

}  // namespace

// Every page is in the topic list, and every link of every page opens
// another page of the help.
TEST(HelpWindow, EveryPageIsListedAndEveryLinkLeadsToAnotherPage) {
    ui::HelpWindow help;
    QStringList files = QDir(":/help").entryList({"*.html"});
    QStringList listed;
    for (const QString& page : ui::HelpWindow::pages())
        listed << QUrl(page).fileName();
    files.sort();
    QStringList sorted = listed;
    sorted.sort();
    EXPECT_EQ(sorted, files);
    EXPECT_EQ(help.topics()->count(), listed.size());

    const QRegularExpression mnemonic("&[A-Za-z]");
    for (const QString& page : ui::HelpWindow::pages()) {
        help.browser()->setSource(QUrl(page));
        const QString name = QUrl(page).fileName();
        EXPECT_FALSE(help.browser()->toPlainText().contains(mnemonic)) << name.toStdString();
        for (const QString& link : linksOf(help.browser())) {
            EXPECT_TRUE(QFile::exists(":/help/" + link))
                << name.toStdString() << " -> " << link.toStdString();
            EXPECT_NE(link, name) << "links to itself";
        }
    }
}

// The topic list marks the page shown, however it was reached, and a click
// on a topic opens its page, also the one marked.
TEST(HelpWindow, TheTopicListFollowsThePageShown) {
    ui::HelpWindow help;
    help.showKeyword("Locate");
    const auto marked = [&help] {
        QListWidgetItem* item = help.topics()->currentItem();
        return item && item->isSelected() ? item->text() : QString();
    };
    EXPECT_EQ(marked(), "Locate");
    help.browser()->setSource(QUrl("qrc:/help/search.html"));  // a link followed
    EXPECT_EQ(marked(), "Search Window");
    help.browser()->backward();
    EXPECT_EQ(marked(), "Locate");

    const auto clickTopic = [&help](const QString& text) {
        QListWidgetItem* item = help.topics()->findItems(text, Qt::MatchExactly).value(0);
        ASSERT_NE(item, nullptr);
        QTest::mouseClick(help.topics()->viewport(), Qt::LeftButton, {},
                          help.topics()->visualItemRect(item).center());
    };
    clickTopic("Collections");
    EXPECT_TRUE(help.currentPage().endsWith("/files.html"));
    EXPECT_EQ(marked(), "Collections");
    help.browser()->setSource(QUrl("qrc:/help/import.html"));
    clickTopic("Import Window");
    EXPECT_TRUE(help.currentPage().endsWith("/import.html"));
    help.browser()->setSource(QUrl("qrc:/help/contents.html"));
    clickTopic("Contents");
    EXPECT_TRUE(help.currentPage().endsWith("/contents.html"));
    EXPECT_TRUE(help.BackButton->isEnabled());
}

// The main page names the viewer configuration's check box by its caption.
TEST(HelpWindow, TheMainPageNamesTheFieldEditingBoxByItsCaption) {
    ui::HelpWindow help;
    help.showKeyword("Main Window");
    EXPECT_TRUE(help.browser()->toPlainText().contains("Allow field editing"));
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
