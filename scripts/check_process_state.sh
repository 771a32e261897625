#!/usr/bin/env bash
# The process state (the settings with the formats in force, the run state
# with the screen preset of the run) belongs to app/, which hands it on: the
# libraries take what they use as parameters and the windows ask their main
# window's link. This check lists each place outside app/ and bench/ that
# reaches the program's own instances through their accessors:
# settings::settings(), settings::loadSettings(), settings::saveSettings(),
# books::runState(), and the screen preset's ui::currentPreset() and
# ui::scaleFactor(); within settings/ and data/ also the unqualified
# settings() and runState() outside the files that define them. The tests
# are left out: those of the main window use the program's own instances as
# app/ does, and others look at them to see that a window left them alone.
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"

sources=$(git ls-files '*.cpp' '*.h' | grep -Ev '^(app|bench|tests)/' || true)

qualified='(settings::(settings|loadSettings|saveSettings)|books::runState|ui::(currentPreset|scaleFactor))[[:space:]]*\('
found=$(echo "$sources" | xargs -r grep -HnE "$qualified" || true)

own() {
    local folder=$1 name=$2 defining=$3
    echo "$sources" | grep -E "^$folder/" | grep -Ev "^$defining$" |
        xargs -r grep -HnE "(^|[^.>:[:alnum:]_])$name\(\)" || true
}
found=$(printf '%s\n' "$found" "$(own settings settings 'settings/settings\.(cpp|h)')" \
    "$(own data runState 'data/run_state\.(cpp|h)')" | sed '/^$/d')

if [[ -n $found ]]; then
    echo "the program's process state reached through an accessor outside app/ and bench/:"
    echo "$found"
    exit 1
fi
