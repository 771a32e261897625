// Small pieces the exchange windows share.
#pragma once

#include <QString>
#include <QTableWidget>

namespace exchangeui {

template <typename W>
W* named(W* w, const char* name) {
    w->setObjectName(QLatin1String(name));
    return w;
}

// The text of a grid cell ("" for a cell never set).
inline QString cellText(const QTableWidget* grid, int row, int column) {
    const QTableWidgetItem* item = grid->item(row, column);
    return item ? item->text() : QString();
}

inline void setCellText(QTableWidget* grid, int row, int column, const QString& text) {
    if (QTableWidgetItem* item = grid->item(row, column))
        item->setText(text);
    else
        grid->setItem(row, column, new QTableWidgetItem(text));
}

// A grid of fixed text: no editing, lines, Tab between cells, thumb tracking.
void setUpTextGrid(QTableWidget* grid, const QStringList& headers);

// Scales the grid's column widths and row heights by `factor` from the design
// values.
void scaleGrid(QTableWidget* grid, const QList<int>& columnWidths, double factor);

// Whether the file name ends in ".DBF" in any letter case.
bool hasDBaseExtension(const QString& path);

}  // namespace exchangeui
