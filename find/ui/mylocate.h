// Locate. TMyLocateDialog is the component the main window creates once at
// start-up: it remembers the field, the value and the match settings between
// uses, runs the dialog (Execute) and repeats the last search without
// showing anything (FindNext). TMyLocateDlg is the modal form it shows.
// Both search the open collection's table in its current order, through any
// search filter in force, and leave it on the match or where it was.
#pragma once

#include <QDialog>
#include <QObject>

#include "find/locate.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace ui {
class MainWindowLink;
}

namespace findui {

class TMyLocateDlg : public QDialog {
    Q_OBJECT
  public:
    // `labels`: the display labels of the book fields, in field order.
    TMyLocateDlg(ui::MainWindowLink& main, const QStringList& labels, QWidget* parent = nullptr);

    void FindFirst();
    void FindNextBtnClick();
    void FieldNameComboBoxChange();

    find::MatchType matchType() const;
    void setMatchType(find::MatchType type);
    // The field name of the label chosen in the list; empty for none.
    QString fieldName() const;

    QGroupBox *GroupBox1 = nullptr, *GroupBox2 = nullptr, *GroupBox3 = nullptr;
    QComboBox* FieldNameComboBox = nullptr;
    QCheckBox* CaseSensitiveCheckBox = nullptr;
    QRadioButton *ExactMatchBtn = nullptr, *PartialMatchStartBtn = nullptr,
                 *PartialMatchAnyBtn = nullptr;
    QLineEdit* SearchValue = nullptr;
    QPushButton *FirstButton = nullptr, *NextButton = nullptr, *BitBtn1 = nullptr;

  protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void search(bool fromFirst);
    void SetColors();

    ui::MainWindowLink& main_;
    QStringList labels_;
    bool nextWasDefault_ = true;
};

class TMyLocateDialog : public QObject {
    Q_OBJECT
  public:
    explicit TMyLocateDialog(ui::MainWindowLink& main, QObject* parent = nullptr);

    // The settings, with what the last use stored in them.
    find::LocateOptions& options() { return options_; }
    const find::LocateOptions& options() const { return options_; }

    // Shows the dialog; true when it closed on a found record.
    bool Execute();
    // Repeats the last search from the record after the current one; the
    // dialog when nothing was searched yet.
    bool FindNext();

  private:
    QStringList labels() const;

    ui::MainWindowLink& main_;
    find::LocateOptions options_;
};

}  // namespace findui
