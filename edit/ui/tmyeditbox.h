// TMyEditBox: the list maintenance dialog (Options, List Maintenance) for
// one pick list: the entries in a list box, an entry box with "&Add" (no
// duplicate check), "&Delete", and "&Ok", which replaces the list in memory
// (the edit form's lists and the grid's drop-down editors at once; the file
// follows when the edit form next closes). "&Cancel" changes nothing.
#pragma once

#include <QDialog>

#include "data/pick_lists.h"

class QLineEdit;
class QListWidget;
class QPushButton;

namespace ui {
class MainWindowLink;
}

namespace editui {

class TMyEditBox : public QDialog {
    Q_OBJECT
  public:
    TMyEditBox(ui::MainWindowLink& main, books::PickList list, QWidget* parent = nullptr);

    QStringList entries() const;

    void AddButtonClick();
    void DeleteButtonClick();
    void OkButtonClick();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    ui::MainWindowLink& main_;
    books::PickList list_;
    QLineEdit* AddInfo;
    QPushButton* AddButton;
    QListWidget* TheList;
    QPushButton *DeleteButton, *OkButton, *CancelButton;
};

}  // namespace editui
