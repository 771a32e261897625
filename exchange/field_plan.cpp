#include "exchange/field_plan.h"

#include <algorithm>
#include <numeric>

namespace exchange {

namespace {
const QString kYes = QStringLiteral("Yes");
}

std::vector<int> fieldsByPosition(const settings::PerField<int>& order) {
    std::vector<int> numbers(fields::kFieldCount);
    std::iota(numbers.begin(), numbers.end(), 1);
    std::stable_sort(numbers.begin(), numbers.end(),
                     [&](int a, int b) { return order[a] < order[b]; });
    return numbers;
}

std::vector<int> exportFields(const settings::PerField<int>& order,
                              const settings::PerField<bool>& included) {
    std::vector<int> numbers;
    for (const int number : fieldsByPosition(order)) {
        if (included[number])
            numbers.push_back(number);
    }
    return numbers;
}

void readExportRows(const QList<ExportRow>& rows, const settings::PerField<QString>& names,
                    settings::PerField<int>& order, settings::PerField<bool>& included) {
    for (int k = 1; k <= fields::kFieldCount; ++k) {
        for (qsizetype i = 0; i < rows.size(); ++i) {
            if (rows.at(i).name == names[k]) {
                order[k] = static_cast<int>(i) + 1;
                included[k] = rows.at(i).use == kYes;
                break;
            }
        }
    }
}

std::vector<int> importFieldMap(const QStringList& sourceNames, const QList<ImportRow>& rows) {
    std::vector<int> map(static_cast<std::size_t>(sourceNames.size()), 0);
    const qsizetype bookRows = std::min<qsizetype>(rows.size(), fields::kFieldCount);
    for (qsizetype i = 0; i < sourceNames.size(); ++i) {
        for (qsizetype j = 0; j < bookRows; ++j) {
            if (rows.at(j).source == sourceNames.at(i)) {
                if (rows.at(j).use == kYes)
                    map[static_cast<std::size_t>(i)] = static_cast<int>(j) + 1;
                break;
            }
        }
    }
    return map;
}

}  // namespace exchange
