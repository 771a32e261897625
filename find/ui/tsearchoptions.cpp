#include "find/ui/tsearchoptions.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "settings/settings.h"
#include "ui/form_geometry.h"
#include "ui/main_window_link.h"
#include "ui/window_colors.h"

namespace findui {

namespace {
constexpr int kSearchColors = settings::SearchWindow;
}

TSearchOptions::TSearchOptions(ui::MainWindowLink& main, QWidget* parent)
    : QDialog(parent), main_(main) {
    setObjectName(QStringLiteral("SearchOptions"));
    setWindowTitle(QStringLiteral("Search Options"));
    setModal(true);
    setFixedSize(260, 260);
    FieldNameLabel = new QLabel(this);
    FieldNameLabel->setObjectName(QStringLiteral("FieldNameLabel"));
    FieldNameLabel->setGeometry(10, 8, 240, 18);
    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setGeometry(10, 30, 240, 180);
    OkButton = new QPushButton(QStringLiteral("&Ok"), this);
    OkButton->setObjectName(QStringLiteral("OkButton"));
    OkButton->setGeometry(40, 220, 84, 30);
    OkButton->setDefault(true);
    CancelButton = new QPushButton(QStringLiteral("&Cancel"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    CancelButton->setGeometry(136, 220, 84, 30);
    CancelButton->setAutoDefault(false);
    connect(OkButton, &QPushButton::clicked, this, &TSearchOptions::OkButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &TSearchOptions::CancelButtonClick);
    connect(ListBox1, &QListWidget::itemDoubleClicked, this, &TSearchOptions::OkButtonClick);
}

void TSearchOptions::setFieldName(const QString& name) {
    FieldNameLabel->setText(name);
}

void TSearchOptions::LoadList(const QStringList& items) {
    ListBox1->clear();
    ListBox1->addItems(items);
}

int TSearchOptions::selectedIndex() const {
    const QList<QListWidgetItem*> chosen = ListBox1->selectedItems();
    return chosen.isEmpty() ? -1 : ListBox1->row(chosen.first());
}

QString TSearchOptions::selectedText() const {
    const int i = selectedIndex();
    return i < 0 ? QString() : ListBox1->item(i)->text();
}

void TSearchOptions::select(int index) {
    if (index >= 0 && index < ListBox1->count())
        ListBox1->setCurrentRow(index);
}

void TSearchOptions::OkButtonClick() {
    accept();
}

void TSearchOptions::CancelButtonClick() {
    reject();
}

void TSearchOptions::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    ui::prepareForm(this, main_);
    SetColors();
}

void TSearchOptions::SetColors() {
    const settings::WindowColors& c = main_.settings().colorSet(kSearchColors);
    ui::applyWindowColors(this, c);
    // The field's name is a minor title on the window's background.
    QPalette p = FieldNameLabel->palette();
    p.setColor(QPalette::WindowText, ui::toQColor(c[settings::MinorTitle]));
    p.setColor(QPalette::Window, ui::toQColor(c[settings::MainBackground]));
    FieldNameLabel->setPalette(p);
}

}  // namespace findui
