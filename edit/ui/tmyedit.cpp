#include "edit/ui/tmyedit.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QShowEvent>
#include <QTabWidget>

#include "data/error_text.h"
#include "data/open_collection.h"
#include "data/pick_lists.h"
#include "data/run_state.h"
#include "dbase/table.h"
#include "edit/edit_fields.h"
#include "edit/record_update.h"
#include "settings/formats.h"
#include "settings/settings.h"
#include "ui/form_geometry.h"
#include "ui/help_window.h"
#include "ui/keyboard.h"
#include "ui/main_window_link.h"
#include "ui/messages.h"
#include "ui/window_colors.h"

namespace editui {

namespace f = edit::field;

namespace {

template <typename W>
W* named(W* w, const char* name) {
    w->setObjectName(QLatin1String(name));
    return w;
}

const char* const kPageNames[edit::kPageCount] = {"&Description", "&Catalog", "&Worth", "Li&brary",
                                                  "&Other"};
const char* const kHeaderNames[4] = {"WarrantyItem", "WorthItem", "LibraryItem", "OtherItem"};

// Leaving these sets the page headers to the title.
constexpr int kTitleExitFields[] = {f::Title,       27, 14, 15, 16, 23, 28, f::ISBN,
                                    f::Description, 31, 32, 33, 34, 35, 36};

constexpr int kFormWidth = 560;
constexpr int kFormHeight = 412;
constexpr int kRowHeight = 23;

}  // namespace

books::EditMode& TMyEdit::editMode() const {
    return main_.runState().editMode;
}

const settings::Formats& TMyEdit::formats() const {
    return main_.settings().formats;
}

TMyEdit::TMyEdit(ui::MainWindowLink& main, QWidget* parent) : QDialog(parent), main_(main) {
    setObjectName(QStringLiteral("MyEdit"));
    setWindowTitle(QStringLiteral("Edit"));
    setModal(true);
    // No minimise and maximise buttons.
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(kFormWidth, kFormHeight);
    createMenu();
    createControls();
    ui::recordDesignGeometry(this);
}

void TMyEdit::createMenu() {
    menuBar_ = named(new QMenuBar(this), "MyMenu");
    menuBar_->setGeometry(0, 0, kFormWidth, 24);
    menuBar_->setNativeMenuBar(false);
    auto item = [this](QMenu* menu, const char* name, const QString& text, const QKeySequence& key,
                       void (TMyEdit::*slot)()) {
        QAction* a = menu->addAction(text);
        a->setObjectName(QLatin1String(name));
        a->setShortcut(key);
        addAction(a);  // the shortcut works wherever the focus is in the form
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    QMenu* file = menuBar_->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("MenuFile"));
    MenuNew = item(file, "MenuNew", QStringLiteral("N&ew Record"),
                   QKeySequence(QStringLiteral("Ctrl+E")), &TMyEdit::MenuNewClick);
    MenuClear = item(file, "MenuClear", QStringLiteral("&Clear Record"),
                     QKeySequence(QStringLiteral("Ctrl+L")), &TMyEdit::DoClear);
    MenuUpdate = item(file, "MenuUpdate", QStringLiteral("Up&date Record"),
                      QKeySequence(QStringLiteral("Ctrl+R")), &TMyEdit::DoAnUpdate);
    MenuUpdateExit = item(file, "MenuUpdateExit", QStringLiteral("&Update && Exit"),
                          QKeySequence(QStringLiteral("Ctrl+U")), &TMyEdit::DoUpdateAndExit);
    file->addSeparator();
    MenuPrevious = item(file, "MenuPrevious", QStringLiteral("&Previous Record"),
                        QKeySequence(QStringLiteral("Ctrl+P")), &TMyEdit::DoPreviousRecord);
    MenuNext = item(file, "MenuNext", QStringLiteral("&Next Record"),
                    QKeySequence(QStringLiteral("Ctrl+N")), &TMyEdit::DoNextRecord);
    file->addSeparator();
    MenuExit = item(file, "MenuExit", QStringLiteral("E&xit"), QKeySequence(), &TMyEdit::DoExit);

    QMenu* editMenu = menuBar_->addMenu(QStringLiteral("&Edit"));
    editMenu->setObjectName(QStringLiteral("MenuEdit"));
    const std::pair<const char*, const char*> editItems[] = {{"MenuCut", "Cu&t"},
                                                             {"MenuCopy", "&Copy"},
                                                             {"MenuPaste", "&Paste"},
                                                             {"MenuDelete", "&Delete"}};
    const char* const editKeys[] = {"Ctrl+X", "Ctrl+C", "Ctrl+V", "Ctrl+D"};
    std::array<QAction*, 4> editActions{};
    for (int k = 0; k < 4; ++k) {
        QAction* a = editMenu->addAction(QString::fromLatin1(editItems[k].second));
        a->setObjectName(QLatin1String(editItems[k].first));
        a->setShortcut(QKeySequence(QLatin1String(editKeys[k])));
        addAction(a);
        connect(a, &QAction::triggered, this, [this, k] { editAction(k); });
        editActions[static_cast<std::size_t>(k)] = a;
    }
    MenuCut = editActions[0];
    MenuCopy = editActions[1];
    MenuPaste = editActions[2];
    MenuDelete = editActions[3];

    MenuHelp = menuBar_->addAction(QStringLiteral("&Help"));
    MenuHelp->setObjectName(QStringLiteral("MenuHelp"));
    MenuHelp->setShortcut(QKeySequence(QStringLiteral("Ctrl+H")));
    addAction(MenuHelp);
    connect(MenuHelp, &QAction::triggered, this,
            [this] { ui::showHelp(this, QStringLiteral("Input Window")); });
}

void TMyEdit::createControls() {
    MyTabbedNoteBook = named(new QTabWidget(this), "MyTabbedNoteBook");
    MyTabbedNoteBook->setGeometry(8, 30, kFormWidth - 16, 330);
    std::array<QWidget*, edit::kPageCount> pages{};
    std::array<int, edit::kPageCount> rows{};
    for (int p = 0; p < edit::kPageCount; ++p) {
        auto* page = new QWidget(MyTabbedNoteBook);
        page->setObjectName(QStringLiteral("Page%1").arg(p));
        MyTabbedNoteBook->addTab(page, QString::fromLatin1(kPageNames[p]));
        pages[static_cast<std::size_t>(p)] = page;
    }
    for (const edit::Entry& e : edit::entries()) {
        QWidget* page = pages[static_cast<std::size_t>(e.page)];
        const int y = 8 + rows[static_cast<std::size_t>(e.page)]++ * kRowHeight;
        const int limit = edit::lengthLimit(e);
        const int width = std::clamp(limit * 7 + 12, 72, 390);
        QWidget* w = nullptr;
        switch (e.kind) {
            case edit::EntryKind::Text: {
                auto* line = new QLineEdit(page);
                line->setMaxLength(limit);
                w = line;
                break;
            }
            case edit::EntryKind::Combo: {
                auto* combo = new QComboBox(page);
                combo->setEditable(true);
                combo->setInsertPolicy(QComboBox::NoInsert);
                combo->lineEdit()->setMaxLength(limit);
                w = combo;
                break;
            }
            case edit::EntryKind::Date: {
                auto* line = new QLineEdit(page);
                line->setMaxLength(10);
                w = line;
                break;
            }
            case edit::EntryKind::Check:
                w = new QCheckBox(page);
                break;
        }
        w->setObjectName(QLatin1String(e.control));
        w->setGeometry(140, y, e.kind == edit::EntryKind::Check ? 200 : width, 21);
        controls_[static_cast<std::size_t>(e.field)] = w;
        if (e.kind != edit::EntryKind::Check) {
            auto* label = new QLabel(page);
            label->setObjectName(QLatin1String(e.control) + QStringLiteral("Label"));
            label->setGeometry(8, y + 2, 128, 18);
            label->setBuddy(w);
            labels_[static_cast<std::size_t>(e.field)] = label;
        }
    }
    CheckOut = qobject_cast<QCheckBox*>(controls_[f::CheckOut]);
    PurchDate = qobject_cast<QLineEdit*>(controls_[f::PurchDate]);
    CheckDate = qobject_cast<QLineEdit*>(controls_[f::CheckDate]);
    CheckName = qobject_cast<QComboBox*>(controls_[f::CheckName]);

    BlankPurchDate = named(new QPushButton(QStringLiteral("Blan&k"), PurchDate->parentWidget()),
                           "BlankPurchDate");
    BlankPurchDate->setGeometry(PurchDate->geometry().right() + 8, PurchDate->y() - 1, 80, 23);
    BlankCheckOut = named(new QPushButton(QStringLiteral("Blan&k Date"), CheckDate->parentWidget()),
                          "BlankCheckOut");
    BlankCheckOut->setGeometry(CheckDate->geometry().right() + 8, CheckDate->y() - 1, 90, 23);
    // Tab reaches each Blank button right after the date box it empties.
    ui::chainTabOrder({PurchDate, BlankPurchDate});
    ui::chainTabOrder({CheckDate, BlankCheckOut});
    connect(BlankPurchDate, &QPushButton::clicked, this, [this] { setDateBox(PurchDate, {}); });
    connect(BlankCheckOut, &QPushButton::clicked, this, [this] { setDateBox(CheckDate, {}); });
    connect(CheckOut, &QCheckBox::clicked, this, [this] { CheckOutClick(); });

    for (int k = 0; k < 4; ++k) {
        QWidget* page = pages[static_cast<std::size_t>(k + 1)];
        auto* header = named(new QLabel(page), kHeaderNames[k]);
        header->setGeometry(8, 272, kFormWidth - 40, 20);
        header->setFrameShape(QFrame::Panel);
        header->setFrameShadow(QFrame::Sunken);
        ui::markRole(header, ui::ColorRole::None);
        headers_[static_cast<std::size_t>(k)] = header;
    }

    const int by = 370;
    auto button = [this, by](const char* name, const QString& text, int x, int w) {
        auto* b = named(new QPushButton(text, this), name);
        b->setGeometry(x, by, w, 30);
        b->setAutoDefault(false);
        return b;
    };
    UpdateExitButton = button("UpdateExitButton", QStringLiteral("&Update && Exit"), 8, 104);
    UpdateButton = button("UpdateButton", QStringLiteral("Up&date"), 116, 84);
    ClearButton = button("ClearButton", QStringLiteral("C&lear"), 204, 84);
    CancelButton = button("CancelButton", QStringLiteral("E&xit"), 292, 84);
    PrevButton = button("PrevButton", QStringLiteral("&Previous"), 380, 84);
    NextButton = button("NextButton", QStringLiteral("&Next"), 468, 84);
    BlankPurchDate->setAutoDefault(false);
    BlankCheckOut->setAutoDefault(false);
    connect(UpdateExitButton, &QPushButton::clicked, this, &TMyEdit::DoUpdateAndExit);
    connect(UpdateButton, &QPushButton::clicked, this, &TMyEdit::DoAnUpdate);
    connect(ClearButton, &QPushButton::clicked, this, &TMyEdit::DoClear);
    connect(CancelButton, &QPushButton::clicked, this, &TMyEdit::DoExit);
    connect(PrevButton, &QPushButton::clicked, this, &TMyEdit::DoPreviousRecord);
    connect(NextButton, &QPushButton::clicked, this, &TMyEdit::DoNextRecord);

    // Every key reaches the form first (the Enter chain), and leaving some
    // entries names the book on the page headers.
    for (QWidget* w : findChildren<QWidget*>())
        w->installEventFilter(this);
}

QWidget* TMyEdit::control(int field) const {
    return controls_.at(static_cast<std::size_t>(field));
}

// ---- Showing and closing ----------------------------------------------------

void TMyEdit::showEvent(QShowEvent* event) {
    if (!event->spontaneous())
        FormShow();
    QDialog::showEvent(event);
}

void TMyEdit::FormShow() {
    ui::prepareForm(this, main_);
    for (const edit::Entry& e : edit::entries()) {
        if (QLabel* label = labels_[static_cast<std::size_t>(e.field)])
            label->setText(books::displayName(e.field, main_.settings()));
    }
    CheckOut->setText(books::displayName(f::CheckOut, main_.settings()));
    MyTabbedNoteBook->setCurrentIndex(0);
    SetColors();
    applyBrowseMode();
    setMasks();
    fillLists();
    if (editMode() == books::EditMode::Edit || editMode() == books::EditMode::Copy)
        LoadInData();
    else
        DoClear();
    SaveValues();
    TitleExit();
    control(f::Title)->setFocus();
}

void TMyEdit::done(int result) {
    FormClose();
    QDialog::done(result);
}

void TMyEdit::FormClose() {
    books::PickLists& lists = main_.pickLists();
    if (lists.directory().isEmpty())
        return;  // never read: there is nothing of the program's to write
    const QString problems = lists.saveAll();
    if (!problems.isEmpty())
        ui::showError(this, QStringLiteral("These pick lists could not be saved:\n") + problems);
}

void TMyEdit::SetColors() {
    ui::applyWindowColors(this, main_.settings().colorSet(settings::EditWindow));
}

void TMyEdit::applyBrowseMode() {
    const bool writable = !main_.browseMode();
    for (QAction* a :
         {MenuNew, MenuClear, MenuUpdate, MenuUpdateExit, MenuCut, MenuCopy, MenuPaste, MenuDelete})
        a->setEnabled(writable);
    for (QPushButton* b : {UpdateExitButton, UpdateButton, ClearButton})
        b->setEnabled(writable);
}

void TMyEdit::fillLists() {
    const books::PickLists& lists = main_.pickLists();
    for (const edit::Entry& e : edit::entries()) {
        if (e.kind != edit::EntryKind::Combo)
            continue;
        auto* combo = qobject_cast<QComboBox*>(control(e.field));
        const QString text = combo->currentText();
        combo->clear();
        combo->addItems(lists.items(static_cast<books::PickList>(e.list)));
        combo->setEditText(text);
    }
}

void TMyEdit::setMasks() {
    const QString sep = formats().dateSeparator();
    const QString mask =
        QStringLiteral("99") + sep + QStringLiteral("99") + sep + QStringLiteral("9999;_");
    for (QLineEdit* box : {PurchDate, CheckDate})
        if (box->inputMask() != mask)
            box->setInputMask(mask);
}

void TMyEdit::setDateBox(QLineEdit* box, const QString& text) {
    if (edit::isBlankDate(text)) {
        box->clear();
        return;
    }
    // Places not filled in are blanks in the form's texts.
    QString masked = text;
    masked.replace(QLatin1Char(' '), QLatin1Char('_'));
    box->setText(masked);
}

QString TMyEdit::dateBoxText(const QLineEdit* box) const {
    QString text = box->displayText();
    text.replace(QLatin1Char('_'), QLatin1Char(' '));
    return text;
}

// ---- Values -------------------------------------------------------------------

edit::FormValues TMyEdit::currentValues() const {
    edit::FormValues v;
    for (const edit::Entry& e : edit::entries()) {
        QWidget* w = control(e.field);
        switch (e.kind) {
            case edit::EntryKind::Text:
                v[e.field] = qobject_cast<QLineEdit*>(w)->text();
                break;
            case edit::EntryKind::Combo:
                v[e.field] = qobject_cast<QComboBox*>(w)->currentText();
                break;
            case edit::EntryKind::Date:
                v[e.field] = dateBoxText(qobject_cast<QLineEdit*>(w));
                break;
            case edit::EntryKind::Check:
                v.checkOut = qobject_cast<QCheckBox*>(w)->isChecked();
                break;
        }
    }
    return v;
}

void TMyEdit::setValues(const edit::FormValues& v) {
    for (const edit::Entry& e : edit::entries()) {
        QWidget* w = control(e.field);
        switch (e.kind) {
            case edit::EntryKind::Text:
                qobject_cast<QLineEdit*>(w)->setText(v[e.field]);
                break;
            case edit::EntryKind::Combo:
                qobject_cast<QComboBox*>(w)->setEditText(v[e.field]);
                break;
            case edit::EntryKind::Date:
                setDateBox(qobject_cast<QLineEdit*>(w), v[e.field]);
                break;
            case edit::EntryKind::Check:
                // Set, not clicked: the remembered pair stays as it is.
                qobject_cast<QCheckBox*>(w)->setChecked(v.checkOut);
                break;
        }
    }
}

void TMyEdit::LoadInData() {
    books::OpenCollection& collection = main_.collection();
    edit::FormValues v = edit::clearedValues(formats());
    stored_ = {};
    try {
        if (collection.isOpen() && !collection.table().isEmpty()) {
            v = edit::recordValues(collection.table(), formats());
            stored_ = edit::storedRecord(collection.table());
        }
    } catch (const std::exception& e) {
        ui::showError(this, books::errorText(e, main_.settings()));
    }
    setValues(v);
    rememberedDate_ = dateBoxText(CheckDate).left(10);
    rememberedName_ = CheckName->currentText().left(30);
    TitleExit();
}

void TMyEdit::SaveValues() {
    SavedValues = currentValues();
}

bool TMyEdit::ValuesChanged() const {
    return edit::valuesChanged(currentValues(), SavedValues);
}

void TMyEdit::DoClear() {
    const bool wasChecked = CheckOut->isChecked();
    setValues(edit::clearedValues(formats()));
    if (wasChecked)
        CheckOutClick();  // remembers the now empty date and person
}

void TMyEdit::CheckOutClick() {
    if (CheckOut->isChecked()) {
        setDateBox(CheckDate, rememberedDate_);
        CheckName->setEditText(rememberedName_);
    } else {
        rememberedDate_ = dateBoxText(CheckDate).left(10);
        rememberedName_ = CheckName->currentText().left(30);
        setDateBox(CheckDate, {});
        CheckName->setEditText(QString());
    }
}

void TMyEdit::TitleExit() {
    const QString text = books::displayName(f::Title, main_.settings()) + QStringLiteral(": ") +
                         qobject_cast<QLineEdit*>(control(f::Title))->text();
    for (QLabel* header : headers_)
        header->setText(text);
}

// ---- Updating -----------------------------------------------------------------

// The focus arrives as Tab brings it: the text is selected, so typing
// replaces it, and a date box is typed over from its first place.
void TMyEdit::focusField(int field) {
    const int page = edit::entryOfField(field).page;
    if (MyTabbedNoteBook->currentIndex() != page) {
        // Turning the page would first hand the focus to the new page's
        // first box, which then never sees the focus arrive.
        if (QWidget* focused = QApplication::focusWidget())
            focused->clearFocus();
        MyTabbedNoteBook->setCurrentIndex(page);
    }
    control(field)->setFocus(Qt::TabFocusReason);
}

bool TMyEdit::DoUpdate() {
    if (main_.browseMode())
        return false;
    const edit::FormValues values = currentValues();
    if (const auto problem = edit::firstProblem(values, formats())) {
        ui::showError(this, problem->message);
        MyTabbedNoteBook->setCurrentIndex(problem->page);
        control(problem->field)->setFocus();
        return false;
    }
    const bool insert = editMode() != books::EditMode::Edit;
    const edit::UpdateResult result =
        edit::writeRecord(main_.collection(), insert, values, main_.settings(), stored_);
    if (!result.ok()) {
        ui::showError(this, result.message);
        return false;
    }
    editMode() = books::EditMode::Edit;
    addToLists(values);
    // The count is refreshed when the form closes: counting a large
    // collection again after every update would cost more than the update.
    return true;
}

void TMyEdit::addToLists(const edit::FormValues& values) {
    books::PickLists& lists = main_.pickLists();
    for (int n = 1; n <= books::kPickListCount; ++n) {
        const auto list = static_cast<books::PickList>(n);
        for (const edit::Entry& e : edit::entries()) {
            if (e.list != n)
                continue;
            if (lists.add(list, values[e.field])) {
                auto* combo = qobject_cast<QComboBox*>(control(e.field));
                const QString text = combo->currentText();
                combo->addItem(lists.items(list).constLast());
                combo->setEditText(text);
            }
        }
    }
    main_.refreshPickLists();
}

void TMyEdit::DoAnUpdate() {
    if (DoUpdate())
        SaveValues();
}

void TMyEdit::DoUpdateAndExit() {
    if (DoUpdate())
        accept();
}

// ---- Moving, new record, exit -------------------------------------------------

void TMyEdit::DoPreviousRecord() {
    stepRecord(false);
}

void TMyEdit::DoNextRecord() {
    stepRecord(true);
}

void TMyEdit::stepRecord(bool forward) {
    if (!main_.browseMode()) {
        const QString where = forward ? QStringLiteral("next") : QStringLiteral("previous");
        QString question;
        if (editMode() != books::EditMode::Edit)
            question = QStringLiteral(
                           "This record has not been updated yet.  Update this record before "
                           "moving to the %1 record?")
                           .arg(where);
        else if (ValuesChanged())
            question = QStringLiteral(
                           "Data has changed.  Update this record before moving to the %1 record?")
                           .arg(where);
        if (!question.isEmpty()) {
            switch (ui::askDefaultNo(this, QStringLiteral("Warning"), question, true)) {
                case ui::Answer::Cancel:
                    return;
                case ui::Answer::Yes:
                    if (!DoUpdate())
                        return;
                    break;
                case ui::Answer::No:
                    break;
            }
        }
    }
    try {
        dbase::Table& table = main_.collection().table();
        if (table.isOpen() && !table.isEmpty()) {
            if (forward)
                table.next();
            else
                table.prior();
        }
    } catch (const std::exception& e) {
        ui::showError(this, books::errorText(e, main_.settings()));
        return;
    }
    LoadInData();
    SaveValues();
    editMode() = books::EditMode::Edit;
}

void TMyEdit::MenuNewClick() {
    if (main_.browseMode())
        return;
    if (ValuesChanged()) {
        switch (ui::askDefaultNo(
            this, QStringLiteral("Warning"),
            QStringLiteral("Data has changed.  Update this record before creating new one?"),
            true)) {
            case ui::Answer::Cancel:
                return;
            case ui::Answer::Yes:
                if (!DoUpdate())
                    return;
                break;
            case ui::Answer::No:
                break;
        }
    }
    DoClear();
    editMode() = books::EditMode::Add;
    SaveValues();
    TitleExit();
    focusField(f::Title);
}

void TMyEdit::DoExit() {
    if (!main_.browseMode() && ValuesChanged() &&
        ui::askDefaultNo(this, QStringLiteral("Warning"),
                         QStringLiteral("Data has changed.  Do you want to exit without updating?"),
                         false) != ui::Answer::Yes)
        return;
    reject();
}

// ---- Keys, focus and the Edit menu --------------------------------------------

QWidget* TMyEdit::chainControlOf(QWidget* w) const {
    for (; w && w != this; w = w->parentWidget())
        if (edit::chainPosition(w->objectName()) >= 0)
            return w;
    return nullptr;
}

void TMyEdit::moveAlongChain(QWidget* focused) {
    QWidget* from = chainControlOf(focused);
    if (!from)
        return;  // outside the chain the focus stays where it is
    const int next = (edit::chainPosition(from->objectName()) + 1) % edit::kEntryCount;
    focusField(edit::entries()[static_cast<std::size_t>(next)].field);
}

bool TMyEdit::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            key->modifiers() == Qt::NoModifier) {
            QWidget* focused = QApplication::focusWidget();
            moveAlongChain(focused ? focused : qobject_cast<QWidget*>(watched));
            return true;  // the key is used up, whatever had the focus
        }
    } else if (event->type() == QEvent::FocusOut) {
        auto* w = qobject_cast<QWidget*>(watched);
        QWidget* entry = chainControlOf(w);
        if (entry && w == entry) {
            for (const int field : kTitleExitFields)
                if (entry == control(field))
                    TitleExit();
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TMyEdit::keyPressEvent(QKeyEvent* event) {
    // Enter runs the chain and never presses a button; Escape does not
    // close the form behind the user's back.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter ||
        event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TMyEdit::editAction(int which) {
    QWidget* focused = QApplication::focusWidget();
    QLineEdit* line = nullptr;
    if (auto* combo = qobject_cast<QComboBox*>(focused)) {
        line = combo->lineEdit();
    } else if (auto* plain = qobject_cast<QLineEdit*>(focused)) {
        // A plain edit box or a combo box's, never a date box.
        if (plain->inputMask().isEmpty())
            line = plain;
    }
    if (!line)
        return;
    switch (which) {
        case 0:
            line->cut();
            break;
        case 1:
            line->copy();
            break;
        case 2:
            line->paste();
            break;
        default:
            line->del();
            break;
    }
}

}  // namespace editui
