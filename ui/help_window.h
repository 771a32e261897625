// HelpWindow: the program's own help, built into the program as HTML pages.
// It opens at the contents page or at the page of a keyword ("Search
// Window", "Input Window", ...). Links between pages work inside the window.
#pragma once

#include <QDialog>
#include <QStringList>

class QTextBrowser;
class QListWidget;

namespace ui {

class HelpWindow : public QDialog {
    Q_OBJECT
  public:
    explicit HelpWindow(QWidget* parent = nullptr);

    void showContents();
    // Opens the page of `keyword` (letter case does not matter); an unknown
    // keyword opens the contents. Returns whether the keyword was known.
    bool showKeyword(const QString& keyword);

    // The resource path of the page shown, e.g. "qrc:/help/contents.html".
    QString currentPage() const;
    QTextBrowser* browser() const { return browser_; }

    // Every keyword that has a page.
    static QStringList keywords();

  private:
    void openPage(const QString& resource);
    QTextBrowser* browser_;
    QListWidget* topics_;
};

// Shows the process-wide help window at `keyword` (empty: the contents) and
// returns it. It is created on first use as a window of `parent`'s window.
HelpWindow* showHelp(QWidget* parent, const QString& keyword = {});

}  // namespace ui
