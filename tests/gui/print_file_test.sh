#!/bin/bash
# `kova --print FILE`: the editor's own pages of the file, here into a PDF,
# without a display; a missing file or no printer fails with a message.
# Usage: print_file_test.sh KOVA EXAMPLES_DIR
set -u
kova=$1
examples=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
fail() { echo "FAIL $*"; exit 1; }

"$kova" --print "$examples/sample.kvf" --pdf "$work/sample.pdf" || fail "printing to a PDF failed"
if command -v pdftotext >/dev/null; then
    pdftotext "$work/sample.pdf" - | grep -q "ARC S B 0 0 4 8 40 2 20" || fail "the text is not on the page"
else
    test -s "$work/sample.pdf" || fail "empty PDF"
fi
"$kova" --print "$work/missing.kvf" --pdf "$work/x.pdf" 2>"$work/err"
[ $? -eq 66 ] || fail "a missing file did not end with 66"
grep -q "missing.kvf" "$work/err" || fail "no message for a missing file"
echo "print file: ok"
