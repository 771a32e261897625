// TUserReport, "Report Definition": the name, width, fonts, titles, page
// options, margins and number of lines of a report definition; saves it as
// a new report or over the one it was opened on, or deletes that one.
#pragma once

#include <QDialog>

#include "reports/definition_file.h"
#include "reports/report_definition.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace ui {
class MainWindowLink;
}

namespace settings {
struct Settings;
}

namespace reportsui {

// "Report Fonts": the title, column header, body and footnote fonts of the
// definition, each changed through the font dialog.
class TReportFonts : public QDialog {
    Q_OBJECT
  public:
    // Painted in the fonts and colours of `settings`, scaled by `scale`.
    TReportFonts(reports::ReportDefinition& definition, const settings::Settings& settings,
                 double scale, QWidget* parent = nullptr);

    QLineEdit *TitleFont = nullptr, *ColumnFont = nullptr, *BodyFont = nullptr,
              *FootnoteFont = nullptr;
    QPushButton* NewFont[4] = {};
    QPushButton* OkButton = nullptr;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void chooseFont(int slot);
    reports::ReportFontSpec& spec(int slot);
    void showFonts();

    reports::ReportDefinition& d_;
    const settings::Settings& settings_;
    double scale_;
};

class TUserReport : public QDialog {
    Q_OBJECT
  public:
    // Works on `definition` (the caller's buffer); `index` is the record it
    // was read from, -1 for a new report. The definitions file is the one in
    // the program directory of `main`'s run state; the layout picture shows
    // the captions of its settings at its scale factor.
    TUserReport(ui::MainWindowLink& main, reports::ReportDefinition& definition, int index,
                QWidget* parent = nullptr);

    QLineEdit *ReportName = nullptr, *Title1 = nullptr, *Title2 = nullptr, *Title3 = nullptr,
              *NumLines = nullptr, *TopMargin = nullptr, *BottomMargin = nullptr,
              *LeftMargin = nullptr, *RightMargin = nullptr;
    QLineEdit *TitleLineFont = nullptr, *ColumnHeaderFont = nullptr, *RepBodyDataFont = nullptr,
              *FootnoteFont = nullptr;
    QRadioButton *Chars90 = nullptr, *Chars120 = nullptr, *Chars150 = nullptr;
    QCheckBox *Level1Group = nullptr, *Level2Group = nullptr, *ColumnHeaders = nullptr,
              *HorzLines = nullptr, *VertLines = nullptr, *DateOnPage = nullptr,
              *PageNumbers = nullptr, *LandOrient = nullptr, *UseTotals = nullptr;
    QPushButton *SetFonts = nullptr, *SpecifyButton = nullptr, *UpdateButton = nullptr,
                *CancelButton = nullptr, *DeleteButton = nullptr, *HelpButton = nullptr;

    // True once the file was written (saved or deleted); the record's index
    // after a save (-1 after a delete).
    bool changedFile() const { return changed_; }
    int savedIndex() const { return index_; }

    void ReportNameExit();
    void NumLinesExit();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    bool NumLinesOk();
    bool SaveOutVars();
    void UpdateButtonClick();
    void DeleteButtonClick();
    void widthClicked(int width);
    void enableBoxOptions(int lines);
    void showFonts();

    reports::DefinitionFile definitionFile() const;

    ui::MainWindowLink& main_;
    reports::ReportDefinition& d_;
    int index_;
    QString openedName_;
    bool changed_ = false;
};

// Opens the designer on `definition` (record `index`, or -1 for a new
// report); true when it saved or deleted a report.
bool openDesigner(ui::MainWindowLink& main, reports::ReportDefinition& definition, int index);

}  // namespace reportsui
