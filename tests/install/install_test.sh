#!/usr/bin/env bash
# Installs the built program into a temporary prefix (twice), checks the file
# list, validates the desktop entry and the AppStream metadata, runs the
# installed program's --version, --help and an unknown option without a
# display, and builds the Debian package and reads its contents.
# Arguments: the build folder, the application id, the program's version.
set -euo pipefail
build=$1 app_id=$2 version=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

expected="bin/tomekeep
share/applications/$app_id.desktop
share/icons/hicolor/128x128/apps/$app_id.png
share/icons/hicolor/16x16/apps/$app_id.png
share/icons/hicolor/22x22/apps/$app_id.png
share/icons/hicolor/24x24/apps/$app_id.png
share/icons/hicolor/256x256/apps/$app_id.png
share/icons/hicolor/32x32/apps/$app_id.png
share/icons/hicolor/48x48/apps/$app_id.png
share/icons/hicolor/64x64/apps/$app_id.png
share/icons/hicolor/scalable/apps/$app_id.svg
share/man/man1/tomekeep.1
share/metainfo/$app_id.metainfo.xml"

files_under() { (cd "$1" && find . -type f -o -type l | sed 's|^\./||' | LC_ALL=C sort); }

# Into a prefix, then again over the first installation.
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" > "$work/install1.log"
[ "$(files_under "$prefix")" = "$(echo "$expected" | LC_ALL=C sort)" ] ||
  fail "installed files differ: $(diff <(files_under "$prefix") <(echo "$expected" | LC_ALL=C sort))"
cmake --install "$build" --prefix "$prefix" > "$work/install2.log"
[ "$(files_under "$prefix")" = "$(echo "$expected" | LC_ALL=C sort)" ] ||
  fail "a second installation changed the file list"

# Every destination is relative to the prefix: staged under DESTDIR, nothing
# lands outside it.
DESTDIR=$work/stage cmake --install "$build" --prefix /usr > /dev/null
[ "$(files_under "$work/stage")" = "$(echo "$expected" | sed 's|^|usr/|' | LC_ALL=C sort)" ] ||
  fail "files staged outside the prefix"

# The distribution's validators.
desktop-file-validate "$prefix/share/applications/$app_id.desktop" ||
  fail "desktop entry does not validate"
grep -qx 'Exec=tomekeep /BROWSE' "$prefix/share/applications/$app_id.desktop" ||
  fail "no browse action in the desktop entry"
appstreamcli validate --no-net "$prefix/share/metainfo/$app_id.metainfo.xml" > "$work/as.log" ||
  { cat "$work/as.log"; fail "metadata does not validate"; }
grep -q "release version=\"$version\"" "$prefix/share/metainfo/$app_id.metainfo.xml" ||
  fail "metadata does not carry the version"

# The installed program answers without a display.
run() { env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/tomekeep" "$@"; }
[ "$(run --version)" = "Tomekeep Books 95 $version" ] || fail "--version: $(run --version)"
help=$(run --help) || fail "--help exit status"
for option in /BROWSE --browse --help --version --report --output --export --import --collection; do
  grep -qF -- "$option" <<< "$help" || fail "--help does not list $option"
done
status=0
run --no-such-option > "$work/out" 2> "$work/err" || status=$?
[ "$status" = 2 ] || fail "unknown option: exit status $status"
[ ! -s "$work/out" ] || fail "unknown option wrote to standard output"
grep -q 'unknown option --no-such-option' "$work/err" || fail "unknown option not named"
grep -q 'Usage: tomekeep' "$work/err" || fail "unknown option without the usage"

# The Debian package.
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/package" > "$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; fail "cpack"; }
deb=$(ls "$work"/package/tomekeep_"$version"*.deb)
dpkg-deb -c "$deb" | awk '{print $6}' | grep -v '/$' | sed 's|^\./usr/||' | LC_ALL=C sort > "$work/deb.list"
[ "$(cat "$work/deb.list")" = "$(echo "$expected" | LC_ALL=C sort)" ] ||
  fail "package contents differ: $(diff "$work/deb.list" <(echo "$expected" | LC_ALL=C sort))"
depends=$(dpkg-deb -f "$deb" Depends)
for package in libqt6widgets6 libqt6printsupport6 qt6-qpa-plugins fonts-liberation libc6; do
  grep -q "$package" <<< "$depends" || fail "package does not depend on $package: $depends"
done
echo "install test passed: $(wc -l < "$work/deb.list") files, depends: $depends"
