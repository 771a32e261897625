#include "reports/ui/treportpart.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include "fields/book_fields.h"
#include "reports/report_design.h"
#include "settings/settings.h"
#include "ui/form_geometry.h"
#include "ui/messages.h"
#include "ui/window_colors.h"

namespace reportsui {

namespace {

template <typename W>
W* named(W* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}

}  // namespace

TReportPart::TReportPart(reports::ReportLine& line, int lineNumber, int item, int width,
                         const settings::Settings& settings, double scale, QWidget* parent)
    : QDialog(parent),
      line_(line),
      lineNumber_(lineNumber),
      item_(item),
      width_(width),
      settings_(settings),
      scale_(scale) {
    const reports::FieldCaptions captions = reports::fieldCaptions(settings);
    setObjectName(QStringLiteral("ReportPart"));
    setWindowTitle(QStringLiteral("Select Report Part"));
    setModal(true);
    setFixedSize(440, 300);

    auto* type = new QGroupBox(QStringLiteral("Type"), this);
    type->setGeometry(8, 8, 200, 96);
    RadioFiller =
        named(new QRadioButton(QStringLiteral("Filler (empty space)"), type), "RadioFiller");
    RadioFiller->setGeometry(8, 20, 186, 20);
    RadioLabel =
        named(new QRadioButton(QStringLiteral("Label (constant value)"), type), "RadioLabel");
    RadioLabel->setGeometry(8, 44, 186, 20);
    RadioField =
        named(new QRadioButton(QStringLiteral("Field (database value)"), type), "RadioField");
    RadioField->setGeometry(8, 68, 186, 20);
    auto* widthBox = new QGroupBox(QStringLiteral("Width"), this);
    widthBox->setGeometry(8, 108, 200, 50);
    FieldWidth = named(new QLineEdit(widthBox), "FieldWidth");
    FieldWidth->setGeometry(8, 20, 60, 22);
    FieldWidth->setMaxLength(3);
    auto* labelBox = new QGroupBox(QStringLiteral("Label Name"), this);
    labelBox->setGeometry(8, 162, 200, 50);
    LabelName = named(new QLineEdit(labelBox), "LabelName");
    LabelName->setGeometry(8, 20, 184, 22);
    LabelName->setMaxLength(reports::kLabelLength);
    auto* partBox = new QGroupBox(QStringLiteral("Selected Part"), this);
    partBox->setGeometry(8, 216, 200, 44);
    SelPartLabel = named(new QLabel(partBox), "SelPartLabel");
    SelPartLabel->setGeometry(8, 20, 184, 18);
    auto* fieldsBox = new QGroupBox(QStringLiteral("Fields"), this);
    fieldsBox->setGeometry(216, 8, 216, 252);
    FieldList = named(new QListWidget(fieldsBox), "FieldList");
    FieldList->setGeometry(8, 20, 200, 224);
    OkButton = named(new QPushButton(QStringLiteral("&Ok"), this), "OkButton");
    OkButton->setGeometry(8, 266, 100, 28);
    OkButton->setDefault(true);
    CancelButton = named(new QPushButton(QStringLiteral("&Cancel"), this), "CancelButton");
    CancelButton->setGeometry(116, 266, 100, 28);

    if (lineNumber_ == 0) {
        for (int n = 1; n <= 4; ++n)
            FieldList->addItem(reports::totalName(n));
        SelPartLabel->setText(QStringLiteral("Totals Line, Item %1").arg(item_));
    } else {
        for (int n = 1; n <= fields::kFieldCount; ++n)
            FieldList->addItem(captions[std::size_t(n)]);
        SelPartLabel->setText(QStringLiteral("Line %1, Item %2").arg(lineNumber_).arg(item_));
    }
    const reports::ReportItem& it = line_.items[size_t(item_ - 1)];
    if (it.isLabel()) {
        RadioLabel->setChecked(true);
        LabelName->setText(it.labelText);
    } else if (it.isFiller()) {
        RadioFiller->setChecked(true);
    } else {
        RadioField->setChecked(true);
        for (int n = 1; n <= FieldList->count(); ++n) {
            const QString name =
                lineNumber_ == 0 ? reports::totalName(n)
                                 : QString::fromLatin1(fields::bookField(n).name.data(),
                                                       qsizetype(fields::bookField(n).name.size()));
            if (name.compare(it.name, Qt::CaseInsensitive) == 0)
                FieldList->setCurrentRow(n - 1);
        }
    }
    FieldWidth->setText(QString::number(it.width));
    kindChanged();

    for (QRadioButton* r : {RadioFiller, RadioLabel, RadioField})
        connect(r, &QRadioButton::toggled, this, &TReportPart::kindChanged);
    connect(OkButton, &QPushButton::clicked, this, &TReportPart::OkButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    ui::recordDesignGeometry(this);
}

void TReportPart::showEvent(QShowEvent* event) {
    ui::prepareForm(this, settings_, scale_);
    ui::applyWindowColors(this, settings_.colorSet(settings::ReportWindow));
    QDialog::showEvent(event);
}

void TReportPart::kindChanged() {
    LabelName->setEnabled(RadioLabel->isChecked());
    FieldList->setEnabled(RadioField->isChecked());
}

void TReportPart::OkButtonClick() {
    // A width that is no whole number, negative or wider than any report is
    // refused, as is a field item with no field chosen.
    const auto width = reports::parseItemWidth(FieldWidth->text());
    if (!width) {
        QApplication::beep();
        ui::showError(this, QStringLiteral("Invalid width entered.  Please correct."));
        FieldWidth->setFocus();
        return;
    }
    const int field = FieldList->currentRow() + 1;
    if (RadioField->isChecked() && field < 1) {
        QApplication::beep();
        ui::showError(this, QStringLiteral("No field has been selected.  Please choose one."));
        FieldList->setFocus();
        return;
    }
    reports::ReportItem& it = line_.items[size_t(item_ - 1)];
    it.width = *width;
    reports::fitLine(line_, width_);
    if (RadioFiller->isChecked()) {
        it.name = reports::kFillerName;
        it.labelText.clear();
    } else if (RadioLabel->isChecked()) {
        it.name = reports::kLabelName;
        it.labelText = LabelName->text().trimmed().left(reports::kLabelLength);
    } else {
        it.name = lineNumber_ == 0
                      ? reports::totalName(field)
                      : QString::fromLatin1(fields::bookField(field).name.data(),
                                            qsizetype(fields::bookField(field).name.size()));
        it.fieldNumber = field;
        it.labelText.clear();
    }
    accept();
}

}  // namespace reportsui
