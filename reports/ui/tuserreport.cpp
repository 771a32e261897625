#include "reports/ui/tuserreport.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "data/run_state.h"
#include "reports/definition_file.h"
#include "reports/report_design.h"
#include "reports/ui/treplayout.h"
#include "settings/settings.h"
#include "ui/form_geometry.h"
#include "ui/help_window.h"
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

QString fontText(const reports::ReportFontSpec& f) {
    return f.name + QLatin1Char(' ') + QString::number(f.size) + QStringLiteral("pt");
}

}  // namespace

TReportFonts::TReportFonts(reports::ReportDefinition& definition,
                           const settings::Settings& settings, double scale, QWidget* parent)
    : QDialog(parent), d_(definition), settings_(settings), scale_(scale) {
    setObjectName(QStringLiteral("ReportFonts"));
    setWindowTitle(QStringLiteral("Report Fonts"));
    setModal(true);
    setFixedSize(360, 300);
    const QString titles[] = {QStringLiteral("Titles Font"), QStringLiteral("Column Header Font"),
                              QStringLiteral("Report Body Font"), QStringLiteral("Footnote Font")};
    const char* editNames[] = {"TitleFont", "ColumnFont", "BodyFont", "FootnoteFont"};
    QLineEdit** edits[] = {&TitleFont, &ColumnFont, &BodyFont, &FootnoteFont};
    for (int i = 0; i < 4; ++i) {
        auto* g = new QGroupBox(titles[i], this);
        g->setGeometry(8, 8 + i * 60, 344, 54);
        *edits[i] = named(new QLineEdit(g), editNames[i]);
        (*edits[i])->setGeometry(8, 22, 220, 22);
        (*edits[i])->setReadOnly(true);
        NewFont[i] = new QPushButton(QStringLiteral("New Font"), g);
        NewFont[i]->setObjectName(QStringLiteral("NewFont%1").arg(i + 1));
        NewFont[i]->setGeometry(236, 20, 100, 26);
        connect(NewFont[i], &QPushButton::clicked, this, [this, i] { chooseFont(i); });
    }
    OkButton = named(new QPushButton(QStringLiteral("&Ok"), this), "OkButton");
    OkButton->setGeometry(130, 256, 100, 30);
    OkButton->setDefault(true);
    connect(OkButton, &QPushButton::clicked, this, &QDialog::accept);
    showFonts();
    ui::recordDesignGeometry(this);
}

void TReportFonts::showEvent(QShowEvent* event) {
    ui::prepareForm(this, settings_, scale_);
    ui::applyWindowColors(this, settings_.colorSet(settings::ReportWindow));
    QDialog::showEvent(event);
}

reports::ReportFontSpec& TReportFonts::spec(int slot) {
    switch (slot) {
        case 0:
            return d_.titleFont;
        case 1:
            return d_.columnHeaderFont;
        case 2:
            return d_.bodyFont;
        default:
            return d_.footnoteFont;
    }
}

void TReportFonts::showFonts() {
    QLineEdit* edits[] = {TitleFont, ColumnFont, BodyFont, FootnoteFont};
    for (int i = 0; i < 4; ++i)
        edits[i]->setText(fontText(spec(i)));
}

void TReportFonts::chooseFont(int slot) {
    reports::ReportFontSpec& f = spec(slot);
    QFont initial(f.name);
    initial.setPointSize(std::max(f.size, 1));
    initial.setBold(f.bold);
    initial.setItalic(f.italic);
    initial.setUnderline(f.underline);
    initial.setStrikeOut(f.strikeout);
    const auto chosen = ui::getFontAndColor(this, initial, ui::toQColor(f.color));
    if (!chosen)
        return;
    f.name = chosen->font.family().left(reports::kFontNameLength);
    if (chosen->font.pointSize() > 0)
        f.size = chosen->font.pointSize();
    f.bold = chosen->font.bold();
    f.italic = chosen->font.italic();
    f.underline = chosen->font.underline();
    f.strikeout = chosen->font.strikeOut();
    f.color = ui::fromQColor(chosen->color);
    showFonts();
}

TUserReport::TUserReport(ui::MainWindowLink& main, reports::ReportDefinition& definition, int index,
                         QWidget* parent)
    : QDialog(parent), main_(main), d_(definition), index_(index) {
    setObjectName(QStringLiteral("UserReport"));
    setWindowTitle(QStringLiteral("Report Definition"));
    setModal(true);
    setFixedSize(560, 420);

    auto group = [this](const char* name, const QString& title, int x, int y, int w, int h) {
        auto* g = named(new QGroupBox(title, this), name);
        g->setGeometry(x, y, w, h);
        return g;
    };
    auto edit = [](QWidget* owner, const char* name, int x, int y, int w, int max) {
        auto* e = named(new QLineEdit(owner), name);
        e->setGeometry(x, y, w, 22);
        e->setMaxLength(max);
        return e;
    };
    auto label = [](QWidget* owner, const QString& text, int x, int y, int w = 100) {
        auto* l = new QLabel(text, owner);
        l->setGeometry(x, y, w, 18);
        return l;
    };
    auto check = [](QWidget* owner, const char* name, const QString& text, int x, int y, int w) {
        auto* c = named(new QCheckBox(text, owner), name);
        c->setGeometry(x, y, w, 20);
        return c;
    };

    QGroupBox* g = group("NameGroup", QStringLiteral("Report Name"), 8, 4, 270, 50);
    ReportName = edit(g, "ReportName", 8, 20, 254, reports::kNameLength);
    g = group("WidthGroup", QStringLiteral("Report Width"), 286, 4, 266, 50);
    Chars90 = named(new QRadioButton(QStringLiteral("90 Chars"), g), "Chars90");
    Chars90->setGeometry(8, 22, 80, 20);
    Chars120 = named(new QRadioButton(QStringLiteral("120 Chars"), g), "Chars120");
    Chars120->setGeometry(92, 22, 84, 20);
    Chars150 = named(new QRadioButton(QStringLiteral("150 Chars"), g), "Chars150");
    Chars150->setGeometry(178, 22, 84, 20);

    g = group("FontGroup", QStringLiteral("Report Fonts"), 8, 58, 270, 140);
    const char* fontNames[] = {"TitleLineFont", "ColumnHeaderFont", "RepBodyDataFont",
                               "FootnoteFont"};
    const QString fontLabels[] = {QStringLiteral("Title Lines"), QStringLiteral("Column Headers"),
                                  QStringLiteral("Report Body"), QStringLiteral("Footnotes")};
    QLineEdit** fontEdits[] = {&TitleLineFont, &ColumnHeaderFont, &RepBodyDataFont, &FootnoteFont};
    for (int i = 0; i < 4; ++i) {
        label(g, fontLabels[i], 8, 22 + i * 26);
        *fontEdits[i] = edit(g, fontNames[i], 110, 20 + i * 26, 152, 80);
        (*fontEdits[i])->setReadOnly(true);
    }
    SetFonts = named(new QPushButton(QStringLiteral("&Set Fonts"), this), "SetFonts");
    SetFonts->setGeometry(8, 202, 100, 26);

    g = group("TitleGroup", QStringLiteral("Report Titles"), 286, 58, 266, 100);
    Title1 = edit(g, "Title1", 8, 18, 250, reports::kTitleLength);
    Title2 = edit(g, "Title2", 8, 44, 250, reports::kTitleLength);
    Title3 = edit(g, "Title3", 8, 70, 250, reports::kTitleLength);

    g = group("MiscGroup", QStringLiteral("Miscellaneous"), 286, 162, 266, 150);
    Level1Group = check(g, "Level1Group", QStringLiteral("Group by Level 1 Sort"), 8, 18, 250);
    Level2Group = check(g, "Level2Group", QStringLiteral("Group by Level 2 Sort"), 8, 38, 250);
    ColumnHeaders = check(g, "ColumnHeaders", QStringLiteral("Column Headers"), 8, 58, 128);
    HorzLines = check(g, "HorzLines", QStringLiteral("Horizontal Lines"), 8, 78, 128);
    VertLines = check(g, "VertLines", QStringLiteral("Vertical Lines"), 8, 98, 128);
    DateOnPage = check(g, "DateOnPage", QStringLiteral("Date On Pages"), 138, 58, 124);
    PageNumbers = check(g, "PageNumbers", QStringLiteral("Page Numbers"), 138, 78, 124);
    LandOrient = check(g, "LandOrient", QStringLiteral("Print Landscape"), 138, 98, 124);

    g = group("ContentGroup", QStringLiteral("Report Content"), 8, 234, 270, 80);
    label(g, QStringLiteral("Number of Lines"), 8, 20);
    NumLines = edit(g, "NumLines", 110, 18, 40, 2);
    UseTotals = check(g, "UseTotals", QStringLiteral("Use Totals"), 160, 18, 102);
    SpecifyButton =
        named(new QPushButton(QStringLiteral("&Specify Report Content"), g), "SpecifyButton");
    SpecifyButton->setGeometry(8, 46, 254, 26);

    g = group("MarginGroup", QStringLiteral("Margins (in inches)"), 8, 318, 544, 50);
    const char* marginNames[] = {"TopMargin", "BottomMargin", "LeftMargin", "RightMargin"};
    const QString marginLabels[] = {QStringLiteral("Top"), QStringLiteral("Bottom"),
                                    QStringLiteral("Left"), QStringLiteral("Right")};
    QLineEdit** margins[] = {&TopMargin, &BottomMargin, &LeftMargin, &RightMargin};
    for (int i = 0; i < 4; ++i) {
        label(g, marginLabels[i], 8 + i * 134, 22, 50);
        *margins[i] = edit(g, marginNames[i], 60 + i * 134, 20, 60, 5);
        connect(*margins[i], &QLineEdit::editingFinished, this, &TUserReport::NumLinesExit);
    }

    UpdateButton = named(new QPushButton(QStringLiteral("&Update"), this), "UpdateButton");
    UpdateButton->setGeometry(8, 380, 100, 30);
    CancelButton = named(new QPushButton(QStringLiteral("&Cancel"), this), "CancelButton");
    CancelButton->setGeometry(120, 380, 100, 30);
    DeleteButton = named(new QPushButton(QStringLiteral("&Delete"), this), "DeleteButton");
    DeleteButton->setGeometry(232, 380, 100, 30);
    HelpButton = named(new QPushButton(QStringLiteral("&Help"), this), "HelpButton");
    HelpButton->setGeometry(344, 380, 100, 30);

    // No default button: Enter in a box neither saves nor opens a window.
    for (QPushButton* b : findChildren<QPushButton*>())
        b->setAutoDefault(false);

    connect(UpdateButton, &QPushButton::clicked, this, &TUserReport::UpdateButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(DeleteButton, &QPushButton::clicked, this, &TUserReport::DeleteButtonClick);
    connect(HelpButton, &QPushButton::clicked, this,
            [this] { ui::showHelp(this, QStringLiteral("User Defined Reports")); });
    connect(Level1Group, &QCheckBox::clicked, this,
            [this] { Level2Group->setEnabled(Level1Group->isChecked()); });
    connect(NumLines, &QLineEdit::editingFinished, this, &TUserReport::NumLinesExit);
    connect(ReportName, &QLineEdit::editingFinished, this, &TUserReport::ReportNameExit);
    connect(Chars90, &QRadioButton::clicked, this, [this] { widthClicked(90); });
    connect(Chars120, &QRadioButton::clicked, this, [this] { widthClicked(120); });
    connect(Chars150, &QRadioButton::clicked, this, [this] { widthClicked(150); });
    connect(SetFonts, &QPushButton::clicked, this, [this] {
        TReportFonts fonts(d_, main_.settings(), main_.scaleFactor(), this);
        fonts.exec();
        showFonts();
    });
    connect(SpecifyButton, &QPushButton::clicked, this, [this] {
        if (!NumLinesOk())
            return;
        TRepLayout layout(d_,
                          Chars150->isChecked()   ? 150
                          : Chars120->isChecked() ? 120
                                                  : 90,
                          UseTotals->isChecked(), main_.settings(), main_.scaleFactor(), this);
        layout.exec();
    });
    ui::recordDesignGeometry(this);
}

reports::DefinitionFile TUserReport::definitionFile() const {
    return reports::DefinitionFile::inDirectory(main_.runState().programDirectory);
}

void TUserReport::showEvent(QShowEvent* event) {
    ui::prepareForm(this, main_);
    ui::applyWindowColors(this, main_.settings().colorSet(settings::ReportWindow));
    ReportName->setText(d_.name);
    Title1->setText(d_.title1);
    Title2->setText(d_.title2);
    Title3->setText(d_.title3);
    TopMargin->setText(QString::number(d_.marginTop, 'f', 2));
    BottomMargin->setText(QString::number(d_.marginBottom, 'f', 2));
    LeftMargin->setText(QString::number(d_.marginLeft, 'f', 2));
    RightMargin->setText(QString::number(d_.marginRight, 'f', 2));
    NumLines->setText(QString::number(d_.lineCount));
    (d_.widthChars == 150 ? Chars150 : d_.widthChars == 120 ? Chars120 : Chars90)->setChecked(true);
    Level1Group->setChecked(d_.groupLevel1);
    Level2Group->setChecked(d_.groupLevel1 && d_.groupLevel2);
    Level2Group->setEnabled(d_.groupLevel1);
    ColumnHeaders->setChecked(d_.columnHeaders);
    HorzLines->setChecked(d_.horizontalLines);
    VertLines->setChecked(d_.verticalLines);
    DateOnPage->setChecked(d_.dateOnPages);
    PageNumbers->setChecked(d_.pageNumbers);
    LandOrient->setChecked(d_.landscape);
    UseTotals->setChecked(d_.useTotals);
    showFonts();
    enableBoxOptions(d_.lineCount);
    DeleteButton->setEnabled(index_ >= 0);
    openedName_ = d_.name;
    QDialog::showEvent(event);
    ReportName->setFocus();
}

void TUserReport::showFonts() {
    TitleLineFont->setText(fontText(d_.titleFont));
    ColumnHeaderFont->setText(fontText(d_.columnHeaderFont));
    RepBodyDataFont->setText(fontText(d_.bodyFont));
    FootnoteFont->setText(fontText(d_.footnoteFont));
}

void TUserReport::enableBoxOptions(int lines) {
    for (QCheckBox* c : {ColumnHeaders, HorzLines, VertLines})
        c->setEnabled(lines < 2);
}

void TUserReport::ReportNameExit() {
    if (index_ < 0)
        return;
    d_.name = ReportName->text().trimmed().left(reports::kNameLength);
    DeleteButton->setEnabled(d_.name == openedName_);
}

void TUserReport::NumLinesExit() {
    bool ok = false;
    const int n = NumLines->text().trimmed().toInt(&ok);
    if (!ok)
        return;
    d_.lineCount = n;
    NumLines->setText(QString::number(n));
    enableBoxOptions(n);
}

bool TUserReport::NumLinesOk() {
    const auto n = reports::parseLineCount(NumLines->text());
    if (!n) {
        QApplication::beep();
        ui::showNotice(
            this, QStringLiteral("Number of lines must be in range of 0 to 12.  Please correct."));
        NumLines->setFocus();
        return false;
    }
    d_.lineCount = *n;
    return true;
}

bool TUserReport::SaveOutVars() {
    // Margins that are no number, negative or beyond the paper are refused
    // before anything is stored.
    QLineEdit* edits[] = {TopMargin, BottomMargin, LeftMargin, RightMargin};
    double values[4] = {};
    for (int i = 0; i < 4; ++i) {
        const auto m = reports::parseMargin(edits[i]->text());
        if (!m) {
            QApplication::beep();
            ui::showError(
                this, QStringLiteral("Invalid margin entered.  Please correct (0 to 10 inches)."));
            edits[i]->setFocus();
            return false;
        }
        values[i] = *m;
    }
    d_.marginTop = values[0];
    d_.marginBottom = values[1];
    d_.marginLeft = values[2];
    d_.marginRight = values[3];
    d_.name = ReportName->text().trimmed().left(reports::kNameLength);
    d_.title1 = Title1->text().trimmed().left(reports::kTitleLength);
    d_.title2 = Title2->text().trimmed().left(reports::kTitleLength);
    d_.title3 = Title3->text().trimmed().left(reports::kTitleLength);
    d_.widthChars = Chars150->isChecked() ? 150 : Chars120->isChecked() ? 120 : 90;
    d_.columnHeaders = ColumnHeaders->isChecked();
    d_.groupLevel1 = Level1Group->isChecked();
    d_.groupLevel2 = d_.groupLevel1 && Level2Group->isChecked();
    d_.pageNumbers = PageNumbers->isChecked();
    d_.landscape = LandOrient->isChecked();
    d_.dateOnPages = DateOnPage->isChecked();
    d_.horizontalLines = HorzLines->isChecked();
    d_.verticalLines = VertLines->isChecked();
    d_.useTotals = UseTotals->isChecked();
    return true;
}

void TUserReport::UpdateButtonClick() {
    if (!NumLinesOk() || !SaveOutVars())
        return;
    int target = index_;
    if (index_ >= 0 && d_.name != openedName_) {
        QApplication::beep();
        const ui::Answer a = ui::askDefaultNo(
            this, QStringLiteral("Warning"),
            QStringLiteral("Report Title has changed!  Do you wish to save this as a new report?   "
                           "(YES saves as new report.  NO overwrites old report.  CANCEL "
                           "aborts.)"),
            true);
        if (a == ui::Answer::Cancel)
            return;
        if (a == ui::Answer::Yes)
            target = -1;
    }
    reports::DefinitionFile file = definitionFile();
    QString error;
    const int saved = reports::saveDefinition(file, d_, target, &error);
    if (saved < 0) {
        ui::showError(this, error);
        return;
    }
    index_ = saved;
    changed_ = true;
    accept();
}

void TUserReport::DeleteButtonClick() {
    if (index_ < 0)
        return;
    if (ui::askDefaultNo(this, QStringLiteral("Warning"),
                         QStringLiteral("Are you sure you want to delete this report?"),
                         false) != ui::Answer::Yes)
        return;
    reports::DefinitionFile file = definitionFile();
    QString error;
    if (!file.remove(index_, &error)) {
        ui::showError(this, error);
        return;
    }
    index_ = -1;
    changed_ = true;
    accept();
}

void TUserReport::widthClicked(int width) {
    if (width == d_.widthChars)
        return;
    QString question;
    if (width == 90)
        question = QStringLiteral(
            "Switching to 90 characters from 120 or 150 will truncate the current defined lines.  "
            "In addition, the font size will be reset to a 10 point as a default.  Are you sure "
            "you wish to do this?");
    else if (width == 120 && d_.widthChars == 150)
        question = QStringLiteral(
            "Switching to 120 characters from 150 will truncate the current defined lines.  In "
            "addition, the font size will be reset to a 8 point as a default.  Are you sure you "
            "wish to do this?");
    if (!question.isEmpty() &&
        ui::askDefaultNo(this, QStringLiteral("Warning"), question, false) != ui::Answer::Yes) {
        (d_.widthChars == 150   ? Chars150
         : d_.widthChars == 120 ? Chars120
                                : Chars90)
            ->setChecked(true);
        return;
    }
    reports::changeReportWidth(d_, width);
    showFonts();
    if (width == 120)
        ui::showNotice(this, QStringLiteral("The Report Body font size has been set to a 8 Point "
                                            "default size as."));
    else if (width == 150)
        ui::showNotice(this, QStringLiteral("The Report Body font size has been set to a 6 Point "
                                            "default size as a result of switching to 150 "
                                            "characters per line."));
}

bool openDesigner(ui::MainWindowLink& main, reports::ReportDefinition& definition, int index) {
    TUserReport form(main, definition, index, main.dialogParent());
    form.exec();
    return form.changedFile();
}

}  // namespace reportsui
