#include "ui/shortcut_priority.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPointer>

namespace ui {

namespace {

bool isCommandKey(const QKeyEvent* key) {
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return true;
    return key->key() >= Qt::Key_F1 && key->key() <= Qt::Key_F35;
}

// Sees the shortcut override offered to each widget on the way from the
// focus widget to its window and keeps it from them: left unaccepted, the
// override lets the shortcut map try the window's shortcuts first.
class ShortcutPriority final : public QObject {
  public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        return event->type() == QEvent::ShortcutOverride && watched->isWidgetType() &&
               isCommandKey(static_cast<QKeyEvent*>(event));
    }
};

}  // namespace

void giveShortcutsPriority() {
    static QPointer<ShortcutPriority> installed;
    QCoreApplication* app = QCoreApplication::instance();
    if (installed || !app)
        return;
    installed = new ShortcutPriority(app);
    app->installEventFilter(installed);
}

}  // namespace ui
