// TViewConfig, "Viewer Configuration": which fields the viewer shows, in
// which order, under which names and how wide, and how its grid looks.
//
// A notebook of six pages over the viewer settings. The check boxes, the
// alignment buttons, the two colours and the two fonts change the settings
// the moment the user acts; the four field grids work on a
// ViewerFieldTables and reach the settings when the dialog closes, by any
// means (there is no cancel). Nothing is written to the settings file here;
// the caller has the main window apply the viewer settings afterwards.
#pragma once

#include <QDialog>
#include <QTableWidget>

#include "appearance/viewer_config.h"

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;

namespace ui {
class MainWindowLink;
}

namespace appearance {

// A string grid: a table whose open cell editor can be committed on demand,
// so that what is typed counts even when the dialog is closed by a key.
class ConfigGrid : public QTableWidget {
    Q_OBJECT
  public:
    using QTableWidget::QTableWidget;
    void commitOpenEditor();
};

class TViewConfig : public QDialog {
    Q_OBJECT
  public:
    // Over the settings of `main`, owned by main.dialogParent().
    explicit TViewConfig(ui::MainWindowLink& main);

    // The field tables as the grids hold them.
    const ViewerFieldTables& tables() const { return tables_; }

    // The handlers, public so that tests can drive them as the controls do.
    void FieldsToDisplayDblClick();
    void OrderUpClick();
    void OrderDownClick();
    void OrderDefaultsClick();
    void HelpButtonClick();
    void ExitButtonClick();

    // The help keywords of the six pages, in page order.
    static QStringList helpKeywords();

    void done(int result) override;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void createTitlePage(QWidget* page);
    void createLookPage(QWidget* page);
    void createGridPages();
    void FormCreate();
    void FormShow();
    void FormClose();
    void SetColors();
    void fillGrids();
    void fillOrderGrid();
    void refreshFontTexts();
    void paintSwatches();
    void chooseColor(int& target);
    void chooseFont(settings::FontKeys& target);
    void gridItemChanged(QTableWidgetItem* item);
    void moveOrderRow(int row, bool up);

    ui::MainWindowLink& main_;
    ViewerFieldTables tables_;
    bool filling_ = false;
    bool closed_ = false;

  public:
    // Controls, named as their objectName.
    QTabWidget* Notebook = nullptr;
    QCheckBox* ShowGridTitle = nullptr;
    QFrame* TitleShape = nullptr;
    QPushButton* Button1 = nullptr;
    QLineEdit* TitleFont = nullptr;
    QPushButton* TitleFontButton = nullptr;
    QRadioButton *TitleLeft = nullptr, *TitleCenter = nullptr, *TitleRight = nullptr;
    QCheckBox *ColumnLines = nullptr, *RowLines = nullptr, *RowIndicator = nullptr,
              *FieldEditing = nullptr;
    QFrame* CellColorShape = nullptr;
    QPushButton* NewColorBUtton = nullptr;
    QLineEdit* GridFont = nullptr;
    QPushButton* NewFontButton = nullptr;
    ConfigGrid* FieldsToDisplay = nullptr;
    QLabel* DisplayText = nullptr;
    ConfigGrid* FieldWidthGrid = nullptr;
    ConfigGrid* FieldOrderGrid = nullptr;
    QPushButton *OrderUp = nullptr, *OrderDown = nullptr, *OrderDefaults = nullptr;
    QLabel *FieldLabel = nullptr, *OrderingLabel = nullptr;
    ConfigGrid* FieldNameGrid = nullptr;
    QPushButton* HelpButton = nullptr;
    QPushButton* ExitButton = nullptr;
};

// Shows the dialog modally.
void runViewConfig(ui::MainWindowLink& main);

// Makes the main window's Viewer command show the dialog and, when it has
// closed, apply the viewer settings to its grid again. Browse mode offers
// no viewer configuration.
void registerViewerCommand(ui::MainWindowLink& main);

}  // namespace appearance
