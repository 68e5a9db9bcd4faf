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
grep -q "missing.kvf: " "$work/err" || fail "no message (with its reason) for a missing file"

# A UTF-8 file prints its characters, as the editor shows them.
printf 'ARC \xe6\x9d\xb1\xe4\xba\xac S 0 0 1 10\nEND\n' >"$work/utf8.kvf"
"$kova" --print "$work/utf8.kvf" --pdf "$work/utf8.pdf" || fail "printing a UTF-8 file failed"
if command -v pdftotext >/dev/null; then
    pdftotext "$work/utf8.pdf" - | grep -q "ARC 東京 S" || fail "a UTF-8 file printed wrongly"
fi

# Lines are laid out as the paper shows them: cut every 80 bytes.
printf 'ARC S A 0 0 1 10\r\n!%0199d\r\nEND\r\n' 0 >"$work/long.kvf"
"$kova" --print "$work/long.kvf" --pdf "$work/long.pdf" || fail "printing a long line failed"
if command -v pdftotext >/dev/null; then
    pdftotext -raw "$work/long.pdf" - | grep -qx '!0\{79\}' || fail "a long line is not cut at 80 bytes"
fi

# A PDF that cannot be written fails, and a PDF already there stays whole.
"$kova" --print "$examples/sample.kvf" --pdf /dev/full 2>"$work/err"
[ $? -eq 73 ] || fail "printing to /dev/full did not end with 73"
grep -q "/dev/full: cannot write" "$work/err" || fail "no message for /dev/full"
mkdir -p "$work/full"
if mount -t tmpfs -o size=64k tmpfs "$work/full" 2>/dev/null; then
    cp "$work/sample.pdf" "$work/full/out.pdf"
    dd if=/dev/zero of="$work/full/fill" bs=1k count=100 2>/dev/null
    "$kova" --print "$examples/sample.kvf" --pdf "$work/full/out.pdf" 2>/dev/null
    status=$?
    cmp -s "$work/sample.pdf" "$work/full/out.pdf"
    same=$?
    umount "$work/full"
    [ $status -eq 73 ] || fail "printing to a full disk did not end with 73"
    [ $same -eq 0 ] || fail "a full disk spoilt the PDF already there"
else
    echo "skipped: the full-disk check needs a small tmpfs (mount as root)"
fi
# `kova --draw FILE --svg OUT`: every example solved and drawn without a display.
for input in "$examples"/*.kvf; do
    name=$(basename "$input" .kvf)
    "$kova" --draw "$input" --svg "$work/$name.svg" 2>/dev/null
    status=$?
    if [ "$name" = data-error ]; then
        [ $status -eq 2 ] && [ ! -e "$work/$name.svg" ] || fail "--draw of a data error: $status"
        continue
    fi
    [ $status -eq 0 ] || fail "--draw $name ended with $status"
    grep -q '<svg' "$work/$name.svg" && grep -q '</svg>' "$work/$name.svg" || fail "$name.svg is no SVG"
done
"$kova" --draw "$examples/sample.kvf" 2>/dev/null
[ $? -eq 64 ] || fail "--draw without an output is not a usage error"
"$kova" --draw "$examples/sample.kvf" --png "$work/sample.png" || fail "--draw --png failed"
head -c 8 "$work/sample.png" | od -An -tx1 | grep -q "89 50 4e 47" || fail "sample.png is no PNG"
echo "print file: ok"
