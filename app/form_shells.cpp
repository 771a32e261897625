#include "app/form_shells.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

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

TMyEdit::TMyEdit(QWidget* parent) : QDialog(parent) { buildShell(this, "MyEdit", QStringLiteral("Input Window")); }
TMyReport::TMyReport(QWidget* parent) : QDialog(parent) { buildShell(this, "MyReport", QStringLiteral("Reports")); }
TMySearch::TMySearch(QWidget* parent) : QDialog(parent) { buildShell(this, "MySearch", QStringLiteral("Search")); }
