#!/usr/bin/env bash
# The engine's figures side by side with their peers (cat, sqlite3 .import,
# sort, cp) in one run, each with its peak resident memory. The work folder
# keeps the table, its index, a CSV copy and the sqlite3 database.
#   bench/compare.sh BUILD_DIR WORK_DIR RECORDS
# Prints "<what> <seconds> s <peak KB> KB" lines (whatever the command's
# own output is sent to); the engine's own
# "<op> <records> <seconds>" lines come first where it prints them.
set -euo pipefail
build=$1 work=$2 n=$3
bench=$build/bench/tk_bench
grid=$build/bench/tk_grid_bench
expr='Upper(Left(Author,20))+STR(YearPub,8,0)'
four='Upper(Left(Author,20))+Upper(Left(Title,20))+Upper(Left(Publisher,20))+STR(YearPub,8,0)'
mkdir -p "$work"
t() {
    local what=$1
    shift
    /usr/bin/time -o "$work/.time" -f "$what %e s %M KB" "$@"
    cat "$work/.time" >&3
}
exec 3>&1
echo "load: $(uptime)"
rm -f "$work/b.dbf" "$work/b.mdx" "$work/b.csv" "$work/b.db" "$work/keys.txt"
t generate "$bench" generate "$work/b.dbf" "$n"
"$bench" csv "$work/b.dbf" "$work/b.csv"
t sqlite3-import sqlite3 "$work/b.db" ".import --csv $work/b.csv books"
t cat cat "$work/b.dbf" >/dev/null
t scan "$bench" scan "$work/b.dbf" 2>/dev/null
t open "$bench" open "$work/b.dbf"
if [ -x "$grid" ]; then
    t window-first-start-builds-tag "$grid" window-sorted "$work/b.dbf"
    t window-tag-present "$grid" window-sorted "$work/b.dbf"
fi
t index-4-levels "$bench" index "$work/b.dbf" "$four" 2>/dev/null
t index "$bench" index "$work/b.dbf" "$expr" 2>/dev/null
cut -d, -f2,3 "$work/b.csv" | tail -n +2 >"$work/keys.txt"
t sort-keys env LC_ALL=C sort -S 100M -o /dev/null "$work/keys.txt"
t walk "$bench" walk "$work/b.dbf" 2>/dev/null
t seek-0 "$bench" seek "$work/b.dbf" 0 2>/dev/null
t seek-end "$bench" seek "$work/b.dbf" $((n - 50)) 2>/dev/null
t repack-nothing-deleted "$bench" repack "$work/b.dbf" 2>/dev/null
t cp cp "$work/b.dbf" "$work/b.copy"
rm -f "$work/b.copy"
t pack-with-tag "$bench" pack "$work/b.dbf"
echo "load: $(uptime)"
