#include "edit/ui/tmyeditbox.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>

#include "edit/list_titles.h"
#include "settings/formats.h"
#include "settings/settings.h"
#include "ui/form_geometry.h"
#include "ui/main_window_link.h"
#include "ui/window_colors.h"

namespace editui {

namespace {

template <typename W>
W* named(W* w, const char* name) {
    w->setObjectName(QLatin1String(name));
    return w;
}

}  // namespace

TMyEditBox::TMyEditBox(ui::MainWindowLink& main, books::PickList list, QWidget* parent)
    : QDialog(parent), main_(main), list_(list) {
    setObjectName(QStringLiteral("MyEditBox"));
    setWindowTitle(edit::maintenanceCaption(list));
    setModal(true);
    setFixedSize(352, 332);

    AddInfo = named(new QLineEdit(this), "AddInfo");
    AddInfo->setGeometry(8, 8, 240, 24);
    AddInfo->setMaxLength(edit::entryLimit(list));
    AddButton = named(new QPushButton(QStringLiteral("&Add"), this), "AddButton");
    AddButton->setGeometry(256, 6, 88, 28);
    TheList = named(new QListWidget(this), "TheList");
    TheList->setGeometry(8, 40, 240, 284);
    TheList->setSelectionMode(QAbstractItemView::SingleSelection);
    TheList->addItems(main.pickLists().items(list));
    DeleteButton = named(new QPushButton(QStringLiteral("&Delete"), this), "DeleteButton");
    DeleteButton->setGeometry(256, 40, 88, 28);
    OkButton = named(new QPushButton(QStringLiteral("&Ok"), this), "OkButton");
    OkButton->setGeometry(256, 258, 88, 28);
    CancelButton = named(new QPushButton(QStringLiteral("&Cancel"), this), "CancelButton");
    CancelButton->setGeometry(256, 294, 88, 28);
    for (QPushButton* b : {AddButton, DeleteButton, OkButton, CancelButton})
        b->setAutoDefault(false);
    AddInfo->clear();

    connect(AddButton, &QPushButton::clicked, this, &TMyEditBox::AddButtonClick);
    connect(AddInfo, &QLineEdit::returnPressed, this, &TMyEditBox::AddButtonClick);
    connect(DeleteButton, &QPushButton::clicked, this, &TMyEditBox::DeleteButtonClick);
    connect(OkButton, &QPushButton::clicked, this, &TMyEditBox::OkButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

QStringList TMyEditBox::entries() const {
    QStringList out;
    for (int i = 0; i < TheList->count(); ++i)
        out << TheList->item(i)->text();
    return out;
}

void TMyEditBox::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        ui::prepareForm(this, main_);
        ui::applyWindowColors(this, main_.settings().colorSet(settings::ConfigureWindow));
        TheList->setFocus();
        if (TheList->count() > 0)
            TheList->setCurrentRow(0);
    }
    QDialog::showEvent(event);
}

void TMyEditBox::AddButtonClick() {
    const QString text = settings::trimBlanks(AddInfo->text());
    if (!text.isEmpty())
        TheList->addItem(text);
    AddInfo->clear();
    AddInfo->setFocus();
}

void TMyEditBox::DeleteButtonClick() {
    const int row = TheList->currentRow();
    if (row < 0 || !TheList->currentItem() || !TheList->currentItem()->isSelected())
        return;
    delete TheList->takeItem(row);
    if (TheList->count() == 0) {
        TheList->setCurrentRow(-1);
        return;
    }
    TheList->setCurrentRow(std::min(row, TheList->count() - 1));
}

void TMyEditBox::OkButtonClick() {
    main_.pickLists().setItems(list_, entries());
    main_.refreshPickLists();
    accept();
}

}  // namespace editui
