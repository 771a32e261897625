// The preview component: pages shown within the stream, the zoom kept
// within its range, the fitting zooms, and the page image at the zoom.
#include <gtest/gtest.h>

#include <QScrollArea>

#include "reports/ui/tfilepreview.h"
#include "tests/reports/engine_support.h"

using reportsui::TFilePreview;

namespace {

class FilePreviewTest : public ::testing::Test {
  protected:
    void SetUp() override {
        auto printer = testsupport::pdfPrinter();
        reports::TReportFiler filer(printer.get(), &stream);
        filer.onPrintPage = [](reports::TBaseReport& r, int page) {
            r.printTextLine(QString("Page %1").arg(page));
            return page < 3;
        };
        ASSERT_TRUE(filer.run());
        box.resize(400, 300);
        preview.setStream(&stream);
        preview.ScrollBox = &box;
        preview.OnPageChange = [this] { pages << preview.CurrentPage(); };
    }
    reports::PageStream stream;
    QScrollArea box;
    TFilePreview preview;
    QList<int> pages;
};

TEST_F(FilePreviewTest, PagesStayWithinTheStream) {
    preview.StartPreview();
    EXPECT_EQ(preview.CurrentPage(), 1);
    EXPECT_EQ(preview.PageCount(), 3);
    preview.PreviousPage();  // on page 1: nothing
    preview.NextPage();
    preview.NextPage();
    preview.NextPage();  // on the last page: nothing
    EXPECT_EQ(preview.CurrentPage(), 3);
    preview.ShowPage(0);
    preview.ShowPage(70000);
    EXPECT_EQ(pages, (QList<int>{1, 2, 3, 1, 3}));
    preview.EndPreview();
    EXPECT_EQ(box.widget(), nullptr);
}

TEST_F(FilePreviewTest, TheZoomStaysBetweenTenAndTwoHundred) {
    preview.StartPreview();
    const double dpi = box.logicalDpiX();
    preview.SetZoomFactor(5);
    EXPECT_EQ(preview.ZoomFactor(), 10);
    EXPECT_EQ(preview.PageImage().width(), qRound(8.5 * dpi * 0.1));
    preview.SetZoomFactor(250);
    EXPECT_EQ(preview.ZoomFactor(), 200);
    preview.ZoomOut();
    EXPECT_EQ(preview.ZoomFactor(), 190);
    int zoomEvents = 0;
    preview.OnZoomChange = [&] { ++zoomEvents; };
    preview.ZoomIn();
    preview.ZoomIn();
    EXPECT_EQ(preview.ZoomFactor(), 200);
    EXPECT_EQ(zoomEvents, 2);
}

TEST_F(FilePreviewTest, FittingZoomsAndTheGreyBorder) {
    preview.MarginPercent = 2.5;
    preview.StartPreview();
    preview.SetZoomFactor(100);
    const double dpi = box.logicalDpiX();
    const QImage& image = preview.PageImage();
    const int border = qRound(8.5 * dpi * 0.025);
    EXPECT_EQ(image.width(), qRound(8.5 * dpi) + 2 * border);
    EXPECT_EQ(image.pixel(1, 1), qRgb(128, 128, 128));
    EXPECT_EQ(image.pixel(border + 2, border + 2), qRgb(255, 255, 255));

    // The whole page: the height limits a box wider than the page is tall.
    const double whole = preview.WholePageZoom();
    EXPECT_NEAR(whole, (box.height() - 4) / (dpi / 100 * (11 + 8.5 * 0.05)), 1e-9);
    // The page width: a letter page is taller than the box at that zoom, so
    // the scroll bar's width comes off first.
    const double width = preview.PageWidthZoom();
    EXPECT_LT(width, box.viewport()->width() / (8.5 * dpi / 100 * 1.05));
    EXPECT_GT(width, whole);

    TFilePreview alone;
    alone.setStream(&stream);
    try {
        alone.StartPreview();
        FAIL();
    } catch (const reports::ReportError& e) {
        EXPECT_EQ(e.message(), "ScrollBox must be assigned for FilePreview component");
    }
}

}  // namespace
