#include "data/run_state.h"

namespace books {

RunState& runState() {
    static RunState state;
    return state;
}

bool isBrowseArgument(const QString& firstArgument) {
    const QString word = firstArgument.toUpper().left(30);
    return word == QStringLiteral("/BROWSE") || word == QStringLiteral("--BROWSE");
}

}  // namespace books
