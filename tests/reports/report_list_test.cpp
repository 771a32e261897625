// The report list "Reports": its controls and texts, the names of the
// definitions file in file order, the report remembered, the messages, and
// each way of running a report (preview stream, PDF printer, text file),
// also with a search active.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTimer>

#include "data/run_state.h"
#include "reports/definition_file.h"
#include "reports/ui/reports_commands.h"
#include "reports/ui/tmyreport.h"
#include "reports/ui/treportform.h"
#include "settings/settings.h"
#include "tests/reports/engine_support.h"
#include "tests/reports/report_window_support.h"
#include "tests/support/book_samples.h"
#include "tests/support/fake_main_link.h"
#include "tests/support/scripted_prompter.h"
#include "ui/help_window.h"

using reportsui::TMyReport;
using reportsui::TReportForm;

namespace {

using testsupport::PrinterMainLink;
using testsupport::StatusCloser;

QStringList pageTexts(const reports::PageStream& stream, int page) {
    testsupport::KeepingSink sink;
    stream.replay(page, sink);
    return sink.texts();
}

class ReportListTest : public ::testing::Test {
  protected:
    void SetUp() override {
        main.runState().programDirectory = dir.path();
        ASSERT_TRUE(
            reports::DefinitionFile::inDirectory(dir.path()).replaceAll(reports::builtInReports()));
        books_ = dir.filePath("MASTER.DBF");
        testsupport::writeSampleCollection(books_, 60);
        main.collection().setSortLevels({2, 0, 0, 0});
        main.collection().openWithSortTag(books_);
        form = std::make_unique<TMyReport>(main);
        form->showPreview = [this](ui::MainWindowLink&, const reports::ReportDefinition& d,
                                   reports::PageStream& s) {
            previewed = d.name;
            previewPages = s.pageCount();
            if (s.pageCount() > 0) {
                firstPage = pageTexts(s, 1);
                lastPage = pageTexts(s, s.pageCount());
            }
        };
    }
    void TearDown() override { form.reset(); }
    void select(int row) { form->ReportBox->setCurrentRow(row); }

    QTemporaryDir dir;
    QString books_;
    PrinterMainLink main;
    std::unique_ptr<TMyReport> form;
    QString previewed;
    int previewPages = 0;
    QStringList firstPage, lastPage;
};

TEST_F(ReportListTest, ShowsItsControlsTheNamesInFileOrderAndTheSortOrder) {
    reports::ReportDefinition mine = reports::newReportDefinition();
    mine.name = QStringLiteral("My Own Report");
    ASSERT_TRUE(reports::DefinitionFile::inDirectory(dir.path()).append(mine));
    form->LoadReportBox();
    form->show();
    EXPECT_EQ(form->windowTitle(), "Reports");
    QStringList expected;
    for (const auto& d : reports::builtInReports())
        expected << d.name;
    expected << "My Own Report";
    QStringList shown;
    for (int i = 0; i < form->ReportBox->count(); ++i)
        shown << form->ReportBox->item(i)->text();
    EXPECT_EQ(shown, expected);
    const std::vector<std::pair<const char*, QString>> captions{{"Label1", "Current Sort Order"},
                                                                {"WhatLabel", "What to Print"},
                                                                {"StyleLabel", "Report Selection"},
                                                                {"ModifyButton", "&Modify Report"},
                                                                {"NewButton", "&New Report"},
                                                                {"ViewButton", "&View"},
                                                                {"PrintButton", "&Print"},
                                                                {"FileButton", "Print To &File"},
                                                                {"HelpButton", "&Help"},
                                                                {"ExitButton", "E&xit"}};
    for (const auto& [name, caption] : captions) {
        auto* w = form->findChild<QWidget*>(QLatin1String(name));
        ASSERT_NE(w, nullptr) << name;
        const QString text = qobject_cast<QLabel*>(w) ? qobject_cast<QLabel*>(w)->text()
                                                      : qobject_cast<QPushButton*>(w)->text();
        EXPECT_EQ(text, caption) << name;
    }
    EXPECT_TRUE(form->ViewButton->isDefault());
    EXPECT_EQ(form->SortOrderLabel->text(), main.settings().fieldNames[2]);
    settings::Settings own;
    own.fieldNames[2] = QStringLiteral("Writer");
    own.fieldNames[3] = QStringLiteral("Published");
    const reports::FieldCaptions renamed = reports::fieldCaptions(own);
    EXPECT_EQ(TMyReport::sortOrderText({0, 0, 0, 0}, renamed), "No Sort Order Selected");
    EXPECT_EQ(TMyReport::sortOrderText({3, 0, 2, 0}, renamed), "Published, Writer");
    // No search: only the whole collection can be printed.
    EXPECT_TRUE(form->ExportEntire->isChecked());
    EXPECT_FALSE(form->ExportSearch->isEnabled());
    form->close();

    main.beginSearch([](const dbase::Table& t) { return t.recNo() <= 10; });
    form->show();
    EXPECT_TRUE(form->ExportSearch->isEnabled());
    EXPECT_TRUE(form->ExportSearch->isChecked());
    EXPECT_FALSE(form->ExportEntire->isChecked());
    form->close();
}

TEST_F(ReportListTest, ReopeningSelectsTheReportUsedLast) {
    form->show();
    EXPECT_EQ(form->ReportBox->currentRow(), 0);
    select(5);
    form->ExitButton->click();
    EXPECT_EQ(main.settings().lastReport, 5);
    TMyReport other(main);  // as in the next run, from the settings
    other.show();
    EXPECT_EQ(other.ReportBox->currentRow(), 5);
    other.close();
}

TEST_F(ReportListTest, NoSelectionAndAMissingFileAreRefused) {
    form->show();
    form->ReportBox->setCurrentRow(-1);
    {
        testsupport::ScriptedPrompter p;
        const QString none = "No Report has been selected.  Please choose one.";
        p.expectError(none);
        form->ViewButton->click();
        p.expectError(none);
        form->PrintButton->click();
        p.expectError(none);
        form->ModifyButton->click();
        // The file name is asked first; cancelling it says nothing.
        p.expectSaveFile(dir.filePath("OUT.TXT"), "Save Report As a Text File");
        p.expectError(none);
        form->FileButton->click();
        p.expectSaveFile(QString());
        form->FileButton->click();
        EXPECT_TRUE(
            p.asked().contains("SaveFile Save Report As a Text File |  | Text Files (*.TXT) | TXT"))
            << p.asked().join('\n').toStdString();
        // Caption "Error", with the warning icon.
        EXPECT_TRUE(p.asked().contains("Error (warning icon): " + none))
            << p.asked().join('\n').toStdString();
    }
    select(1);
    ASSERT_TRUE(QFile::remove(reports::DefinitionFile::inDirectory(dir.path()).path()));
    {
        testsupport::ScriptedPrompter p;
        p.expectError("Report format could not be located.");
        form->ViewButton->click();
        p.expectError("Report format could not be located.");
        form->PrintButton->click();
    }
    EXPECT_TRUE(previewed.isEmpty());
    EXPECT_FALSE(QFile::exists(dir.filePath("OUT.TXT")));
    form->close();
}

TEST_F(ReportListTest, ViewLaysEachBuiltInReportOutForThePreview) {
    StatusCloser closer;
    form->show();
    const auto builtIns = reports::builtInReports();
    for (int i = 0; i < int(builtIns.size()); ++i) {
        previewed.clear();
        select(i);
        form->ViewButton->click();
        EXPECT_EQ(previewed, builtIns[size_t(i)].name);
        EXPECT_GE(previewPages, 1) << i;
        EXPECT_FALSE(firstPage.isEmpty()) << i;
        EXPECT_FALSE(lastPage.isEmpty()) << i;
        if (i == 0) {
            EXPECT_EQ(previewPages, 2);
            EXPECT_TRUE(firstPage.join(' ').contains("Book 1"));
            EXPECT_TRUE(lastPage.join(' ').contains("Book 59"));
        }
    }
    EXPECT_EQ(main.searchesEnded, 0);
    form->close();
}

TEST_F(ReportListTest, PrintGoesToThePdfPrinterAndFileToText) {
    if (!testsupport::havePdfTools())
        GTEST_SKIP() << "pdfinfo and pdftotext are needed";
    StatusCloser closer;
    form->show();
    select(0);
    const QString pdf = dir.filePath("report.pdf");
    {
        testsupport::ScriptedPrompter p;
        p.expectSaveFile(pdf, "Print to PDF File");
        form->PrintButton->click();
    }
    EXPECT_EQ(testsupport::pdfPageCount(pdf), 2);
    EXPECT_TRUE(testsupport::pdfText(pdf, 1).contains("Book 1"));
    EXPECT_TRUE(previewed.isEmpty());

    const QString text = dir.filePath("REPORT.TXT");
    {
        testsupport::ScriptedPrompter p;
        p.expectSaveFile(text, "Save Report As a Text File");
        form->FileButton->click();
    }
    QFile f(text);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString written = QString::fromLatin1(f.readAll());
    EXPECT_TRUE(written.contains("Book 1"));
    EXPECT_TRUE(written.contains("Book 59"));
    form->close();
}

TEST_F(ReportListTest, TheWholeCollectionWhileASearchIsActiveKeepsTheSearch) {
    StatusCloser closer;
    main.beginSearch([](const dbase::Table& t) { return t.recNo() <= 10; });
    form->show();
    select(0);
    const QString all = dir.filePath("ALL.TXT"), found = dir.filePath("FOUND.TXT");
    form->ExportEntire->setChecked(true);
    {
        testsupport::ScriptedPrompter p;
        p.expectSaveFile(all);
        form->FileButton->click();
    }
    EXPECT_TRUE(main.searchActive());
    EXPECT_EQ(main.searchesEnded, 1);
    EXPECT_EQ(main.searchesBegun, 2);
    form->ExportSearch->setChecked(true);
    {
        testsupport::ScriptedPrompter p;
        p.expectSaveFile(found);
        form->FileButton->click();
    }
    EXPECT_EQ(main.searchesEnded, 1);
    auto read = [](const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()) : QString();
    };
    EXPECT_TRUE(read(all).contains("Book 59"));
    EXPECT_TRUE(read(found).contains("Book 9"));
    EXPECT_FALSE(read(found).contains("Book 59"));
    form->close();
}

TEST_F(ReportListTest, NewAndModifyOpenTheDesignerAndReloadAfterASave) {
    form->show();
    int seenIndex = -2;
    QString seenName;
    form->openDesigner = [&](ui::MainWindowLink&, reports::ReportDefinition& d, int index) {
        seenIndex = index;
        seenName = d.name;
        d.name = QStringLiteral("Saved By Designer");
        return reports::DefinitionFile::inDirectory(dir.path()).append(d);
    };
    form->NewButton->click();
    EXPECT_EQ(seenIndex, -1);
    EXPECT_EQ(seenName, reports::newReportDefinition().name);
    ASSERT_EQ(form->ReportBox->count(), 9);
    EXPECT_EQ(form->ReportBox->item(8)->text(), "Saved By Designer");
    select(3);
    form->ModifyButton->click();
    EXPECT_EQ(seenIndex, 3);
    EXPECT_EQ(seenName, reports::builtInReports()[3].name);
    EXPECT_EQ(form->ReportBox->count(), 10);
    form->close();
}

TEST_F(ReportListTest, ACancelledViewOpensNoPreview) {
    // Cancel is pressed in the status window while the pages are laid out.
    bool pressed = false;
    QTimer canceller;
    QObject::connect(&canceller, &QTimer::timeout, [&] {
        auto* status = qobject_cast<TReportForm*>(QApplication::activeModalWidget());
        if (!status)
            return;
        if (!pressed && !status->ran() && status->Label1->text().startsWith("Printing Page")) {
            pressed = true;
            status->BitBtn1->click();
        } else if (status->ran()) {
            status->BitBtn1->click();
        }
    });
    canceller.start(0);
    form->show();
    select(0);
    form->ViewButton->click();
    EXPECT_TRUE(pressed);
    EXPECT_TRUE(previewed.isEmpty());
    // Not cancelled: the preview opens.
    pressed = true;
    form->ViewButton->click();
    EXPECT_EQ(previewed, reports::builtInReports()[0].name);
    form->close();
}

TEST_F(ReportListTest, HelpOpensAtTheReportWindowTopic) {
    form->show();
    form->HelpButton->click();
    ui::HelpWindow* help = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* h = qobject_cast<ui::HelpWindow*>(w); h && h->isVisible())
            help = h;
    ASSERT_NE(help, nullptr);
    ui::HelpWindow expected;
    ASSERT_TRUE(expected.showKeyword("Report Window"));
    EXPECT_EQ(help->currentPage(), expected.currentPage());
    EXPECT_NE(help->currentPage(), "qrc:/help/contents.html");
    // The page speaks of the window's own choices and buttons.
    const QString page = help->browser()->toPlainText().simplified();
    for (const QAbstractButton* b : std::initializer_list<const QAbstractButton*>{
             form->ExportEntire, form->ExportSearch, form->ViewButton, form->PrintButton,
             form->FileButton, form->NewButton, form->ModifyButton})
        EXPECT_TRUE(page.contains(QString(b->text()).remove('&'))) << b->text().toStdString();
    EXPECT_FALSE(page.contains("the viewer shows"));
    help->close();
    form->close();
}

TEST_F(ReportListTest, RegisteringMakesTheListTheReportsCommand) {
    reportsui::registerHandlers(main);
    ASSERT_NE(main.handlers.find(ui::Command::Reports), nullptr);
    QString seen;
    testsupport::closeNextModal(&seen);
    (*main.handlers.find(ui::Command::Reports))(main, 0);
    EXPECT_EQ(seen, "MyReport");
}

}  // namespace
