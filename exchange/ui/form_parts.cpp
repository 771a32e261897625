#include "exchange/ui/form_parts.h"

#include <QHeaderView>

namespace exchangeui {

void setUpTextGrid(QTableWidget* grid, const QStringList& headers) {
    grid->setColumnCount(static_cast<int>(headers.size()));
    grid->setHorizontalHeaderLabels(headers);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setSelectionBehavior(QAbstractItemView::SelectItems);
    grid->setTabKeyNavigation(true);
    grid->setShowGrid(true);
    grid->verticalHeader()->setVisible(false);
    grid->horizontalHeader()->setSectionsClickable(false);
}

void scaleGrid(QTableWidget* grid, const QList<int>& columnWidths, double factor) {
    for (qsizetype c = 0; c < columnWidths.size(); ++c)
        grid->setColumnWidth(static_cast<int>(c), static_cast<int>(columnWidths.at(c) * factor));
    const int rowHeight = static_cast<int>(20 * factor);
    grid->verticalHeader()->setDefaultSectionSize(rowHeight);
    grid->horizontalHeader()->setFixedHeight(rowHeight + 2);
}

bool hasDBaseExtension(const QString& path) {
    return path.right(4).toUpper() == QLatin1String(".DBF");
}

}  // namespace exchangeui
