#!/bin/bash
# Builds the Debian package, checks its control data and contents, unpacks it
# into a scratch root and solves the sample with the unpacked kova-solve.
# Usage: deb_test.sh BUILD_DIR EXAMPLES_DIR
set -u
build=$1
examples=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source "$(dirname "$0")/checks.sh"

(cd "$build" && cpack -G DEB -B "$work/package" >"$work/cpack.log" 2>&1) || {
    cat "$work/cpack.log"
    echo "FAIL cpack"
    exit 1
}
deb=$(ls "$work"/package/kova_*.deb 2>/dev/null | head -1)
[ -n "$deb" ] || { echo "FAIL no .deb built"; exit 1; }
echo "package: $(basename "$deb")"
dpkg-deb -f "$deb" Depends >"$work/depends"
check "depends on the Qt libraries" grep -q 'libqt6widgets6' "$work/depends"
check "depends on the platform plugins" grep -q 'qt6-qpa-plugins' "$work/depends"
check "depends on the Japanese fonts" grep -q 'fonts-ipafont-gothic' "$work/depends"
dpkg-deb -c "$deb" >"$work/contents"
for path in ./usr/bin/kova ./usr/bin/kova-solve ./usr/share/applications/kova.desktop \
    ./usr/share/mime/packages/kova.xml ./usr/share/icons/hicolor/scalable/apps/kova.svg \
    ./usr/share/doc/kova/manual/index.html ./usr/share/doc/kova/manual/en.html \
    ./usr/share/doc/kova/examples/sample.kvf; do
    check "contains $path" grep -q " $path\$" "$work/contents"
done

dpkg -x "$deb" "$work/root"
source_dir=$(cd "$examples/.." && pwd)
for program in kova kova-solve; do
    # Qt string literals are UTF-16: both widths are searched.
    check "$program names no source folder" bash -c \
        '! (strings -a "$1"; strings -a -el "$1") | grep -qF "$0"' "$source_dir" "$work/root/usr/bin/$program"
done
export XDG_CONFIG_HOME=$work/config
check "unpacked kova-solve solves the sample" \
    "$work/root/usr/bin/kova-solve" --quiet "$work/root/usr/share/doc/kova/examples/sample.kvf"
"$work/root/usr/bin/kova-solve" --quiet --fixed-time "2026/12/07 09:30:00" --raw \
    "$examples/sample.kvf" >"$work/solved"
check "unpacked kova-solve gives the sample's optimum" grep -q '69\.' "$work/solved"
[ "$failures" -eq 0 ]
