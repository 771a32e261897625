// TMyReport, "Reports": the list of report definitions in the order of the
// definitions file, from which the user previews, prints or writes a report
// to a text file, or opens the designer on a new or the selected report.
// It is made once when the program starts and shown modally by the main
// window's Reports and Print commands; the report chosen last is selected
// again when it opens (also across runs).
#pragma once

#include <QDialog>

#include <functional>

#include "reports/definition_file.h"
#include "reports/layout_picture.h"
#include "reports/report_definition.h"
#include "reports/report_layout.h"

class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace reports {
class PageStream;
}
namespace ui {
class MainWindowLink;
}

namespace reportsui {

class TMyReport : public QDialog {
    Q_OBJECT
  public:
    explicit TMyReport(ui::MainWindowLink& main, QWidget* parent = nullptr);

    QLabel *Label1 = nullptr, *SortOrderLabel = nullptr, *WhatLabel = nullptr,
           *StyleLabel = nullptr;
    QRadioButton *ExportEntire = nullptr, *ExportSearch = nullptr;
    QListWidget* ReportBox = nullptr;
    QPushButton *ModifyButton = nullptr, *NewButton = nullptr, *ViewButton = nullptr,
                *PrintButton = nullptr, *FileButton = nullptr, *HelpButton = nullptr,
                *ExitButton = nullptr;

    // Fills the list with the names of the definitions file, in file order
    // (empty when the file cannot be read).
    void LoadReportBox();
    // Runs the selected report on the printer (Print), into a page stream
    // shown in the preview (View) or into `textFile` (TextFile).
    void DoIt(reports::OutputMode mode, const QString& textFile = {});

    // The definition last read for a run or for the designer.
    const reports::ReportDefinition& definition() const { return definition_; }

    // Shows a laid-out report; the preview window by default.
    std::function<void(ui::MainWindowLink&, const reports::ReportDefinition&, reports::PageStream&)>
        showPreview;
    // Opens the designer on `definition`, the record at `index` or a new
    // report (index -1); true when it saved or deleted a report. The
    // designer window by default.
    std::function<bool(ui::MainWindowLink&, reports::ReportDefinition& definition, int index)>
        openDesigner;

    // The sort order as the window shows it: the `captions` of the levels
    // set, joined by ", ", or "No Sort Order Selected".
    static QString sortOrderText(const std::array<int, 4>& levels,
                                 const reports::FieldCaptions& captions);

  protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

  private:
    void ViewButtonClick();
    void PrintButtonClick();
    void FileButtonClick();
    void NewButtonClick();
    void ModifyButtonClick();
    void HelpButtonClick();
    void noSelection();
    void runDesigner(int index);
    // The definitions file in the program directory of the run.
    reports::DefinitionFile definitionFile() const;

    ui::MainWindowLink& main_;
    reports::ReportDefinition definition_;
};

}  // namespace reportsui
