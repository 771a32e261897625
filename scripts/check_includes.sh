#!/usr/bin/env bash
# The include rules between the layers (README, "Architecture"): each check
# lists the files that break a rule; any listed file fails the check.
#   - dbase/ (the engine) and fields/ (the book field table) include only
#     themselves;
#   - settings/ includes nothing from data/, ui/ or any layer above;
#   - the command line (batch/) includes only the widget-free libraries;
#   - no file outside app/ includes an app/ header, apart from the tests of
#     app/ and the grid benchmark, which starts the whole program;
#   - the engine's private headers are included by the engine and its tests only.
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"

failed=0
# breaks DESCRIPTION FILES-PATTERN ALLOWED-PREFIXES-REGEX [EXCLUDED-REGEX]
breaks() {
    local what=$1 files=$2 allowed=$3 excluded=${4:-^$}
    local found
    found=$(git ls-files "$files" | grep -E '\.(cpp|h)$' | grep -Ev "$excluded" |
        xargs -r grep -HnoE '^#include "[a-z_]+/[^"]*"' |
        grep -Ev "#include \"($allowed)/" || true)
    if [[ -n $found ]]; then
        echo "$what:"
        echo "$found"
        failed=1
    fi
}

breaks "the engine includes only itself" 'dbase/*' 'dbase'
breaks "the field table includes only itself" 'fields/*' 'fields'
breaks "the settings include only the engine and the field table" 'settings/*' \
    'dbase|fields|settings'
breaks "the data layer includes nothing with windows" 'data/*' 'dbase|fields|settings|data'
breaks "the shared window parts include no subsystem and no main window" 'ui/*' \
    'dbase|fields|settings|data|ui'
breaks "the command line includes only widget-free libraries" 'batch/*' \
    'dbase|fields|settings|data|exchange|reports|batch'

outside_app=$(git ls-files '*.cpp' '*.h' | grep -Ev '^(app/|tests/app/|bench/grid_bench\.cpp$)' |
    xargs -r grep -HnE '^#include "app/' || true)
if [[ -n $outside_app ]]; then
    echo "app/ headers included outside app/:"
    echo "$outside_app"
    failed=1
fi

private_engine=$(git ls-files '*.cpp' '*.h' | grep -Ev '^(dbase/|tests/dbase/|fuzz/)' |
    xargs -r grep -HnE '^#include "dbase/(table_impl|mdx_internal|mdx_layout)\.h"' || true)
if [[ -n $private_engine ]]; then
    echo "the engine's private headers included outside the engine:"
    echo "$private_engine"
    failed=1
fi

exit $failed
