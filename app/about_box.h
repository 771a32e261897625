// TAboutBox: the program's title and version.
#pragma once

#include <QDialog>

namespace ui {
class MainWindowLink;
}

namespace app {

class TAboutBox : public QDialog {
    Q_OBJECT
  public:
    // Owned by main.dialogParent(), in its fonts and at its scale.
    explicit TAboutBox(ui::MainWindowLink& main);

  protected:
    void showEvent(QShowEvent* event) override;  // fonts, scaling and centring

  private:
    ui::MainWindowLink& main_;
};

}  // namespace app
