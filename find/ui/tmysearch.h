// TMySearch, "Search": query by example. One grid row per book field; the
// user types criteria beside the fields of interest, chooses a comparison
// for numeric and date rows (or a pick-list value) through the "..." cell,
// and may add up to ten levels of criteria with "&Find More". "&Ok" compiles
// the levels and switches the search on in the main window; the search's
// filter stays in force until End Search.
//
// The form lives for the whole run. Every showing starts empty at level 1;
// the comparison chosen per row persists. The items being entered are the
// form's own; the filter in force holds its own compiled copy, so leaving
// with "E&xit" or showing the form again does not touch an active search.
#pragma once

#include <QDialog>

#include "find/search_items.h"

class QPushButton;
class QTableWidget;

namespace ui {
class MainWindowLink;
}

namespace findui {

class TMySearch : public QDialog {
    Q_OBJECT
  public:
    TMySearch(ui::MainWindowLink& main, QWidget* parent = nullptr);

    // The handlers, public so that tests drive them as the buttons do.
    void OkButtonClick();
    void ExitButtonClick();
    void ClearButtonClick();
    void MoreButtonClick();
    void HelpButtonClick();
    // The "..." cell of a row was pressed and released.
    void MarkerClicked(int fieldNo);

    bool SaveFields();
    bool Doit();
    void ClearSearch();

    int ItemCount() const { return items_.count(); }
    int SearchLevel() const { return level_; }
    const find::SearchItems& items() const { return items_; }
    find::Comparison FieldOption(int fieldNo) const;
    void setFieldOption(int fieldNo, find::Comparison c);
    QTableWidget* SearchGrid() const { return SearchGrid_; }
    // The criterion cell of a field.
    QString criterion(int fieldNo) const;
    void setCriterion(int fieldNo, const QString& text);
    // The input mask the criterion cell of a field edits with.
    QString editMask(int fieldNo) const;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void FormShow();
    void SetColors();
    void setHeader();
    void emptyCells();
    void clearAll();

    ui::MainWindowLink& main_;
    QTableWidget* SearchGrid_ = nullptr;
    QPushButton *OkButton = nullptr, *ExitButton = nullptr, *ClearButton = nullptr,
                *MoreButton = nullptr, *HelpButton = nullptr;
    find::SearchItems items_;
    find::Comparisons options_{};
    int level_ = 1;
};

}  // namespace findui
