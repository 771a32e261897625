#include "reports/report_layout.h"

#include <QDir>

#include <cmath>

#include "fields/book_fields.h"
#include "reports/layout_picture.h"
#include "settings/settings.h"

namespace reports {

namespace {

// A key no field text equals, so the first record starts a group.
const QString kNoKey = QStringLiteral("zzxkytrweq");
constexpr int kKeyLength = 120;
constexpr double kMargin = 2;  // tab margins, hundredths of an inch

enum class NumberKind { None, Year, Money, Count };

NumberKind numberKind(int field) {
    switch (field) {
        case 3:
            return NumberKind::Year;
        case 7:
        case 8:
        case 29:
        case 30:
            return NumberKind::Money;
        case 24:
            return NumberKind::Count;
        default:
            return NumberKind::None;
    }
}

// A margin that is no number, negative or beyond any paper (a damaged
// definition) is taken as half an inch.
double margin(double inches) {
    return std::isfinite(inches) && inches >= 0 && inches <= 100 ? inches : 0.5;
}

QColor colorOf(std::int32_t bgr) {
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

QString blanks(int n) {
    return n > 0 ? QString(n, QLatin1Char(' ')) : QString();
}

// The first w characters, padded on the right (left-aligned) or on the
// left (right-aligned) to w.
QString leftAligned(const QString& s, int w) {
    const QString cut = s.left(std::max(0, w));
    return cut + blanks(w - int(cut.size()));
}
QString rightAligned(const QString& s, int w) {
    const QString cut = s.left(std::max(0, w));
    return blanks(w - int(cut.size())) + cut;
}

}  // namespace

QString moneyText(double value, const settings::NumberFormat& f) {
    return settings::fixedPointGrouped(value, 0, f.currencyDecimals, f.decimalSeparator,
                                       f.thousandsSeparator);
}

QString countText(double value, const settings::NumberFormat& f) {
    return settings::fixedPointGrouped(value, 0, 0, f.decimalSeparator, f.thousandsSeparator);
}

QString yearText(double value) {
    return settings::fixedPoint(value, 0, 0);
}

LayoutSettings layoutSettingsOf(const settings::Settings& st,
                                const std::array<int, 4>& sortLevels) {
    LayoutSettings s;
    s.sortLevels = sortLevels;
    s.captions = fieldCaptions(st);
    s.currency = st.formats.reportFormat(st.currencyFormat);
    s.numeric = st.formats.reportFormat(st.numericFormat);
    s.dates = st.formats;
    s.today = s.dates.dateToText(QDate::currentDate());
    return s;
}

ReportLayout::ReportLayout(const ReportDefinition& definition, dbase::Table& table, OutputMode mode,
                           LayoutSettings settings)
    : def_(definition), table_(table), mode_(mode), settings_(std::move(settings)) {}

ReportLayout::~ReportLayout() {
    if (controlsDisabled_)
        table_.enableControls();
}

void ReportLayout::attach(TBaseReport& engine) {
    engine.onBeforePrint = [this](Engine& e) { beforePrint(e); };
    engine.onPrintHeader = [this](Engine& e) { printHeader(e); };
    engine.onPrintPage = [this](Engine& e, int) { return printPage(e); };
    engine.onPrintFooter = [this](Engine& e) { printFooter(e); };
    engine.onAfterPrint = [this](Engine& e) { afterPrint(e); };
    engine.orientation = def_.landscape ? Orientation::Landscape : Orientation::Portrait;
}

// ---- Helpers -------------------------------------------------------------------

void ReportLayout::selectFont(Engine& e, const ReportFontSpec& f) {
    e.selectFont(f.name, f.size);
    e.setFontBold(f.bold);
    e.setFontItalic(f.italic);
    e.setFontUnderline(f.underline);
    e.setFontStrikeout(f.strikeout);
    e.setFontColor(colorOf(f.color));
}

double ReportLayout::itemWidth(const ReportItem& item) const {
    return item.width * usableWidth_ / widthChars_;
}

void ReportLayout::addLineTabs(Engine& e, const ReportLine& line, Justify fieldJustify,
                               bool labelsRight, int lines) {
    const int used = line.usedCount();
    for (int i = 0; i < used; ++i) {
        const ReportItem& item = line.items[std::size_t(i)];
        const Justify j = labelsRight && item.isLabel() ? Justify::Right : fieldJustify;
        e.addTab(kAfterPrevious, j, itemWidth(item), int(kMargin), lines, 0);
    }
}

void ReportLayout::addRecordTabs(Engine& e) {
    e.clearAllTabs();
    addLineTabs(e, def_.lines[0], Justify::Left, false, boxLines_);
}

QString ReportLayout::fieldText(int number) const {
    if (number < 1 || number > fields::kFieldCount)
        return {};
    const int index = fieldIndex_[std::size_t(number)];
    if (index < 0)
        return {};
    const fields::BookField& field = fields::bookField(number);
    switch (field.kind) {
        case fields::FieldKind::Date:
            return settings_.dates.dateToText(table_.asDate(index));
        case fields::FieldKind::Integer:
        case fields::FieldKind::Float: {
            const double v = table_.asFloat(index);
            switch (numberKind(number)) {
                case NumberKind::Year:
                    return yearText(v);
                case NumberKind::Money:
                    return moneyText(v, settings_.currency);
                case NumberKind::Count:
                    return countText(v, settings_.numeric);
                case NumberKind::None:
                    return settings::fixedPoint(v, 0, 0);
            }
            return {};
        }
        case fields::FieldKind::String:
            break;
    }
    return QString::fromStdString(table_.asString(index));
}

void ReportLayout::printItem(Engine& e, int tab, const QString& text) {
    // A text file's pages only count lines: nothing is drawn for them.
    if (textMode())
        return;
    if (text.isEmpty())
        e.printText(QStringLiteral("\t"));
    else
        e.printText(QLatin1Char('\t') + e.fitToWidth(text, e.tabTextWidth(tab)));
}

void ReportLayout::writeLine(const QString& line) {
    if (!textFile_)
        return;
    const QByteArray bytes = line.toUtf8() + '\n';
    if (textFile_->write(bytes) != bytes.size())
        throw ReportError(
            QStringLiteral("The report could not be written to \"%1\": %2")
                .arg(QDir::toNativeSeparators(textFileName_), textFile_->errorString()));
}

// ---- Before and after the job ------------------------------------------------

void ReportLayout::beforePrint(Engine& e) {
    e.statusFormat = QStringLiteral("Printing Page %p\r%0\r%1");
    e.statusText = QStringList{QString(), QString()};
    e.setMarginTop(margin(def_.marginTop));
    e.setMarginBottom(margin(def_.marginBottom));
    e.setMarginLeft(margin(def_.marginLeft));
    e.setMarginRight(margin(def_.marginRight));
    // A damaged definition must not divide by zero or loop past 12 lines.
    widthChars_ = std::max(1, def_.widthChars);
    lineCount_ = std::clamp(def_.lineCount, 0, kRecordLines);
    usableWidth_ = e.pageWidth() - e.marginLeft() - e.marginRight();
    boxLines_ = 0;
    if (lineCount_ == 1) {
        if (def_.verticalLines)
            boxLines_ |= BoxLeft | BoxRight;
        if (def_.horizontalLines)
            boxLines_ |= BoxTop | BoxBottom;
    }

    groupField1_ = groupField2_ = 0;
    if (def_.groupLevel1) {
        for (const int level : settings_.sortLevels) {
            if (level <= 0)
                continue;
            if (groupField1_ == 0)
                groupField1_ = level;
            else if (groupField2_ == 0)
                groupField2_ = level;
        }
    }
    if (!def_.groupLevel2)
        groupField2_ = 0;
    groupKey1_ = groupKey2_ = kNoKey;
    headingPending_ = subtotalPending_ = endTotalsPending_ = false;
    firstGroup_ = true;
    grand_.fill(0);
    group_.fill(0);

    for (int n = 1; n <= fields::kFieldCount; ++n) {
        const auto name = fields::bookField(n).name;
        fieldIndex_[std::size_t(n)] = table_.findField(name);
    }

    if (textMode()) {
        textFile_ = std::make_unique<QSaveFile>(textFileName_);
        textFile_->setDirectWriteFallback(false);
        if (!textFile_->open(QIODevice::WriteOnly)) {
            const QString why = textFile_->errorString();
            textFile_.reset();
            throw ReportError(QStringLiteral("The report could not be written to \"%1\": %2")
                                  .arg(QDir::toNativeSeparators(textFileName_), why));
        }
    }
    table_.disableControls();
    controlsDisabled_ = true;
    table_.first();
}

void ReportLayout::afterPrint(Engine& e) {
    if (controlsDisabled_) {
        controlsDisabled_ = false;
        table_.enableControls();
    }
    if (!textFile_)
        return;
    auto file = std::move(textFile_);
    // A failed job leaves nothing under the chosen name.
    if (!e.error().isEmpty()) {
        file->cancelWriting();
        return;
    }
    if (!file->commit())
        throw ReportError(QStringLiteral("The report could not be written to \"%1\": %2")
                              .arg(QDir::toNativeSeparators(textFileName_), file->errorString()));
}

// ---- Header and footer -------------------------------------------------------

void ReportLayout::printHeader(Engine& e) {
    // The text file takes the same lines, so that its pages break where the
    // printed ones do.
    e.setSectionTop(0.5);
    e.setSectionBottom(1.25);
    e.gotoSectionStart();
    selectFont(e, def_.titleFont);
    for (const QString& title : {def_.title1, def_.title2, def_.title3}) {
        if (title.isEmpty())
            continue;
        e.printCentredAt(title, e.pageWidth() / 2);
        e.advanceLine();
        if (textMode())
            writeLine(title);
    }
}

void ReportLayout::printFooter(Engine& e) {
    const double bottom = e.pageHeight() - e.marginBottom();
    e.setSectionTop(bottom - 0.5);
    e.setSectionBottom(bottom);
    selectFont(e, def_.footnoteFont);
    const QString page = QStringLiteral("Page %1").arg(e.currentPage());
    if (def_.pageNumbers)
        e.printJustified(page, Justify::Left);
    if (def_.dateOnPages)
        e.printJustified(settings_.today, Justify::Right);
    if (textMode()) {
        writeLine(QString());
        QString line = def_.pageNumbers ? page + blanks(5) : QString();
        if (def_.dateOnPages)
            line += blanks(5) + settings_.today;
        writeLine(line + QChar(12));
    }
}

// ---- The body of a page --------------------------------------------------------

void ReportLayout::printColumnHeaders(Engine& e) {
    selectFont(e, def_.columnHeaderFont);
    e.clearAllTabs();
    addLineTabs(e, def_.lines[0], Justify::Centre, false, boxLines_);
    const ReportLine& line = def_.lines[0];
    QString text;
    for (int i = 0; i < line.usedCount(); ++i) {
        const ReportItem& item = line.items[std::size_t(i)];
        if (item.isField()) {
            const int n = item.fieldNumber;
            const QString caption =
                n >= 1 && n <= fields::kFieldCount ? settings_.captions[std::size_t(n)] : QString();
            printItem(e, i + 1, caption);
            text += leftAligned(caption, item.width);
        } else {
            printItem(e, i + 1, {});
            text += blanks(item.width);
        }
    }
    selectFont(e, def_.bodyFont);
    e.printTextLine(QString());
    if (textMode())
        writeLine(text);
}

void ReportLayout::printLine(Engine& e, const ReportLine& line) {
    QString text;
    for (int i = 0; i < line.usedCount(); ++i) {
        const ReportItem& item = line.items[std::size_t(i)];
        if (item.isFiller()) {
            printItem(e, i + 1, {});
            text += blanks(item.width);
        } else if (item.isLabel()) {
            printItem(e, i + 1, item.labelText);
            text += rightAligned(item.labelText, item.width);
        } else {
            const QString value = fieldText(item.fieldNumber);
            printItem(e, i + 1, value);
            text += leftAligned(value, item.width);
        }
    }
    e.printTextLine(QString());
    if (textMode())
        writeLine(text);
}

void ReportLayout::printRecord(Engine& e) {
    if (lineCount_ == 1) {
        printLine(e, def_.lines[0]);
        return;
    }
    for (int n = 0; n < lineCount_; ++n) {
        e.clearAllTabs();
        addLineTabs(e, def_.lines[std::size_t(n)], Justify::Left, true, 0);
        printLine(e, def_.lines[std::size_t(n)]);
    }
}

void ReportLayout::printTotalsLine(Engine& e, const std::array<double, 5>& totals) {
    e.clearAllTabs();
    addLineTabs(e, def_.totalsLine, Justify::Left, true, 0);
    const ReportLine& line = def_.totalsLine;
    QString text;
    for (int i = 0; i < line.usedCount(); ++i) {
        const ReportItem& item = line.items[std::size_t(i)];
        if (item.isFiller()) {
            printItem(e, i + 1, {});
            text += blanks(item.width);
        } else if (item.isLabel()) {
            printItem(e, i + 1, item.labelText);
            text += rightAligned(item.labelText, item.width);
        } else {
            const int k = item.fieldNumber;
            const QString value = k >= 1 && k <= 4
                                      ? moneyText(totals[std::size_t(k)], settings_.currency)
                                      : QString();
            printItem(e, i + 1, value);
            text += leftAligned(value, item.width);
        }
    }
    e.printTextLine(QString());
    if (textMode())
        writeLine(text);
}

void ReportLayout::printCaption(Engine& e, const QString& caption) {
    QString shown = caption;
    double w = e.textWidth(shown);
    if (w > usableWidth_ - 0.2) {
        shown = e.fitToWidth(shown, usableWidth_ - 0.2);
        w = usableWidth_;
    }
    e.clearAllTabs();
    e.addTab(e.marginLeft() + (usableWidth_ - w) / 2, Justify::Centre, w + 0.2, int(kMargin),
             BoxBottom, 0);
    e.printTextLine(QLatin1Char('\t') + shown);
    if (textMode())
        writeLine(blanks((widthChars_ - int(caption.size())) / 2) + caption);
}

bool ReportLayout::groupHeading(Engine& e) {
    if (e.remainingLines() < lineCount_ + 2) {
        headingPending_ = true;
        return true;
    }
    QString heading = groupKey1_;
    if (groupField2_ > 0)
        heading += QStringLiteral(", ") + groupKey2_;
    if (textMode()) {
        const QString front = blanks((widthChars_ - int(heading.size())) / 2);
        const QString rule = front + QString(heading.size(), QLatin1Char('-'));
        writeLine(QString());
        writeLine(rule);
        writeLine(front + heading);
        writeLine(rule);
    }
    double w = e.textWidth(heading);
    if (w > usableWidth_ - 0.2) {
        heading = e.fitToWidth(heading, usableWidth_ - 0.2);
        w = usableWidth_;
    }
    e.printTextLine(QString());
    e.clearAllTabs();
    e.addTab(e.marginLeft() + (usableWidth_ - w) / 2, Justify::Centre, w + 0.2, int(kMargin),
             BoxAll, 0);
    e.printTextLine(QLatin1Char('\t') + heading);
    ++progress_;
    if (lineCount_ == 1)
        addRecordTabs(e);
    headingPending_ = false;
    return false;
}

bool ReportLayout::groupSubtotal(Engine& e) {
    if (firstGroup_) {
        firstGroup_ = false;
        subtotalPending_ = false;
        return false;
    }
    if (!def_.useTotals) {
        subtotalPending_ = false;
        return false;
    }
    if (e.remainingLines() < lineCount_ + 3) {
        subtotalPending_ = true;
        return true;
    }
    printCaption(e, QStringLiteral("TOTALS"));
    printTotalsLine(e, group_);
    ++progress_;
    group_.fill(0);
    if (lineCount_ == 1)
        addRecordTabs(e);
    subtotalPending_ = false;
    return false;
}

bool ReportLayout::keyChange(Engine& e, const QString& key1) {
    groupKey1_ = key1;
    if (groupSubtotal(e)) {
        headingPending_ = true;
        return true;
    }
    return groupHeading(e);
}

void ReportLayout::endTotals(Engine& e) {
    if (def_.useTotals && e.remainingLines() < 5) {
        endTotalsPending_ = true;
        return;
    }
    if (def_.useTotals) {
        printCaption(e, QStringLiteral("TOTALS"));
        printTotalsLine(e, group_);
        e.printTextLine(QString());
        if (textMode())
            writeLine(QString());
        printCaption(e, QStringLiteral("GRAND TOTALS"));
        printTotalsLine(e, grand_);
        ++progress_;
    }
    endTotalsPending_ = false;
}

void ReportLayout::addToTotals() {
    for (int k = 1; k <= 4; ++k) {
        const int index = fieldIndex_[std::size_t(totalBookField(k))];
        const double v = index >= 0 ? table_.asFloat(index) : 0;
        grand_[std::size_t(k)] += v;
        group_[std::size_t(k)] += v;
    }
}

bool ReportLayout::printPage(Engine& e) {
    e.gotoSectionStart();
    e.setSectionTop(1.25);
    e.setSectionBottom(e.pageHeight() - e.marginBottom() - 0.75);
    if (lineCount_ == 1 && def_.columnHeaders)
        printColumnHeaders(e);
    else
        selectFont(e, def_.bodyFont);
    if (lineCount_ == 1)
        addRecordTabs(e);

    progress_ = 0;
    bool stop = false;
    while (e.remainingLines() >= lineCount_ && !table_.eof() && !stop) {
        if (subtotalPending_)
            stop = groupSubtotal(e);
        if (headingPending_ && !stop)
            stop = groupHeading(e);
        if (!stop && groupField1_ > 0) {
            const QString key1 = fieldText(groupField1_).left(kKeyLength);
            if (groupField2_ == 0) {
                if (key1 != groupKey1_)
                    stop = keyChange(e, key1);
            } else {
                const QString key2 = fieldText(groupField2_).left(kKeyLength);
                if (key2 != groupKey2_) {
                    groupKey2_ = key2;
                    stop = keyChange(e, key1);
                } else if (key1 != groupKey1_) {
                    stop = keyChange(e, key1);
                }
            }
        }
        if (stop)
            break;
        printRecord(e);
        ++progress_;
        if (def_.useTotals)
            addToTotals();
        table_.next();
    }
    if (table_.eof())
        endTotals(e);
    const bool more = !(table_.eof() && !endTotalsPending_);
    // A page that took nothing would be followed by the same page forever.
    if (more && progress_ == 0)
        throw ReportError(QStringLiteral(
            "The report does not fit on a page: a record, a group heading or the totals "
            "need more lines than a page holds."));
    return more;
}

}  // namespace reports
