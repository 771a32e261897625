#include "app/program.h"

#include <QApplication>

#include "app/database_commands.h"
#include "app/tmain.h"
#include "appearance/tviewconfig.h"
#include "backup/ui/backup_commands.h"
#include "data/run_state.h"
#include "edit/ui/edit_commands.h"
#include "exchange/ui/exchange_commands.h"
#include "find/ui/find_commands.h"
#include "info/ttipofday.h"
#include "reports/ui/reports_commands.h"
#include "settings/settings.h"
#include "ui/messages.h"

namespace app {

ProgramForms::ProgramForms() = default;
ProgramForms::~ProgramForms() {
    main.reset();
}
ProgramForms::ProgramForms(ProgramForms&&) noexcept = default;
ProgramForms& ProgramForms::operator=(ProgramForms&& other) noexcept {
    if (this != &other) {
        main = std::move(other.main);
    }
    return *this;
}

ProgramForms createForms(const QStringList& arguments) {
    QApplication::setApplicationName(QStringLiteral("Tomekeep Books 95"));
    // No display name: the desktop would append it to every window title.
    // (The desktop file name, set at start, ties the windows to the entry.)
    ui::keepDialogStateInMemory();
    ProgramForms f;
    // The run's settings and state, handed to the main window and through
    // it to every other window.
    f.main = std::make_unique<TMain>(settings::settings(), books::runState());
    app::registerHandlers(*f.main);
    appearance::registerViewerCommand(*f.main);
    info::registerTipsCommand(*f.main);
    exchangeui::registerHandlers(*f.main);
    findui::registerHandlers(*f.main);
    editui::registerHandlers(*f.main);
    backupui::registerHandlers(*f.main);
    f.started = static_cast<int>(f.main->startUp(arguments));
    // After start-up, which made the report definitions file it lists.
    reportsui::registerHandlers(*f.main);
    return f;
}

int runProgram(const QStringList& arguments) {
    ProgramForms forms = createForms(arguments);
    if (!forms.ready())
        return forms.started == static_cast<int>(TMain::StartResult::Cancelled) ? 0 : 1;
    forms.main->show();
    return QApplication::exec();
}

}  // namespace app
