// TMyEdit: the book edit form ("Edit").
//
// Not bound to the table: it copies the current record of the open
// collection into plain controls on a five-page notebook, lets the user
// change them and writes them back only on "Up&date" (through
// edit::writeRecord, whole or not at all). The run's edit mode (add, edit,
// copy) says on showing whether it starts cleared or with the current
// record, and on the first update whether a record is inserted. The edit
// mode and the date formats are the main window's (ui::MainWindowLink).
//
// The combo boxes show the program's pick lists (the main window's
// books::PickLists, shared with the grid's drop-down editors); values
// written through the form are added to both, and every close of the form
// writes the nine list files, reporting once any it could not write.
//
// Controls carry their names as objectName; tests drive the form through
// them and answer its questions with the scripted prompter.
#pragma once

#include <QDialog>
#include <QString>

#include <array>

#include "edit/form_values.h"

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenuBar;
class QPushButton;
class QTabWidget;

namespace books {
enum class EditMode;
}
namespace ui {
class MainWindowLink;
}

namespace editui {

class TMyEdit : public QDialog {
    Q_OBJECT
  public:
    explicit TMyEdit(ui::MainWindowLink& main, QWidget* parent = nullptr);

    // The form's operations (each also reachable through its button or menu
    // item).
    void LoadInData();
    void SaveValues();
    bool ValuesChanged() const;
    bool DoUpdate();
    void DoAnUpdate();
    void DoUpdateAndExit();
    void DoPreviousRecord();
    void DoNextRecord();
    void DoClear();
    void MenuNewClick();
    void DoExit();

    // What the controls hold now, as the form compares and writes it.
    edit::FormValues currentValues() const;
    // The control of book field `field` (1 to 36).
    QWidget* control(int field) const;

  protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  public slots:
    void done(int result) override;

  private:
    void createControls();
    void createMenu();
    void FormShow();
    void FormClose();
    void SetColors();
    void applyBrowseMode();
    void fillLists();
    void setValues(const edit::FormValues& values);
    void setDateBox(QLineEdit* box, const QString& text);
    QString dateBoxText(const QLineEdit* box) const;
    void setMasks();
    void CheckOutClick();
    void TitleExit();
    void moveAlongChain(QWidget* focused);
    void addToLists(const edit::FormValues& values);
    void stepRecord(bool forward);
    void editAction(int which);  // 0 cut, 1 copy, 2 paste, 3 delete
    void focusField(int field);
    QWidget* chainControlOf(QWidget* w) const;
    // The run's edit mode and the formats dates are shown and read in, both
    // from the main window.
    books::EditMode& editMode() const;
    const settings::Formats& formats() const;

    ui::MainWindowLink& main_;
    QMenuBar* menuBar_;
    QTabWidget* MyTabbedNoteBook;
    std::array<QWidget*, 37> controls_{};
    std::array<QLabel*, 37> labels_{};
    QCheckBox* CheckOut;
    QLineEdit *PurchDate, *CheckDate;
    QComboBox* CheckName;
    QPushButton *BlankPurchDate, *BlankCheckOut;
    std::array<QLabel*, 4> headers_{};  // WarrantyItem, WorthItem, LibraryItem, OtherItem
    QPushButton *UpdateExitButton, *UpdateButton, *ClearButton, *CancelButton, *PrevButton,
        *NextButton;
    QAction *MenuNew, *MenuClear, *MenuUpdate, *MenuUpdateExit, *MenuPrevious, *MenuNext, *MenuExit;
    QAction *MenuCut, *MenuCopy, *MenuPaste, *MenuDelete, *MenuHelp;

    edit::FormValues SavedValues;
    // The record as stored when it was read or written (another user's
    // change in between is not written over blindly).
    edit::StoredRecord stored_;
    // The remembered check-out pair.
    QString rememberedDate_, rememberedName_;
};

}  // namespace editui
