#include "tests/app/window_cases.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include "app/about_box.h"
#include "app/tmain.h"
#include "app/tmysortorder.h"
#include "appearance/tcolorconfig.h"
#include "appearance/tviewconfig.h"
#include "backup/ui/tmybackup.h"
#include "backup/ui/tmyrestore.h"
#include "data/pick_lists.h"
#include "data/run_state.h"
#include "edit/ui/tmyedit.h"
#include "edit/ui/tmyeditbox.h"
#include "exchange/ui/timportformat.h"
#include "exchange/ui/tmyexport.h"
#include "exchange/ui/tmyimport.h"
#include "find/ui/mylocate.h"
#include "find/ui/tmysearch.h"
#include "find/ui/tsearchandreplace.h"
#include "find/ui/tsearchoptions.h"
#include "info/ttipofday.h"
#include "reports/page_stream.h"
#include "reports/report_definition.h"
#include "reports/ui/tmypreview.h"
#include "reports/ui/tmyreport.h"
#include "reports/ui/treplayout.h"
#include "reports/ui/treportform.h"
#include "reports/ui/treportpart.h"
#include "reports/ui/tuserreport.h"
#include "settings/settings.h"
#include "tests/support/key_driver.h"

namespace windowcases {

namespace {

template <typename W>
W* programForm(app::TMain& main) {
    W* w = main.findChild<W*>();
    EXPECT_NE(w, nullptr);
    return w;
}

QStringList fieldNames(app::TMain& main) {
    QStringList names;
    for (int no = 1; no <= 36; ++no)
        names << main.settings().fieldNames[no];
    return names;
}

reports::ReportDefinition& aDefinition(Keep& keep) {
    return keep.hold(std::make_shared<reports::ReportDefinition>(reports::builtInReports()[0]));
}

// A page stream of the first built-in report over the open collection, the
// status window answered as the user does.
reports::PageStream& aStream(app::TMain& main, Keep& keep) {
    auto& stream = keep.hold(std::make_shared<reports::PageStream>());
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [] {
        auto* form = qobject_cast<reportsui::TReportForm*>(QApplication::activeModalWidget());
        if (form && form->ran())
            form->BitBtn1->click();
    });
    closer.start(10);
    EXPECT_TRUE(reportsui::runReport(main, reports::builtInReports()[0], reports::OutputMode::View,
                                     &stream));
    return stream;
}

QString aTextFile(Keep& keep) {
    auto& dir = keep.hold(std::make_shared<QTemporaryDir>());
    const QString path = dir.filePath(QStringLiteral("BOOKS.TXT"));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write("\"TITLE\",\"AUTHOR\"\n\"One\",\"Someone\"\n");
    return path;
}

std::vector<WindowCase> makeCases() {
    using M = app::TMain;
    std::vector<WindowCase> c;
    c.push_back({"Edit",
                 true,
                 [](M& m, Keep&) -> QDialog* {
                     m.runState().editMode = books::EditMode::Edit;
                     return programForm<editui::TMyEdit>(m);
                 },
                 {},
                 "Title"});
    c.push_back({"Search",
                 true,
                 [](M& m, Keep&) -> QDialog* { return programForm<findui::TMySearch>(m); },
                 {},
                 {}});
    c.push_back({"Reports",
                 true,
                 [](M& m, Keep&) -> QDialog* { return programForm<reportsui::TMyReport>(m); },
                 {},
                 {}});
    c.push_back({"ViewerConfiguration",
                 false,
                 [](M& m, Keep&) -> QDialog* { return new appearance::TViewConfig(m); },
                 {},
                 {}});
    c.push_back({"ColorConfiguration",
                 false,
                 [](M& m, Keep&) -> QDialog* { return new appearance::TColorConfig(m, 6); },
                 {},
                 {}});
    c.push_back({"TipOfTheDay",
                 false,
                 [](M& m, Keep&) -> QDialog* { return new info::TTipOfDay(m); },
                 {},
                 {}});
    c.push_back({"Locate",
                 false,
                 [](M& m, Keep&) -> QDialog* {
                     auto* form = new findui::TMyLocateDlg(m, fieldNames(m), m.dialogParent());
                     form->FieldNameComboBox->addItems(fieldNames(m));
                     return form;
                 },
                 {},
                 "SearchValue"});
    c.push_back(
        {"SearchAndReplace",
         false,
         [](M& m, Keep&) -> QDialog* { return new findui::TSearchAndReplace(m, m.dialogParent()); },
         {},
         {}});
    c.push_back(
        {"SearchOptions",
         false,
         [](M& m, Keep&) -> QDialog* { return new findui::TSearchOptions(m, m.dialogParent()); },
         {},
         {}});
    c.push_back(
        {"Export",
         false,
         [](M& m, Keep&) -> QDialog* { return new exchangeui::TMyExport(m, m.dialogParent()); },
         {},
         {}});
    c.push_back(
        {"ImportFormat",
         false,
         [](M& m, Keep&) -> QDialog* { return new exchangeui::TImportFormat(m, m.dialogParent()); },
         {},
         {}});
    c.push_back({"Import",
                 false,
                 [](M& m, Keep& keep) -> QDialog* {
                     return new exchangeui::TMyImport(m, exchangeui::TMyImport::Source::Text,
                                                      aTextFile(keep), {"TITLE", "AUTHOR"},
                                                      m.dialogParent());
                 },
                 {},
                 {}});
    c.push_back(
        {"Backup",
         false,
         [](M& m, Keep&) -> QDialog* { return new backupui::TMyBackup(m, m.dialogParent()); },
         {},
         {}});
    c.push_back(
        {"Restore",
         false,
         [](M& m, Keep&) -> QDialog* { return new backupui::TMyRestore(m, m.dialogParent()); },
         {},
         {}});
    c.push_back({"SortOrder",
                 false,
                 [](M& m, Keep&) -> QDialog* { return new app::TMySortOrder(m, &m); },
                 {},
                 {}});
    c.push_back(
        {"About", false, [](M& m, Keep&) -> QDialog* { return new app::TAboutBox(m); }, {}, {}});
    c.push_back({"ListMaintenance",
                 false,
                 [](M& m, Keep&) -> QDialog* {
                     return new editui::TMyEditBox(m, books::PickList::Author, m.dialogParent());
                 },
                 {},
                 "AddInfo"});
    c.push_back({"ReportDefinition",
                 false,
                 [](M& m, Keep& keep) -> QDialog* {
                     return new reportsui::TUserReport(m, aDefinition(keep), 0, m.dialogParent());
                 },
                 {},
                 "ReportName"});
    c.push_back({"ReportFonts",
                 false,
                 [](M& m, Keep& keep) -> QDialog* {
                     return new reportsui::TReportFonts(aDefinition(keep), m.settings(),
                                                        m.scaleFactor(), m.dialogParent());
                 },
                 {},
                 {}});
    c.push_back({"ReportLayout",
                 false,
                 [](M& m, Keep& keep) -> QDialog* {
                     return new reportsui::TRepLayout(aDefinition(keep), 90, true, m.settings(),
                                                      m.scaleFactor(), m.dialogParent());
                 },
                 {},
                 {}});
    c.push_back({"ReportPart",
                 false,
                 [](M& m, Keep& keep) -> QDialog* {
                     return new reportsui::TReportPart(aDefinition(keep).lines[0], 1, 0, 90,
                                                       m.settings(), m.scaleFactor(),
                                                       m.dialogParent());
                 },
                 {},
                 {}});
    c.push_back({"PrintRange",
                 false,
                 [](M& m, Keep&) -> QDialog* {
                     return new reportsui::TPrintRange(3, m.settings(), m.scaleFactor(),
                                                       m.dialogParent());
                 },
                 {},
                 "StartPage"});
    c.push_back({"Preview",
                 false,
                 [](M& m, Keep& keep) -> QDialog* {
                     return new reportsui::TMyPreview(
                         m, aStream(m, keep), QStringLiteral("Full Report"), m.dialogParent());
                 },
                 {},
                 {}});
    return c;
}

}  // namespace

const std::vector<WindowCase>& windowCases() {
    static const std::vector<WindowCase> cases = makeCases();
    return cases;
}

void showAndSettle(QDialog* window) {
    window->setModal(true);
    window->show();
    testsupport::activate(window);
    QCoreApplication::processEvents();
}

void closeWindow(const WindowCase& c, QDialog* window) {
    if (c.close)
        c.close(window);
    else if (window->isVisible())
        window->reject();
    QCoreApplication::processEvents();
    if (!c.longLived)
        delete window;
}

}  // namespace windowcases
