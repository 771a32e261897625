// The main window stand-in for the windows' tests: the open collection, the
// pick lists (in a folder the test sets), its own settings and run state
// (defaults until the test sets them), browse mode, the search state, and
// counts of what the windows asked of it.
#pragma once

#include <QWidget>

#include <array>
#include <functional>

#include "data/open_collection.h"
#include "data/pick_lists.h"
#include "data/run_state.h"
#include "settings/settings.h"
#include "ui/main_window_link.h"

namespace testsupport {

class FakeMainLink : public ui::MainWindowLink {
  public:
    QWidget* dialogParent() override { return &parent_; }
    books::OpenCollection& collection() override { return collection_; }
    books::PickLists& pickLists() override { return lists_; }
    settings::Settings& settings() override { return settings_; }
    books::RunState& runState() override { return runState_; }
    bool postPending() override {
        collection_.post();
        return true;
    }
    void refreshCount() override { ++refreshed; }
    void reapplyViewerOptions() override { ++reapplied; }
    // As the main window does: the lists are read again from their folder.
    void reloadPickLists() override {
        ++listsReloaded;
        lists_.loadAll();
    }
    void refreshPickLists() override {
        ++listsShown;
        // What the grid's drop-down editors would show now.
        for (int n = 1; n <= books::kPickListCount; ++n)
            gridLists[static_cast<std::size_t>(n - 1)] =
                lists_.items(static_cast<books::PickList>(n));
    }
    // As the main window does: the test is installed as the record filter and
    // stays only when some record passes.
    bool beginSearch(std::function<bool(const dbase::Table&)> test) override {
        test_ = test;
        collection_.setRecordFilter(std::move(test));
        runState_.searchActive = true;
        ++searchesBegun;
        const bool any = collection_.table().isOpen() && collection_.table().recNo() != 0;
        if (!any)
            collection_.clearRecordFilter();
        return any;
    }
    void endSearch() override {
        collection_.clearRecordFilter();
        test_ = {};
        runState_.searchActive = false;
        ++searchesEnded;
    }
    bool searchActive() const override { return runState_.searchActive; }
    std::function<bool(const dbase::Table&)> activeSearch() const override {
        return runState_.searchActive ? test_ : nullptr;
    }
    // Browse mode and the search state are those of its run state, as the
    // main window's are.
    bool browseMode() const override { return runState_.browseMode; }
    void reloadReportList() override { ++reportsReloaded; }
    void setHandler(ui::Command command, ui::CommandHandler handler) override {
        handlers.set(command, std::move(handler));
    }

    int refreshed = 0;
    int reapplied = 0;
    int reportsReloaded = 0;
    int listsReloaded = 0;
    int listsShown = 0;
    int searchesBegun = 0;
    int searchesEnded = 0;
    std::array<QStringList, books::kPickListCount> gridLists;
    ui::CommandHandlers handlers;

  private:
    QWidget parent_;
    books::OpenCollection collection_;
    books::PickLists lists_;
    settings::Settings settings_;
    books::RunState runState_;
    std::function<bool(const dbase::Table&)> test_;
};

}  // namespace testsupport
