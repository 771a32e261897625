// A main window stand-in for the exchange windows: the open collection, the
// search state and a record of what the windows asked of it.
#pragma once

#include <QWidget>

#include "data/open_collection.h"
#include "data/pick_lists.h"
#include "ui/main_window_link.h"

namespace testsupport {

class FakeMainLink : public ui::MainWindowLink {
  public:
    QWidget* dialogParent() override { return &parent_; }
    books::OpenCollection& collection() override { return collection_; }
    books::PickLists& pickLists() override { return lists_; }
    bool postPending() override {
        collection_.post();
        return true;
    }
    void refreshCount() override { ++refreshed; }
    void reapplyViewerOptions() override {}
    void reloadPickLists() override {}
    void beginSearch(std::function<bool(const dbase::Table&)> test) override {
        collection_.setRecordFilter(std::move(test));
        searching_ = true;
    }
    void endSearch() override {
        collection_.clearRecordFilter();
        searching_ = false;
    }
    bool searchActive() const override { return searching_; }
    bool browseMode() const override { return false; }
    void setHandler(ui::Command command, ui::CommandHandler handler) override {
        handlers.set(command, std::move(handler));
    }

    int refreshed = 0;
    ui::CommandHandlers handlers;

  private:
    QWidget parent_;
    books::OpenCollection collection_;
    books::PickLists lists_;
    bool searching_ = false;
};

}  // namespace testsupport
