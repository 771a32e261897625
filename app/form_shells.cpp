#include "app/form_shells.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

#include "ui/form_geometry.h"

namespace {

void buildShell(QDialog* d, const char* name, const QString& caption) {
    d->setObjectName(QLatin1String(name));
    d->setWindowTitle(caption);
    d->setModal(true);
    auto* layout = new QVBoxLayout(d);
    layout->addWidget(new QLabel(caption, d));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, d);
    QObject::connect(buttons, &QDialogButtonBox::rejected, d, &QDialog::reject);
    layout->addWidget(buttons);
}

}  // namespace

void LongLivedForm::recordDesign() {
    ui::recordDesignGeometry(this);
}

void LongLivedForm::showEvent(QShowEvent* event) {
    ui::prepareForm(this);
    QDialog::showEvent(event);
}

TMyReport::TMyReport(QWidget* parent) : LongLivedForm(parent) {
    buildShell(this, "MyReport", QStringLiteral("Reports"));
    recordDesign();
}
