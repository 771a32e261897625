// TMyImport: the mapping form of an import. Each row pairs a book field
// (column "TOMEKEEP FIELDS", fixed) with a source field ("IMPORT FIELDS")
// and whether it is used ("USE"); "&Up" and "&Down" move the source fields
// and a double click on "USE" toggles it. "&Start Import" adds one book per
// source record and shows the running count.
#pragma once

#include <QDialog>
#include <QStringList>

class QCheckBox;
class QLabel;
class QPushButton;
class QTableWidget;

namespace ui {
class MainWindowLink;
}

namespace exchangeui {

class TMyImport : public QDialog {
    Q_OBJECT
  public:
    enum class Source { Text = 1, DBase = 2 };

    // `names` are the source field names (at most 46), from the first line of
    // a text file or the fields of a dBase table at `path`.
    TMyImport(ui::MainWindowLink& main, Source source, const QString& path,
              const QStringList& names, QWidget* parent = nullptr);

    void UpButtonClick();
    void DownButtonClick();
    void ImportGridDblClick();
    void SkipFirstClick();
    void StartButtonClick();
    void ExitButtonClick();
    void HelpButtonClick();

    // The number of books added so far.
    std::uint32_t count() const { return count_; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void FormShow();
    void SetColors();
    void swapRows(int a, int b);
    void showCount(bool now);

    ui::MainWindowLink& main_;
    Source source_;
    QString path_;
    QStringList names_;
    std::uint32_t count_ = 0;
    qint64 lastDrawn_ = 0;

    QTableWidget* ImportGrid = nullptr;
    QLabel *FieldLabel = nullptr, *AlignmentLabel = nullptr, *ImportLabel = nullptr,
           *CountLabel = nullptr;
    QLabel *ImportCount = nullptr, *NoteText = nullptr;
    QPushButton *UpButton = nullptr, *DownButton = nullptr;
    QCheckBox* SkipFirst = nullptr;
    QPushButton *StartButton = nullptr, *ExitButton = nullptr, *HelpButton = nullptr;
};

}  // namespace exchangeui
