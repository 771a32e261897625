#include "reports/ui/tmypreview.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollArea>
#include <QShowEvent>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include <optional>

#include "reports/page_stream.h"
#include "reports/ui/treportform.h"
#include "settings/settings.h"
#include "ui/form_geometry.h"
#include "ui/keyboard.h"
#include "ui/main_window_link.h"
#include "ui/messages.h"
#include "ui/window_colors.h"

namespace reportsui {

namespace {

template <typename W>
W* named(W* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}

const QString kBusy = QStringLiteral("Previous print job has not yet finished.  Try again later.");

// The whole text as a number, blanks around it allowed.
std::optional<double> realOf(const QString& text) {
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    return ok ? std::optional<double>(v) : std::nullopt;
}
std::optional<int> integerOf(const QString& text) {
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    return ok ? std::optional<int>(v) : std::nullopt;
}

}  // namespace

// ---- TPrintRange ---------------------------------------------------------

TPrintRange::TPrintRange(int pageCount, const settings::Settings& settings, double scale,
                         QWidget* parent)
    : QDialog(parent), pageCount_(pageCount), settings_(settings), scale_(scale) {
    setObjectName(QStringLiteral("PrintRange"));
    setWindowTitle(QStringLiteral("Page Printing"));
    setModal(true);
    setFixedSize(232, 112);
    StartPageLabel = named(new QLabel(QStringLiteral("Starting Page"), this), "StartPageLabel");
    StartPageLabel->setGeometry(8, 12, 100, 18);
    StartPage = named(new QLineEdit(this), "StartPage");
    StartPage->setGeometry(116, 10, 60, 22);
    StartPage->setMaxLength(3);
    EndPageLabel = named(new QLabel(QStringLiteral("Ending Page"), this), "EndPageLabel");
    EndPageLabel->setGeometry(8, 42, 100, 18);
    EndPage = named(new QLineEdit(this), "EndPage");
    EndPage->setGeometry(116, 40, 60, 22);
    EndPage->setMaxLength(3);
    PrintButton = named(new QPushButton(QStringLiteral("&Print"), this), "PrintButton");
    PrintButton->setGeometry(8, 76, 100, 28);
    PrintButton->setDefault(true);
    CancelButton = named(new QPushButton(QStringLiteral("&Cancel"), this), "CancelButton");
    CancelButton->setGeometry(124, 76, 100, 28);
    connect(PrintButton, &QPushButton::clicked, this, &TPrintRange::PrintButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    ui::recordDesignGeometry(this);
}

void TPrintRange::showEvent(QShowEvent* event) {
    ui::prepareForm(this, settings_, scale_);
    ui::applyWindowColors(this, settings_.colorSet(settings::ReportWindow));
    StartPage->setText(QStringLiteral("1"));
    EndPage->setText(QString::number(pageCount_));
    confirmed_ = false;
    QDialog::showEvent(event);
}

void TPrintRange::PrintButtonClick() {
    first_ = integerOf(StartPage->text()).value_or(0);
    if (first_ <= 0 || first_ > pageCount_) {
        ui::showError(this, QStringLiteral("Invalid Starting Page specified. Please correct."));
        StartPage->setFocus();
        return;
    }
    last_ = integerOf(EndPage->text()).value_or(0);
    if (last_ < first_ || last_ > pageCount_) {
        ui::showError(this, QStringLiteral("Invalid Ending Page specified.  Please correct."));
        EndPage->setFocus();
        return;
    }
    confirmed_ = true;
    accept();
}

// ---- TMyPreview ----------------------------------------------------------

TMyPreview::TMyPreview(ui::MainWindowLink& main, const reports::PageStream& stream,
                       const QString& title, QWidget* parent)
    : QDialog(parent), main_(main) {
    setObjectName(QStringLiteral("MyPreview"));
    setWindowTitle(title);
    setModal(true);
    // Its menu keys act in the zoom and page boxes too.
    ui::installKeyboardRules();
    MyFilePreview.setStream(&stream);
    MyFilePrinter.setStream(&stream);
    MyFilePrinter.setPrinter(main.printer());
    MyFilePrinter.title = title;

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* menus = named(new QMenuBar(this), "MainMenu");
    layout->setMenuBar(menus);
    auto* bar = named(new QWidget(this), "Toolbar");
    bar->setFixedHeight(32);
    layout->addWidget(bar);
    ScrollBox1 = named(new QScrollArea(this), "ScrollBox1");
    layout->addWidget(ScrollBox1, 1);
    PageLabel = named(new QLabel(QStringLiteral("Page 1 of 1"), this), "PageLabel");
    layout->addWidget(PageLabel);

    int x = 4;
    auto tool = [&](const char* name, const QString& hint, QStyle::StandardPixmap icon) {
        auto* b = named(new QToolButton(bar), name);
        b->setToolTip(hint);
        b->setIcon(style()->standardIcon(icon));
        b->setGeometry(x, 4, 24, 24);
        x += 26;
        return b;
    };
    SBZoomIn = tool("SBZoomIn", QStringLiteral("Zoom In"), QStyle::SP_ArrowUp);
    SBZoomOut = tool("SBZoomOut", QStringLiteral("Zoom Out"), QStyle::SP_ArrowDown);
    SBZoomPageWidth =
        tool("SBZoomPageWidth", QStringLiteral("Zoom Page Width"), QStyle::SP_TitleBarMaxButton);
    SBZoomPage =
        tool("SBZoomPage", QStringLiteral("Zoom Whole Page"), QStyle::SP_TitleBarNormalButton);
    SBPrevPage = tool("SBPrevPage", QStringLiteral("Prev Page"), QStyle::SP_ArrowLeft);
    SBNextPage = tool("SBNextPage", QStringLiteral("Next Page"), QStyle::SP_ArrowRight);
    SBPrint = tool("SBPrint", QStringLiteral("Print Page"), QStyle::SP_DialogSaveButton);
    SBDone = tool("SBDone", QStringLiteral("Done"), QStyle::SP_DialogCloseButton);
    Label1 = named(new QLabel(QStringLiteral("Zoom %"), bar), "Label1");
    Label1->setGeometry(x + 4, 8, 52, 18);
    ZoomEdit = named(new QLineEdit(bar), "ZoomEdit");
    ZoomEdit->setGeometry(x + 56, 5, 60, 22);
    ZoomEdit->setMaxLength(10);
    Label2 = named(new QLabel(QStringLiteral("Page #"), bar), "Label2");
    Label2->setGeometry(x + 128, 8, 48, 18);
    PageEdit = named(new QLineEdit(bar), "PageEdit");
    PageEdit->setGeometry(x + 176, 5, 60, 22);

    auto item = [this](QMenu* menu, const char* name, const QString& text, Qt::Key key) {
        QAction* a = menu->addAction(text);
        a->setObjectName(QLatin1String(name));
        a->setShortcut(QKeySequence(Qt::CTRL | key));
        return a;
    };
    QMenu* file = menus->addMenu(QStringLiteral("&File"));
    MenuPrintPage = item(file, "MenuPrintPage", QStringLiteral("&Print Page"), Qt::Key_P);
    MenuPrintReport = item(file, "MenuPrintReport", QStringLiteral("Print &Report"), Qt::Key_R);
    MenuPrintRange = item(file, "MenuPrintRange", QStringLiteral("Print Ran&ge"), Qt::Key_G);
    MenuPrintSetup = item(file, "MenuPrintSetup", QStringLiteral("Printer &Setup"), Qt::Key_S);
    file->addSeparator();
    MenuExit = item(file, "MenuExit", QStringLiteral("E&xit"), Qt::Key_X);
    QMenu* nav = menus->addMenu(QStringLiteral("&Navigate"));
    MenuPrevPage = item(nav, "MenuPrevPage", QStringLiteral("&Previous Page"), Qt::Key_E);
    MenuNextPage = item(nav, "MenuNextPage", QStringLiteral("&Next Page"), Qt::Key_N);
    nav->addSeparator();
    MenuFirstPage = item(nav, "MenuFirstPage", QStringLiteral("&First Page"), Qt::Key_F);
    MenuLastPage = item(nav, "MenuLastPage", QStringLiteral("&Last Page"), Qt::Key_L);
    QMenu* view = menus->addMenu(QStringLiteral("&View"));
    MenuColor = item(view, "MenuColor", QStringLiteral("Use Color"), Qt::Key_C);
    MenuColor->setCheckable(true);
    MenuColor->setChecked(true);
    view->addSeparator();
    QMenu* zoomIn = view->addMenu(QStringLiteral("Zoom &In"));
    zoomIn->menuAction()->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_I));
    QMenu* zoomOut = view->addMenu(QStringLiteral("Zoom &Out"));
    zoomOut->menuAction()->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    const struct {
        QMenu* menu;
        const char* name;
        const char* text;
        double zoom;
    } zooms[7] = {{zoomIn, "ZoomIn1", "&1 : 1", 100},    {zoomIn, "ZoomIn2", "&2 : 1", 200},
                  {zoomOut, "ZoomOut1", "1 : &1", 100},  {zoomOut, "ZoomOut2", "1 : &2", 50},
                  {zoomOut, "ZoomOut3", "1 : &3", 33.3}, {zoomOut, "ZoomOut4", "1 : &4", 25},
                  {zoomOut, "ZoomOut5", "1 : &5", 20}};
    for (int i = 0; i < 7; ++i) {
        ZoomItems[i] = zooms[i].menu->addAction(QString::fromLatin1(zooms[i].text));
        ZoomItems[i]->setObjectName(QLatin1String(zooms[i].name));
        const double z = zooms[i].zoom;
        connect(ZoomItems[i], &QAction::triggered, this,
                [this, z] { MyFilePreview.SetZoomFactor(z); });
    }
    MenuZoomPageWidth =
        item(view, "MenuZoomPageWidth", QStringLiteral("Zoom &Page Width"), Qt::Key_Z);
    MenuZoomWholePage =
        item(view, "MenuZoomWholePage", QStringLiteral("Zoom &Whole Page"), Qt::Key_W);

    MyFilePreview.ScrollBox = ScrollBox1;
    MyFilePreview.MarginPercent = 2.5;
    MyFilePreview.OnZoomChange = [this] { zoomChanged(); };
    MyFilePreview.OnPageChange = [this] { pageChanged(); };

    auto pageWidth = [this] { MyFilePreview.SetZoomFactor(MyFilePreview.PageWidthZoom()); };
    auto wholePage = [this] { MyFilePreview.SetZoomFactor(MyFilePreview.WholePageZoom()); };
    auto previous = [this] { MyFilePreview.PreviousPage(); };
    auto next = [this] { MyFilePreview.NextPage(); };
    auto printPage = [this] {
        const int page = MyFilePreview.CurrentPage();
        printRange(page, page);
    };
    connect(SBZoomIn, &QToolButton::clicked, this, [this] { MyFilePreview.ZoomIn(); });
    connect(SBZoomOut, &QToolButton::clicked, this, [this] { MyFilePreview.ZoomOut(); });
    connect(SBZoomPageWidth, &QToolButton::clicked, this, pageWidth);
    connect(MenuZoomPageWidth, &QAction::triggered, this, pageWidth);
    connect(SBZoomPage, &QToolButton::clicked, this, wholePage);
    connect(MenuZoomWholePage, &QAction::triggered, this, wholePage);
    connect(SBPrevPage, &QToolButton::clicked, this, previous);
    connect(MenuPrevPage, &QAction::triggered, this, previous);
    connect(SBNextPage, &QToolButton::clicked, this, next);
    connect(MenuNextPage, &QAction::triggered, this, next);
    connect(MenuFirstPage, &QAction::triggered, this, [this] { MyFilePreview.ShowPage(1); });
    connect(MenuLastPage, &QAction::triggered, this,
            [this] { MyFilePreview.ShowPage(unsigned(MyFilePreview.PageCount())); });
    connect(SBPrint, &QToolButton::clicked, this, printPage);
    connect(MenuPrintPage, &QAction::triggered, this, printPage);
    connect(MenuPrintReport, &QAction::triggered, this, [this] { printRange(0, 0); });
    connect(MenuPrintRange, &QAction::triggered, this, &TMyPreview::MenuPrintRangeClick);
    connect(MenuPrintSetup, &QAction::triggered, this,
            [this] { ui::setupPrinter(this, MyFilePrinter.printer()); });
    connect(MenuColor, &QAction::triggered, this, &TMyPreview::MenuColorClick);
    connect(SBDone, &QToolButton::clicked, this, &QDialog::reject);
    connect(MenuExit, &QAction::triggered, this, &QDialog::reject);
    connect(ZoomEdit, &QLineEdit::editingFinished, this, &TMyPreview::ZoomEditExit);
    connect(PageEdit, &QLineEdit::editingFinished, this, &TMyPreview::PageEditExit);

    const settings::Settings& s = main_.settings();
    move(s.reportViewLeft, s.reportViewTop);
    resize(std::max(s.reportViewWidth, 200), std::max(s.reportViewHeight, 150));
    // A place kept from a larger screen, or a size larger than this one,
    // comes back onto the screen.
    ui::fitOnScreen(this);
    MyFilePreview.StartPreview();
    zoomChanged();
}

TMyPreview::~TMyPreview() = default;

bool TMyPreview::event(QEvent* e) {
    // The first showing shows page 1 at the zoom of the box.
    if (e->type() == QEvent::Show)
        MyFilePreview.RedrawPage();
    return QDialog::event(e);
}

void TMyPreview::done(int result) {
    settings::Settings& s = main_.settings();
    s.reportViewLeft = x();
    s.reportViewTop = y();
    s.reportViewWidth = width();
    s.reportViewHeight = height();
    QDialog::done(result);
}

void TMyPreview::zoomChanged() {
    ZoomEdit->setText(QString::number(MyFilePreview.ZoomFactor(), 'f', 1).left(10));
    MyFilePreview.RedrawPage();
}

void TMyPreview::pageChanged() {
    const int page = MyFilePreview.CurrentPage();
    PageEdit->setText(QString::number(page));
    PageLabel->setText(QStringLiteral("Page %1 of %2").arg(page).arg(MyFilePreview.PageCount()));
}

void TMyPreview::ZoomEditExit() {
    const auto z = realOf(ZoomEdit->text());
    if (z && *z != MyFilePreview.ZoomFactor())
        MyFilePreview.SetZoomFactor(*z);
}

void TMyPreview::PageEditExit() {
    const auto p = integerOf(PageEdit->text());
    if (p && *p != MyFilePreview.CurrentPage())
        MyFilePreview.ShowPage(unsigned(std::max(*p, 0)));
}

bool TMyPreview::printRange(int first, int last) {
    if (printing_ || MyFilePrinter.busy()) {
        ui::showError(this, kBusy);
        return false;
    }
    printing_ = true;
    bool printed = false;
    {
        reportsui::PdfFileChoice pdf(this, MyFilePrinter.printer());
        if (pdf.ready()) {
            printed = MyFilePrinter.printPages(first, last, 1);
            if (!printed)
                ui::showError(this, MyFilePrinter.error());
        }
    }
    printing_ = false;
    return printed;
}

void TMyPreview::MenuPrintRangeClick() {
    TPrintRange range(MyFilePreview.PageCount(), main_.settings(), main_.scaleFactor(), this);
    range.exec();
    if (range.confirmed())
        printRange(range.first(), range.last());
}

void TMyPreview::MenuColorClick() {
    MyFilePreview.monochrome = !MyFilePreview.monochrome;
    MenuColor->setChecked(!MyFilePreview.monochrome);
    MyFilePreview.RedrawPage();
}

void showPreview(ui::MainWindowLink& main, const reports::ReportDefinition& definition,
                 reports::PageStream& stream) {
    TMyPreview preview(main, stream, definition.name, main.dialogParent());
    preview.exec();
}

}  // namespace reportsui
