#include "reports/ui/tfilepreview.h"

#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>

#include "ui/wait_cursor.h"

namespace reportsui {

TFilePreview::~TFilePreview() {
    EndPreview();
}

double TFilePreview::screenDpi() const {
    return ScrollBox ? ScrollBox->logicalDpiX() : 96.0;
}

int TFilePreview::PageCount() const {
    return stream() ? stream()->pageCount() : 0;
}

void TFilePreview::StartPreview() {
    if (!ScrollBox)
        throw reports::ReportError(
            QStringLiteral("ScrollBox must be assigned for FilePreview component"));
    if (!stream())
        throw reports::ReportError(QStringLiteral("Error initializing input stream \""));
    EndPreview();
    label_ = new QLabel;
    label_->setObjectName(QStringLiteral("PageImage"));
    label_->setAlignment(Qt::AlignCenter);
    ScrollBox->setWidget(label_);
    ScrollBox->setAlignment(Qt::AlignCenter);
    page_ = 0;
    ShowPage(1);
}

void TFilePreview::EndPreview() {
    if (label_ && ScrollBox && ScrollBox->widget() == label_)
        delete ScrollBox->takeWidget();
    label_ = nullptr;
    image_ = QImage();
    page_ = 0;
}

void TFilePreview::ShowPage(unsigned page) {
    const int count = PageCount();
    if (count == 0 || !label_)
        return;
    page_ = int(std::clamp<unsigned>(page, 1, unsigned(count)));
    render();
    if (OnPageChange)
        OnPageChange();
}

void TFilePreview::NextPage() {
    if (page_ < PageCount())
        ShowPage(unsigned(page_ + 1));
}

void TFilePreview::PreviousPage() {
    if (page_ > 1)
        ShowPage(unsigned(page_ - 1));
}

void TFilePreview::RedrawPage() {
    if (label_ && page_ >= 1)
        render();
}

void TFilePreview::SetZoomFactor(double percent) {
    zoom_ = reports::clampZoom(percent);
    if (OnZoomChange)
        OnZoomChange();
    else
        RedrawPage();
}

double TFilePreview::pixelsPerPercent() const {
    const double width = stream() ? stream()->pageWidth() : 8.5;
    return width * screenDpi() / 100.0;
}

double TFilePreview::PageWidthZoom() const {
    if (!ScrollBox || !stream())
        return zoom_;
    const double border = 1 + 2 * MarginPercent / 100.0;
    const double ratio = stream()->pageHeight() / stream()->pageWidth();
    double client = ScrollBox->viewport()->width();
    double z = client / (pixelsPerPercent() * border);
    // Taller than the box at that zoom: the vertical scroll bar takes room.
    const double height = pixelsPerPercent() * z * (ratio + 2 * MarginPercent / 100.0);
    if (height > ScrollBox->viewport()->height()) {
        client -= ScrollBox->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
        z = client / (pixelsPerPercent() * border);
    }
    return z;
}

double TFilePreview::WholePageZoom() const {
    if (!ScrollBox || !stream())
        return zoom_;
    const double border = 2 * MarginPercent / 100.0;
    const double ratio = stream()->pageHeight() / stream()->pageWidth();
    const double w = ScrollBox->width() - 4;
    const double h = ScrollBox->height() - 4;
    return std::min(w / (pixelsPerPercent() * (1 + border)),
                    h / (pixelsPerPercent() * (ratio + border)));
}

void TFilePreview::render() {
    ui::WaitCursor wait;
    const double dpi = screenDpi() * zoom_ / 100.0;
    const QImage page = reports::renderPageImage(*stream(), page_, dpi, monochrome);
    const int border = int(stream()->pageWidth() * dpi * MarginPercent / 100.0 + 0.5);
    image_ = QImage(page.width() + 2 * border, page.height() + 2 * border, QImage::Format_RGB32);
    image_.fill(QColor(128, 128, 128));
    {
        QPainter p(&image_);
        p.drawImage(border, border, page);
    }
    // The scroll positions stay where they were.
    const int h = ScrollBox->horizontalScrollBar()->value();
    const int v = ScrollBox->verticalScrollBar()->value();
    label_->setPixmap(QPixmap::fromImage(image_));
    label_->resize(image_.size());
    ScrollBox->horizontalScrollBar()->setValue(h);
    ScrollBox->verticalScrollBar()->setValue(v);
}

}  // namespace reportsui
