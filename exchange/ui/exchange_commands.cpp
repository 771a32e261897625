#include "exchange/ui/exchange_commands.h"

#include "exchange/ui/timportformat.h"
#include "exchange/ui/tmyexport.h"
#include "ui/main_window_link.h"

namespace exchangeui {

void runExport(ui::MainWindowLink& main) {
    TMyExport form(main, main.dialogParent());
    form.exec();
}

void runImport(ui::MainWindowLink& main) {
    TImportFormat form(main, main.dialogParent());
    form.exec();
    main.refreshCount();
}

void registerHandlers(ui::MainWindowLink& main) {
    main.setHandler(ui::Command::Export, [](ui::MainWindowLink& m, int) { runExport(m); });
    main.setHandler(ui::Command::Import, [](ui::MainWindowLink& m, int) { runImport(m); });
}

}  // namespace exchangeui
