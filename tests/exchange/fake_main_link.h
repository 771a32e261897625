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
    void refreshPickLists() override {}
    bool beginSearch(std::function<bool(const dbase::Table&)> test) override {
        test_ = test;
        collection_.setRecordFilter(std::move(test));
        searching_ = true;
        ++searchesBegun;
        const bool any = collection_.table().isOpen() && collection_.table().recNo() != 0;
        if (!any)
            collection_.clearRecordFilter();
        return any;
    }
    void endSearch() override {
        collection_.clearRecordFilter();
        test_ = {};
        searching_ = false;
        ++searchesEnded;
    }
    bool searchActive() const override { return searching_; }
    std::function<bool(const dbase::Table&)> activeSearch() const override {
        return searching_ ? test_ : nullptr;
    }
    bool browseMode() const override { return false; }
    void setHandler(ui::Command command, ui::CommandHandler handler) override {
        handlers.set(command, std::move(handler));
    }

    int refreshed = 0;
    int searchesBegun = 0;
    int searchesEnded = 0;
    ui::CommandHandlers handlers;

  private:
    QWidget parent_;
    books::OpenCollection collection_;
    books::PickLists lists_;
    bool searching_ = false;
    std::function<bool(const dbase::Table&)> test_;
};

}  // namespace testsupport
