// TReportPart, "Select Report Part": the kind (filler, label or field),
// width and content of one item of a record line or of the totals line.
// OK fits the line to the report width again.
#pragma once

#include <QDialog>

#include "reports/layout_picture.h"
#include "reports/report_definition.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace settings {
struct Settings;
}

namespace reportsui {

class TReportPart : public QDialog {
    Q_OBJECT
  public:
    // Edits item `item` (1 to 20) of `line`, record line `lineNumber` (1 to
    // 12) or, with lineNumber 0, the totals line; `width` is the report
    // width the line is fitted to. The field list shows the captions of
    // `settings`, whose fonts and colours the window takes at the
    // screen-size factor `scale`.
    TReportPart(reports::ReportLine& line, int lineNumber, int item, int width,
                const settings::Settings& settings, double scale, QWidget* parent = nullptr);

    QRadioButton *RadioFiller = nullptr, *RadioLabel = nullptr, *RadioField = nullptr;
    QLineEdit *FieldWidth = nullptr, *LabelName = nullptr;
    QListWidget* FieldList = nullptr;
    QLabel* SelPartLabel = nullptr;
    QPushButton *OkButton = nullptr, *CancelButton = nullptr;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void OkButtonClick();
    void kindChanged();

    reports::ReportLine& line_;
    int lineNumber_, item_, width_;
    const settings::Settings& settings_;
    double scale_;
};

}  // namespace reportsui
