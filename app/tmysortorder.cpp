#include "app/tmysortorder.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include <algorithm>

#include "app/database_commands.h"
#include "app/tmain.h"
#include "fields/book_fields.h"
#include "settings/settings.h"
#include "ui/form_geometry.h"
#include "ui/messages.h"
#include "ui/window_colors.h"

namespace app {

namespace {

const QString kErrorInUse = QStringLiteral(
    "Creating a new sort order requires exclusive use of the DBase File.  Make sure that the DBase "
    "File is "
    "not in use by another program  or that no other users are running the software or that no "
    "other copies "
    "of the software are in use.");
const QString kErrorFailed =
    QStringLiteral("Error in implementing sort order.  New sort order not implemented.");

template <typename W>
W* named(W* w, const char* name) {
    w->setObjectName(QLatin1String(name));
    return w;
}

}  // namespace

TMySortOrder::TMySortOrder(TMain& main, QWidget* parent) : QDialog(parent), main_(main) {
    setObjectName(QStringLiteral("MySortOrder"));
    setWindowTitle(QStringLiteral("Sort Order"));
    setModal(true);
    setFixedSize(260, 252);

    LabelSort1 = named(new QLabel(QStringLiteral("Primary Sort"), this), "LabelSort1");
    ComboBox1 = named(new QComboBox(this), "ComboBox1");
    LabelSort2 = named(new QLabel(QStringLiteral("Secondary Sort"), this), "LabelSort2");
    ComboBox2 = named(new QComboBox(this), "ComboBox2");
    LabelSort3 = named(new QLabel(QStringLiteral("Third Level Sort"), this), "LabelSort3");
    ComboBox3 = named(new QComboBox(this), "ComboBox3");
    LabelSort4 = named(new QLabel(QStringLiteral("Fourth Level Sort"), this), "LabelSort4");
    ComboBox4 = named(new QComboBox(this), "ComboBox4");
    const std::array<QLabel*, 4> labels{LabelSort1, LabelSort2, LabelSort3, LabelSort4};
    for (std::size_t k = 0; k < 4; ++k) {
        const int top = 8 + static_cast<int>(k) * 48;
        labels[k]->setGeometry(16, top, 228, 16);
        combos()[k]->setGeometry(16, top + 18, 228, 24);
        combos()[k]->setEditable(false);  // pick only
        combos()[k]->setMaxVisibleItems(12);
        // Only the dialog and its captions take the window colours.
        ui::markRole(combos()[k], ui::ColorRole::None);
    }
    OkButton = named(new QPushButton(QStringLiteral("&Ok"), this), "OkButton");
    OkButton->setGeometry(32, 206, 89, 33);
    OkButton->setDefault(true);
    CancelButton = named(new QPushButton(QStringLiteral("&Cancel"), this), "CancelButton");
    CancelButton->setGeometry(139, 206, 89, 33);
    connect(OkButton, &QPushButton::clicked, this, &TMySortOrder::OkButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &TMySortOrder::CancelButtonClick);
    FormCreate();
}

void TMySortOrder::FormCreate() {
    QStringList items{QStringLiteral("<NONE>")};
    const auto& s = main_.settings();
    for (int k = 1; k <= fields::kFieldCount; ++k)
        items << s.fieldNames[k];
    for (QComboBox* box : combos())
        box->addItems(items);
}

void TMySortOrder::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void TMySortOrder::FormShow() {
    ui::prepareForm(this, main_);
    const auto& levels = main_.settings().sortOrder;
    for (std::size_t k = 0; k < 4; ++k) {
        const int level = levels[k];
        combos()[k]->setCurrentIndex(level >= 1 && level <= fields::kFieldCount ? level : 0);
    }
    SetColors();
}

void TMySortOrder::SetColors() {
    // The captions are field labels: Minor Title on Main Background.
    ui::applyWindowColors(this, main_.settings().colorSet(settings::ConfigureWindow));
}

void TMySortOrder::CancelButtonClick() {
    reject();
}

void TMySortOrder::OkButtonClick() {
    std::array<int, 4> levels{};
    for (std::size_t k = 0; k < 4; ++k)
        levels[k] = std::max(0, combos()[k]->currentIndex());
    QString failure;
    switch (app::applySortOrder(main_, levels, &failure)) {
        case app::SortResult::Applied:
            accept();
            return;
        case app::SortResult::InUse:
            ui::showError(this, kErrorInUse);
            return;
        case app::SortResult::Failed:
            // Why it failed (the kind: in use, damaged, disk full, ...) beneath.
            ui::showError(this, failure.isEmpty()
                                    ? kErrorFailed
                                    : kErrorFailed + QStringLiteral("\n\n") + failure);
            return;
    }
}

}  // namespace app
