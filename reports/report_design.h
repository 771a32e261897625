// What the report designer does to a definition, without any window: fitting
// a line's items to the report width, changing the width, and reading the
// numbers typed into the designer (lines, margins, item widths), refusing
// what cannot be laid out.
#pragma once

#include <QString>

#include <optional>

#include "reports/definition_file.h"
#include "reports/report_definition.h"

namespace reports {

// Makes the leading items of `line` add up to `width` exactly: an item of
// width 0 met on the way takes the whole width, the walk stops at the item
// where the sum reaches `width` (or at the last item), that item takes up
// the difference and every item after it gets width 0.
void fitLine(ReportLine& line, int width);

// Sets the report width (90, 120 or 150): the record lines in use are
// fitted to it (the totals line and unused lines stay as they are) and the
// body font takes the size of that width (10, 8 or 6 points).
void changeReportWidth(ReportDefinition& definition, int width);
int bodyFontSizeFor(int width);

// The number of record lines, 0 to 12; nothing for other text.
std::optional<int> parseLineCount(const QString& text);
// A margin in inches: a number from 0 to 10; nothing for other text.
std::optional<double> parseMargin(const QString& text);
// An item width: a whole number from 0 to 150; nothing for other text.
std::optional<int> parseItemWidth(const QString& text);

// Saves `definition` in `file`: appended when `index` is -1 (a new report),
// else over record `index`. Returns the record's index, or -1 with the
// reason in `error`.
int saveDefinition(DefinitionFile& file, const ReportDefinition& definition, int index,
                   QString* error = nullptr);

}  // namespace reports
