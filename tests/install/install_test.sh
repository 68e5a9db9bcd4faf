#!/bin/bash
# Installs the build into a scratch prefix and checks what the desktop needs:
# programs, menu entry, the .kvf document type, icons and the manual.
# Usage: install_test.sh BUILD_DIR EXAMPLES_DIR
set -u
build=$1
examples=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
source "$(dirname "$0")/checks.sh"

cmake --install "$build" --prefix "$prefix" >/dev/null || { echo "FAIL cmake --install"; exit 1; }
check "kova installed" test -x "$prefix/bin/kova"
check "kova-solve installed" test -x "$prefix/bin/kova-solve"
desktop=$prefix/share/applications/kova.desktop
check "desktop entry" grep -qx 'Exec=kova %f' "$desktop"
check "desktop entry claims the document type" grep -qx 'MimeType=application/x-kova;' "$desktop"
mime=$prefix/share/mime/packages/kova.xml
check "document type named KOVA Document" grep -q '<comment>KOVA Document</comment>' "$mime"
check "document type for *.kvf" grep -q '<glob pattern="\*.kvf"/>' "$mime"
check "application icon" test -s "$prefix/share/icons/hicolor/scalable/apps/kova.svg"
check "document icon" test -s "$prefix/share/icons/hicolor/scalable/mimetypes/application-x-kova.svg"
check "manual" test -s "$prefix/share/doc/kova/manual/index.html"
if command -v xmllint >/dev/null; then
    check "document type is well-formed XML" xmllint --noout "$mime"
fi
if command -v desktop-file-validate >/dev/null; then
    check "desktop entry is valid" desktop-file-validate "$desktop"
fi
# The installed solver runs on its own.
check "installed kova-solve solves the sample" \
    env XDG_CONFIG_HOME="$prefix/config" "$prefix/bin/kova-solve" --quiet "$examples/sample.kvf"
[ "$failures" -eq 0 ]
