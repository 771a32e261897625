// TAboutBox: the program's title and version.
#pragma once

#include <QDialog>

namespace app {

class TAboutBox : public QDialog {
    Q_OBJECT
  public:
    explicit TAboutBox(QWidget* parent = nullptr);

  protected:
    void showEvent(QShowEvent* event) override;  // fonts, scaling and centring
};

}  // namespace app
