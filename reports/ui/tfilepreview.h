// TFilePreview: shows one page of a recorded page stream as an image inside
// a scroll box, at a zoom of 10 to 200 percent of the screen's real size,
// with a grey border around the page; and, as a TFilePrinter, prints pages
// of the same stream. The preview window hosts it.
#pragma once

#include <QImage>

#include <functional>

#include "reports/print_engine.h"

class QLabel;
class QScrollArea;

namespace reportsui {

class TFilePreview : public reports::TFilePrinter {
  public:
    TFilePreview() = default;
    ~TFilePreview();

    // The scroll box that hosts the page image (not owned; required).
    QScrollArea* ScrollBox = nullptr;
    double ZoomInc = 10;
    // The grey border on each side of the page, in percent of the page
    // width.
    double MarginPercent = 0;
    // Called when the zoom changes (instead of redrawing, when set) and when
    // another page is shown.
    std::function<void()> OnZoomChange, OnPageChange;

    // Creates the page image in the scroll box and shows page 1; throws
    // reports::ReportError without a scroll box or a stream.
    void StartPreview();
    // Releases the page image.
    void EndPreview();

    // Shows page `page`, kept within the stream's pages.
    void ShowPage(unsigned page);
    void NextPage();
    void PreviousPage();
    void RedrawPage();

    double ZoomFactor() const { return zoom_; }
    // Kept within 10 to 200.
    void SetZoomFactor(double percent);
    void ZoomIn() { SetZoomFactor(zoom_ + ZoomInc); }
    void ZoomOut() { SetZoomFactor(zoom_ - ZoomInc); }
    // The zoom at which the page with its border fills the scroll box's
    // width (less the vertical scroll bar when the page is then taller than
    // the box), and at which the whole page fits.
    double PageWidthZoom() const;
    double WholePageZoom() const;

    int CurrentPage() const { return page_; }
    int PageCount() const;
    // The image shown (for tests and the window).
    const QImage& PageImage() const { return image_; }

  private:
    double screenDpi() const;
    double pixelsPerPercent() const;  // page width in pixels at 1%
    void render();

    QLabel* label_ = nullptr;
    QImage image_;
    double zoom_ = 100;
    int page_ = 0;
};

}  // namespace reportsui
