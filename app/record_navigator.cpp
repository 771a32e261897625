#include "app/record_navigator.h"

#include <QStyle>
#include <QToolButton>

namespace app {
namespace {

struct ButtonInfo {
    const char* name;
    const char* hint;
    QStyle::StandardPixmap icon;
};

constexpr std::array<ButtonInfo, RecordNavigator::kButtonCount> kButtons{{
    {"NavFirst", "First record", QStyle::SP_MediaSkipBackward},
    {"NavPrior", "Prior record", QStyle::SP_MediaSeekBackward},
    {"NavNext", "Next record", QStyle::SP_MediaSeekForward},
    {"NavLast", "Last record", QStyle::SP_MediaSkipForward},
    {"NavInsert", "Insert record", QStyle::SP_FileDialogNewFolder},
    {"NavDelete", "Delete record", QStyle::SP_TrashIcon},
    {"NavEdit", "Edit record", QStyle::SP_FileDialogDetailedView},
    {"NavPost", "Post edit", QStyle::SP_DialogApplyButton},
    {"NavCancel", "Cancel edit", QStyle::SP_DialogCancelButton},
    {"NavRefresh", "Refresh data", QStyle::SP_BrowserReload},
}};

}  // namespace

RecordNavigator::RecordNavigator(QWidget* parent) : QWidget(parent) {
    for (int i = 0; i < kButtonCount; ++i) {
        const auto& info = kButtons[static_cast<size_t>(i)];
        auto* b = new QToolButton(this);
        b->setObjectName(QLatin1String(info.name));
        b->setToolTip(QLatin1String(info.hint));
        b->setIcon(style()->standardIcon(info.icon));
        b->setAutoRaise(false);
        b->setFocusPolicy(Qt::NoFocus);
        connect(b, &QToolButton::clicked, this,
                [this, i] { emit clicked(static_cast<Button>(i)); });
        buttons_[static_cast<size_t>(i)] = b;
    }
    resize(241, 25);
}

void RecordNavigator::setBrowseOnly(bool browseOnly) {
    browseOnly_ = browseOnly;
    for (int i = Insert; i < kButtonCount; ++i)
        buttons_[static_cast<size_t>(i)]->setVisible(!browseOnly);
    layoutButtons();
}

void RecordNavigator::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutButtons();
}

// The shown buttons share the width evenly, the last one taking what is left.
void RecordNavigator::layoutButtons() {
    const int shown = browseOnly_ ? 4 : kButtonCount;
    const int w = width() / shown;
    for (int i = 0; i < shown; ++i) {
        const int left = i * w;
        const int right = i == shown - 1 ? width() : left + w;
        buttons_[static_cast<size_t>(i)]->setGeometry(left, 0, right - left, height());
    }
}

}  // namespace app
