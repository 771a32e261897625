#include "find/ui/tsearchandreplace.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "data/open_collection.h"
#include "fields/book_fields.h"
#include "find/replace.h"
#include "settings/formats.h"
#include "settings/settings.h"
#include "ui/form_geometry.h"
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

QString grouped(std::uint32_t n) {
    return settings::fixedPointGrouped(n, 0, 0).trimmed();
}

}  // namespace

TSearchAndReplace::TSearchAndReplace(ui::MainWindowLink& main, QWidget* parent)
    : QDialog(parent), main_(main) {
    setObjectName(QStringLiteral("SearchAndReplace"));
    setWindowTitle(QStringLiteral("Search and Replace"));
    setModal(true);
    setFixedSize(420, 300);

    FieldLabel = named(new QLabel(QStringLiteral("Field "), this), "FieldLabel");
    FieldLabel->setGeometry(16, 16, 140, 20);
    FieldBox = named(new QComboBox(this), "FieldBox");
    FieldBox->setGeometry(160, 14, 240, 24);
    SearchLabel = named(new QLabel(QStringLiteral("Text To Search For"), this), "SearchLabel");
    SearchLabel->setGeometry(16, 52, 140, 20);
    SearchText = named(new QLineEdit(this), "SearchText");
    SearchText->setGeometry(160, 50, 240, 24);
    ReplaceLabel = named(new QLabel(QStringLiteral("Replacement Text"), this), "ReplaceLabel");
    ReplaceLabel->setGeometry(16, 88, 140, 20);
    ReplaceText = named(new QLineEdit(this), "ReplaceText");
    ReplaceText->setGeometry(160, 86, 240, 24);
    ConfirmBox =
        named(new QCheckBox(QStringLiteral("Confirm Before Replacing"), this), "ConfirmBox");
    ConfirmBox->setGeometry(160, 120, 240, 22);

    auto* frame = named(new QFrame(this), "CountFrame");
    frame->setFrameShape(QFrame::Box);
    frame->setGeometry(16, 196, 388, 56);
    const auto heading = [&](const char* name, const QString& text, int x) {
        auto* l = named(new QLabel(text, frame), name);
        l->setGeometry(x, 6, 100, 18);
        return l;
    };
    const auto count = [&](const char* name, int x) {
        auto* l = named(new QLabel(QStringLiteral("0"), frame), name);
        l->setGeometry(x, 28, 100, 18);
        ui::markRole(l, ui::ColorRole::None);
        return l;
    };
    ProcessedLabel = heading("ProcessedLabel", QStringLiteral("Processed"), 40);
    FoundLabel = heading("FoundLabel", QStringLiteral("Found"), 160);
    ChangedLabel = heading("ChangedLabel", QStringLiteral("Changed"), 280);
    ProcessedCount = count("ProcessedCount", 40);
    FoundCount = count("FoundCount", 160);
    ChangedCount = count("ChangedCount", 280);

    StartButton = named(new QPushButton(QStringLiteral("&Start Search"), this), "StartButton");
    StartButton->setGeometry(100, 260, 104, 30);
    CancelButton = named(new QPushButton(QStringLiteral("&Cancel"), this), "CancelButton");
    CancelButton->setGeometry(216, 260, 104, 30);
    CancelButton->setAutoDefault(false);

    connect(FieldBox, &QComboBox::currentIndexChanged, this, &TSearchAndReplace::FieldBoxChange);
    connect(StartButton, &QPushButton::clicked, this, &TSearchAndReplace::StartButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &TSearchAndReplace::CancelButtonClick);

    // The field captions, in table order; nothing chosen at first.
    const QSignalBlocker block(FieldBox);
    const auto& names = main_.settings().fieldNames;
    for (int no = 1; no <= fields::kFieldCount; ++no)
        FieldBox->addItem(names[no]);
    FieldBox->setCurrentIndex(-1);
}

void TSearchAndReplace::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    ui::prepareForm(this, main_);
    SetColors();
}

void TSearchAndReplace::SetColors() {
    ui::applyWindowColors(this, main_.settings().colorSet(settings::ConfigureWindow));
    const settings::WindowColors& c = main_.settings().colorSet(settings::ConfigureWindow);
    for (QLabel* l : {FieldLabel, SearchLabel, ReplaceLabel}) {
        QPalette p = l->palette();
        p.setColor(QPalette::WindowText, ui::toQColor(c[settings::MajorTitle]));
        l->setPalette(p);
    }
}

void TSearchAndReplace::FieldBoxChange() {
    fieldNo_ = FieldBox->currentIndex() + 1;
    SearchText->clear();
    ReplaceText->clear();
    if (fieldNo_ < 1)
        return;
    const fields::BookField& f = fields::bookField(fieldNo_);
    for (QLineEdit* e : {SearchText, ReplaceText}) {
        switch (f.letter) {
            case 'D': {
                const QChar sep = main_.settings().formats.dateSeparator();
                e->setInputMask(QStringLiteral("00") + sep + QStringLiteral("00") + sep +
                                QStringLiteral("9999"));
                break;
            }
            case 'N':
                e->setInputMask(QStringLiteral("xxxxxxxxx"));
                break;
            default:
                e->setInputMask(QString());
                e->setMaxLength(f.width);
                break;
        }
        e->clear();
    }
}

void TSearchAndReplace::StartButtonClick() {
    const find::ReplaceRequest request{fieldNo_, SearchText->text(), ReplaceText->text(),
                                       ConfirmBox->isChecked(), main_.settings().formats};
    const find::RequestProblem problem = find::checkRequest(request);
    if (problem != find::RequestProblem::None) {
        ui::showError(this, find::problemMessage(problem));
        switch (problem) {
            case find::RequestProblem::NoField:
                FieldBox->setFocus();
                break;
            case find::RequestProblem::BadSearchValue:
            case find::RequestProblem::BadSearchDate:
                SearchText->setFocus();
                break;
            default:
                ReplaceText->setFocus();
                break;
        }
        return;
    }
    if (!main_.postPending())
        return;
    // The walk sees every record: a search in force is ended for the run and
    // begun again afterwards with the same criteria.
    const auto search = main_.activeSearch();
    if (search)
        main_.endSearch();
    find::ReplaceHooks hooks;
    hooks.confirm = [this](const QString& question) {
        return ui::askYesNo(this, QStringLiteral("Confirm"), question);
    };
    hooks.progress = [this](const find::ReplaceCounts& n) {
        ProcessedCount->setText(grouped(n.processed));
        FoundCount->setText(grouped(n.found));
        ChangedCount->setText(grouped(n.changed));
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    };
    find::ReplaceReport report;
    {
        ui::WaitCursor wait;
        report = find::replaceValues(main_.collection(), request, hooks);
    }
    if (search)
        main_.beginSearch(search);
    main_.reapplyViewerOptions();
    main_.refreshCount();
    switch (report.outcome) {
        case find::ReplaceOutcome::Completed:
            ui::showNotice(this, find::completeMessage(), QStringLiteral("Finished"));
            accept();
            return;
        case find::ReplaceOutcome::InUse:
            ui::showError(this, find::inUseMessage());
            return;
        case find::ReplaceOutcome::NotStarted:
            ui::showError(this, find::notStartedMessage());
            return;
        case find::ReplaceOutcome::Interrupted:
            ui::showError(this, find::interruptedMessage(report));
            return;
    }
}

void TSearchAndReplace::CancelButtonClick() {
    reject();
}

}  // namespace findui
