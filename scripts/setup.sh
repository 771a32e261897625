#!/usr/bin/env bash
# Installs every Debian package that building, running and testing the
# program needs, skipping what is already there. Safe to run repeatedly.
set -euo pipefail

packages=(
  # toolchain and build
  build-essential make cmake ninja-build pkg-config clang libclang-rt-14-dev clang-format
  # the toolkit
  qt6-base-dev qt6-base-dev-tools libgl-dev qt6-qpa-plugins
  # tests
  libgtest-dev googletest
  # fonts the reports name resolve to these metric-compatible ones
  fonts-liberation
  # external dBase readers and writers the interoperability tests use
  # (Debian's /usr/bin/python3 with its dbfread and dbf modules; perl with
  # XBase, XBase::Index and dbf_dump; ogr2ogr)
  python3 python3-dbfread python3-dbf perl libdbd-xbase-perl gdal-bin
  # the installation test: desktop entry and metadata validators (dpkg-dev,
  # with build-essential, brings dpkg-shlibdeps for the package)
  desktop-file-utils appstream
  # reference figures for the benchmarks, PDF checks
  sqlite3 poppler-utils
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "setup: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
