// TMyExport, "Export": the user picks the fields and their order in a grid,
// what to export (the whole collection, or the books of the active search)
// and how (delimited text or a dBase table), then "&Start Export" writes the
// file with a progress bar moving once per book. The choices are kept in the
// settings; the file rules are the exchange library's.
#pragma once

#include <QDialog>

#include <vector>

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTableWidget;

namespace ui {
class MainWindowLink;
}

namespace exchangeui {

class TMyExport : public QDialog {
    Q_OBJECT
  public:
    TMyExport(ui::MainWindowLink& main, QWidget* parent = nullptr);

    // The handlers, public so that the wiring stays in one place and tests
    // can drive them.
    void ExportGridDblClick();
    void UpButtonClick();
    void DownButtonClick();
    void DefaultsButtonClick();
    void FirstRowClick();
    void AsciiFileClick();
    void DBaseFileClick();
    void StartExportButtonClick();
    void ExitButtonClick();
    void HelpButtonClick();

    // The grid back into the export settings, and the fields to write.
    void UpdateConfigs();
    std::vector<int> CalcIndexOrder();

    void done(int result) override;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void FormShow();
    void FormClose();
    void SetColors();
    void fillGrid();
    void swapRows(int a, int b);
    bool DoAscii(const std::vector<int>& fields, bool entire);
    bool DoDBase(const std::vector<int>& fields, bool entire);
    // Runs `write` over the books to export with the gauge; false (and the
    // message shown) when it failed.
    template <typename Write>
    bool walk(bool entire, Write write);

    ui::MainWindowLink& main_;
    QTableWidget* ExportGrid = nullptr;
    QLabel *FieldLabel = nullptr, *OrderingLabel = nullptr, *NotesLabel = nullptr,
           *NoteText = nullptr;
    QLabel* GaugeLabel = nullptr;
    QPushButton *UpButton = nullptr, *DownButton = nullptr, *DefaultsButton = nullptr;
    QRadioButton *ExportEntire = nullptr, *ExportSearch = nullptr;
    QRadioButton *AsciiFile = nullptr, *DBaseFile = nullptr;
    QCheckBox* FirstRow = nullptr;
    QPushButton *StartExportButton = nullptr, *ExitButton = nullptr, *HelpButton = nullptr;
    QProgressBar* MyGauge = nullptr;
};

}  // namespace exchangeui
