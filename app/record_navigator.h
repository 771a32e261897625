// RecordNavigator: the row of record buttons under "Navigation Controls":
// first, prior, next, last, insert, delete, edit, post, cancel, refresh.
// It only reports which button was pressed; the main window carries the
// action out on the open table. In browse mode only the first four show.
#pragma once

#include <QWidget>
#include <array>

class QToolButton;

namespace app {

class RecordNavigator : public QWidget {
    Q_OBJECT
  public:
    enum Button { First, Prior, Next, Last, Insert, Delete, Edit, Post, Cancel, Refresh };
    static constexpr int kButtonCount = 10;

    explicit RecordNavigator(QWidget* parent = nullptr);

    QToolButton* button(Button b) const { return buttons_[static_cast<size_t>(b)]; }
    // Shows only first, prior, next and last when `browseOnly`.
    void setBrowseOnly(bool browseOnly);
    bool browseOnly() const { return browseOnly_; }

  signals:
    void clicked(app::RecordNavigator::Button button);

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void layoutButtons();
    std::array<QToolButton*, kButtonCount> buttons_{};
    bool browseOnly_ = false;
};

}  // namespace app
