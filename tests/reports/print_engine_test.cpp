// The print engine: geometry in inches, tabs, the job's page loop and its
// status, the page stream and its replay, and printing to PDF files.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QTemporaryDir>

#include "reports/page_stream.h"
#include "reports/print_engine.h"
#include "tests/reports/engine_support.h"

namespace {

using reports::Justify;
using reports::kAfterPrevious;
using reports::PageStream;
using reports::TReportFiler;
using testsupport::KeepingSink;

constexpr double kEps = 1e-4;  // the stream keeps single-precision inches

class EngineTest : public ::testing::Test {
  protected:
    void SetUp() override {
        printer = testsupport::pdfPrinter();
        filer = std::make_unique<TReportFiler>(printer.get(), &stream);
    }
    // Runs a one-page job whose body is `body` and replays its first page.
    KeepingSink runPage(const std::function<void(reports::TBaseReport&)>& body) {
        filer->onPrintPage = [&](reports::TBaseReport& r, int) {
            body(r);
            return false;
        };
        EXPECT_TRUE(filer->run()) << filer->error().toStdString();
        KeepingSink sink;
        stream.replay(1, sink);
        return sink;
    }

    std::unique_ptr<QPrinter> printer;
    PageStream stream;
    std::unique_ptr<TReportFiler> filer;
};

TEST_F(EngineTest, LineHeightFollowsTheFontSizeAndDescentItsMetrics) {
    filer->selectFont("Arial", 10);
    EXPECT_DOUBLE_EQ(filer->lineHeight(), 1.0 / 6);
    const double descent10 = filer->descent();
    // Liberation Sans (for "Arial") goes 0.212 em below its baseline.
    EXPECT_NEAR(descent10, 10 * 0.212 / 72, 0.002);
    filer->selectFont("Arial", 8);
    EXPECT_DOUBLE_EQ(filer->lineHeight(), 2.0 / 15);
    EXPECT_NEAR(filer->descent(), descent10 * 0.8, 0.001);
    // "Courier New" and "Courier" measure as the metric-compatible mono face:
    // 0.6 em a character.
    for (const char* mono : {"Courier New", "Courier"}) {
        filer->selectFont(mono, 10);
        EXPECT_NEAR(filer->textWidth("0123456789"), 10 * 0.6 * 10 / 72, 0.005) << mono;
    }
    filer->selectFont("Arial", 10);
    // Liberation Sans digits are 0.556 em wide.
    EXPECT_NEAR(filer->textWidth("0000"), 4 * 0.556 * 10 / 72, 0.002);
}

TEST_F(EngineTest, RemainingLinesCountsWhatStillFitsInTheSection) {
    filer->selectFont("Arial", 10);
    filer->setSectionTop(1.0);
    filer->setSectionBottom(2.0);
    filer->gotoSectionStart();
    EXPECT_NEAR(filer->cursorY(), 1.0 + 1.0 / 6 - filer->descent(), 1e-12);
    EXPECT_NEAR(filer->cursorX(), 0.5, 1e-12);
    // Six lines of 1/6 inch fill the inch exactly.
    EXPECT_EQ(filer->remainingLines(), 6);
    for (int i = 0; i < 5; ++i)
        filer->advanceLine();
    EXPECT_EQ(filer->remainingLines(), 1);  // only the current line fits
    filer->advanceLine();
    EXPECT_EQ(filer->remainingLines(), 0);  // the line would reach below the section
}

TEST_F(EngineTest, SectionEdgesFollowMarginsAndMoveTheCursor) {
    EXPECT_DOUBLE_EQ(filer->pageWidth(), 8.5);
    EXPECT_DOUBLE_EQ(filer->pageHeight(), 11.0);
    filer->setMarginLeft(0.75);
    filer->setMarginRight(1.0);
    filer->setMarginTop(0.25);
    filer->setMarginBottom(1.5);
    EXPECT_DOUBLE_EQ(filer->sectionLeft(), 0.75);
    EXPECT_DOUBLE_EQ(filer->sectionRight(), 7.5);
    EXPECT_DOUBLE_EQ(filer->sectionTop(), 0.25);
    EXPECT_DOUBLE_EQ(filer->sectionBottom(), 9.5);

    filer->gotoSectionStart();
    filer->setSectionTop(3.0);  // the cursor was above: it moves down
    EXPECT_DOUBLE_EQ(filer->cursorY(), 3.0);
    filer->setSectionTop(2.0);  // below the new top already: it stays
    EXPECT_DOUBLE_EQ(filer->cursorY(), 3.0);
    filer->setSectionBottom(2.5);  // the cursor was below: it moves up
    EXPECT_DOUBLE_EQ(filer->cursorY(), 2.5);
}

TEST_F(EngineTest, TabsStartAfterThePreviousOneAndKeepTheirMargins) {
    filer->clearAllTabs();
    filer->addTab(kAfterPrevious, Justify::Left, 2.0, 2, reports::BoxAll, 0);
    filer->addTab(kAfterPrevious, Justify::Centre, 1.25, 2, 0, 0);
    filer->addTab(4.0, Justify::Right, 1.5, 10, 0, 30);
    filer->addTab(kAfterPrevious, Justify::Left, 0, 5, reports::BoxAll, 40);
    const auto& t = filer->tabs();
    ASSERT_EQ(t.size(), 4u);
    EXPECT_DOUBLE_EQ(t[0].left, 0.5);  // the left margin
    EXPECT_DOUBLE_EQ(t[1].left, 2.5);
    EXPECT_DOUBLE_EQ(t[2].left, 4.0);
    EXPECT_DOUBLE_EQ(t[3].left, 5.5);
    EXPECT_DOUBLE_EQ(filer->tabTextWidth(1), 1.96);
    EXPECT_DOUBLE_EQ(filer->tabTextWidth(3), 1.3);
    // A tab without width keeps no margin, lines or shade.
    EXPECT_DOUBLE_EQ(filer->tabTextWidth(4), 0);
    EXPECT_EQ(t[3].lines, 0);
    EXPECT_EQ(t[3].shade, 0);
    EXPECT_DOUBLE_EQ(filer->tabTextWidth(5), 0);
    EXPECT_DOUBLE_EQ(filer->tabTextWidth(0), 0);
}

TEST_F(EngineTest, TextGoesIntoTabsByJustificationWithBoxesAndShade) {
    double descent = 0, wB = 0, wC = 0, wA = 0, y = 0;
    const KeepingSink page = runPage([&](reports::TBaseReport& r) {
        r.selectFont("Arial", 10);
        r.setSectionTop(1.0);
        r.gotoSectionStart();
        descent = r.descent();
        y = r.cursorY();
        wA = r.textWidth("A");
        wB = r.textWidth("B");
        wC = r.textWidth("C");
        r.clearAllTabs();
        r.addTab(2.0, Justify::Centre, 2.0, 2, reports::BoxAll, 0);
        r.addTab(kAfterPrevious, Justify::Right, 1.0, 2, reports::BoxBottom, 25);
        r.addTab(kAfterPrevious, Justify::Left, 1.0, 2, 0, 0);
        r.printText("A\tB\tC\tD\tE");
    });
    const auto texts = page.of('T');
    ASSERT_EQ(texts.size(), 5u);
    // Before the first tab: at the cursor.
    EXPECT_NEAR(texts[0].a, 0.5, kEps);
    EXPECT_NEAR(texts[0].b, y, kEps);
    // Centred in [2, 4]; flush right in [4, 5] less the margin; flush left.
    EXPECT_NEAR(texts[1].a, 3.0 - wB / 2, kEps);
    EXPECT_NEAR(texts[2].a, 5.0 - 0.02 - wC, kEps);
    EXPECT_NEAR(texts[3].a, 5.0 + 0.02, kEps);
    // Past the last tab: at the cursor, which stands after the last tab.
    EXPECT_NEAR(texts[4].a, 6.0, kEps);
    (void)wA;

    const double top = y + descent - 1.0 / 6, bottom = y + descent;
    const auto lines = page.of('L');
    ASSERT_EQ(lines.size(), 5u);         // four for the box, the underline of tab 2
    EXPECT_NEAR(lines[0].a, 2.0, kEps);  // left edge
    EXPECT_NEAR(lines[0].b, top, kEps);
    EXPECT_NEAR(lines[0].d, bottom, kEps);
    EXPECT_NEAR(lines[1].a, 4.0, kEps);  // right edge
    EXPECT_NEAR(lines[2].b, top, kEps);  // top edge, over the tab's width
    EXPECT_NEAR(lines[2].c, 4.0, kEps);
    EXPECT_NEAR(lines[3].b, bottom, kEps);  // bottom edge
    EXPECT_NEAR(lines[4].a, 4.0, kEps);     // tab 2: bottom only
    EXPECT_NEAR(lines[4].c, 5.0, kEps);
    const auto shades = page.of('S');
    ASSERT_EQ(shades.size(), 1u);
    EXPECT_EQ(shades[0].value, 75);  // 25% shade: a grey of 75% brightness
    EXPECT_NEAR(shades[0].a, 4.0, kEps);
    EXPECT_NEAR(shades[0].c, 1.0, kEps);
    EXPECT_NEAR(shades[0].d, 1.0 / 6, kEps);
}

TEST_F(EngineTest, TextWithoutTabsPrintsAtTheCursorAndKeepsTheTab) {
    double w = 0;
    const KeepingSink page = runPage([&](reports::TBaseReport& r) {
        r.selectFont("Arial", 10);
        r.clearAllTabs();
        r.addTab(3.0, Justify::Left, 1.0, 2, 0, 0);
        w = r.textWidth("Plain");
        r.printText("Plain");
        r.printText("More");   // still no tab selected
        r.printText("\tIn");   // tab 1
        r.printText("Again");  // inside the selected tab 1
        r.advanceLine();
        r.printText("\tNext line");  // tab 1 again after a new line
        r.printCentredAt("Mid", 4.25);
        r.printJustified("Right", Justify::Right);
    });
    const auto t = page.of('T');
    ASSERT_EQ(t.size(), 7u);
    EXPECT_NEAR(t[0].a, 0.5, kEps);
    EXPECT_NEAR(t[1].a, 0.5 + w, kEps);
    EXPECT_NEAR(t[2].a, 3.02, kEps);
    EXPECT_NEAR(t[3].a, 3.02, kEps);
    EXPECT_NEAR(t[4].a, 3.02, kEps);
    EXPECT_NEAR(t[4].b, t[0].b + 1.0 / 6, kEps);
    EXPECT_EQ(t[5].text, "Mid");
    // On the last line of the section, flush with its right edge.
    EXPECT_EQ(t[6].text, "Right");
    EXPECT_NEAR(t[6].b, filer->sectionBottom() - filer->descent(), kEps);
}

TEST_F(EngineTest, EachPageGetsOneHeaderAndOneFooterAndTheStatus) {
    QStringList events, statuses;
    filer->statusFormat = "Printing Page %p\r%0\r%1 %% %F-%L %q";
    filer->statusText = QStringList{"one", "two"};
    filer->statusLabel = [&](const QString& s) { statuses << s; };
    filer->onBeforePrint = [&](reports::TBaseReport& r) {
        events << QString("before %1").arg(r.currentPage());
    };
    filer->onNewPage = [&](reports::TBaseReport& r) {
        events << QString("new %1").arg(r.currentPage());
    };
    filer->onPrintHeader = [&](reports::TBaseReport& r) {
        events << QString("header %1").arg(r.currentPage());
        r.printTextLine("Header");
    };
    filer->onPrintFooter = [&](reports::TBaseReport& r) {
        events << QString("footer %1").arg(r.currentPage());
        r.printJustified(QString("Page %1").arg(r.currentPage()), Justify::Left);
    };
    filer->onAfterPrint = [&](reports::TBaseReport&) { events << "after"; };
    filer->onPrintPage = [&](reports::TBaseReport& r, int page) {
        events << QString("body %1").arg(page);
        r.printTextLine(QString("Body %1").arg(page));
        return page < 3;
    };
    ASSERT_TRUE(filer->run());
    EXPECT_EQ(events, (QStringList{"before 0", "new 1", "header 1", "body 1", "footer 1", "new 2",
                                   "header 2", "body 2", "footer 2", "new 3", "header 3", "body 3",
                                   "footer 3", "after"}));
    EXPECT_EQ(stream.pageCount(), 3);
    EXPECT_EQ(statuses.size(), 3);
    EXPECT_EQ(statuses.last(), "Printing Page 3\rone\rtwo % 1-9999 <ERROR-%q>");
    for (int p = 1; p <= 3; ++p) {
        KeepingSink sink;
        stream.replay(p, sink);
        EXPECT_EQ(sink.texts(),
                  (QStringList{"Header", QString("Body %1").arg(p), QString("Page %1").arg(p)}));
        EXPECT_EQ(sink.font.name, "Arial");  // each page sets its own font
    }
}

TEST_F(EngineTest, StatusCodesNameTheDevice) {
    filer->statusFormat = "%D|%P";
    filer->onPrintPage = [](reports::TBaseReport&, int) { return false; };
    QString status;
    filer->statusLabel = [&](const QString& s) { status = s; };
    ASSERT_TRUE(filer->run());
    EXPECT_EQ(status, "PDF file|1");
    TReportFiler noPrinter(nullptr, &stream);
    noPrinter.statusFormat = "%d %r %t";
    EXPECT_EQ(noPrinter.expandStatus(), "Preview Only Preview Only Preview");
    // Without a printer the page is US Letter.
    EXPECT_DOUBLE_EQ(noPrinter.pageWidth(), 8.5);
}

TEST_F(EngineTest, CancelStopsAfterTheCurrentPageWithItsFooter) {
    int footers = 0;
    filer->statusLabel = [&](const QString&) {
        if (filer->currentPage() == 2)
            filer->cancelJob();
    };
    filer->onPrintFooter = [&](reports::TBaseReport&) { ++footers; };
    filer->onPrintPage = [](reports::TBaseReport& r, int) {
        r.printTextLine("x");
        return true;  // an endless report
    };
    ASSERT_TRUE(filer->run());
    EXPECT_TRUE(filer->cancelled());
    EXPECT_EQ(stream.pageCount(), 2);
    EXPECT_EQ(footers, 2);
}

TEST_F(EngineTest, AFailingHandlerEndsTheJobAndAfterPrintStillRuns) {
    bool after = false;
    filer->onAfterPrint = [&](reports::TBaseReport&) { after = true; };
    filer->onPrintPage = [](reports::TBaseReport&, int) -> bool {
        throw reports::ReportError("disk full");
    };
    EXPECT_FALSE(filer->run());
    EXPECT_EQ(filer->error(), "disk full");
    EXPECT_TRUE(after);
}

TEST_F(EngineTest, DrawingOutsideAJobIsRefused) {
    try {
        filer->printText("too early");
        FAIL() << "printed without a page";
    } catch (const reports::ReportError& e) {
        EXPECT_EQ(e.message(), "Error!  Canvas not yet active.");
    }
    reports::TReportPrinter direct(nullptr);
    EXPECT_FALSE(direct.run());
    EXPECT_EQ(direct.error(), "No printers are defined, aborting print job.");
}

TEST_F(EngineTest, LandscapeTurnsThePaperForTheJobOnly) {
    filer->orientation = reports::Orientation::Landscape;
    double width = 0;
    filer->onBeforePrint = [&](reports::TBaseReport& r) { width = r.pageWidth(); };
    ASSERT_TRUE(filer->run());
    EXPECT_DOUBLE_EQ(width, 11.0);
    EXPECT_TRUE(stream.landscape());
    EXPECT_DOUBLE_EQ(stream.pageWidth(), 11.0);
    // The printer's own choice is back after the job.
    EXPECT_EQ(printer->pageLayout().orientation(), QPageLayout::Portrait);

    // "Default" takes the printer's way of turning the paper.
    printer->setPageOrientation(QPageLayout::Landscape);
    filer->orientation = reports::Orientation::Default;
    ASSERT_TRUE(filer->run());
    EXPECT_TRUE(stream.landscape());
    EXPECT_DOUBLE_EQ(stream.pageHeight(), 8.5);
}

TEST(PageStreamTest, AForeignCodeOrACutPageIsRefused) {
    KeepingSink sink;
    for (const QByteArray& bad : {QByteArray("X"), QByteArray("T\x01\x02")}) {
        try {
            reports::replayCommands(bad, sink);
            FAIL();
        } catch (const reports::ReportError& e) {
            EXPECT_EQ(e.message(), "Unexpected code found in report file.");
        }
    }
    PageStream stream;
    EXPECT_THROW(stream.page(1), reports::ReportError);
}

TEST(PageStreamTest, ACountingStreamKeepsNoPages) {
    PageStream stream;
    stream.setKeepPages(false);
    auto printer = testsupport::pdfPrinter();
    TReportFiler filer(printer.get(), &stream);
    filer.onPrintPage = [](reports::TBaseReport& r, int page) {
        r.printTextLine("text");
        return page < 5;
    };
    ASSERT_TRUE(filer.run());
    EXPECT_EQ(stream.pageCount(), 5);
    EXPECT_EQ(stream.storedBytes(), 0);
}

// ---- Output to PDF files -----------------------------------------------------

class PdfTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!testsupport::havePdfTools())
            GTEST_SKIP() << "pdftotext and pdfinfo are needed (poppler-utils)";
    }
    // A job of `pages` pages: a title, lines naming page and line.
    void attach(reports::TBaseReport& r, int pages) {
        r.onPrintHeader = [](reports::TBaseReport& e) {
            e.selectFont("Arial", 14);
            e.printCentredAt("Shelf List", e.pageWidth() / 2);
            e.advanceLine();
        };
        r.onPrintPage = [pages](reports::TBaseReport& e, int page) {
            e.selectFont("Courier New", 10);
            e.clearAllTabs();
            e.addTab(kAfterPrevious, Justify::Left, 3, 2, reports::BoxAll, 0);
            for (int line = 1; line <= 3; ++line)
                e.printTextLine(QString("\tPage %1 line %2").arg(page).arg(line));
            return page < pages;
        };
    }
    QTemporaryDir dir;
};

TEST_F(PdfTest, PrintingDirectlyAndReplayingTheStreamGiveTheSamePages) {
    const QString direct = dir.filePath("direct.pdf");
    auto printer = testsupport::pdfPrinter(direct);
    reports::TReportPrinter engine(printer.get());
    attach(engine, 3);
    ASSERT_TRUE(engine.run()) << engine.error().toStdString();
    EXPECT_EQ(testsupport::pdfPageCount(direct), 3);

    PageStream stream;
    auto measuring = testsupport::pdfPrinter();
    TReportFiler filer(measuring.get(), &stream);
    attach(filer, 3);
    ASSERT_TRUE(filer.run());
    ASSERT_EQ(stream.pageCount(), 3);

    const QString replayed = dir.filePath("replayed.pdf");
    auto out = testsupport::pdfPrinter(replayed);
    reports::TFilePrinter filePrinter(&stream, out.get());
    ASSERT_TRUE(filePrinter.run()) << filePrinter.error().toStdString();
    EXPECT_EQ(testsupport::pdfPageCount(replayed), 3);
    EXPECT_EQ(testsupport::pdfText(replayed), testsupport::pdfText(direct));
    EXPECT_TRUE(testsupport::pdfText(direct, 2).contains("Page 2 line 3"));
    EXPECT_TRUE(testsupport::pdfText(direct, 1).contains("Shelf List"));
}

TEST_F(PdfTest, PrintingDirectlyInLandscapeTurnsThePaperForTheJobOnly) {
    const QString wide = dir.filePath("wide.pdf");
    auto printer = testsupport::pdfPrinter(wide);
    reports::TReportPrinter engine(printer.get());
    attach(engine, 2);
    engine.orientation = reports::Orientation::Landscape;
    double width = 0;
    engine.onBeforePrint = [&](reports::TBaseReport& r) { width = r.pageWidth(); };
    ASSERT_TRUE(engine.run()) << engine.error().toStdString();
    EXPECT_DOUBLE_EQ(width, 11.0);
    EXPECT_TRUE(testsupport::runTool("pdfinfo", {wide}).contains("792 x 612"));
    EXPECT_EQ(printer->pageLayout().orientation(), QPageLayout::Portrait);
}

TEST_F(PdfTest, PrintPagesTakesARangeAndCopies) {
    PageStream stream;
    auto measuring = testsupport::pdfPrinter();
    TReportFiler filer(measuring.get(), &stream);
    attach(filer, 5);
    ASSERT_TRUE(filer.run());

    const QString part = dir.filePath("part.pdf");
    auto out = testsupport::pdfPrinter(part);
    reports::TFilePrinter fp(&stream, out.get());
    ASSERT_TRUE(fp.printPages(2, 99, 2));  // beyond the end: to the last page
    EXPECT_EQ(fp.pagesPrinted(), 4);
    EXPECT_EQ(fp.copies, 2);
    const QString text = testsupport::pdfText(part, 1);
    EXPECT_TRUE(text.contains("Page 2 line 1")) << text.toStdString();

    const QString none = dir.filePath("none.pdf");
    out->setOutputFileName(none);
    ASSERT_TRUE(fp.printPages(3, 2, 0));  // an empty range prints nothing
    EXPECT_EQ(fp.pagesPrinted(), 0);
    EXPECT_FALSE(QFileInfo::exists(none));

    ASSERT_TRUE(fp.printPages(0, 0, 0));
    EXPECT_EQ(fp.pagesPrinted(), 5);
    EXPECT_EQ(testsupport::pdfPageCount(none), 5);
    EXPECT_FALSE(fp.busy());
}

TEST_F(PdfTest, APageRendersAloneAtAnyZoom) {
    PageStream stream;
    auto measuring = testsupport::pdfPrinter();
    TReportFiler filer(measuring.get(), &stream);
    attach(filer, 2);
    ASSERT_TRUE(filer.run());
    for (const double dpi : {48.0, 96.0, 192.0}) {
        const QImage image = reports::renderPageImage(stream, 2, dpi);
        EXPECT_EQ(image.width(), qRound(8.5 * dpi));
        EXPECT_EQ(image.height(), qRound(11 * dpi));
        // The box of the first line: its left edge at half an inch.
        const int x = qRound(0.5 * dpi);
        bool dark = false;
        for (int y = 0; y < image.height() && !dark; ++y)
            dark = qGray(image.pixel(x, y)) < 128;
        EXPECT_TRUE(dark) << dpi;
        EXPECT_EQ(image.pixel(image.width() - 2, image.height() - 2), qRgb(255, 255, 255));
    }
    EXPECT_DOUBLE_EQ(reports::clampZoom(5), 10);
    EXPECT_DOUBLE_EQ(reports::clampZoom(250), 200);
    EXPECT_DOUBLE_EQ(reports::clampZoom(75), 75);
}

}  // namespace
