#include "reports/ui/reports_commands.h"

#include <QPointer>

#include "reports/ui/tmyreport.h"
#include "ui/main_window_link.h"

namespace reportsui {

void registerHandlers(ui::MainWindowLink& main) {
    // It belongs to the main window's widget and goes with it.
    QPointer<TMyReport> list = new TMyReport(main, main.dialogParent());
    main.setHandler(ui::Command::Reports, [list](ui::MainWindowLink& m, int) {
        if (list)
            list->exec();
        m.refreshCount();
    });
}

}  // namespace reportsui
