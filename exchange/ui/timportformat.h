// TImportFormat, "Import Format": the first step of an import. The user
// picks the kind of source and then the file; a delimited text file is
// checked by its first line, then the mapping form TMyImport opens for it.
#pragma once

#include <QDialog>

class QFrame;
class QPushButton;
class QRadioButton;

namespace ui {
class MainWindowLink;
}

namespace exchangeui {

class TImportFormat : public QDialog {
    Q_OBJECT
  public:
    TImportFormat(ui::MainWindowLink& main, QWidget* parent = nullptr);

    void FileButtonClick();
    void CancelButtonClick();
    // The kind chosen: 1 delimited text, 2 dBase.
    int fileType() const;

    void done(int result) override;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void FormShow();
    void SetColors();
    void DoAscii();
    void DoDBF();

    ui::MainWindowLink& main_;
    QFrame* MyPanel = nullptr;
    QRadioButton *AsciiDelimited = nullptr, *DBFFormat = nullptr;
    QPushButton *FileButton = nullptr, *CancelButton = nullptr;
};

}  // namespace exchangeui
