#include "ui/help_window.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPointer>
#include <QTextBrowser>
#include <QUrl>

// The pages live in a static library: register them before first use (the
// macro must be used outside any namespace).
static void initHelpResources() {
    Q_INIT_RESOURCE(help);
}

namespace ui {
namespace {

struct Topic {
    const char* keyword;
    const char* page;
};

// The keywords the windows use and their pages.
constexpr Topic kTopics[] = {
    {"Main Window", "main.html"},
    {"Input Window", "input.html"},
    {"Search Window", "search.html"},
    {"Locate", "locate.html"},
    {"Search and Replace", "replace.html"},
    {"Report Window", "reports.html"},
    {"User Defined Reports", "designer.html"},
    {"Export Window", "export.html"},
    {"Import Window", "import.html"},
    {"Viewer Configuration", "viewer.html"},
    {"Viewer Configuration Title", "viewer_title.html"},
    {"Viewer Configuration Look", "viewer_look.html"},
    {"Viewer Configuration Show", "viewer_show.html"},
    {"Viewer Configuration Widths", "viewer_widths.html"},
    {"Viewer Configuration Order", "viewer_order.html"},
    {"Viewer Configuration Names", "viewer_names.html"},
    {"Color Setup", "colors.html"},
    {"List Maintenance", "lists.html"},
    {"Sort Order", "sort.html"},
    {"Backup and Restore", "backup.html"},
};

}  // namespace

HelpWindow::HelpWindow(QWidget* parent) : QDialog(parent) {
    initHelpResources();
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("Tomekeep Books 95 Help"));
    auto* layout = new QHBoxLayout(this);
    topics_ = new QListWidget(this);
    topics_->setObjectName(QStringLiteral("HelpTopics"));
    topics_->addItem(QStringLiteral("Contents"));
    for (const Topic& t : kTopics)
        topics_->addItem(QLatin1String(t.keyword));
    topics_->setMaximumWidth(180);
    browser_ = new QTextBrowser(this);
    browser_->setObjectName(QStringLiteral("HelpBrowser"));
    browser_->setOpenLinks(true);
    layout->addWidget(topics_);
    layout->addWidget(browser_, 1);
    connect(topics_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row == 0)
            openPage(QStringLiteral("contents.html"));
        else if (row > 0)
            openPage(QLatin1String(kTopics[row - 1].page));
    });
    resize(720, 520);
}

void HelpWindow::openPage(const QString& page) {
    const QUrl url(QStringLiteral("qrc:/help/") + page);
    if (browser_->source() != url)
        browser_->setSource(url);
    show();
    raise();
    activateWindow();
}

void HelpWindow::showContents() {
    openPage(QStringLiteral("contents.html"));
}

bool HelpWindow::showKeyword(const QString& keyword) {
    for (const Topic& t : kTopics) {
        if (keyword.compare(QLatin1String(t.keyword), Qt::CaseInsensitive) == 0) {
            openPage(QLatin1String(t.page));
            return true;
        }
    }
    showContents();
    return false;
}

QString HelpWindow::currentPage() const {
    return browser_->source().toString();
}

QStringList HelpWindow::keywords() {
    QStringList k;
    for (const Topic& t : kTopics)
        k << QLatin1String(t.keyword);
    return k;
}

HelpWindow* showHelp(QWidget* parent, const QString& keyword) {
    static QPointer<HelpWindow> window;
    if (!window)
        window = new HelpWindow(parent ? parent->window() : nullptr);
    if (keyword.isEmpty())
        window->showContents();
    else
        window->showKeyword(keyword);
    return window;
}

}  // namespace ui
