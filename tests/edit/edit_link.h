// A main window stand-in for the edit windows: the open collection, the
// pick lists (in a folder of the test's own), browse mode, and counts of
// what the windows asked of it.
#pragma once

#include <QWidget>

#include "data/open_collection.h"
#include "data/pick_lists.h"
#include "ui/main_window_link.h"

namespace testsupport {

class EditLink : public ui::MainWindowLink {
  public:
    QWidget* dialogParent() override { return &parent_; }
    books::OpenCollection& collection() override { return collection_; }
    books::PickLists& pickLists() override { return lists_; }
    bool postPending() override {
        collection_.post();
        return true;
    }
    void refreshCount() override { ++counted; }
    void reapplyViewerOptions() override {}
    void reloadPickLists() override { lists_.loadAll(); }
    void refreshPickLists() override {
        ++listsShown;
        // What the grid's drop-down editors would show now.
        for (int n = 1; n <= books::kPickListCount; ++n)
            gridLists[static_cast<std::size_t>(n - 1)] =
                lists_.items(static_cast<books::PickList>(n));
    }
    bool beginSearch(std::function<bool(const dbase::Table&)>) override { return false; }
    void endSearch() override {}
    bool searchActive() const override { return false; }
    std::function<bool(const dbase::Table&)> activeSearch() const override { return {}; }
    bool browseMode() const override { return browse; }
    void setHandler(ui::Command command, ui::CommandHandler handler) override {
        handlers.set(command, std::move(handler));
    }

    bool browse = false;
    int counted = 0;
    int listsShown = 0;
    std::array<QStringList, books::kPickListCount> gridLists;
    ui::CommandHandlers handlers;

  private:
    QWidget parent_;
    books::OpenCollection collection_;
    books::PickLists lists_;
};

}  // namespace testsupport
