// Which fields an export writes and in what order, and which book field each
// field of an import file goes to.
//
// The export configuration keeps, for each book field, its position (the
// grid row it stands on) and whether it is included. The import map pairs the
// source fields with the 36 book fields by the rows of the mapping grid.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <vector>

#include "settings/settings.h"

namespace exchange {

// The 36 book field numbers in the order of their positions. Positions that
// are not a permutation of 1 to 36 (a settings file edited by hand) still give
// every field once: equal positions keep field-number order.
std::vector<int> fieldsByPosition(const settings::PerField<int>& order);

// The included fields in output order.
std::vector<int> exportFields(const settings::PerField<int>& order,
                              const settings::PerField<bool>& included);

// One row of the export grid: the display name and "Yes" or "No".
struct ExportRow {
    QString name;
    QString use;
};

// Reads the grid back: each field takes the position of the first row that
// carries its display name, and is included when that row says "Yes". A field
// whose name is on no row keeps its old values.
void readExportRows(const QList<ExportRow>& rows, const settings::PerField<QString>& names,
                    settings::PerField<int>& order, settings::PerField<bool>& included);

// One data row of the import grid (rows 1 to 36 stand for book fields 1 to
// 36): the source field name placed on it and "Yes", "No" or "".
struct ImportRow {
    QString source;
    QString use;
};

// For each source field, the book field number (1 to 36) that receives it,
// or 0: the first of the 36 rows that carries its name decides, and only a
// "Yes" there imports it.
std::vector<int> importFieldMap(const QStringList& sourceNames, const QList<ImportRow>& rows);

}  // namespace exchange
