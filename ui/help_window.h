// HelpWindow: the program's own help, built into the program as HTML pages.
// It opens at the contents page or at the page of a keyword ("Search
// Window", "Input Window", ...). Links between pages work inside the window;
// the topic list beside the page marks the page shown.
#pragma once

#include <QDialog>
#include <QStringList>

class QListWidget;
class QPushButton;
class QTextBrowser;
class QUrl;

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
    QListWidget* topics() const { return topics_; }
    QPushButton* BackButton = nullptr;
    QPushButton* CloseButton = nullptr;

    // Every keyword that has a page.
    static QStringList keywords();
    // The resource path of every page, the contents first.
    static QStringList pages();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void openPage(const QString& page);
    void openRow(int row);
    // Marks the topic of `url` in the list (none when it has no topic).
    void markTopic(const QUrl& url);

    QTextBrowser* browser_;
    QListWidget* topics_;
};

// Shows the process-wide help window at `keyword` (empty: the contents) and
// returns it. The window belongs to the modal dialog running when it is
// opened, else to `parent`'s window, so that it can be used at once from
// whichever window asked for it.
HelpWindow* showHelp(QWidget* parent, const QString& keyword = {});

}  // namespace ui
