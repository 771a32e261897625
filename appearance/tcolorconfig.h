// TColorConfig, "Color Configuration": edits one window colour set (codes 1
// to 5), or all five at once (code 6, starting from the Main set), on a
// working copy with a live preview, thirteen colour buttons and twelve named
// schemes. "&Ok" copies the working copy into the set(s); "&Cancel" or
// closing changes nothing. The dialog itself is the preview, so it does not
// take a window kind's colours.
#pragma once

#include <QDialog>

#include "settings/settings.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace ui {
class MainWindowLink;
}

namespace appearance {

class TColorConfig : public QDialog {
    Q_OBJECT
  public:
    // `windowCode` 1 to 5 for one set, 6 for all five, of the settings of
    // `main`; the dialog is owned by main.dialogParent().
    TColorConfig(ui::MainWindowLink& main, int windowCode);

    const settings::WindowColors& working() const { return working_; }
    int windowCode() const { return code_; }

    // The handlers, public so that the form's wiring stays in one place and
    // tests can drive them.
    void ColorSetsChange(int entry);
    void OkClick();
    void CancelClick();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    QPushButton* addColorButton(QWidget* box, const char* name, const char* caption, int top,
                                settings::ColorIndex index);
    void chooseColor(settings::ColorIndex index);
    void paintPreview();

    ui::MainWindowLink& main_;
    int code_;
    settings::WindowColors working_;
    QLineEdit* EditBox = nullptr;
    QComboBox* ComboBox = nullptr;
    QListWidget* ListBox = nullptr;
    QRadioButton* RadioButton = nullptr;
    QCheckBox* CheckBox = nullptr;
    QLabel* PredefinedLabel = nullptr;
    QComboBox* ColorSets = nullptr;
    QPushButton* Ok = nullptr;
    QPushButton* Cancel = nullptr;
};

// What the six Color menu items and the colour speed button do: opens the
// dialog for `windowCode` modally. Returns true when the user pressed "&Ok"
// and the set(s) of main.settings() changed; the main window then repaints
// itself at once when the code was 1 or 6.
bool runColorConfig(ui::MainWindowLink& main, int windowCode);

}  // namespace appearance
