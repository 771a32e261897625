#include "reports/report_design.h"

#include <algorithm>
#include <cmath>

#include "reports/definition_file.h"

namespace reports {

void fitLine(ReportLine& line, int width) {
    int sum = 0;
    int last = kItemsPerLine - 1;
    for (int i = 0; i < kItemsPerLine; ++i) {
        ReportItem& item = line.items[size_t(i)];
        if (item.width == 0)
            item.width = width;
        sum += item.width;
        if (sum >= width) {
            last = i;
            break;
        }
    }
    line.items[size_t(last)].width += width - sum;
    for (int i = last + 1; i < kItemsPerLine; ++i)
        line.items[size_t(i)].width = 0;
}

int bodyFontSizeFor(int width) {
    return width == 150 ? 6 : width == 120 ? 8 : 10;
}

void changeReportWidth(ReportDefinition& definition, int width) {
    definition.widthChars = width;
    const int lines = std::clamp(definition.lineCount, 0, kRecordLines);
    for (int n = 0; n < lines; ++n)
        fitLine(definition.lines[size_t(n)], width);
    definition.bodyFont.size = bodyFontSizeFor(width);
}

std::optional<int> parseLineCount(const QString& text) {
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    if (!ok || n < 0 || n > kRecordLines)
        return std::nullopt;
    return n;
}

std::optional<double> parseMargin(const QString& text) {
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v) || v < 0 || v > 10)
        return std::nullopt;
    return v;
}

std::optional<int> parseItemWidth(const QString& text) {
    bool ok = false;
    const int w = text.trimmed().toInt(&ok);
    if (!ok || w < 0 || w > 150)
        return std::nullopt;
    return w;
}

int saveDefinition(DefinitionFile& file, const ReportDefinition& definition, int index,
                   QString* error) {
    if (index < 0) {
        const int at = file.count();
        return file.append(definition, error) ? at : -1;
    }
    return file.write(index, definition, error) ? index : -1;
}

}  // namespace reports
