#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for a few seconds each.
set -euo pipefail
build=$1
seconds=${2:-60}
here=$(cd "$(dirname "$0")" && pwd)
status=0
for target in "$build"/fuzz/fuzz_*; do
  [ -f "$target" ] && [ -x "$target" ] || continue
  name=$(basename "$target")
  corpus="$build/fuzz/corpus_$name"
  mkdir -p "$corpus"
  [ -d "$here/seeds/$name" ] && cp -n "$here/seeds/$name"/* "$corpus"/ 2>/dev/null || true
  echo "== $name for ${seconds}s"
  "$target" -max_total_time="$seconds" -rss_limit_mb=4096 "$corpus" || status=1
done
exit $status
