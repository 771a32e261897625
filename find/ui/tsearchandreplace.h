// TSearchAndReplace, "Search and Replace": one value replaced by another in
// one field across the whole collection, optionally confirming each record,
// with the processed, found and changed counts running as it goes. The walk
// and its guarantees are find/replace.h's; an active search is ended for the
// run and begun again with the same criteria afterwards.
#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace ui {
class MainWindowLink;
}

namespace findui {

class TSearchAndReplace : public QDialog {
    Q_OBJECT
  public:
    TSearchAndReplace(ui::MainWindowLink& main, QWidget* parent = nullptr);

    void FieldBoxChange();
    void StartButtonClick();
    void CancelButtonClick();

    // The chosen field number, 0 for none.
    int fieldNo() const { return fieldNo_; }

    QLabel *FieldLabel = nullptr, *SearchLabel = nullptr, *ReplaceLabel = nullptr;
    QComboBox* FieldBox = nullptr;
    QLineEdit *SearchText = nullptr, *ReplaceText = nullptr;
    QCheckBox* ConfirmBox = nullptr;
    QPushButton *StartButton = nullptr, *CancelButton = nullptr;
    QLabel *ProcessedLabel = nullptr, *FoundLabel = nullptr, *ChangedLabel = nullptr;
    QLabel *ProcessedCount = nullptr, *FoundCount = nullptr, *ChangedCount = nullptr;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void SetColors();

    ui::MainWindowLink& main_;
    int fieldNo_ = 0;
};

}  // namespace findui
