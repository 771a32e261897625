#!/usr/bin/env bash
# Renders a built-in report to a PDF file under the offscreen platform and
# turns its first page into a PNG picture, for looking at the layout:
#   tests/reports/page_picture.sh [build folder] [output folder]
set -euo pipefail
build=${1:-build}
out=${2:-$(mktemp -d)}
mkdir -p "$out"
TK_REPORT_SAMPLE="$out" QT_QPA_PLATFORM=offscreen \
  "$build/tests/reports/tk_reports_tests" --gtest_filter='LayoutTest.ABuiltInReportPrintsToAPdfFile' >/dev/null
pdftoppm -png -r 80 -f 1 -l 1 "$out/short_narrow.pdf" "$out/short_narrow"
ls "$out"/short_narrow*.png
