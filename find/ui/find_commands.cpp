#include "find/ui/find_commands.h"

#include <QPointer>

#include "find/ui/mylocate.h"
#include "find/ui/tmysearch.h"
#include "find/ui/tsearchandreplace.h"
#include "ui/main_window_link.h"

namespace findui {

void registerHandlers(ui::MainWindowLink& main) {
    // Both belong to the main window's widget and go with it.
    QPointer<TMySearch> search = new TMySearch(main, main.dialogParent());
    QPointer<TMyLocateDialog> locate = new TMyLocateDialog(main, main.dialogParent());
    find::LocateOptions& o = locate->options();
    o.caption = QStringLiteral("Locate Field Value");
    o.matchType = find::MatchType::PartialStart;
    o.caseSensitive = false;
    o.fieldOrder = find::FieldOrder::ByFieldName;
    o.defaultButton = find::DefaultButton::FindNext;
    o.fieldSelection = find::FieldSelection::AllFields;
    o.showMessages = true;

    main.setHandler(ui::Command::Search, [search](ui::MainWindowLink& m, int) {
        if (search)
            search->exec();
        m.refreshCount();
    });
    main.setHandler(ui::Command::Find, [locate](ui::MainWindowLink&, int) {
        if (locate)
            locate->Execute();
    });
    main.setHandler(ui::Command::FindNext, [locate](ui::MainWindowLink&, int) {
        if (locate)
            locate->FindNext();
    });
    main.setHandler(ui::Command::SearchReplace, [](ui::MainWindowLink& m, int) {
        if (m.browseMode())
            return;
        TSearchAndReplace form(m, m.dialogParent());
        form.exec();
    });
}

}  // namespace findui
