#include "app/about_box.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

#include "ui/form_geometry.h"
#include "ui/main_window_link.h"

namespace app {

TAboutBox::TAboutBox(ui::MainWindowLink& main) : QDialog(main.dialogParent()), main_(main) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About"));
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(QStringLiteral("Tomekeep Books 95"), this);
    title->setObjectName(QStringLiteral("ProductName"));
    QFont f = title->font();
    f.setPointSize(f.pointSize() + 6);
    f.setBold(true);
    title->setFont(f);
    layout->addWidget(title);
    auto* version = new QLabel(QStringLiteral("Version %1").arg(QStringLiteral(TK_VERSION)), this);
    version->setObjectName(QStringLiteral("Version"));
    layout->addWidget(version);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}

void TAboutBox::showEvent(QShowEvent* event) {
    ui::prepareForm(this, main_);
    QDialog::showEvent(event);
}

}  // namespace app
