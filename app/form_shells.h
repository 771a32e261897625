// The long-lived form the main window shows that its subsystem has not
// filled in yet (the report list): a plain dialog with its caption and a
// Close button, created once at program start and shown modally by its
// command. The query form is the find subsystem's, the edit form the edit
// subsystem's.
#pragma once

#include <QDialog>

// A form created once at program start: it records its design geometry when
// created and, every time it is shown, takes the user fonts, goes back to
// that geometry, scales by the screen-size factor and centres itself.
class LongLivedForm : public QDialog {
    Q_OBJECT
  public:
    explicit LongLivedForm(QWidget* parent = nullptr) : QDialog(parent) {}

  protected:
    // Call at the end of the subclass's constructor, once its controls exist.
    void recordDesign();
    void showEvent(QShowEvent* event) override;
};

class TMyReport : public LongLivedForm {
    Q_OBJECT
  public:
    explicit TMyReport(QWidget* parent = nullptr);
};
