// TRepLayout, "Specify Report Layout": a picture of the record lines and the
// totals line of a report definition, in which a click on an item opens
// "Select Report Part" for it. It works on a private copy of the whole
// definition: OK copies it back into the designer's buffer, Cancel
// discards every change made since it opened.
#pragma once

#include <QDialog>

#include <optional>

#include "reports/layout_picture.h"
#include "reports/report_definition.h"

class QFrame;
class QLabel;
class QPushButton;

namespace settings {
struct Settings;
}

namespace reportsui {

class TRepLayout : public QDialog {
    Q_OBJECT
  public:
    // `width` is the report width chosen in "Report Definition" and
    // `useTotals` whether its "Use Totals" box is checked; fields show their
    // captions in `settings`, whose fonts and colours the window takes, and
    // the window and its picture are drawn at the screen-size factor `scale`.
    TRepLayout(reports::ReportDefinition& buffer, int width, bool useTotals,
               const settings::Settings& settings, double scale, QWidget* parent = nullptr);

    QFrame* NamePanel = nullptr;
    QLabel *ReportNameLabel = nullptr, *BodyLabel = nullptr, *TotalsLabel = nullptr,
           *NoteLabel = nullptr;
    QPushButton *OkButton = nullptr, *CancelButton = nullptr;

    // The private copy being edited, and the picture of it at the
    // screen-size factor (window pixels).
    const reports::ReportDefinition& copy() const { return copy_; }
    reports::LayoutPicture picture() const;

  protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    void openPart(const reports::PictureItem& at);
    void OkButtonClick();

    reports::ReportDefinition& buffer_;
    reports::ReportDefinition copy_;
    int width_;
    bool useTotals_;
    const settings::Settings& settings_;
    reports::FieldCaptions captions_;
    double scale_;
    // The factor the window was scaled by when shown (smaller than scale_
    // where the screen has no room for more); the picture is drawn by it.
    double shownScale_;
    std::optional<reports::PictureItem> pressed_;
};

}  // namespace reportsui
