#!/usr/bin/env bash
# Renders the program's icon at the sizes the icon theme looks for. Run after
# changing the SVG (needs rsvg-convert, Debian's librsvg2-bin); the PNGs are
# kept in the repository so a build needs no renderer.
set -euo pipefail
cd "$(dirname "$0")"
for size in 16 22 24 32 48 64 128 256; do
  mkdir -p "icons/${size}x${size}"
  rsvg-convert -w "$size" -h "$size" net.tomekeep.Books.svg -o "icons/${size}x${size}/net.tomekeep.Books.png"
done
