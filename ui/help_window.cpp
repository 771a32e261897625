#include "ui/help_window.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

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

const QString kContents = QStringLiteral("contents.html");
const QString kPrefix = QStringLiteral("qrc:/help/");

// The keywords the windows use and their pages, in the order of the topic
// list (after "Contents").
constexpr Topic kTopics[] = {
    {"Main Window", "main.html"},
    {"Collections", "files.html"},
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

// The page of topic row `row` (0 is the contents).
QString pageOfRow(int row) {
    return row == 0 ? kContents : QLatin1String(kTopics[row - 1].page);
}

}  // namespace

HelpWindow::HelpWindow(QWidget* parent) : QDialog(parent) {
    initHelpResources();
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("Tomekeep Books 95 Help"));

    topics_ = new QListWidget(this);
    topics_->setObjectName(QStringLiteral("HelpTopics"));
    topics_->setAccessibleName(QStringLiteral("Help topics"));
    topics_->addItem(QStringLiteral("Contents"));
    for (const Topic& t : kTopics)
        topics_->addItem(QLatin1String(t.keyword));
    topics_->setMaximumWidth(200);

    browser_ = new QTextBrowser(this);
    browser_->setObjectName(QStringLiteral("HelpBrowser"));
    browser_->setAccessibleName(QStringLiteral("Help page"));
    browser_->setOpenLinks(true);
    browser_->installEventFilter(this);

    // Plain buttons: Enter in the topic list or the page presses none.
    const auto button = [this](const QString& text, const char* name, const QString& what) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QLatin1String(name));
        b->setAccessibleName(what);
        b->setAutoDefault(false);
        return b;
    };
    BackButton = button(QStringLiteral("&Back"), "BackButton", QStringLiteral("Back"));
    CloseButton = button(QStringLiteral("&Close"), "CloseButton", QStringLiteral("Close"));
    BackButton->setEnabled(false);

    auto* pages = new QHBoxLayout;
    pages->addWidget(topics_);
    pages->addWidget(browser_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(BackButton);
    buttons->addWidget(CloseButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(pages, 1);
    layout->addLayout(buttons);

    connect(topics_, &QListWidget::currentRowChanged, this, &HelpWindow::openRow);
    // A click on the topic already marked opens its page again (after a
    // link led away from it, say).
    connect(topics_, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { openRow(topics_->row(item)); });
    connect(browser_, &QTextBrowser::sourceChanged, this, &HelpWindow::markTopic);
    connect(browser_, &QTextBrowser::backwardAvailable, BackButton, &QPushButton::setEnabled);
    connect(BackButton, &QPushButton::clicked, browser_, &QTextBrowser::backward);
    connect(CloseButton, &QPushButton::clicked, this, &HelpWindow::close);
    resize(740, 540);
}

// The page is read-only and shows no cursor: Ctrl+Home and Ctrl+End go to
// its top and its end, as Home and End do.
bool HelpWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == browser_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() == Qt::ControlModifier &&
            (key->key() == Qt::Key_Home || key->key() == Qt::Key_End)) {
            browser_->verticalScrollBar()->triggerAction(key->key() == Qt::Key_Home
                                                             ? QAbstractSlider::SliderToMinimum
                                                             : QAbstractSlider::SliderToMaximum);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void HelpWindow::openRow(int row) {
    if (row >= 0 && row < topics_->count())
        openPage(pageOfRow(row));
}

void HelpWindow::markTopic(const QUrl& url) {
    const QString page = url.fileName();
    int row = -1;
    for (int i = 0; i < topics_->count() && row < 0; ++i)
        if (pageOfRow(i) == page)
            row = i;
    const QSignalBlocker quiet(topics_);
    topics_->setCurrentRow(row);
    if (row < 0)
        topics_->clearSelection();
}

void HelpWindow::openPage(const QString& page) {
    const QUrl url(kPrefix + page);
    if (browser_->source() != url)
        browser_->setSource(url);
    show();
    raise();
    activateWindow();
}

void HelpWindow::showContents() {
    openPage(kContents);
    browser_->setFocus();
}

bool HelpWindow::showKeyword(const QString& keyword) {
    for (const Topic& t : kTopics) {
        if (keyword.compare(QLatin1String(t.keyword), Qt::CaseInsensitive) == 0) {
            openPage(QLatin1String(t.page));
            browser_->setFocus();  // the keys scroll the page
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

QStringList HelpWindow::pages() {
    initHelpResources();
    QStringList all{kPrefix + kContents};
    for (const Topic& t : kTopics)
        all << kPrefix + QLatin1String(t.page);
    return all;
}

HelpWindow* showHelp(QWidget* parent, const QString& keyword) {
    static QPointer<HelpWindow> window;
    // A modal dialog blocks every window but its own: the help window joins
    // the one running, or it could be neither scrolled nor closed until
    // that dialog ends.
    QWidget* owner = QApplication::activeModalWidget();
    if (!owner || owner == window)
        owner = parent ? parent->window() : nullptr;
    if (!window) {
        window = new HelpWindow(owner);
    } else if (window->parentWidget() != owner) {
        const QRect place = window->geometry();
        window->setParent(owner, window->windowFlags());
        window->setGeometry(place);
    }
    if (keyword.isEmpty())
        window->showContents();
    else
        window->showKeyword(keyword);
    return window;
}

}  // namespace ui
