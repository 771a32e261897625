// The main window's controls for tests, found by their objectName as a user's
// tool would find them (the window keeps them private).
#pragma once

#include <gtest/gtest.h>
#include <QAction>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>

#include <array>

#include "app/record_navigator.h"
#include "app/tmain.h"
#include "app/viewer_grid.h"
#include "settings/formats.h"

namespace mw {

template <typename T>
T* find(const QObject* main, const QString& name) {
    T* found = main->findChild<T*>(name);
    EXPECT_NE(found, nullptr) << "no control named " << name.toStdString();
    return found;
}

inline QWidget* client(const QObject* m) {
    return find<QWidget>(m, QStringLiteral("Client"));
}
inline QPushButton* AddButton(const QObject* m) {
    return find<QPushButton>(m, QStringLiteral("AddButton"));
}
inline QPushButton* EditButton(const QObject* m) {
    return find<QPushButton>(m, QStringLiteral("EditButton"));
}
inline QPushButton* CopyButton(const QObject* m) {
    return find<QPushButton>(m, QStringLiteral("CopyButton"));
}
inline QPushButton* DeleteButton(const QObject* m) {
    return find<QPushButton>(m, QStringLiteral("DeleteButton"));
}
inline QPushButton* SearchButton(const QObject* m) {
    return find<QPushButton>(m, QStringLiteral("SearchButton"));
}
inline QPushButton* EndSearchButton(const QObject* m) {
    return find<QPushButton>(m, QStringLiteral("EndSearchButton"));
}
inline QPushButton* ReportButton(const QObject* m) {
    return find<QPushButton>(m, QStringLiteral("ReportButton"));
}
inline QPushButton* ViewerButton(const QObject* m) {
    return find<QPushButton>(m, QStringLiteral("ViewerButton"));
}
inline QPushButton* HelpButton(const QObject* m) {
    return find<QPushButton>(m, QStringLiteral("HelpButton"));
}
inline QPushButton* ButtonExit(const QObject* m) {
    return find<QPushButton>(m, QStringLiteral("ButtonExit"));
}
inline QFrame* Bevel1(const QObject* m) {
    return find<QFrame>(m, QStringLiteral("Bevel1"));
}
inline QFrame* Bevel2(const QObject* m) {
    return find<QFrame>(m, QStringLiteral("Bevel2"));
}
inline QFrame* Bevel3(const QObject* m) {
    return find<QFrame>(m, QStringLiteral("Bevel3"));
}
inline QFrame* Bevel4(const QObject* m) {
    return find<QFrame>(m, QStringLiteral("Bevel4"));
}
inline QFrame* SpeedPanel(const QObject* m) {
    return find<QFrame>(m, QStringLiteral("SpeedPanel"));
}
inline QToolButton* NewSpeed(const QObject* m) {
    return find<QToolButton>(m, QStringLiteral("NewSpeed"));
}
inline QToolButton* OpenSpeed(const QObject* m) {
    return find<QToolButton>(m, QStringLiteral("OpenSpeed"));
}
inline QToolButton* AddSpeed(const QObject* m) {
    return find<QToolButton>(m, QStringLiteral("AddSpeed"));
}
inline QToolButton* EditSpeed(const QObject* m) {
    return find<QToolButton>(m, QStringLiteral("EditSpeed"));
}
inline QToolButton* CopySpeed(const QObject* m) {
    return find<QToolButton>(m, QStringLiteral("CopySpeed"));
}
inline QToolButton* DeleteSpeed(const QObject* m) {
    return find<QToolButton>(m, QStringLiteral("DeleteSpeed"));
}
inline QToolButton* ImportSpeed(const QObject* m) {
    return find<QToolButton>(m, QStringLiteral("ImportSpeed"));
}
inline QToolButton* ExportSpeed(const QObject* m) {
    return find<QToolButton>(m, QStringLiteral("ExportSpeed"));
}
inline QToolButton* SearchSpeed(const QObject* m) {
    return find<QToolButton>(m, QStringLiteral("SearchSpeed"));
}
inline QToolButton* EndSearchSpeed(const QObject* m) {
    return find<QToolButton>(m, QStringLiteral("EndSearchSpeed"));
}
inline QToolButton* LocateSpeed(const QObject* m) {
    return find<QToolButton>(m, QStringLiteral("LocateSpeed"));
}
inline QToolButton* LocateNextSpeed(const QObject* m) {
    return find<QToolButton>(m, QStringLiteral("LocateNextSpeed"));
}
inline QToolButton* ReportSpeed(const QObject* m) {
    return find<QToolButton>(m, QStringLiteral("ReportSpeed"));
}
inline QToolButton* ViewerSpeed(const QObject* m) {
    return find<QToolButton>(m, QStringLiteral("ViewerSpeed"));
}
inline QToolButton* ColorSpeed(const QObject* m) {
    return find<QToolButton>(m, QStringLiteral("ColorSpeed"));
}
inline QToolButton* SpeedSetOrder(const QObject* m) {
    return find<QToolButton>(m, QStringLiteral("SpeedSetOrder"));
}
inline QToolButton* HelpSpeed(const QObject* m) {
    return find<QToolButton>(m, QStringLiteral("HelpSpeed"));
}
inline app::RecordNavigator* MyNavigator(const QObject* m) {
    return find<app::RecordNavigator>(m, QStringLiteral("MyNavigator"));
}
inline QLabel* NavigatorLabel(const QObject* m) {
    return find<QLabel>(m, QStringLiteral("NavigatorLabel"));
}
inline QFrame* ViewerBevel(const QObject* m) {
    return find<QFrame>(m, QStringLiteral("ViewerBevel"));
}
inline QLabel* ViewerLabel(const QObject* m) {
    return find<QLabel>(m, QStringLiteral("ViewerLabel"));
}
inline app::ViewerGridView* ViewerGrid(const QObject* m) {
    return find<app::ViewerGridView>(m, QStringLiteral("ViewerGrid"));
}
inline QLabel* CountLabel(const QObject* m) {
    return find<QLabel>(m, QStringLiteral("CountLabel"));
}
inline QLabel* Count2Label(const QObject* m) {
    return find<QLabel>(m, QStringLiteral("Count2Label"));
}
inline QLabel* SearchOnLabel(const QObject* m) {
    return find<QLabel>(m, QStringLiteral("SearchOnLabel"));
}
inline QComboBox* MyComboAuthor(const QObject* m) {
    return find<QComboBox>(m, QStringLiteral("MyComboAuthor"));
}
inline QComboBox* MyComboLocation(const QObject* m) {
    return find<QComboBox>(m, QStringLiteral("MyComboLocation"));
}
inline QComboBox* MyComboCategory(const QObject* m) {
    return find<QComboBox>(m, QStringLiteral("MyComboCategory"));
}
inline QComboBox* MyComboPublisher(const QObject* m) {
    return find<QComboBox>(m, QStringLiteral("MyComboPublisher"));
}
inline QComboBox* MyComboBought(const QObject* m) {
    return find<QComboBox>(m, QStringLiteral("MyComboBought"));
}
inline QComboBox* MyComboCondition(const QObject* m) {
    return find<QComboBox>(m, QStringLiteral("MyComboCondition"));
}
inline QComboBox* MyComboCheckOut(const QObject* m) {
    return find<QComboBox>(m, QStringLiteral("MyComboCheckOut"));
}
inline QComboBox* MyComboBookType(const QObject* m) {
    return find<QComboBox>(m, QStringLiteral("MyComboBookType"));
}
inline QComboBox* MyComboRating(const QObject* m) {
    return find<QComboBox>(m, QStringLiteral("MyComboRating"));
}
inline QAction* MenuNew(const QObject* m) {
    return find<QAction>(m, QStringLiteral("MenuNew"));
}
inline QAction* MenuOpen(const QObject* m) {
    return find<QAction>(m, QStringLiteral("MenuOpen"));
}
inline QAction* MenuBackup(const QObject* m) {
    return find<QAction>(m, QStringLiteral("MenuBackup"));
}
inline QAction* MenuRestore(const QObject* m) {
    return find<QAction>(m, QStringLiteral("MenuRestore"));
}
inline QAction* MenuPrint(const QObject* m) {
    return find<QAction>(m, QStringLiteral("MenuPrint"));
}
inline QAction* MenuPrinterSetup(const QObject* m) {
    return find<QAction>(m, QStringLiteral("MenuPrinterSetup"));
}
inline QAction* MenuExit(const QObject* m) {
    return find<QAction>(m, QStringLiteral("MenuExit"));
}
inline QAction* MenuExitSep(const QObject* m) {
    return find<QAction>(m, QStringLiteral("MenuExitSep"));
}
inline QAction* MenuAdd(const QObject* m) {
    return find<QAction>(m, QStringLiteral("MenuAdd"));
}
inline QAction* MenuEdit(const QObject* m) {
    return find<QAction>(m, QStringLiteral("MenuEdit"));
}
inline QAction* MenuCopy(const QObject* m) {
    return find<QAction>(m, QStringLiteral("MenuCopy"));
}
inline QAction* MenuDelete(const QObject* m) {
    return find<QAction>(m, QStringLiteral("MenuDelete"));
}
inline QAction* MenuImport(const QObject* m) {
    return find<QAction>(m, QStringLiteral("MenuImport"));
}
inline QAction* MenuExport(const QObject* m) {
    return find<QAction>(m, QStringLiteral("MenuExport"));
}
inline QAction* MenuSearch(const QObject* m) {
    return find<QAction>(m, QStringLiteral("MenuSearch"));
}
inline QAction* MenuEndSearch(const QObject* m) {
    return find<QAction>(m, QStringLiteral("MenuEndSearch"));
}
inline QAction* MenuFind(const QObject* m) {
    return find<QAction>(m, QStringLiteral("MenuFind"));
}
inline QAction* MenuFindNext(const QObject* m) {
    return find<QAction>(m, QStringLiteral("MenuFindNext"));
}
inline QAction* MenuReports(const QObject* m) {
    return find<QAction>(m, QStringLiteral("MenuReports"));
}
inline QAction* MenuViewer(const QObject* m) {
    return find<QAction>(m, QStringLiteral("MenuViewer"));
}
inline QAction* MenuSortOrder(const QObject* m) {
    return find<QAction>(m, QStringLiteral("MenuSortOrder"));
}
inline QMenu* MenuScreenSize(const QObject* m) {
    return find<QMenu>(m, QStringLiteral("MenuScreenSize"));
}
inline QMenu* MenuAccess(const QObject* m) {
    return find<QMenu>(m, QStringLiteral("MenuAccess"));
}
inline QMenu* MenuColor(const QObject* m) {
    return find<QMenu>(m, QStringLiteral("MenuColor"));
}
inline QMenu* MenuMaintain(const QObject* m) {
    return find<QMenu>(m, QStringLiteral("MenuMaintain"));
}
inline QMenu* MenuCurrency(const QObject* m) {
    return find<QMenu>(m, QStringLiteral("MenuCurrency"));
}
inline QMenu* MenuNumeric(const QObject* m) {
    return find<QMenu>(m, QStringLiteral("MenuNumeric"));
}
inline QMenu* MenuDateFormat(const QObject* m) {
    return find<QMenu>(m, QStringLiteral("MenuDateFormat"));
}
inline QAction* MenuSpeed(const QObject* m) {
    return find<QAction>(m, QStringLiteral("MenuSpeed"));
}
inline QAction* MenuButtons(const QObject* m) {
    return find<QAction>(m, QStringLiteral("MenuButtons"));
}
inline QAction* MenuNoButtons(const QObject* m) {
    return find<QAction>(m, QStringLiteral("MenuNoButtons"));
}
inline QAction* MenuCurrencyUS(const QObject* m) {
    return find<QAction>(m, QStringLiteral("MenuCurrencyUS"));
}
inline QAction* MenuCurrencyWindows(const QObject* m) {
    return find<QAction>(m, QStringLiteral("MenuCurrencyWindows"));
}
inline QAction* MenuNumericUS(const QObject* m) {
    return find<QAction>(m, QStringLiteral("MenuNumericUS"));
}
inline QAction* MenuNumericWindows(const QObject* m) {
    return find<QAction>(m, QStringLiteral("MenuNumericWindows"));
}
inline QAction* MenuLabelFont(const QObject* m) {
    return find<QAction>(m, QStringLiteral("MenuLabelFont"));
}
inline QAction* MenuEditFont(const QObject* m) {
    return find<QAction>(m, QStringLiteral("MenuEditFont"));
}
inline QAction* MenuButtonFont(const QObject* m) {
    return find<QAction>(m, QStringLiteral("MenuButtonFont"));
}
inline QAction* MenuSearchReplace(const QObject* m) {
    return find<QAction>(m, QStringLiteral("MenuSearchReplace"));
}
inline QAction* MenuRebuild(const QObject* m) {
    return find<QAction>(m, QStringLiteral("MenuRebuild"));
}
inline QAction* MenuPack(const QObject* m) {
    return find<QAction>(m, QStringLiteral("MenuPack"));
}
inline QAction* MenuContents(const QObject* m) {
    return find<QAction>(m, QStringLiteral("MenuContents"));
}
inline QAction* MenuTips(const QObject* m) {
    return find<QAction>(m, QStringLiteral("MenuTips"));
}
inline QAction* MenuAbout(const QObject* m) {
    return find<QAction>(m, QStringLiteral("MenuAbout"));
}
inline std::array<QAction*, 5> MenuLastFile(const QObject* m) {
    std::array<QAction*, 5> a{};
    for (int k = 0; k < 5; ++k)
        a[static_cast<std::size_t>(k)] =
            find<QAction>(m, QStringLiteral("MenuLastFile%1").arg(k + 1));
    return a;
}
inline std::array<QAction*, 4> MenuSize(const QObject* m) {
    std::array<QAction*, 4> a{};
    const int presets[] = {640, 800, 1024, 1280};
    for (std::size_t k = 0; k < 4; ++k)
        a[k] = find<QAction>(m, QStringLiteral("MenuSize%1").arg(presets[k]));
    return a;
}
// By window code - 1.
inline std::array<QAction*, 6> MenuColorItem(const QObject* m) {
    std::array<QAction*, 6> a{};
    const char* names[] = {"MenuMainColor",   "MenuEditColor",   "MenuSearchColor",
                           "MenuReportColor", "MenuConfigColor", "MenuAllColor"};
    for (std::size_t k = 0; k < 6; ++k)
        a[k] = find<QAction>(m, QLatin1String(names[k]));
    return a;
}
// In menu order.
inline std::array<QAction*, 9> MenuMaintainItem(const QObject* m) {
    std::array<QAction*, 9> a{};
    const char* names[] = {"MenuListAuthor",   "MenuListLocation",  "MenuListBought",
                           "MenuListCategory", "MenuListPublisher", "MenuListBookType",
                           "MenuListRating",   "MenuListCheckOut",  "MenuListCondition"};
    for (std::size_t k = 0; k < 9; ++k)
        a[k] = find<QAction>(m, QLatin1String(names[k]));
    return a;
}
// By date format code - 1.
inline std::array<QAction*, 12> MenuDate(const QObject* m) {
    std::array<QAction*, 12> a{};
    for (const auto& f : settings::dateFormats())
        a[static_cast<std::size_t>(f.code - 1)] = find<QAction>(m, QLatin1String(f.menuItem));
    return a;
}

// Puts the main window in the search state through its link, with a search
// every book passes (the collection has books).
inline void searchAllBooks(app::TMain* main) {
    EXPECT_TRUE(main->beginSearch([](const dbase::Table&) { return true; }));
}

}  // namespace mw
