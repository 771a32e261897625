#include "edit/ui/edit_commands.h"

#include <QPointer>

#include "data/pick_lists.h"
#include "edit/ui/tmyedit.h"
#include "edit/ui/tmyeditbox.h"
#include "ui/main_window_link.h"

namespace editui {

void runListMaintenance(ui::MainWindowLink& main, int listNumber) {
    if (listNumber < 1 || listNumber > books::kPickListCount)
        return;
    TMyEditBox box(main, static_cast<books::PickList>(listNumber), main.dialogParent());
    box.exec();
}

void registerHandlers(ui::MainWindowLink& main) {
    QPointer<TMyEdit> form = new TMyEdit(main, main.dialogParent());
    main.setHandler(ui::Command::EditRecord, [form](ui::MainWindowLink& m, int) {
        if (!form)
            return;
        form->exec();
        m.refreshCount();
    });
    main.setHandler(ui::Command::ListMaintenance,
                    [](ui::MainWindowLink& m, int n) { runListMaintenance(m, n); });
}

}  // namespace editui
