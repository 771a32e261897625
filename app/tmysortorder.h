// TMySortOrder, "Sort Order": the four sort levels of the open collection,
// each chosen in a pick-only list of "<NONE>" and the 36 field captions (an
// item's position is the field number; 0 is none).
//
// "&Ok" needs exclusive use of the collection file: when another program
// holds it the dialog says so and stays; when building the new order fails
// the old levels are put back, the dialog says so and stays; otherwise the
// new order is in force, the settings are saved and the dialog closes.
// "&Cancel" changes nothing. The table is open shared afterwards in every
// case.
#pragma once

#include <QDialog>
#include <array>

class QComboBox;
class QLabel;
class QPushButton;

namespace app {

class TMain;

class TMySortOrder : public QDialog {
    Q_OBJECT
  public:
    TMySortOrder(TMain& main, QWidget* parent = nullptr);

    void OkButtonClick();
    void CancelButtonClick();

    QLabel *LabelSort1, *LabelSort2, *LabelSort3, *LabelSort4;
    QComboBox *ComboBox1, *ComboBox2, *ComboBox3, *ComboBox4;
    QPushButton *OkButton, *CancelButton;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void FormCreate();
    void FormShow();
    void SetColors();
    std::array<QComboBox*, 4> combos() const {
        return {ComboBox1, ComboBox2, ComboBox3, ComboBox4};
    }

    TMain& main_;
};

}  // namespace app
