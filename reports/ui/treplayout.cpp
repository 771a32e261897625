#include "reports/ui/treplayout.h"

#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

#include "reports/ui/treportpart.h"
#include "settings/settings.h"
#include "ui/form_geometry.h"
#include "ui/window_colors.h"

namespace reportsui {

namespace {

template <typename W>
W* named(W* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}

}  // namespace

TRepLayout::TRepLayout(reports::ReportDefinition& buffer, int width, bool useTotals,
                       const settings::Settings& settings, double scale, QWidget* parent)
    : QDialog(parent),
      buffer_(buffer),
      copy_(buffer),
      width_(width),
      useTotals_(useTotals),
      settings_(settings),
      captions_(reports::fieldCaptions(settings)),
      scale_(scale),
      shownScale_(scale) {
    setObjectName(QStringLiteral("RepLayout"));
    setWindowTitle(QStringLiteral("Specify Report Layout"));
    setModal(true);
    setFixedSize(633, 424);

    NamePanel = named(new QFrame(this), "NamePanel");
    NamePanel->setGeometry(4, 4, 625, 30);
    NamePanel->setFrameShape(QFrame::Panel);
    NamePanel->setFrameShadow(QFrame::Raised);
    NamePanel->setAutoFillBackground(true);
    QPalette teal = NamePanel->palette();
    teal.setColor(QPalette::Window, QColor(0, 128, 128));
    NamePanel->setPalette(teal);
    ui::markRole(NamePanel, ui::ColorRole::None);
    ReportNameLabel = named(new QLabel(NamePanel), "ReportNameLabel");
    ReportNameLabel->setGeometry(8, 6, 609, 18);
    ui::markHeading(ReportNameLabel);
    QFont bold = ReportNameLabel->font();
    bold.setBold(true);
    ReportNameLabel->setFont(bold);

    NoteLabel = named(new QLabel(QStringLiteral("Using the left mouse button, click on the area "
                                                "where you would like to add or change the "
                                                "report layout."),
                                 this),
                      "NoteLabel");
    NoteLabel->setGeometry(4, 38, 625, 16);
    BodyLabel = named(new QLabel(QStringLiteral("Report Body"), this), "BodyLabel");
    BodyLabel->setGeometry(4, 57, 200, 16);
    ui::markHeading(BodyLabel);
    TotalsLabel = named(new QLabel(QStringLiteral("Report Totals"), this), "TotalsLabel");
    TotalsLabel->setGeometry(4, 337, 200, 16);
    ui::markHeading(TotalsLabel);

    OkButton = named(new QPushButton(QStringLiteral("&Ok"), this), "OkButton");
    OkButton->setGeometry(206, 388, 100, 28);
    OkButton->setDefault(true);
    CancelButton = named(new QPushButton(QStringLiteral("&Cancel"), this), "CancelButton");
    CancelButton->setGeometry(326, 388, 100, 28);
    connect(OkButton, &QPushButton::clicked, this, &TRepLayout::OkButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);

    ReportNameLabel->setText(QStringLiteral("Report: ") + copy_.name.left(38));
    const reports::LayoutPicture p = picture();
    BodyLabel->setVisible(p.showsBody());
    TotalsLabel->setVisible(p.showsTotals());
}

reports::LayoutPicture TRepLayout::picture() const {
    return reports::LayoutPicture(copy_, width_, useTotals_, captions_, shownScale_);
}

void TRepLayout::showEvent(QShowEvent* event) {
    shownScale_ = ui::prepareForm(this, settings_, scale_);
    ui::applyWindowColors(this, settings_.colorSet(settings::ReportWindow));
    QDialog::showEvent(event);
}

void TRepLayout::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    const reports::LayoutPicture p = picture();
    QPainter painter(this);
    painter.setFont(p.font());
    const QFontMetrics metrics(painter.font());
    for (const int row : p.rows()) {
        // The row's ground shows where a row ends when its items stop short.
        painter.fillRect(p.rowRect(row), palette().color(QPalette::Mid));
        for (const reports::PictureCell& cell : p.cells(row)) {
            painter.fillRect(cell.rect, Qt::white);
            painter.setPen(Qt::black);
            painter.drawRect(cell.rect.adjusted(0, 0, -1, -1));
            const QRect inner = cell.rect.adjusted(2, 0, -2, 0);
            const QString text = reports::fitText(cell.text, metrics, inner.width());
            // Text cut to fit starts at the cell's left edge.
            Qt::Alignment align = cell.alignment;
            if (text.size() < cell.text.size())
                align = Qt::AlignLeft | Qt::AlignVCenter;
            painter.setPen(cell.color);
            painter.drawText(inner, int(align), text);
        }
    }
}

void TRepLayout::mousePressEvent(QMouseEvent* event) {
    pressed_.reset();
    if (event->button() == Qt::LeftButton)
        pressed_ = picture().itemAt(event->position().toPoint());
    QDialog::mousePressEvent(event);
}

void TRepLayout::mouseReleaseEvent(QMouseEvent* event) {
    const auto pressed = pressed_;
    pressed_.reset();
    QDialog::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton || !pressed)
        return;
    if (picture().itemAt(event->position().toPoint()) == pressed)
        openPart(*pressed);
}

void TRepLayout::openPart(const reports::PictureItem& at) {
    reports::ReportLine& line =
        at.row == reports::kTotalsRow ? copy_.totalsLine : copy_.lines[size_t(at.row - 1)];
    TReportPart part(line, at.row, at.item, width_, settings_, scale_, this);
    if (part.exec() == QDialog::Accepted)
        update();
}

void TRepLayout::OkButtonClick() {
    buffer_ = copy_;
    accept();
}

}  // namespace reportsui
