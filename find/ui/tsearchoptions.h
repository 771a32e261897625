// TSearchOptions, "Search Options": the small list a query row's "..." cell
// opens, offering the four comparisons of a numeric or date field or the
// values of a field's pick list. Created for each use; the query form reads
// the chosen entry when it closes with "&Ok".
#pragma once

#include <QDialog>
#include <QStringList>

class QLabel;
class QListWidget;
class QPushButton;

namespace ui {
class MainWindowLink;
}

namespace findui {

class TSearchOptions : public QDialog {
    Q_OBJECT
  public:
    // Painted and scaled as the main window `main` says.
    explicit TSearchOptions(ui::MainWindowLink& main, QWidget* parent = nullptr);

    int fieldNo = 0;
    void setFieldName(const QString& name);
    // Fills the list with `items` (the items of a drop-down list), in order.
    void LoadList(const QStringList& items);
    // The selected entry, -1 for none.
    int selectedIndex() const;
    QString selectedText() const;
    void select(int index);

    void OkButtonClick();
    void CancelButtonClick();

    QLabel* FieldNameLabel = nullptr;
    QListWidget* ListBox1 = nullptr;
    QPushButton *OkButton = nullptr, *CancelButton = nullptr;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void SetColors();

    ui::MainWindowLink& main_;
};

}  // namespace findui
