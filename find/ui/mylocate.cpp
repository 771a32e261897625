#include "find/ui/mylocate.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "data/open_collection.h"
#include "fields/book_fields.h"
#include "settings/settings.h"
#include "ui/form_geometry.h"
#include "ui/keyboard.h"
#include "ui/main_window_link.h"
#include "ui/messages.h"
#include "ui/wait_cursor.h"
#include "ui/window_colors.h"

namespace findui {

namespace {

template <typename W>
W* named(W* w, const char* name) {
    w->setObjectName(QLatin1String(name));
    return w;
}

}  // namespace

// ---- TMyLocateDlg ---------------------------------------------------------

TMyLocateDlg::TMyLocateDlg(ui::MainWindowLink& main, const QStringList& labels, QWidget* parent)
    : QDialog(parent), main_(main), labels_(labels) {
    setObjectName(QStringLiteral("MyLocateDlg"));
    setModal(true);
    setFixedSize(380, 276);

    GroupBox3 = named(new QGroupBox(QStringLiteral("&Field To Search On"), this), "GroupBox3");
    GroupBox3->setGeometry(8, 8, 364, 56);
    FieldNameComboBox = named(new QComboBox(GroupBox3), "FieldNameComboBox");
    FieldNameComboBox->setGeometry(10, 22, 344, 24);
    FieldNameComboBox->setToolTip(QStringLiteral("Select the field to search on"));

    GroupBox2 = named(new QGroupBox(QStringLiteral("&Search Type"), this), "GroupBox2");
    GroupBox2->setGeometry(8, 70, 364, 104);
    CaseSensitiveCheckBox =
        named(new QCheckBox(QStringLiteral("&Case-sensitive"), GroupBox2), "CaseSensitiveCheckBox");
    CaseSensitiveCheckBox->setGeometry(230, 22, 126, 20);
    CaseSensitiveCheckBox->setToolTip(QStringLiteral("Searching is case-sensitive"));
    ExactMatchBtn =
        named(new QRadioButton(QStringLiteral("&Exact Match"), GroupBox2), "ExactMatchBtn");
    ExactMatchBtn->setGeometry(10, 22, 210, 20);
    ExactMatchBtn->setToolTip(QStringLiteral("Match occurs only if there is an exact match"));
    PartialMatchStartBtn =
        named(new QRadioButton(QStringLiteral("&Partial Match at Beginning"), GroupBox2),
              "PartialMatchStartBtn");
    PartialMatchStartBtn->setGeometry(10, 48, 210, 20);
    PartialMatchStartBtn->setToolTip(
        QStringLiteral("Match occurs if the start of the field's value matches"));
    PartialMatchStartBtn->setChecked(true);
    PartialMatchAnyBtn =
        named(new QRadioButton(QStringLiteral("Partial Match &Anywhere"), GroupBox2),
              "PartialMatchAnyBtn");
    PartialMatchAnyBtn->setGeometry(10, 74, 210, 20);
    PartialMatchAnyBtn->setToolTip(QStringLiteral("Match occurs if any part of the field matches"));
    // The search types first, then the box beside them.
    ui::chainTabOrder({PartialMatchAnyBtn, CaseSensitiveCheckBox});

    GroupBox1 = named(new QGroupBox(QStringLiteral("Search &Value"), this), "GroupBox1");
    GroupBox1->setGeometry(8, 180, 364, 52);
    SearchValue = named(new QLineEdit(GroupBox1), "SearchValue");
    SearchValue->setGeometry(10, 20, 344, 24);
    SearchValue->setMaxLength(255);
    SearchValue->setToolTip(QStringLiteral("Enter field's search value"));

    FirstButton = named(new QPushButton(QStringLiteral("Fi&rst"), this), "FirstButton");
    FirstButton->setGeometry(60, 240, 96, 28);
    FirstButton->setToolTip(QStringLiteral("Find first match"));
    NextButton = named(new QPushButton(QStringLiteral("&Next"), this), "NextButton");
    NextButton->setGeometry(164, 240, 96, 28);
    NextButton->setToolTip(QStringLiteral("Find next match from current record"));
    BitBtn1 = named(new QPushButton(QStringLiteral("Cancel"), this), "BitBtn1");
    BitBtn1->setGeometry(268, 240, 96, 28);
    BitBtn1->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
    BitBtn1->setAutoDefault(false);

    connect(FirstButton, &QPushButton::clicked, this, &TMyLocateDlg::FindFirst);
    connect(NextButton, &QPushButton::clicked, this, &TMyLocateDlg::FindNextBtnClick);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::reject);
    connect(FieldNameComboBox, &QComboBox::activated, this, &TMyLocateDlg::FieldNameComboBoxChange);
    FieldNameComboBox->installEventFilter(this);
}

void TMyLocateDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    ui::prepareForm(this, main_);
    SetColors();
    SearchValue->setFocus();
}

void TMyLocateDlg::SetColors() {
    ui::applyWindowColors(this, main_.settings().colorSet(settings::ConfigureWindow));
}

// While the field list has the focus, Enter chooses from the list and never
// starts a search: the default button gives up its role for that time.
bool TMyLocateDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == FieldNameComboBox) {
        if (event->type() == QEvent::FocusIn) {
            nextWasDefault_ = NextButton->isDefault();
            NextButton->setDefault(false);
            FirstButton->setDefault(false);
        } else if (event->type() == QEvent::FocusOut) {
            NextButton->setDefault(nextWasDefault_);
            FirstButton->setDefault(!nextWasDefault_);
        } else if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
                FieldNameComboBox->hidePopup();
                SearchValue->setFocus();
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TMyLocateDlg::FieldNameComboBoxChange() {
    SearchValue->clear();
    SearchValue->setFocus();
}

find::MatchType TMyLocateDlg::matchType() const {
    if (ExactMatchBtn->isChecked())
        return find::MatchType::Exact;
    if (PartialMatchStartBtn->isChecked())
        return find::MatchType::PartialStart;
    return find::MatchType::PartialAny;
}

void TMyLocateDlg::setMatchType(find::MatchType type) {
    switch (type) {
        case find::MatchType::Exact:
            ExactMatchBtn->setChecked(true);
            break;
        case find::MatchType::PartialStart:
            PartialMatchStartBtn->setChecked(true);
            break;
        case find::MatchType::PartialAny:
            PartialMatchAnyBtn->setChecked(true);
            break;
    }
}

QString TMyLocateDlg::fieldName() const {
    return find::fieldNameOfLabel(labels_, FieldNameComboBox->currentText());
}

void TMyLocateDlg::FindFirst() {
    search(true);
}

void TMyLocateDlg::FindNextBtnClick() {
    search(false);
}

void TMyLocateDlg::search(bool fromFirst) {
    const QString field = fieldName();
    find::LocateResult result = find::LocateResult::NotFound;
    if (!field.isEmpty()) {
        try {
            ui::WaitCursor wait;
            result = find::locateRecord(main_.collection().table(), fromFirst, field,
                                        CaseSensitiveCheckBox->isChecked(), matchType(),
                                        SearchValue->text(), main_.settings().formats);
        } catch (const dbase::Error& e) {
            ui::showError(this, QString::fromStdString(e.what()));
            return;
        }
    }
    if (result == find::LocateResult::Found) {
        accept();
        return;
    }
    if (result == find::LocateResult::NoField)
        ui::showWarning(this, find::fieldNotFoundMessage(field));
    ui::showNotice(this, find::noMatchesMessage(fromFirst));
}

// ---- TMyLocateDialog ------------------------------------------------------

TMyLocateDialog::TMyLocateDialog(ui::MainWindowLink& main, QObject* parent)
    : QObject(parent), main_(main) {}

QStringList TMyLocateDialog::labels() const {
    QStringList list;
    const auto& names = main_.settings().fieldNames;
    for (int no = 1; no <= fields::kFieldCount; ++no)
        list << names[no];
    return list;
}

bool TMyLocateDialog::Execute() {
    if (!main_.collection().isOpen()) {
        ui::showError(main_.dialogParent(), find::noActiveDataSetMessage());
        return false;
    }
    const QStringList names = labels();
    TMyLocateDlg form(main_, names, main_.dialogParent());
    QList<bool> shown;
    for (int no = 1; no <= fields::kFieldCount; ++no)
        shown << main_.settings().displayFields[no];
    form.FieldNameComboBox->addItems(
        find::fieldList(names, shown, options_.fieldOrder, options_.fieldSelection));
    const bool next = options_.defaultButton == find::DefaultButton::FindNext;
    form.NextButton->setDefault(next);
    form.FirstButton->setDefault(!next);
    form.NextButton->setAutoDefault(next);
    form.FirstButton->setAutoDefault(!next);
    const QString label = find::labelOfField(names, options_.searchField);
    if (!label.isEmpty() &&
        main_.collection().table().findField(options_.searchField.toStdString()) >= 0) {
        form.SearchValue->setText(options_.searchValue);
        form.FieldNameComboBox->setCurrentIndex(
            form.FieldNameComboBox->findText(label, Qt::MatchExactly));
    } else {
        form.SearchValue->clear();
        form.FieldNameComboBox->setCurrentIndex(-1);
    }
    form.CaseSensitiveCheckBox->setChecked(options_.caseSensitive);
    form.setMatchType(options_.matchType);
    form.setWindowTitle(options_.caption);
    const bool found = form.exec() == QDialog::Accepted;
    // Whatever closed it, what was chosen is kept for the next use.
    options_.matchType = form.matchType();
    options_.caseSensitive = form.CaseSensitiveCheckBox->isChecked();
    options_.searchValue = form.SearchValue->text();
    options_.searchField = form.fieldName();
    return found;
}

bool TMyLocateDialog::FindNext() {
    if (!main_.collection().isOpen()) {
        ui::showWarning(main_.dialogParent(), find::noActiveTableMessage());
        return false;
    }
    if (options_.searchValue.isEmpty()) {
        options_.defaultButton = find::DefaultButton::FindNext;
        return Execute();
    }
    find::LocateResult result = find::LocateResult::NotFound;
    try {
        ui::WaitCursor wait;
        result = find::locateRecord(main_.collection().table(), false, options_.searchField,
                                    options_.caseSensitive, options_.matchType,
                                    options_.searchValue, main_.settings().formats);
    } catch (const dbase::Error& e) {
        ui::showError(main_.dialogParent(), QString::fromStdString(e.what()));
        return false;
    }
    if (result == find::LocateResult::NoField) {
        ui::showWarning(main_.dialogParent(), find::fieldNotFoundMessage(options_.searchField));
        return false;
    }
    if (result == find::LocateResult::NotFound && options_.showMessages)
        ui::showNotice(main_.dialogParent(), find::noMatchesMessage(false));
    return result == find::LocateResult::Found;
}

}  // namespace findui
